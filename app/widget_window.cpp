#include "app/widget_window.h"

#include <QGuiApplication>
#include <QMetaObject>
#include <QScreen>

namespace {
RECT ToRect(const QRect& r) { return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

// Only a widget made native on purpose is handed out: asking any other widget for its id
// would turn it (and its ancestors) into native windows as a side effect.
NativeWindow NativeWindowOf(QWidget* widget) {
    if (!widget || !widget->testAttribute(Qt::WA_NativeWindow)) return {};
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return {};
    return NativeWindow{NativeWindowSystem::X11, static_cast<std::uintptr_t>(widget->winId())};
}
}  // namespace

CWidgetWindow::CWidgetWindow(QWidget* widget, MessageHandler onMessage, VideoSurface* surface, HWND parent)
    : widget_(widget), onMessage_(std::move(onMessage)), surface_(surface), parent_(parent),
      native_(NativeWindowOf(widget)) {
    handle_ = RegisterWindow(this);
}

CWidgetWindow::~CWidgetWindow() { UnregisterWindow(handle_); }

bool CWidgetWindow::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    QWidget* widget = widget_.data();
    if (!widget || !onMessage_) return false;
    // Queued with the widget as context: dropped if the widget is gone before it runs.
    return QMetaObject::invokeMethod(
        widget, [handler = onMessage_, msg, wParam, lParam] { handler(msg, wParam, lParam); }, Qt::QueuedConnection);
}

RECT CWidgetWindow::WindowRect() const {
    if (!widget_) return RECT{};
    if (widget_->isWindow()) return ToRect(widget_->frameGeometry());
    return ToRect(QRect(widget_->mapToGlobal(QPoint(0, 0)), widget_->size()));
}

RECT CWidgetWindow::ClientRect() const {
    if (!widget_) return RECT{};
    return RECT{0, 0, widget_->width(), widget_->height()};
}

bool CWidgetWindow::SetWindowPos(HWND, int x, int y, int width, int height, UINT flags) {
    if (!widget_) return false;
    // The platform's sizes are outer sizes; a top-level widget's size is without its frame.
    const QRect frame = widget_->frameGeometry();
    const QRect client = widget_->geometry();
    const int decorationWidth = widget_->isWindow() ? frame.width() - client.width() : 0;
    const int decorationHeight = widget_->isWindow() ? frame.height() - client.height() : 0;
    if (!(flags & SWP_NOMOVE)) widget_->move(x, y);
    if (!(flags & SWP_NOSIZE)) widget_->resize(std::max(1, width - decorationWidth), std::max(1, height - decorationHeight));
    return true;
}

bool CWidgetWindow::Show(int command) {
    if (!widget_) return false;
    const bool wasVisible = widget_->isVisible();
    switch (command) {
    case SW_HIDE: widget_->hide(); break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED: widget_->showMinimized(); break;
    case SW_MAXIMIZE: widget_->showMaximized(); break;
    case SW_RESTORE:
    case SW_SHOWNORMAL: widget_->showNormal(); break;
    default: widget_->show(); break;
    }
    return wasVisible;
}

bool CWidgetWindow::IsVisible() const { return widget_ && widget_->isVisible(); }
bool CWidgetWindow::IsMinimized() const { return widget_ && widget_->window()->isMinimized(); }

void CWidgetWindow::Update() {
    if (widget_) widget_->repaint();
}

int CWidgetWindow::SystemMetric(int index) const {
    const QScreen* screen = widget_ && widget_->screen() ? widget_->screen() : QGuiApplication::primaryScreen();
    if (!screen) return 0;
    switch (index) {
    case SM_CXSCREEN: return screen->geometry().width();
    case SM_CYSCREEN: return screen->geometry().height();
    case SM_CXMAXTRACK: return screen->virtualGeometry().width();
    case SM_CYMAXTRACK: return screen->virtualGeometry().height();
    case SM_CXMINTRACK: return 112;
    case SM_CYMINTRACK: return 27;
    default: return 0;
    }
}
