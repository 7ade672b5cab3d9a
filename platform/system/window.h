// Window handles and posted messages without a toolkit. The program registers each of its
// windows (an object implementing PlatformWindow) and receives an opaque HWND; the platform
// then reaches the window only through that handle: posting messages, geometry, showing,
// system metrics and the video surface that a video renderer draws into.
//
// A handle is a number looked up in a process-wide table, so a stale or made-up handle fails
// cleanly (FALSE, ERROR_INVALID_WINDOW_HANDLE) instead of touching a destroyed window. Calls
// into a window are made under the table's lock, so once UnregisterWindow returns no call is
// running and none will start; an implementation therefore must never wait for the GUI thread
// inside these calls (PostMessage and PresentFrame only queue).
#pragma once

#include <cstdint>

#include "platform/com/types.h"
#include "platform/media/interfaces/win_types.h"

inline constexpr UINT WM_SIZE = 0x0005;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_USER = 0x0400;

inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWMINIMIZED = 2;
inline constexpr int SW_MAXIMIZE = 3;
inline constexpr int SW_SHOW = 5;
inline constexpr int SW_MINIMIZE = 6;
inline constexpr int SW_RESTORE = 9;

inline constexpr UINT SWP_NOSIZE = 0x0001;
inline constexpr UINT SWP_NOMOVE = 0x0002;
inline constexpr UINT SWP_NOZORDER = 0x0004;
inline constexpr UINT SWP_NOACTIVATE = 0x0010;

inline constexpr int SM_CXSCREEN = 0;
inline constexpr int SM_CYSCREEN = 1;
inline constexpr int SM_CXMINTRACK = 34;
inline constexpr int SM_CYMINTRACK = 35;
inline constexpr int SM_CXMAXTRACK = 59;
inline constexpr int SM_CYMAXTRACK = 60;

inline constexpr LONG ERROR_INVALID_WINDOW_HANDLE = 1400;

// One video frame in memory: 32-bit BGRx pixels (blue first), rows top-down, `stride` bytes
// apart. Valid only during the call it is passed to.
struct VideoFrame {
    const BYTE* pixels;
    int width;
    int height;
    int stride;
};

// Where and how a renderer wants its picture shown inside a window's client area.
struct VideoPlacement {
    RECT target;      // client coordinates
    bool fullScreen;  // the renderer was asked to fill the screen
};

// The display system's own window behind a registered window, so that a video sink can draw
// into it directly.
// The X server is the one named by $DISPLAY.
enum class NativeWindowSystem { None, X11 };
struct NativeWindow {
    NativeWindowSystem system = NativeWindowSystem::None;
    std::uintptr_t handle = 0;  // X11: the window id
};

// A renderer that draws straight into a window's native window.
class NativeVideoClient {
public:
    // Draws the newest frame again, after the window's own painting covered it.
    virtual void Expose() = 0;

protected:
    ~NativeVideoClient() = default;
};

// Implemented by the program for a window that can show video.
class VideoSurface {
public:
    virtual ~VideoSurface() = default;
    // Called on a streaming thread for every frame while the video is visible; copy the pixels.
    virtual void PresentFrame(const VideoFrame& frame, const VideoPlacement& placement) = 0;
    // The video is hidden or its renderer detached: stop showing the last frame.
    virtual void ClearVideo() = 0;
    // A renderer now draws into the native window itself over `placement` (frames no longer
    // come through PresentFrame); the window calls client.Expose() after it painted itself and
    // must not call it once DetachNativeVideo(client) has returned.
    virtual void AttachNativeVideo(NativeVideoClient& client, const VideoPlacement& placement) {
        (void)client;
        (void)placement;
    }
    virtual void DetachNativeVideo(NativeVideoClient& client) { (void)client; }
};

// Implemented by the program for every window it registers.
class PlatformWindow {
public:
    virtual ~PlatformWindow() = default;
    // Queues the message for the window's GUI thread; false when it cannot be queued.
    virtual bool PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) = 0;
    // Window rectangle in screen coordinates.
    virtual RECT WindowRect() const = 0;
    // Client rectangle: left and top are 0.
    virtual RECT ClientRect() const = 0;
    virtual bool SetWindowPos(HWND insertAfter, int x, int y, int width, int height, UINT flags) = 0;
    // SW_* command; returns whether the window was visible before.
    virtual bool Show(int command) = 0;
    virtual bool IsVisible() const = 0;
    virtual bool IsMinimized() const = 0;
    // Paints pending invalid areas at once.
    virtual void Update() = 0;
    virtual HWND Parent() const { return nullptr; }
    // SM_* value, or 0 for one the window does not know.
    virtual int SystemMetric(int index) const = 0;
    // The surface video is drawn into; null for a window that cannot show video.
    virtual VideoSurface* Surface() { return nullptr; }
    // The native window, or system None for a window without one (offscreen). Called from any
    // thread, so an implementation answers from what it noted on its own thread.
    virtual NativeWindow Native() const { return {}; }
};

// Registration. The window must stay alive until UnregisterWindow returns.
HWND RegisterWindow(PlatformWindow* window);
void UnregisterWindow(HWND window);
BOOL IsWindow(HWND window);

// The window calls. Each fails (FALSE, last error ERROR_INVALID_WINDOW_HANDLE) for a handle
// that is not registered.
BOOL PostMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL GetWindowRect(HWND window, RECT* rect);
BOOL GetClientRect(HWND window, RECT* rect);
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags);
BOOL ShowWindow(HWND window, int command);
BOOL IsWindowVisible(HWND window);
BOOL IsIconic(HWND window);
BOOL UpdateWindow(HWND window);
HWND GetParent(HWND window);
// The window's native window; FALSE for a stale handle, TRUE with system None for a window
// that has none.
BOOL GetNativeWindow(HWND window, NativeWindow* native);
// Asks the first registered window that knows the metric; 0 when none does.
int GetSystemMetrics(int index);

// Runs `draw` with the window's video surface under the table's lock (so the window cannot
// go away meanwhile); false when the handle is stale or the window has no surface.
template <typename Draw>
bool WithVideoSurface(HWND window, Draw&& draw);

namespace window_detail {
bool CallSurface(HWND window, void (*call)(VideoSurface&, void*), void* context);
}

template <typename Draw>
bool WithVideoSurface(HWND window, Draw&& draw) {
    return window_detail::CallSurface(
        window, [](VideoSurface& surface, void* context) { (*static_cast<Draw*>(context))(surface); }, &draw);
}
