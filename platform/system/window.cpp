#include "platform/system/window.h"

#include <cstdint>
#include <map>
#include <mutex>

#include "platform/system/last_error.h"

namespace {

struct WindowTable {
    std::recursive_mutex mutex;  // a window may call back into the table from inside a call
    std::map<std::uintptr_t, PlatformWindow*> windows;
    std::uintptr_t next = 0x10;
};

WindowTable& Table() {
    static auto* table = new WindowTable;  // never destroyed: windows may unregister late
    return *table;
}

std::uintptr_t Key(HWND window) { return reinterpret_cast<std::uintptr_t>(window); }

// Runs `call` on the registered window under the lock, or fails with the platform's error.
template <typename Call>
BOOL WithWindow(HWND window, Call&& call) {
    std::lock_guard lock(Table().mutex);
    auto it = Table().windows.find(Key(window));
    if (it == Table().windows.end()) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return call(*it->second) ? TRUE : FALSE;
}

}  // namespace

HWND RegisterWindow(PlatformWindow* window) {
    if (!window) return nullptr;
    std::lock_guard lock(Table().mutex);
    const std::uintptr_t key = Table().next;
    Table().next += 0x10;
    Table().windows[key] = window;
    return reinterpret_cast<HWND>(key);
}

void UnregisterWindow(HWND window) {
    std::lock_guard lock(Table().mutex);
    Table().windows.erase(Key(window));
}

BOOL IsWindow(HWND window) {
    std::lock_guard lock(Table().mutex);
    return Table().windows.count(Key(window)) ? TRUE : FALSE;
}

BOOL PostMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    return WithWindow(window, [&](PlatformWindow& w) { return w.PostMessage(msg, wParam, lParam); });
}

BOOL GetWindowRect(HWND window, RECT* rect) {
    if (!rect) return FALSE;
    return WithWindow(window, [&](PlatformWindow& w) {
        *rect = w.WindowRect();
        return true;
    });
}

BOOL GetClientRect(HWND window, RECT* rect) {
    if (!rect) return FALSE;
    return WithWindow(window, [&](PlatformWindow& w) {
        *rect = w.ClientRect();
        return true;
    });
}

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags) {
    return WithWindow(window, [&](PlatformWindow& w) { return w.SetWindowPos(insertAfter, x, y, width, height, flags); });
}

BOOL ShowWindow(HWND window, int command) {
    bool wasVisible = false;
    WithWindow(window, [&](PlatformWindow& w) {
        wasVisible = w.Show(command);
        return true;
    });
    return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND window) {
    return WithWindow(window, [](PlatformWindow& w) { return w.IsVisible(); });
}

BOOL IsIconic(HWND window) {
    return WithWindow(window, [](PlatformWindow& w) { return w.IsMinimized(); });
}

BOOL UpdateWindow(HWND window) {
    return WithWindow(window, [](PlatformWindow& w) {
        w.Update();
        return true;
    });
}

HWND GetParent(HWND window) {
    HWND parent = nullptr;
    WithWindow(window, [&](PlatformWindow& w) {
        parent = w.Parent();
        return true;
    });
    return parent;
}

BOOL GetNativeWindow(HWND window, NativeWindow* native) {
    if (!native) return FALSE;
    return WithWindow(window, [&](PlatformWindow& w) {
        *native = w.Native();
        return true;
    });
}

int GetSystemMetrics(int index) {
    std::lock_guard lock(Table().mutex);
    for (const auto& [key, window] : Table().windows) {
        if (const int value = window->SystemMetric(index); value != 0) return value;
    }
    return 0;
}

namespace window_detail {
bool CallSurface(HWND window, void (*call)(VideoSurface&, void*), void* context) {
    return WithWindow(window, [&](PlatformWindow& w) {
               VideoSurface* surface = w.Surface();
               if (!surface) return false;
               call(*surface, context);
               return true;
           }) == TRUE;
}
}  // namespace window_detail
