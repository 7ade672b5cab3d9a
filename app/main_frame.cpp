#include "app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QUrl>
#include <cstdarg>
#include <cstdint>

#include "app/about_dialog.h"
#include "app/channel_dialog.h"
#include "app/engine_pane.h"
#include "app/information_bar.h"
#include "app/main_toolbar.h"
#include "app/message_bar.h"
#include "app/mixer_bar.h"
#include "app/profile_bar.h"
#include "app/tray_icon.h"
#include "app/resource_ids.h"
#include "app/splash_window.h"
#include "app/tv_bar.h"
#include "app/ui_texts.h"
#include "app/widget_window.h"
#include "platform/media/devices/device_arrival.h"
#include "platform/system/cpu_usage.h"
#include "platform/system/profile_directory.h"

CMainFrame::CMainFrame(std::string profileDirectory, QString settingsPath, QWidget* parent)
    : QMainWindow(parent), profileDirectory_(std::move(profileDirectory)), settingsPath_(std::move(settingsPath)) {
    setWindowTitle(texts::MainWindowTitle());
    setObjectName(QStringLiteral("Quilldeck"));
    engine_ = std::make_unique<CCaptureEngine>(profileDirectory_, this);
}

CMainFrame::~CMainFrame() {
    RunLeavingSequence();
    // The engine goes before the windows it draws into.
    engine_.reset();
    paneWindow_.reset();
    frameWindow_.reset();
}

HWND CMainFrame::Handle() const { return frameWindow_ ? frameWindow_->Handle() : nullptr; }

// Window creation: the engine pane, the commands, the toolbar and the bars in their order, the
// status bar with its two panes, the menus, docking, and the splash.
bool CMainFrame::Create() {
    enginePane_ = new CEnginePane(this);
    setCentralWidget(enginePane_);
    frameWindow_ = std::make_unique<CWidgetWindow>(
        this, [this](UINT msg, WPARAM w, LPARAM l) { OnFrameMessage(msg, w, l); });
    paneWindow_ = std::make_unique<CWidgetWindow>(enginePane_, CWidgetWindow::MessageHandler{}, enginePane_,
                                                  frameWindow_->Handle());
    if (!frameWindow_->Handle() || !paneWindow_->Handle()) return false;
    engine_->SetWindows(paneWindow_->Handle(), frameWindow_->Handle());
    enginePane_->OnResized = [this](int width, int height) { engine_->OnSize(width, height); };

    CreateCommands();
    toolBar_ = new CMainToolBar(this);
    toolBar_->SetCommands(commands_);
    toolBar_->LoadLayout();
    CreateBars();

    capturePane_ = new QLabel(this);
    capturePane_->setObjectName(QStringLiteral("CapturePane"));
    capturePane_->setFixedWidth(250);
    messagePane_ = new QLabel(this);
    messagePane_->setObjectName(QStringLiteral("MessagePane"));
    statusBar()->addWidget(capturePane_);
    statusBar()->addWidget(messagePane_, 1);

    CreateMenus();
    CreatePopupMenus();
    ConnectCommands();
    addToolBar(Qt::TopToolBarArea, toolBar_);
    DockAllBars();
    engine_->SetMessageBar(messageBar_);
    tray_ = new CTrayIcon(this);
    connect(tray_, &CTrayIcon::HostReappeared, this, [this] {
        if (engine_->Store().Options.TrayIcon) AddTrayIcon();
    });
    connect(tray_, &CTrayIcon::LeftButtonDown, this, &CMainFrame::OnTrayLeftButton);
    connect(tray_, &CTrayIcon::LeftDoubleClick, this, &CMainFrame::OnTrayDoubleClick);
    connect(tray_, &CTrayIcon::RightButtonDown, this, &CMainFrame::OnTrayRightButton);
    // The platform's default placement: on the screen, so that sizing to the video keeps it there.
    resize(640, 480);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    lastGeometry_ = geometry();
    UpdateCommandStates();
    CSplashWindow::ShowSplash(this);
    return true;
}

void CMainFrame::ReportFailure(HRESULT hr, BOOL beep, const char* format, ...) {
    va_list args;
    va_start(args, format);
    ReportFailureV(messageBar_, hr, beep, format, args);
    va_end(args);
}

void CMainFrame::ShowMessage(const std::string& text) {
    const QString message = QString::fromStdString(text);
    if (messageBoxHandler_) {
        messageBoxHandler_(message);
        return;
    }
    QMessageBox::warning(isVisible() ? this : nullptr, texts::ApplicationTitle(), message);
}

void CMainFrame::ShowChannelDialog() {
    CChannelDialog dialog(engine_->Store(), engine_->Session().TvTuner.Get(),
                          [this](HRESULT hr, const char* label) { engine_->ReportFailure(hr, TRUE, "%s", label); }, this);
    dialog.exec();
}

void CMainFrame::ShowAbout() {
    CAboutDialog about(this);
    about.exec();
}

// The guide lies beside the program ("guide/index.html" in the build tree) or in the
// installed documentation; a missing file is left to the viewer to report.
void CMainFrame::ShowHelp() {
    QString guide = QString::fromStdString(ExecutableDirectory()) + QStringLiteral("guide/index.html");
    const QString installed = QStringLiteral("/usr/share/doc/quilldeck/guide/index.html");
    if (!QFileInfo::exists(guide) && QFileInfo::exists(installed)) guide = installed;
    QDesktopServices::openUrl(QUrl::fromLocalFile(guide));
}

void CMainFrame::OnFrameMessage(UINT msg, WPARAM, LPARAM) {
    if (msg == WM_USER + 1) OnGraphNotify();
}

// Whether an EC_DEVICE_LOST parameter is the video or audio capture filter of the session
// (the same object: its filter pointer or its IUnknown). The graph hands the pointer over
// without a reference, so it is only compared, never called: the filter it named may be gone.
bool CMainFrame::IsSessionCaptureFilter(LONG_PTR parameter) const {
    if (parameter == 0) return false;
    const GraphSession& session = engine_->Session();
    for (IBaseFilter* filter : {session.VideoCaptureFilter.Get(), session.AudioCaptureFilter.Get()}) {
        if (!filter) continue;
        if (reinterpret_cast<LONG_PTR>(static_cast<IUnknown*>(filter)) == parameter) return true;
        ComPtr<IUnknown> identity;
        if (SUCCEEDED(filter->QueryInterface(IID_IUnknown, identity.ReleaseAndGetVoidAddress())) &&
            reinterpret_cast<LONG_PTR>(identity.Get()) == parameter)
            return true;
    }
    return false;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    RunLeavingSequence();
    event->accept();
}
