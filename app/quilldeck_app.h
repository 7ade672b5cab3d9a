// The application object: one running copy, the program's directory and settings file, the
// main window, and the splash's share of the input.
#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <string>

#include "platform/system/single_instance.h"

class CMainFrame;
class CInstanceChannel;
class QSocketNotifier;

class CQuilldeckApp : public QObject {
    Q_OBJECT

public:
    CQuilldeckApp();
    ~CQuilldeckApp() override;

    // False ends the process at once (a second copy, or a main window that could not be made).
    bool InitInstance();

    const std::string& ProfileDirectory() const { return profileDirectory_; }
    const QString& SettingsPath() const { return settingsPath_; }
    CMainFrame* MainFrame() const { return mainFrame_.get(); }

    // The name that identifies the program to other copies: the executable's base name.
    static QString InstanceName();

protected:
    // Offers input to the splash before anything else sees it.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RaiseMainWindow();
    // SIGTERM and SIGINT close the main window, so the leaving sequence runs.
    void WatchTerminationSignals();

    SingleInstanceLock instanceLock_;
    std::unique_ptr<CInstanceChannel> instanceChannel_;
    std::string profileDirectory_;
    QString settingsPath_;
    std::unique_ptr<CMainFrame> mainFrame_;
    std::unique_ptr<QSocketNotifier> terminationNotifier_;
};
