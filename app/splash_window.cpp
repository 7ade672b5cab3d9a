#include "app/splash_window.h"

#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>

#include <utility>

#include "app/resource_ids.h"
#include "app/ui_texts.h"

namespace {
bool splashEnabled = false;
CSplashWindow* splash = nullptr;
int dismissingKey = 0;  // a key that dismissed the splash and whose press is still to come

// The splash picture, 320 x 200.
QPixmap MakeSplashBitmap() {
    QPixmap pixmap(320, 200);
    QPainter painter(&pixmap);
    QLinearGradient background(0, 0, 0, 200);
    background.setColorAt(0, QColor(24, 38, 72));
    background.setColorAt(1, QColor(8, 12, 24));
    painter.fillRect(pixmap.rect(), background);
    painter.setPen(QColor(240, 240, 250));
    QFont title = painter.font();
    title.setPointSize(22);
    title.setBold(true);
    painter.setFont(title);
    painter.drawText(QRect(10, 8, 300, 40), Qt::AlignLeft | Qt::AlignVCenter, texts::MainWindowTitle());
    QFont small = painter.font();
    small.setPointSize(9);
    small.setBold(false);
    painter.setFont(small);
    painter.drawText(QRect(10, 170, 300, 20), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Version ") + texts::Version());
    return pixmap;
}
}  // namespace

void CSplashWindow::EnableSplash(bool enable) { splashEnabled = enable; }

CSplashWindow* CSplashWindow::Current() { return splash; }

void CSplashWindow::ShowSplash(QWidget* parent) {
    if (!splashEnabled || splash) return;
    splash = new CSplashWindow(parent);
    splash->show();
    splash->repaint();
}

void CSplashWindow::SetSplashText(const QString& text) {
    if (!splash) return;
    splash->text_->setText(text);
    splash->repaint();
}

void CSplashWindow::HideSplash() {
    if (!splash) return;
    // Deleted later: this may run inside the splash's own event handler.
    CSplashWindow* hidden = std::exchange(splash, nullptr);
    QWidget* owner = hidden->parentWidget();
    hidden->hide();
    hidden->deleteLater();
    if (owner) owner->update();
}

bool CSplashWindow::FilterSplashMessage(QEvent* event) {
    if (!event) return false;
    if (SwallowDismissingKey(event)) return true;
    if (!splash) return false;
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Qt offers a key to the shortcuts before it delivers the press. Accepting the offer
        // keeps any shortcut from taking the key; the press that follows is swallowed as well.
        dismissingKey = static_cast<const QKeyEvent*>(event)->key();
        break;
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonDblClick:
        break;
    default:
        return false;
    }
    event->accept();
    HideSplash();
    return true;
}

// The press of the key whose shortcut offer dismissed the splash; its release (or any other
// key event) ends the wait.
bool CSplashWindow::SwallowDismissingKey(QEvent* event) {
    if (!dismissingKey) return false;
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
    const bool swallowed = type == QEvent::KeyPress && static_cast<const QKeyEvent*>(event)->key() == dismissingKey;
    dismissingKey = 0;
    if (swallowed) event->accept();
    return swallowed;
}

CSplashWindow::CSplashWindow(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), bitmap_(MakeSplashBitmap()) {
    setObjectName(QStringLiteral("Splash"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setCursor(Qt::ArrowCursor);
    setFixedSize(bitmap_.size());
    timerId_ = startTimer(ids::SplashTimerPeriodMs);
    text_ = new QLineEdit(this);
    text_->setReadOnly(true);
    text_->setFrame(true);
    text_->setGeometry(QRect(QPoint(10, 50), QPoint(210 - 1, 75 - 1)));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

CSplashWindow::~CSplashWindow() {
    if (splash == this) splash = nullptr;
}

QString CSplashWindow::Text() const { return text_->text(); }

void CSplashWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, bitmap_);
}

void CSplashWindow::timerEvent(QTimerEvent* event) {
    if (event->timerId() == timerId_) HideSplash();
}
