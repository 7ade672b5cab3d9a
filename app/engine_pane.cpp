#include "app/engine_pane.h"

#include <QGuiApplication>
#include <QMetaObject>
#include <QPainter>
#include <QResizeEvent>

CEnginePane::CEnginePane(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("EnginePane"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(16, 16);
    // A native window of its own, so that a video sink can draw into it without the toolkit.
    if (QGuiApplication::platformName() == QLatin1String("xcb")) setAttribute(Qt::WA_NativeWindow);
}

void CEnginePane::PresentFrame(const VideoFrame& frame, const VideoPlacement& placement) {
    if (!frame.pixels || frame.width <= 0 || frame.height <= 0) return;
    const QImage view(frame.pixels, frame.width, frame.height, frame.stride, QImage::Format_RGB32);
    {
        std::lock_guard lock(mutex_);
        image_ = view.copy();
        const RECT& t = placement.target;
        target_ = QRect(QPoint(t.left, t.top), QPoint(t.right - 1, t.bottom - 1));
        ++frames_;
    }
    QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
}

void CEnginePane::ClearVideo() {
    {
        std::lock_guard lock(mutex_);
        image_ = QImage();
    }
    QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
}

void CEnginePane::AttachNativeVideo(NativeVideoClient& client, const VideoPlacement& placement) {
    std::lock_guard lock(mutex_);
    nativeVideo_ = &client;
    image_ = QImage();
    const RECT& t = placement.target;
    target_ = QRect(QPoint(t.left, t.top), QPoint(t.right - 1, t.bottom - 1));
}

void CEnginePane::DetachNativeVideo(NativeVideoClient& client) {
    {
        std::lock_guard lock(mutex_);
        if (nativeVideo_ != &client) return;
        nativeVideo_ = nullptr;
    }
    QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
}

quint64 CEnginePane::FramesPresented() const {
    std::lock_guard lock(mutex_);
    return frames_;
}

void CEnginePane::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    std::lock_guard lock(mutex_);
    if (nativeVideo_) {
        // The black just painted reaches the window after this returns; the picture goes back
        // on top of it afterwards.
        QMetaObject::invokeMethod(
            this,
            [this] {
                std::lock_guard again(mutex_);
                if (nativeVideo_) nativeVideo_->Expose();
            },
            Qt::QueuedConnection);
    }
    if (image_.isNull()) return;
    const QRect target = target_.isValid() && !target_.isEmpty() ? target_ : rect();
    painter.drawImage(target, image_);
}

void CEnginePane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (OnResized) OnResized(event->size().width(), event->size().height());
}
