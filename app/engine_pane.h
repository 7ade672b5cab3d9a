// The engine's client pane: shows the video. On X11 the pane is a native window that the
// renderer's video sink draws into directly; elsewhere (offscreen) the renderer presents each
// frame and the pane paints it.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <mutex>

#include "platform/system/window.h"

class CEnginePane : public QWidget, public VideoSurface {
    Q_OBJECT

public:
    explicit CEnginePane(QWidget* parent);

    // Streaming threads.
    void PresentFrame(const VideoFrame& frame, const VideoPlacement& placement) override;
    void ClearVideo() override;
    void AttachNativeVideo(NativeVideoClient& client, const VideoPlacement& placement) override;
    void DetachNativeVideo(NativeVideoClient& client) override;

    // Frames shown so far (for status and tests).
    quint64 FramesPresented() const;
    std::function<void(int, int)> OnResized;  // the engine's WM_SIZE

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    mutable std::mutex mutex_;
    QImage image_;
    QRect target_;
    quint64 frames_ = 0;
    NativeVideoClient* nativeVideo_ = nullptr;  // draws into winId() itself while set
};
