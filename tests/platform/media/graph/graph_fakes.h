// Test fakes that join graphs through IGstFilter like any filter: live sources on
// videotestsrc/audiotestsrc, a counting sink on appsink, and a headless window that records
// posted messages and presented frames.
#pragma once

#include "platform/media/gst.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "platform/com/com_runtime.h"
#include "platform/media/filters/gst_filter_base.h"
#include "platform/system/window.h"

namespace media::test {

// Capture (and optionally preview) pins of live raw video in `format`, 320x240 at 30 fps.
ComPtr<IBaseFilter> MakeVideoSource(const char* format = "YUY2", bool withPreview = true, const char* name = "Fake Video");
ComPtr<IBaseFilter> MakeAudioSource();
// The element inside a fake source that posts the device-lost message.
GstElement* SourceElement(IBaseFilter* filter);

// A sink with one input "In" accepting `caps` (e.g. "video/x-raw"); counts buffers.
class CountingSink;
ComPtr<IBaseFilter> MakeCountingSink(const char* caps, CountingSink** sink);
class CountingSink final : public GstFilterBase {
public:
    CountingSink(GstElement* bin, GstElement* appsink);
    int Buffers() const { return buffers_.load(); }
    bool WaitForBuffers(int count, int milliseconds) const;

private:
    static GstFlowReturn OnSample(GstElement* sink, gpointer self);
    std::atomic<int> buffers_{0};
};

ComPtr<IPin> PinByName(IBaseFilter* filter, const char16_t* name);

class TestWindow final : public PlatformWindow, public VideoSurface {
public:
    struct Message {
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
    };
    TestWindow();
    ~TestWindow() override;
    HWND Handle() const { return handle_; }

    bool PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    RECT WindowRect() const override { return RECT{100, 100, 740, 580}; }
    RECT ClientRect() const override { return RECT{0, 0, 640, 480}; }
    bool SetWindowPos(HWND, int, int, int, int, UINT) override { return true; }
    bool Show(int) override { return true; }
    bool IsVisible() const override { return true; }
    bool IsMinimized() const override { return false; }
    void Update() override {}
    int SystemMetric(int index) const override { return index == SM_CXMAXTRACK ? 1920 : 0; }
    VideoSurface* Surface() override { return this; }

    void PresentFrame(const VideoFrame& frame, const VideoPlacement& placement) override;
    void ClearVideo() override { cleared_++; }

    std::vector<Message> Messages() const;
    bool WaitForMessage(UINT msg, int milliseconds) const;
    int Frames() const { return frames_.load(); }
    int Cleared() const { return cleared_.load(); }
    RECT LastTarget() const;
    int LastWidth() const { return lastWidth_.load(); }

private:
    HWND handle_;
    mutable std::mutex mutex_;
    std::vector<Message> messages_;
    std::atomic<int> frames_{0};
    std::atomic<int> cleared_{0};
    std::atomic<int> lastWidth_{0};
    RECT lastTarget_{};
};

// COM for the test's thread and registered media classes.
class ComScope {
public:
    ComScope();
    ~ComScope();
};

// Runs `graph` until `done` holds or the time is up.
template <typename Done>
bool WaitUntil(Done done, int milliseconds) {
    for (int waited = 0; waited < milliseconds; waited += 10) {
        if (done()) return true;
        g_usleep(10000);
    }
    return done();
}

}  // namespace media::test
