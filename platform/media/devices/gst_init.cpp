#include "platform/media/devices/gst_init.h"

#include "platform/media/gst.h"

#include <atomic>
#include <mutex>

namespace media {

bool InitGstForCapture() {
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        GError* error = nullptr;
        started = gst_init_check(nullptr, nullptr, &error) != FALSE;
        if (!started) {
            g_warning("GStreamer could not be started: %s", error ? error->message : "unknown error");
            g_clear_error(&error);
        }
    });
    return started;
}

std::string UniqueCaptureElementName(const char* prefix) {
    static std::atomic<unsigned> next{0};
    return std::string(prefix) + "-" + std::to_string(next.fetch_add(1));
}

}  // namespace media
