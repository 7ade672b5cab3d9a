// The local socket between copies of the program: the first copy listens, a second copy asks
// it to bring its window to the front and ends.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

class CInstanceChannel : public QObject {
    Q_OBJECT

public:
    explicit CInstanceChannel(QObject* parent = nullptr);

    // Listens at `socketPath` (a stale socket left by a crashed copy is removed first; the
    // caller holds the instance lock, so no live copy owns it).
    bool Listen(const QString& socketPath);

    // Sent by a second copy. Waits at most `timeoutMs` for the first copy to answer; false
    // when no copy listens.
    static bool RequestRaise(const QString& socketPath, int timeoutMs);

signals:
    void RaiseRequested();

private:
    void OnNewConnection();

    QLocalServer* server_;
};
