// The icon in the desktop's notification area (the system tray). Without a notification area
// the icon cannot be added and stays off. The area's host is watched, so that an icon that was
// on is added again when the host comes back (a restarted panel forgets its icons).
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

class QMenu;
class QSystemTrayIcon;
class QWidget;

class CTrayIcon : public QObject {
    Q_OBJECT

public:
    // Whether the desktop has a notification area now.
    using HostProbe = std::function<bool()>;
    static constexpr int kHostPollMs = 2000;

    explicit CTrayIcon(QWidget* window, HostProbe probe = {});
    ~CTrayIcon() override;

    // Shows the icon; false (and the icon off) when there is no notification area.
    bool Add();
    void Remove();
    bool IsShown() const;
    QString ToolTip() const;

    // Replaces how the host is found (tests stand in for a desktop).
    void SetHostProbe(HostProbe probe);

    // Looks at the host: one that appears after it was away emits HostReappeared.
    void CheckHost();

signals:
    void HostReappeared();
    void LeftButtonDown();
    void LeftDoubleClick();
    void RightButtonDown();

private:
    QWidget* window_;
    HostProbe probe_;
    QSystemTrayIcon* icon_ = nullptr;
    QTimer hostPoll_;
    bool hostPresent_;
};
