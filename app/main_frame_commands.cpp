// The main window's commands: one action per command id, shared by the menus, the popup menus
// and the toolbar; their handlers, and their enabling and check marks from the command table.
#include <QAction>
#include <QDockWidget>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>
#include <algorithm>
#include <iterator>

#include "app/command_table.h"
#include "app/main_frame.h"
#include "app/main_toolbar.h"
#include "app/resource_ids.h"
#include "app/toolbar_icons.h"
#include "app/ui_texts.h"

namespace {
struct SizeCommand {
    int id;
    const char* text;
    int width, height;
};
constexpr SizeCommand kVideoSizes[] = {{ids::Size640x480, "640 x 480", 640, 480},
                                       {ids::Size320x240, "320 x 240", 320, 240},
                                       {ids::Size720x480, "720 x 480", 720, 480},
                                       {ids::Size1024x768, "1024 x 768", 1024, 768}};
struct ZoomCommand {
    int id;
    const char* text;
    int percent;
};
constexpr ZoomCommand kZooms[] = {{ids::Zoom100, "100%", 100}, {ids::Zoom50, "50%", 50}, {ids::Zoom200, "200%", 200},
                                  {ids::Zoom150, "150%", 150}};
constexpr int kAspectCommands[] = {ids::AspectFree, ids::Aspect1x1, ids::Aspect3x2, ids::Aspect4x3, ids::Aspect16x9};
constexpr int kRecordingLengths[] = {ids::Record15Minutes, ids::Record30Minutes, ids::Record1Hour,
                                     ids::Record90Minutes, ids::Record2Hours,    ids::RecordNoLimit};
constexpr int kExtensions[] = {ids::Extend1Minute,  ids::Extend5Minutes,  ids::Extend10Minutes,
                               ids::Shorten1Minute, ids::Shorten5Minutes, ids::Shorten10Minutes};
constexpr int kBarToggles[] = {ids::ViewMessageBar,    ids::ViewInformationBar, ids::ViewTvBar, ids::ViewProfileBar,
                               ids::ViewCompressorBar, ids::ViewMuxBar,         ids::ViewMixerBar,
                               ids::ViewTimeShiftBar};
// The settings commands, in the settings menu and the tray icon's menu.
constexpr int kSettingsCommands[] = {ids::OptionSettings,      ids::DeviceSettings,      ids::CompressorSettings,
                                     ids::ChannelSettings,     ids::MuxSettings,         ids::VideoFilterSettings,
                                     ids::AudioFilterSettings, ids::Reservations};
}  // namespace

QAction* CMainFrame::Command(int id) const {
    auto it = commands_.find(id);
    return it == commands_.end() ? nullptr : it->second;
}

QAction* CMainFrame::AddCommand(int id) {
    auto* action = new QAction(this);
    action->setData(id);
    if (const CommandInfo* info = FindCommand(id)) {
        action->setText(QString::fromUtf8(info->text));
        action->setStatusTip(QString::fromUtf8(info->text));
        if (info->tip) action->setToolTip(QString::fromUtf8(info->tip));
        // A command without its function yet stays disabled; the reason is kept with it.
        if (info->notBuilt) action->setProperty("notBuilt", QString::fromUtf8(info->notBuilt));
    }
    if (CommandCheck(id, CommandContext{})) action->setCheckable(true);
    action->setIcon(CommandIcon(id, style()));
    action->setIconVisibleInMenu(false);  // the pictures are the toolbar's; menus show check marks
    commands_[id] = action;
    return action;
}

void CMainFrame::CreateCommands() {
    // A bar's show/hide command is the bar's own toggle, taken when the menus are made.
    for (const CommandInfo& info : MainCommands())
        if (std::find(std::begin(kBarToggles), std::end(kBarToggles), info.id) == std::end(kBarToggles))
            AddCommand(info.id);
    commands_[ids::FullScreen]->setShortcut(QKeySequence(Qt::Key_F11));
    commands_[ids::Record]->setShortcut(QKeySequence(Qt::Key_F9));
    commands_[ids::StillImage]->setShortcut(QKeySequence(Qt::Key_F8));
    for (const SizeCommand& size : kVideoSizes) AddCommand(size.id)->setText(QString::fromUtf8(size.text));
    for (const ZoomCommand& zoom : kZooms) AddCommand(zoom.id)->setText(QString::fromUtf8(zoom.text));
    AddCommand(ids::AppExit)->setText(texts::AppExit());
    AddCommand(ids::HelpFinder)->setText(texts::HelpFinder());
    for (const auto& [id, action] : commands_) addAction(action);  // shortcuts work wherever the focus is
}

