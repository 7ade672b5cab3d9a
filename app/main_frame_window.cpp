// The main window as a window: always on top, full screen, the right mouse button, the tray icon
// and hiding when minimised, and sizing that keeps the video's aspect ratio.
#include <QContextMenuEvent>
#include <QCursor>
#include <QDockWidget>
#include <QMenu>
#include <QMenuBar>
#include <QResizeEvent>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

#include "app/aspect_sizing.h"
#include "app/engine_pane.h"
#include "app/main_frame.h"
#include "app/resource_ids.h"
#include "app/tray_icon.h"
#include "app/widget_window.h"
#include "platform/system/window.h"

void CMainFrame::SetAlwaysOnTop(bool on) {
    if (QAction* command = Command(ids::AlwaysOnTop)) command->setChecked(on);
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on) return;
    // Changing the flags recreates the native window: it keeps its place and size, and a shown
    // window is shown again.
    const bool visible = isVisible();
    const QRect placed = geometry();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (visible) {
        setGeometry(placed);
        show();
    }
}

// ---- Full screen ----

// The video window is asked for the opposite of its mode; when it takes it, the frame shows the
// video alone over the whole screen, or puts back what it looked like.
void CMainFrame::ToggleFullScreen() {
    const ComPtr<IVideoWindow> video = engine_->Session().VideoWindow;
    if (!video) return;
    LONG mode = OAFALSE;
    video->get_FullScreenMode(&mode);
    const HRESULT hr = video->put_FullScreenMode(mode ? OAFALSE : OATRUE);
    if (FAILED(hr)) {
        ReportFailure(hr, TRUE, "IVideoWindow put_FullScreenMode");
        return;
    }
    if (mode) LeaveFullScreen();
    else EnterFullScreen();
}

void CMainFrame::EnterFullScreen() {
    if (fullScreen_) return;
    fullScreen_ = true;
    maximizedBeforeFullScreen_ = isMaximized();
    geometryBeforeFullScreen_ = maximizedBeforeFullScreen_ ? normalGeometry() : geometry();
    hiddenForFullScreen_.clear();
    std::vector<QWidget*> chrome = {menuBar(), statusBar()};
    for (QToolBar* bar : findChildren<QToolBar*>()) chrome.push_back(bar);
    for (const auto& [command, bar] : DockBars())
        if (bar) chrome.push_back(bar);
    for (QWidget* widget : chrome) {
        if (!widget->isVisible()) continue;
        widget->hide();
        hiddenForFullScreen_.push_back(widget);
    }
    showFullScreen();
}

void CMainFrame::LeaveFullScreen() {
    if (!fullScreen_) return;
    fullScreen_ = false;
    for (QWidget* widget : hiddenForFullScreen_) widget->show();
    hiddenForFullScreen_.clear();
    if (maximizedBeforeFullScreen_) {
        showMaximized();
        return;
    }
    showNormal();
    setGeometry(geometryBeforeFullScreen_);
}

// ---- The right mouse button ----

// With a video window the click first leaves full screen; a click that did that is used up.
// Otherwise it opens menu 331.
void CMainFrame::OnVideoRightButton(const QPoint& globalPos) {
    if (const ComPtr<IVideoWindow> video = engine_->Session().VideoWindow) {
        const HRESULT hr = video->put_FullScreenMode(OAFALSE);
        if (FAILED(hr)) ReportFailure(hr, FALSE, "IVideoWindow put_FullScreenMode");
        if (hr == S_OK && fullScreen_) {
            LeaveFullScreen();
            return;
        }
    }
    UpdateCommandStates();
    videoPopup_->popup(globalPos);
}

void CMainFrame::contextMenuEvent(QContextMenuEvent* event) {
    if (!enginePane_ || !enginePane_->geometry().contains(event->pos())) {
        QMainWindow::contextMenuEvent(event);
        return;
    }
    OnVideoRightButton(event->globalPos());
}

// ---- The tray icon ----

// TrayIcon is set only when the icon could be added: without a notification area it stays off.
void CMainFrame::AddTrayIcon() {
    COptionProfile& options = engine_->Store().Options;
    options.TrayIcon = 0;
    if (tray_->Add()) options.TrayIcon = 1;
    UpdateCommandStates();
}

void CMainFrame::RemoveTrayIcon() {
    tray_->Remove();
    UpdateCommandStates();
}

void CMainFrame::ToggleTrayIcon() {
    COptionProfile& options = engine_->Store().Options;
    if (options.TrayIcon) {
        options.TrayIcon = 0;
        RemoveTrayIcon();
    } else {
        AddTrayIcon();
    }
}

void CMainFrame::RestoreFromTray() {
    if (isMinimized() || !isVisible()) {
        show();
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    }
    raise();
    activateWindow();
}

void CMainFrame::OnTrayLeftButton() {
    if (busy_.exchange(1) != 0) return;
    RestoreFromTray();
    busy_.store(0);
}

// The window comes back, and a released graph is built again (the graph command's own work).
void CMainFrame::OnTrayDoubleClick() {
    if (busy_.exchange(1) != 0) return;
    RestoreFromTray();
    if (engine_->Store().Options.GraphRunning == 0) {
        QAction* build = Command(ids::BuildReleaseGraph);
        UpdateCommandStates();
        if (build && build->isEnabled()) build->trigger();
    }
    busy_.store(0);
}

void CMainFrame::OnTrayRightButton() {
    if (busy_.exchange(1) != 0) return;
    raise();
    activateWindow();
    UpdateCommandStates();
    trayPopup_->popup(QCursor::pos());
    busy_.store(0);
}

// Minimised with the tray icon on, the window leaves the task list: the icon brings it back.
void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) return;
    if (isMinimized() && engine_->Store().Options.TrayIcon && tray_ && tray_->IsShown())
        QTimer::singleShot(0, this, [this] {
            if (isMinimized()) hide();
        });
}

// ---- Sizing ----

void CMainFrame::OnUserSizing(const QRect& before, const QRect& dragged) {
    const COptionProfile& options = engine_->Store().Options;
    SizingEdge edge;
    if (fullScreen_ || isMaximized() || options.AspectX < 1 || options.AspectY < 1 || !enginePane_ ||
        !DraggedEdge(before, dragged, &edge)) {
        if (geometry() != dragged) setGeometry(dragged);
        return;
    }
    const QSize extra = size() - enginePane_->size();
    const QRect corrected = CorrectSizingRect(dragged, edge, extra, static_cast<int>(options.AspectX),
                                              static_cast<int>(options.AspectY), frameWindow_->SystemMetric(SM_CXMINTRACK));
    correctingSize_ = true;
    setGeometry(corrected);
    correctingSize_ = false;
    lastGeometry_ = geometry();
}

// A resize that comes from the window system is the user's drag; the program's own sizing (to
// the video, restoring a placement) is taken as it is. A drag of the left or top edge arrives as
// a move and a resize, so both are looked at together once they have arrived.
void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (!correctingSize_ && event->spontaneous()) userResized_ = true;
    ScheduleGeometryCheck();
}

void CMainFrame::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    ScheduleGeometryCheck();
}

void CMainFrame::ScheduleGeometryCheck() {
    if (geometryCheckPending_) return;
    geometryCheckPending_ = true;
    QTimer::singleShot(0, this, [this] {
        geometryCheckPending_ = false;
        const QRect before = lastGeometry_;
        lastGeometry_ = geometry();
        if (!userResized_) return;
        userResized_ = false;
        if (!before.isEmpty()) OnUserSizing(before, geometry());
    });
}
