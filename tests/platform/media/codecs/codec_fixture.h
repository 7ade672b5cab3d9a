// Shared set-up for the compressor and effect tests: the device fixture's private environment,
// a filter graph with its builder, the virtual TV card, and a counter of the buffers that
// leave a pin.
#pragma once

#include "platform/media/gst.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>

#include "platform/media/interfaces/capture_builder.h"
#include "platform/media/interfaces/control.h"
#include "tests/platform/media/devices/device_fixture.h"

namespace media::test {

// Counts the buffers that pass a pin's pad and keeps the caps they carried.
class BufferCounter {
public:
    explicit BufferCounter(IPin* pin);
    ~BufferCounter();
    BufferCounter(const BufferCounter&) = delete;
    BufferCounter& operator=(const BufferCounter&) = delete;
    int Buffers() const { return buffers_.load(); }
    // Buffers whose time is missing or beyond what a stream's time can be.
    int BuffersWithoutTime() const { return untimed_.load(); }
    std::string CapsName() const;
    GstCaps* Caps() const;  // a reference for the caller; null before any caps

private:
    static GstPadProbeReturn OnData(GstPad* pad, GstPadProbeInfo* info, gpointer self);
    GstPad* pad_ = nullptr;
    gulong probe_ = 0;
    std::atomic<int> buffers_{0};
    std::atomic<int> untimed_{0};
    mutable std::mutex mutex_;
    GstCaps* caps_ = nullptr;
};

class CodecGraphTest : public DeviceTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Adds a filter bound from the catalogue entry with this display name.
    ComPtr<IBaseFilter> AddBound(const std::u16string& displayName);
    ComPtr<IBaseFilter> AddNullRenderer();
    ComPtr<IPin> FirstPin(IBaseFilter* filter, PIN_DIRECTION direction);
    // Runs the graph until `done` or the time is up; false (and the graph's error) on an
    // error event.
    bool RunUntil(const std::function<bool()>& done, int milliseconds, std::string* error);

    ComPtr<IGraphBuilder> graph;
    ComPtr<ICaptureGraphBuilder2> builder;
    ComPtr<IMediaControl> control;
};

std::vector<std::u16string> DisplayNames(const std::vector<ComPtr<IMoniker>>& monikers);

}  // namespace media::test