void CMainFrame::ConnectCommands() {
    auto on = [this](int id, auto handler) { connect(commands_.at(id), &QAction::triggered, this, handler); };
    on(ids::SaveProfiles, [this] {
        engine_->Store().SaveProfiles();
        SaveWindowState();
    });
    on(ids::AppExit, [this] { close(); });
    on(ids::ChannelSettings, [this] { ShowChannelDialog(); });
    on(ids::StillImage, [this] { engine_->StillImageCommand(engine_->Store().CurrentDevice); });
    on(ids::About, [this] { ShowAbout(); });
    on(ids::HelpFinder, [this] { ShowHelp(); });
    on(ids::AlwaysOnTop, [this] {
        COptionProfile& options = engine_->Store().Options;
        options.AlwaysOnTop = options.AlwaysOnTop ? 0 : 1;
        SetAlwaysOnTop(options.AlwaysOnTop != 0);
    });
    on(ids::FullScreen, [this] { ToggleFullScreen(); });
    on(ids::TrayIcon, [this] { ToggleTrayIcon(); });
    on(ids::AutoRestoreMinimize, [this] { FlipAutoRestoreMinimize(); });
    on(ids::CustomizeToolBar, [this] { toolBar_->Customize(); });
    for (const SizeCommand& size : kVideoSizes)
        on(size.id, [this, w = size.width, h = size.height] { engine_->FitFrameToVideo(w, h, 1); });
    for (const ZoomCommand& zoom : kZooms) on(zoom.id, [this, p = zoom.percent] { engine_->FitFrameToVideoPercent(p); });
    for (int id : kAspectCommands) on(id, [this, id] { SetAspect(id); });
    ConnectRecordingCommands();
    // Every action shows what it is now, whatever was clicked.
    for (const auto& [id, action] : commands_)
        connect(action, &QAction::triggered, this, &CMainFrame::UpdateCommandStates);
}

void CMainFrame::FillVideoMenu(QMenu* menu) {
    for (const SizeCommand& size : kVideoSizes) menu->addAction(commands_.at(size.id));
    menu->addSeparator();
    for (const ZoomCommand& zoom : kZooms) menu->addAction(commands_.at(zoom.id));
    menu->addSeparator();
    QMenu* aspect = menu->addMenu(texts::AspectMenu());
    for (int id : kAspectCommands) aspect->addAction(commands_.at(id));
}

void CMainFrame::CreateMenus() {
    QMenu* file = menuBar()->addMenu(texts::FileMenu());
    file->addAction(commands_.at(ids::SaveProfiles));
    file->addSeparator();
    file->addAction(commands_.at(ids::AppExit));

    QMenu* record = menuBar()->addMenu(texts::RecordMenu());
    record->addAction(commands_.at(ids::Record));
    record->addAction(commands_.at(ids::Stop));
    record->addSeparator();
    for (int id : kRecordingLengths) record->addAction(commands_.at(id));
    record->addSeparator();
    for (int id : kExtensions) record->addAction(commands_.at(id));
    record->addSeparator();
    record->addAction(commands_.at(ids::ExternalSync));
    record->addAction(commands_.at(ids::StillImage));

    QMenu* view = menuBar()->addMenu(texts::ViewMenu());
    QAction* toolBarToggle = toolBar_->toggleViewAction();
    toolBarToggle->setText(texts::ToolBarMenu());
    view->addAction(toolBarToggle);
    view->addAction(commands_.at(ids::CustomizeToolBar));
    view->addSeparator();
    for (const auto& [command, bar] : DockBars()) {
        if (!bar) {
            view->addAction(commands_.at(command));
            continue;
        }
        QAction* toggle = bar->toggleViewAction();
        toggle->setText(QString::fromUtf8(FindCommand(command)->text));
        toggle->setData(command);
        commands_[command] = toggle;
        view->addAction(toggle);
    }
    view->addSeparator();
    for (int id : {ids::AlwaysOnTop, ids::FullScreen, ids::TrayIcon, ids::AutoRestoreMinimize})
        view->addAction(commands_.at(id));

    QMenu* video = menuBar()->addMenu(texts::VideoMenu());
    FillVideoMenu(video);

    QMenu* settings = menuBar()->addMenu(texts::SettingsMenu());
    for (int id : kSettingsCommands) settings->addAction(commands_.at(id));
    settings->addSeparator();
    for (int id : {ids::PowerSaving, ids::BuildReleaseGraph, ids::ReleaseAndMinimize, ids::Redraw})
        settings->addAction(commands_.at(id));

    QMenu* help = menuBar()->addMenu(texts::HelpMenu());
    help->addAction(commands_.at(ids::HelpFinder));
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
    help->addAction(commands_.at(ids::About));

    for (QMenu* menu : menuBar()->findChildren<QMenu*>())
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
    CreateInertAccelerators();
}

