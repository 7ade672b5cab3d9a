// Small helpers for running the virtual sources in real, headless pipelines.
#pragma once

#include "platform/media/gst.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace media::test {

struct FrameRecord {
    GstClockTime pts = GST_CLOCK_TIME_NONE;
    GstClockTime duration = GST_CLOCK_TIME_NONE;
    std::uint64_t offset = 0;
    std::uint64_t offsetEnd = 0;
    std::size_t size = 0;
    GstBufferFlags flags{};
    std::vector<std::uint8_t> data;  // only for the first frames asked to be kept
};

// An appsink that records every buffer it receives (and the bytes of the first few).
class FrameCollector {
public:
    explicit FrameCollector(std::size_t keepData = 0);
    ~FrameCollector();
    FrameCollector(const FrameCollector&) = delete;
    FrameCollector& operator=(const FrameCollector&) = delete;
    GstElement* Sink() const { return sink_; }
    std::vector<FrameRecord> Frames() const;
    std::string CapsText() const;

private:
    static GstFlowReturn OnSample(GstElement* sink, gpointer self);

    GstElement* sink_;
    std::size_t keepData_;
    mutable std::mutex mutex_;
    std::vector<FrameRecord> frames_;
    std::string caps_;
};

class TestPipeline {
public:
    TestPipeline();
    ~TestPipeline();
    TestPipeline(const TestPipeline&) = delete;
    TestPipeline& operator=(const TestPipeline&) = delete;

    GstElement* Get() const { return pipeline_; }
    void Add(GstElement* element);
    // Links a source pad to the sink pad of `sink` (added to the pipeline first).
    bool Link(GstPad* source, GstElement* sink);
    bool Play();
    // Pumps the bus for `milliseconds`, recording errors and device-lost messages.
    void RunFor(int milliseconds);
    bool Stop();

    const std::vector<std::string>& Errors() const { return errors_; }
    int DeviceLostMessages() const { return deviceLost_; }

private:
    GstElement* pipeline_;
    std::vector<std::string> errors_;
    int deviceLost_ = 0;
};

// Mean of the luma plane of an I420 or YUY2 frame.
double MeanLuma(const std::vector<std::uint8_t>& frame, int width, int height, bool yuy2);

}  // namespace media::test
