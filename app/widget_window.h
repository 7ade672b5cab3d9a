// A Qt widget registered with the platform as a window: the engine and the media framework
// reach it only through its HWND (posted messages, geometry, showing, metrics, video).
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "platform/system/window.h"

class CWidgetWindow : public PlatformWindow {
public:
    using MessageHandler = std::function<void(UINT msg, WPARAM wParam, LPARAM lParam)>;

    // `surface` may be null. The handler runs on the GUI thread for every posted message.
    CWidgetWindow(QWidget* widget, MessageHandler onMessage, VideoSurface* surface = nullptr, HWND parent = nullptr);
    ~CWidgetWindow() override;
    CWidgetWindow(const CWidgetWindow&) = delete;
    CWidgetWindow& operator=(const CWidgetWindow&) = delete;

    HWND Handle() const { return handle_; }

    bool PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    RECT WindowRect() const override;
    RECT ClientRect() const override;
    bool SetWindowPos(HWND insertAfter, int x, int y, int width, int height, UINT flags) override;
    bool Show(int command) override;
    bool IsVisible() const override;
    bool IsMinimized() const override;
    void Update() override;
    HWND Parent() const override { return parent_; }
    int SystemMetric(int index) const override;
    VideoSurface* Surface() override { return surface_; }
    NativeWindow Native() const override { return native_; }

private:
    QPointer<QWidget> widget_;
    MessageHandler onMessage_;
    VideoSurface* surface_;
    HWND parent_;
    HWND handle_ = nullptr;
    NativeWindow native_;  // noted at registration, on the GUI thread
};