// Menu 331 (video size, zoom and aspect) and menu 344 (the tray icon's: the settings commands,
// power saving, save profiles and exit).
void CMainFrame::CreatePopupMenus() {
    videoPopup_ = new QMenu(this);
    videoPopup_->setObjectName(QStringLiteral("VideoPopupMenu"));
    FillVideoMenu(videoPopup_);
    trayPopup_ = new QMenu(this);
    trayPopup_->setObjectName(QStringLiteral("TrayPopupMenu"));
    for (int id : kSettingsCommands) trayPopup_->addAction(commands_.at(id));
    trayPopup_->addSeparator();
    trayPopup_->addAction(commands_.at(ids::PowerSaving));
    trayPopup_->addAction(commands_.at(ids::SaveProfiles));
    trayPopup_->addSeparator();
    trayPopup_->addAction(commands_.at(ids::AppExit));
    for (QMenu* menu : {videoPopup_, trayPopup_})
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
}

// Menu 346, on the toolbar and the bars: the toolbar's customisation.
QMenu* CMainFrame::createPopupMenu() {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("BarPopupMenu"));
    menu->addAction(commands_.at(ids::CustomizeToolBar));
    return menu;
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

bool CMainFrame::IsRecording() const { return recording_ || engine_->Session().Capturing != 0; }

void CMainFrame::SetRecording(bool recording) {
    recording_ = recording;
    UpdateCommandStates();
}

CommandContext CMainFrame::CurrentCommandContext() const {
    const COptionProfile& options = engine_->Store().Options;
    CommandContext context;
    context.recording = IsRecording();
    context.graphRunning = options.GraphRunning == 1;
    context.fullScreenWhileRecording = options.AllowFullScreenWhileCapturing != 0;
    context.reservationsEnabled = options.ReservationsEnabled != 0;
    context.alwaysOnTop = options.AlwaysOnTop != 0;
    context.trayIcon = options.TrayIcon != 0;
    context.autoRestoreMinimize = options.AutoRestoreMinimize != 0;
    context.externalSync = externalSync_;
    context.aspectX = options.AspectX;
    context.aspectY = options.AspectY;
    return context;
}

void CMainFrame::UpdateCommandStates() {
    const CommandContext context = CurrentCommandContext();
    for (const auto& [id, action] : commands_) {
        if (!FindCommand(id)) continue;  // the bars' own toggles, sizes, exit and help are always there
        action->setEnabled(IsCommandEnabled(id, context));
        if (const auto checked = CommandCheck(id, context)) action->setChecked(*checked);
    }
    UpdateBarStates(context);
}

void CMainFrame::SetAspect(int commandId) {
    const auto aspect = AspectOfCommand(commandId);
    if (!aspect) return;
    COptionProfile& options = engine_->Store().Options;
    options.AspectX = aspect->x;
    options.AspectY = aspect->y;
}

// Both stored copies of the switch follow the command.
void CMainFrame::FlipAutoRestoreMinimize() {
    COptionProfile& options = engine_->Store().Options;
    options.AutoRestoreMinimize = options.AutoRestoreMinimize ? 0 : 1;
    options.AutoRestoreMinimizeCopy = options.AutoRestoreMinimize;
}
