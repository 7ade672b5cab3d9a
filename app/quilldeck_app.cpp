#include "app/quilldeck_app.h"

#include <QApplication>
#include <QFileInfo>
#include <QSessionManager>

#include "app/instance_channel.h"
#include "app/main_frame.h"
#include "app/splash_window.h"
#include "platform/com/hresult.h"
#include "platform/system/last_error.h"
#include "platform/system/profile_directory.h"

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
    mainFrame_.reset();
}

bool CQuilldeckApp::InitInstance() {
    // The program takes no options; a splash is always wanted.
    CSplashWindow::EnableSplash(true);

    if (!instanceLock_.Acquire()) {
        if (GetLastError() == static_cast<DWORD>(ERROR_ALREADY_EXISTS)) {
            CInstanceChannel::RequestRaise(QString::fromStdString(instanceLock_.SocketPath()), kRaiseRequestTimeoutMs);
            return false;
        }
        // No lock can be made (an unwritable runtime directory): run without one.
    } else {
        instanceChannel_ = std::make_unique<CInstanceChannel>();
        connect(instanceChannel_.get(), &CInstanceChannel::RaiseRequested, this, &CQuilldeckApp::RaiseMainWindow);
        instanceChannel_->Listen(QString::fromStdString(instanceLock_.SocketPath()));
    }

    profileDirectory_ = ResolveProfileDirectory();
    settingsPath_ = QString::fromStdString(profileDirectory_) + QStringLiteral("Talvin.dat");

    qApp->installEventFilter(this);
    mainFrame_ = std::make_unique<CMainFrame>(profileDirectory_, settingsPath_);
    if (!mainFrame_->Create()) return false;

    // The desktop's session end runs the same leaving sequence as closing the window.
    connect(qApp, &QGuiApplication::commitDataRequest, mainFrame_.get(),
            [frame = mainFrame_.get()](QSessionManager&) { frame->RunLeavingSequence(); });
    connect(qApp, &QCoreApplication::aboutToQuit, mainFrame_.get(),
            [frame = mainFrame_.get()] { frame->RunLeavingSequence(); });

    mainFrame_->RunStartupSequence();
    mainFrame_->LoadWindowState();
    if (!mainFrame_->isMinimized()) mainFrame_->show();
    mainFrame_->update();
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

bool CQuilldeckApp::eventFilter(QObject* watched, QEvent* event) {
    if (CSplashWindow::FilterSplashMessage(event)) return true;
    return QObject::eventFilter(watched, event);
}
