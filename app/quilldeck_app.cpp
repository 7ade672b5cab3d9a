#include "app/quilldeck_app.h"

#include <QApplication>
#include <QFileInfo>
#include <QSocketNotifier>

#include "app/instance_channel.h"
#include "app/main_frame.h"
#include "app/message_bar.h"
#include "app/module_registration.h"
#include "app/property_frame_dialog.h"
#include "app/splash_window.h"
#include "platform/com/hresult.h"
#include "platform/system/last_error.h"
#include "platform/system/profile_directory.h"
#include "platform/system/termination_signals.h"

namespace {
constexpr int kRaiseRequestTimeoutMs = 3000;
}

QString CQuilldeckApp::InstanceName() {
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return name.isEmpty() ? QStringLiteral("quilldeck") : name;
}

CQuilldeckApp::CQuilldeckApp() : instanceLock_(InstanceName().toStdString()) {}

CQuilldeckApp::~CQuilldeckApp() {
    if (qApp) qApp->removeEventFilter(this);
    if (terminationNotifier_) {
        terminationNotifier_.reset();
        termination::StopWatchingSignals();
    }
    ui::SetPropertyFramePresenter(nullptr);
    mainFrame_.reset();
}

bool CQuilldeckApp::InitInstance() {
    // The program takes no options; a splash is always wanted.
    CSplashWindow::EnableSplash(true);

    const bool locked = instanceLock_.Acquire();
    if (!locked && GetLastError() == static_cast<DWORD>(ERROR_ALREADY_EXISTS)) {
        CInstanceChannel::RequestRaise(QString::fromStdString(instanceLock_.SocketPath()), kRaiseRequestTimeoutMs);
        return false;
    }
    // Before the channel listens: once other copies can reach this one, a signal is handled.
    WatchTerminationSignals();
    // Without a lock (an unwritable runtime directory) the program runs without the channel.
    if (locked) {
        instanceChannel_ = std::make_unique<CInstanceChannel>();
        connect(instanceChannel_.get(), &CInstanceChannel::RaiseRequested, this, &CQuilldeckApp::RaiseMainWindow);
        instanceChannel_->Listen(QString::fromStdString(instanceLock_.SocketPath()));
    }

    profileDirectory_ = ResolveProfileDirectory();
    settingsPath_ = QString::fromStdString(profileDirectory_) + QStringLiteral("Talvin.dat");

    qApp->installEventFilter(this);
    InstallPropertyFramePresenter();
    mainFrame_ = std::make_unique<CMainFrame>(profileDirectory_, settingsPath_);
    if (!mainFrame_->Create()) return false;

    // Leaving runs when the program really ends: the window closing, SIGTERM (which closes
    // it), or the desktop session ending (which quits the application). The desktop's logout
    // query alone changes nothing, since the user may still cancel the logout.
    connect(qApp, &QCoreApplication::aboutToQuit, mainFrame_.get(),
            [frame = mainFrame_.get()] { frame->RunLeavingSequence(); });

    RegisterMissingModules(ExecutableDirectory(), ProgramFilterModules(), mainFrame_->MessageBar());
    mainFrame_->RunStartupSequence();
    mainFrame_->LoadWindowState();
    // A placement restored as minimised leaves the window iconified, still shown, so that it
    // can be reached from the task bar.
    if (mainFrame_->isMinimized()) mainFrame_->showMinimized();
    else mainFrame_->show();
    mainFrame_->update();
    if (terminationNotifier_) terminationNotifier_->setEnabled(true);
    return true;
}

void CQuilldeckApp::RaiseMainWindow() {
    CMainFrame* frame = mainFrame_.get();
    if (!frame) return;
    if (frame->isMinimized()) frame->showNormal();
    frame->show();
    frame->raise();
    frame->activateWindow();
}

void CQuilldeckApp::WatchTerminationSignals() {
    const int descriptor = termination::WatchSignals();
    if (descriptor < 0) return;  // the default handling stays: the process ends at once
    terminationNotifier_ = std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Read);
    // A signal during start-up waits in the pipe until the message loop runs (see InitInstance).
    terminationNotifier_->setEnabled(false);
    connect(terminationNotifier_.get(), &QSocketNotifier::activated, this, [this] {
        if (termination::TakePendingSignals() == 0) return;
        // Modal dialogs end first, so the close is not refused by their event loops.
        while (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
            if (QApplication::activeModalWidget() == modal) break;
        }
        if (mainFrame_) mainFrame_->close();
        QCoreApplication::quit();
    });
}

bool CQuilldeckApp::eventFilter(QObject* watched, QEvent* event) {
    if (CSplashWindow::FilterSplashMessage(event)) return true;
    return QObject::eventFilter(watched, event);
}
