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
#include "app/message_bar.h"
#include "app/mixer_bar.h"
#include "app/profile_bar.h"
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

    messageBar_ = new CMessageBar(this);
    informationBar_ = new CInformationBar(this);
    tvBar_ = new CTvBar(this, *engine_);
    profileBar_ = new CProfileBar(this);
    mixerBar_ = new CMixerBar(this);
    addDockWidget(Qt::BottomDockWidgetArea, messageBar_);
    addDockWidget(Qt::RightDockWidgetArea, informationBar_);
    addDockWidget(Qt::BottomDockWidgetArea, tvBar_);
    addDockWidget(Qt::BottomDockWidgetArea, profileBar_);
    addDockWidget(Qt::BottomDockWidgetArea, mixerBar_);
    informationBar_->hide();
    connect(profileBar_, &CProfileBar::DeviceProfileChosen, this, &CMainFrame::SwitchDeviceProfile);
    connect(mixerBar_, &CMixerBar::MuteClicked, this, &CMainFrame::OnMixerMuteClicked);
    connect(mixerBar_, &CMixerBar::VolumeReleased, this, &CMainFrame::OnMixerVolumeReleased);

    capturePane_ = new QLabel(this);
    capturePane_->setMinimumWidth(250);
    statusBar()->addWidget(capturePane_);

    CreateMenus();
    engine_->SetMessageBar(messageBar_);
    // The platform's default placement: on the screen, so that sizing to the video keeps it there.
    resize(640, 480);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    CSplashWindow::ShowSplash(this);
    return true;
}

void CMainFrame::CreateMenus() {
    QMenu* file = menuBar()->addMenu(texts::FileMenu());
    QAction* save = file->addAction(texts::SaveProfiles());
    save->setData(ids::SaveProfiles);
    connect(save, &QAction::triggered, this, [this] {
        engine_->Store().SaveProfiles();
        SaveWindowState();
    });
    file->addSeparator();
    QAction* exit = file->addAction(texts::AppExit());
    exit->setData(ids::AppExit);
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* view = menuBar()->addMenu(texts::ViewMenu());
    const std::pair<QDockWidget*, QString> bars[] = {
        {messageBar_, texts::ViewMessageBar()},
        {informationBar_, texts::ViewInformationBar()},
        {tvBar_, texts::ViewTvBar()},
        {profileBar_, texts::ViewProfileBar()},
        {mixerBar_, texts::ViewMixerBar()},
    };
    for (const auto& [bar, text] : bars) {
        QAction* toggle = bar->toggleViewAction();
        toggle->setText(text);
        view->addAction(toggle);
    }
    view->addSeparator();
    alwaysOnTopAction_ = view->addAction(texts::AlwaysOnTop());
    alwaysOnTopAction_->setData(ids::AlwaysOnTop);
    alwaysOnTopAction_->setCheckable(true);
    connect(alwaysOnTopAction_, &QAction::triggered, this, [this](bool on) {
        engine_->Store().Options.AlwaysOnTop = on ? 1 : 0;
        SetAlwaysOnTop(on);
    });

    menuBar()->addMenu(CreateVideoSizeMenu(this));

    QMenu* settings = menuBar()->addMenu(texts::SettingsMenu());
    QAction* channels = settings->addAction(texts::ChannelSettings());
    channels->setData(ids::ChannelSettings);
    connect(channels, &QAction::triggered, this, &CMainFrame::ShowChannelDialog);

    QMenu* help = menuBar()->addMenu(texts::HelpMenu());
    QAction* finder = help->addAction(texts::HelpFinder());
    finder->setData(ids::HelpFinder);
    connect(finder, &QAction::triggered, this, &CMainFrame::ShowHelp);
    auto* helpKey = new QAction(this);
    helpKey->setShortcut(QKeySequence(Qt::Key_F1));
    helpKey->setData(ids::Help);
    connect(helpKey, &QAction::triggered, this, &CMainFrame::ShowHelp);
    addAction(helpKey);
    auto* helpIndexKey = new QAction(this);
    helpIndexKey->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    helpIndexKey->setData(ids::HelpIndex);
    connect(helpIndexKey, &QAction::triggered, this, &CMainFrame::ShowHelp);
    addAction(helpIndexKey);
    help->addSeparator();
    QAction* about = help->addAction(texts::About());
    about->setData(ids::About);
    connect(about, &QAction::triggered, this, &CMainFrame::ShowAbout);

    CreateInertAccelerators();
    CreateRecordingCommands();
}

// The Up and Down arrows are accelerators without an action: the window takes the keys
// before a control sees them, so they never step through a list (and switch devices).
void CMainFrame::CreateInertAccelerators() {
    const std::pair<Qt::Key, int> keys[] = {{Qt::Key_Up, ids::AcceleratorUp}, {Qt::Key_Down, ids::AcceleratorDown}};
    for (const auto& [key, id] : keys) {
        auto* accelerator = new QAction(this);
        accelerator->setShortcut(QKeySequence(key));
        accelerator->setData(id);
        addAction(accelerator);
    }
}

// The video sizes and zooms; also the pane's right-button menu.
QMenu* CMainFrame::CreateVideoSizeMenu(QWidget* parent) {
    auto* menu = new QMenu(texts::VideoMenu(), parent);
    const struct {
        int id;
        const char* text;
        int width, height;
    } sizes[] = {{ids::Size640x480, "640 x 480", 640, 480},
                 {ids::Size320x240, "320 x 240", 320, 240},
                 {ids::Size720x480, "720 x 480", 720, 480},
                 {ids::Size1024x768, "1024 x 768", 1024, 768}};
    for (const auto& size : sizes) {
        QAction* action = menu->addAction(QString::fromUtf8(size.text));
        action->setData(size.id);
        connect(action, &QAction::triggered, this,
                [this, w = size.width, h = size.height] { engine_->FitFrameToVideo(w, h, 1); });
    }
    menu->addSeparator();
    const struct {
        int id;
        const char* text;
        int percent;
    } zooms[] = {{ids::Zoom100, "100%", 100}, {ids::Zoom50, "50%", 50}, {ids::Zoom200, "200%", 200}, {ids::Zoom150, "150%", 150}};
    for (const auto& zoom : zooms) {
        QAction* action = menu->addAction(QString::fromUtf8(zoom.text));
        action->setData(zoom.id);
        connect(action, &QAction::triggered, this, [this, p = zoom.percent] { engine_->FitFrameToVideoPercent(p); });
    }
    return menu;
}

void CMainFrame::contextMenuEvent(QContextMenuEvent* event) {
    if (!enginePane_ || !enginePane_->geometry().contains(event->pos())) {
        QMainWindow::contextMenuEvent(event);
        return;
    }
    QMenu* menu = CreateVideoSizeMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void CMainFrame::SetAlwaysOnTop(bool on) {
    if (alwaysOnTopAction_) alwaysOnTopAction_->setChecked(on);
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (visible) show();  // changing window flags hides a shown window
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
