#include "tests/platform/media/pipeline_harness.h"

#include "platform/media/gst.h"

#include <gst/app/gstappsink.h>
#include <gtest/gtest.h>

#include "platform/media/device_lost.h"

namespace media::test {
namespace {

class GstEnvironment : public ::testing::Environment {
public:
    void SetUp() override { gst_init(nullptr, nullptr); }
};
[[maybe_unused]] ::testing::Environment* const kGst = ::testing::AddGlobalTestEnvironment(new GstEnvironment);

}  // namespace

FrameCollector::FrameCollector(std::size_t keepData) : keepData_(keepData) {
    sink_ = GST_ELEMENT(gst_object_ref_sink(gst_element_factory_make("appsink", nullptr)));
    g_object_set(sink_, "sync", FALSE, "emit-signals", TRUE, nullptr);
    g_signal_connect(sink_, "new-sample", G_CALLBACK(OnSample), this);
}

FrameCollector::~FrameCollector() {
    g_signal_handlers_disconnect_by_data(sink_, this);
    gst_object_unref(sink_);
}

GstFlowReturn FrameCollector::OnSample(GstElement* sink, gpointer data) {
    auto* self = static_cast<FrameCollector*>(data);
    GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(sink));
    if (!sample) return GST_FLOW_EOS;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    FrameRecord r;
    r.pts = GST_BUFFER_PTS(buffer);
    r.duration = GST_BUFFER_DURATION(buffer);
    r.offset = GST_BUFFER_OFFSET(buffer);
    r.offsetEnd = GST_BUFFER_OFFSET_END(buffer);
    r.size = gst_buffer_get_size(buffer);
    r.flags = static_cast<GstBufferFlags>(GST_BUFFER_FLAGS(buffer));
    std::lock_guard lock(self->mutex_);
    if (self->frames_.size() < self->keepData_) {
        r.data.resize(r.size);
        gst_buffer_extract(buffer, 0, r.data.data(), r.size);
    }
    if (self->caps_.empty()) {
        gchar* text = gst_caps_to_string(gst_sample_get_caps(sample));
        self->caps_ = text;
        g_free(text);
    }
    self->frames_.push_back(std::move(r));
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

std::vector<FrameRecord> FrameCollector::Frames() const {
    std::lock_guard lock(mutex_);
    return frames_;
}

std::string FrameCollector::CapsText() const {
    std::lock_guard lock(mutex_);
    return caps_;
}

TestPipeline::TestPipeline() : pipeline_(gst_pipeline_new(nullptr)) {}

TestPipeline::~TestPipeline() {
    gst_element_set_state(pipeline_, GST_STATE_NULL);
    gst_object_unref(pipeline_);
}

void TestPipeline::Add(GstElement* element) { gst_bin_add(GST_BIN(pipeline_), element); }

bool TestPipeline::Link(GstPad* source, GstElement* sink) {
    if (!GST_OBJECT_PARENT(sink)) Add(sink);
    GstPad* sinkPad = gst_element_get_static_pad(sink, "sink");
    const GstPadLinkReturn result = gst_pad_link(source, sinkPad);
    gst_object_unref(sinkPad);
    return result == GST_PAD_LINK_OK;
}

bool TestPipeline::Play() {
    if (gst_element_set_state(pipeline_, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) return false;
    GstState state = GST_STATE_VOID_PENDING;
    return gst_element_get_state(pipeline_, &state, nullptr, 5 * GST_SECOND) != GST_STATE_CHANGE_FAILURE &&
           state == GST_STATE_PLAYING;
}

void TestPipeline::RunFor(int milliseconds) {
    GstBus* bus = gst_element_get_bus(pipeline_);
    const GstClockTime end = gst_util_get_timestamp() + static_cast<GstClockTime>(milliseconds) * GST_MSECOND;
    for (GstClockTime now = gst_util_get_timestamp(); now < end; now = gst_util_get_timestamp()) {
        GstMessage* m = gst_bus_timed_pop_filtered(
            bus, end - now, static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_ELEMENT));
        if (!m) break;
        if (GST_MESSAGE_TYPE(m) == GST_MESSAGE_ERROR) {
            GError* error = nullptr;
            gst_message_parse_error(m, &error, nullptr);
            errors_.push_back(error ? error->message : "error");
            g_clear_error(&error);
        } else if (IsDeviceLostMessage(m)) {
            ++deviceLost_;
        }
        gst_message_unref(m);
    }
    gst_object_unref(bus);
}

bool TestPipeline::Stop() {
    return gst_element_set_state(pipeline_, GST_STATE_NULL) == GST_STATE_CHANGE_SUCCESS;
}

double MeanLuma(const std::vector<std::uint8_t>& frame, int width, int height, bool yuy2) {
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    double sum = 0;
    for (std::size_t i = 0; i < pixels; ++i) sum += frame[yuy2 ? 2 * i : i];
    return sum / static_cast<double>(pixels);
}

}  // namespace media::test
