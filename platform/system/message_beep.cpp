#include "platform/system/message_beep.h"

#include <unistd.h>

#include <mutex>

namespace {
std::mutex handlerMutex;
std::function<void(UINT)>& Handler() {
    static std::function<void(UINT)> handler;
    return handler;
}
}  // namespace

void SetMessageBeepHandler(std::function<void(UINT)> handler) {
    std::lock_guard lock(handlerMutex);
    Handler() = std::move(handler);
}

BOOL MessageBeep(UINT type) {
    std::function<void(UINT)> handler;
    {
        std::lock_guard lock(handlerMutex);
        handler = Handler();
    }
    if (handler) {
        handler(type);
        return TRUE;
    }
    if (isatty(STDERR_FILENO)) return write(STDERR_FILENO, "\a", 1) == 1 ? TRUE : FALSE;
    return TRUE;
}
