// Own filters with several pins inside plain GStreamer pipelines: each input's samples, caps
// and end of stream reach the filter, the element ends its stream once all inputs ended, an
// input refuses caps the filter does not take, and an output pushes from the filter's thread.
#include "platform/media/base/multi_pin_filter.h"

#include <gst/app/gstappsrc.h>
#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/media/media_types.h"
#include "tests/platform/media/pipeline_harness.h"

namespace {

const GUID kTestFilter = MakeGuid("6c1f0b8e-2a7d-4b3e-8f0a-3d5e9c7b1a02");

// Two inputs ("Video", "Audio") and two outputs that offer the video input's type.
class CRecordingFilter final : public CMultiPinFilter {
public:
    CRecordingFilter() : CMultiPinFilter(u"recorder", kTestFilter, {u"Video", u"Audio"}, {u"Out", u"Out 2"}) {}

    HRESULT CheckInputType(int input, const AM_MEDIA_TYPE* type) override {
        const GUID& wanted = input == 0 ? MEDIATYPE_Video : MEDIATYPE_Audio;
        return type->majortype == wanted ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT GetOutputType(int /*output*/, int position, AM_MEDIA_TYPE* type) override {
        if (position != 0) return VFW_S_NO_MORE_ITEMS;
        return SUCCEEDED(InputPin(0)->CopyConnectionType(type)) ? S_OK : VFW_S_NO_MORE_ITEMS;
    }
    HRESULT StartStreaming() override {
        ++starts;
        return S_OK;
    }
    HRESULT StopStreaming() override {
        ++stops;
        return S_OK;
    }
    HRESULT Receive(int input, IMediaSample* sample) override {
        REFERENCE_TIME start = 0, stop = 0;
        if (FAILED(sample->GetTime(&start, &stop))) start = -1;  // a sample without a time
        std::lock_guard lock(mutex);
        received[static_cast<std::size_t>(input)].push_back(start);
        return S_OK;
    }
    void EndOfStream(int input) override {
        std::lock_guard lock(mutex);
        ended.push_back(input);
    }

    std::mutex mutex;
    std::vector<REFERENCE_TIME> received[2];
    std::vector<int> ended;
    int starts = 0, stops = 0;
};

// A live source, as capture sources are: the pipeline plays without waiting for data.
GstElement* AppSource(const char* caps) {
    GstElement* source = gst_element_factory_make("appsrc", nullptr);
    GstCaps* sourceCaps = gst_caps_from_string(caps);
    g_object_set(source, "caps", sourceCaps, "format", GST_FORMAT_TIME, "is-live", TRUE, nullptr);
    gst_caps_unref(sourceCaps);
    return source;
}

void PushAndEnd(GstElement* source, int count, std::size_t size) {
    for (int i = 0; i < count; ++i) {
        GstBuffer* buffer = gst_buffer_new_allocate(nullptr, size, nullptr);
        GST_BUFFER_PTS(buffer) = static_cast<GstClockTime>(i) * 10 * GST_MSECOND;
        gst_app_src_push_buffer(GST_APP_SRC(source), buffer);
    }
    gst_app_src_end_of_stream(GST_APP_SRC(source));
}

// The first end-of-stream or error message within two seconds.
GstMessageType WaitForEnd(GstElement* pipeline) {
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message = gst_bus_timed_pop_filtered(bus, 2 * GST_SECOND,
                                                     static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const GstMessageType type = message ? GST_MESSAGE_TYPE(message) : GST_MESSAGE_UNKNOWN;
    if (message) gst_message_unref(message);
    gst_object_unref(bus);
    return type;
}

constexpr const char* kVideoCaps = "video/x-raw,format=YUY2,width=4,height=2,framerate=30/1";
constexpr const char* kAudioCaps = "audio/x-raw,format=S16LE,layout=interleaved,rate=48000,channels=2";

class MultiPinFilterTest : public ::testing::Test {
protected:
    void SetUp() override { gst_init(nullptr, nullptr); }

    // Both inputs fed from app sources.
    void Feed(GstElement* video, GstElement* audio) {
        pipeline_.Add(video);
        pipeline_.Add(audio);
        pipeline_.Add(filter_->GetElement());
        ASSERT_TRUE(gst_element_link_pads(video, "src", filter_->GetElement(), "Video"));
        ASSERT_TRUE(gst_element_link_pads(audio, "src", filter_->GetElement(), "Audio"));
    }

    ComPtr<CRecordingFilter> filter_ = MakeComObject<CRecordingFilter>();
    media::test::TestPipeline pipeline_;
};

TEST_F(MultiPinFilterTest, EachInputDeliversItsSamplesAndTheElementEndsAfterBoth) {
    GstElement* video = AppSource(kVideoCaps);
    GstElement* audio = AppSource(kAudioCaps);
    Feed(video, audio);
    ASSERT_TRUE(pipeline_.Play());
    EXPECT_EQ(1, filter_->starts);
    PushAndEnd(video, 3, 16);
    PushAndEnd(audio, 4, 64);
    EXPECT_EQ(GST_MESSAGE_EOS, WaitForEnd(pipeline_.Get()));
    {
        std::lock_guard lock(filter_->mutex);
        EXPECT_EQ((std::vector<REFERENCE_TIME>{0, 100000, 200000}), filter_->received[0]);
        EXPECT_EQ(4u, filter_->received[1].size());
        EXPECT_EQ(2u, filter_->ended.size());
    }
    AM_MEDIA_TYPE type{};
    ASSERT_EQ(S_OK, filter_->InputPin(1)->CopyConnectionType(&type));
    EXPECT_EQ(MEDIATYPE_Audio, type.majortype);
    FreeMediaType(type);
    pipeline_.Stop();
    EXPECT_EQ(1, filter_->stops);
    FILTER_STATE state{};
    filter_->GetState(0, &state);
    EXPECT_EQ(State_Stopped, state);
}

// x264enc and other encoders move their buffers and their segment 1000 hours on: the filter
// still sees the times at which the pictures were taken.
TEST_F(MultiPinFilterTest, SamplesCarryTheirRunningTimeWhenTheSegmentStartsLater) {
    GstElement* video = AppSource(kVideoCaps);
    GstElement* audio = AppSource(kAudioCaps);
    g_object_set(video, "handle-segment-change", TRUE, nullptr);
    Feed(video, audio);
    ASSERT_TRUE(pipeline_.Play());
    constexpr GstClockTime kShift = 1000ull * 3600 * GST_SECOND;
    GstSegment segment;
    gst_segment_init(&segment, GST_FORMAT_TIME);
    segment.start = kShift;
    segment.time = 0;
    GstCaps* caps = gst_caps_from_string(kVideoCaps);
    for (int i = -1; i < 3; ++i) {
        GstBuffer* buffer = gst_buffer_new_allocate(nullptr, 16, nullptr);
        GST_BUFFER_PTS(buffer) = kShift + static_cast<GstClockTime>(i) * 10 * GST_MSECOND;  // the first is before the start
        GstSample* sample = gst_sample_new(buffer, caps, &segment, nullptr);
        gst_app_src_push_sample(GST_APP_SRC(video), sample);
        gst_sample_unref(sample);
        gst_buffer_unref(buffer);
    }
    gst_caps_unref(caps);
    gst_app_src_end_of_stream(GST_APP_SRC(video));
    PushAndEnd(audio, 1, 64);
    EXPECT_EQ(GST_MESSAGE_EOS, WaitForEnd(pipeline_.Get()));
    std::lock_guard lock(filter_->mutex);
    EXPECT_EQ((std::vector<REFERENCE_TIME>{-1, 0, 100000, 200000}), filter_->received[0]);
}

TEST_F(MultiPinFilterTest, AnInputRefusesCapsItsFilterDoesNotTake) {
    GstElement* video = AppSource(kAudioCaps);  // audio offered to the video input
    GstElement* audio = AppSource(kAudioCaps);
    Feed(video, audio);
    ASSERT_TRUE(pipeline_.Play());
    PushAndEnd(video, 1, 64);
    PushAndEnd(audio, 1, 64);
    EXPECT_EQ(GST_MESSAGE_ERROR, WaitForEnd(pipeline_.Get()));
    std::lock_guard lock(filter_->mutex);
    EXPECT_TRUE(filter_->received[0].empty());
}

TEST_F(MultiPinFilterTest, AnOutputPushesFromTheFiltersOwnThread) {
    GstElement* video = AppSource(kVideoCaps);
    GstElement* audio = AppSource(kAudioCaps);
    Feed(video, audio);
    media::test::FrameCollector sink(1);
    GstPad* out = gst_element_get_static_pad(filter_->GetElement(), "Out");
    ASSERT_TRUE(out);
    const BYTE frame[16] = {0x42};
    EXPECT_EQ(S_FALSE, filter_->OutputPin(0)->Deliver(frame, 16, 0, 1, true)) << "nothing to push to yet";
    ASSERT_TRUE(pipeline_.Link(out, sink.Sink()));
    gst_object_unref(out);
    ASSERT_TRUE(pipeline_.Play());
    GstBuffer* first = gst_buffer_new_allocate(nullptr, 16, nullptr);
    gst_app_src_push_buffer(GST_APP_SRC(video), first);  // the video input learns its type
    pipeline_.RunFor(200);
    std::vector<HRESULT> results;
    std::thread player([&] {
        for (int i = 0; i < 5; ++i) results.push_back(filter_->OutputPin(0)->Deliver(frame, 16, i * 1000, (i + 1) * 1000, i == 0));
    });
    player.join();
    pipeline_.RunFor(200);
    EXPECT_EQ(std::vector<HRESULT>(5, S_OK), results);
    const auto frames = sink.Frames();
    ASSERT_EQ(5u, frames.size());
    EXPECT_EQ(3 * 1000 * 100u, frames[3].pts);
    EXPECT_EQ(0x42, frames[0].data[0]);
    EXPECT_NE(std::string::npos, sink.CapsText().find("YUY2")) << sink.CapsText();
    EXPECT_EQ(2, filter_->OutputCount());
    EXPECT_EQ(2, filter_->InputCount());
}

TEST_F(MultiPinFilterTest, AnOutputOnARelativeTimelinePlaysFromTheFirstSample) {
    GstElement* video = AppSource(kVideoCaps);
    GstElement* audio = AppSource(kAudioCaps);
    Feed(video, audio);
    media::test::FrameCollector sink(0);
    GstPad* out = gst_element_get_static_pad(filter_->GetElement(), "Out");
    ASSERT_TRUE(pipeline_.Link(out, sink.Sink()));
    gst_object_unref(out);
    ASSERT_TRUE(pipeline_.Play());
    pipeline_.RunFor(300);
    const BYTE frame[16] = {};
    CMultiOutputPin* pin = filter_->OutputPin(0);
    EXPECT_EQ(S_OK, pin->DeliverFromNow(frame, 16, 0, 1000, true));
    EXPECT_EQ(S_OK, pin->DeliverFromNow(frame, 16, 1000, 2000, true));
    pipeline_.RunFor(200);
    pin->RestartTimeline();
    EXPECT_EQ(S_OK, pin->DeliverFromNow(frame, 16, 0, 1000, true));
    EXPECT_EQ(E_INVALIDARG, pin->DeliverFromNow(frame, 16, -1, 0, true));
    pipeline_.RunFor(100);
    const auto frames = sink.Frames();
    ASSERT_EQ(3u, frames.size());
    EXPECT_GE(frames[0].pts, 250 * GST_MSECOND) << "the timeline starts at the running time of its first sample";
    EXPECT_EQ(100 * GST_USECOND, frames[1].pts - frames[0].pts);
    EXPECT_GE(frames[2].pts, frames[0].pts + 150 * GST_MSECOND) << "a restart begins at the running time again";
}

TEST_F(MultiPinFilterTest, OutputsRestartedTogetherShareOneOriginAndOfferTheirCapsBeforeTheFirstSample) {
    GstElement* video = AppSource(kVideoCaps);
    GstElement* audio = AppSource(kAudioCaps);
    Feed(video, audio);
    media::test::FrameCollector first(0), second(0);
    for (auto [name, sink] : {std::pair{"Out", first.Sink()}, std::pair{"Out_2", second.Sink()}}) {
        GstPad* pad = gst_element_get_static_pad(filter_->GetElement(), name);
        ASSERT_TRUE(pad) << name;
        EXPECT_TRUE(pipeline_.Link(pad, sink)) << name;
        gst_object_unref(pad);
    }
    ASSERT_TRUE(pipeline_.Play());
    pipeline_.RunFor(300);
    GstPad* out = gst_element_get_static_pad(filter_->GetElement(), "Out_2");
    GstCaps* offered = gst_pad_query_caps(out, nullptr);
    gst_object_unref(out);
    gchar* text = gst_caps_to_string(offered);
    EXPECT_NE(nullptr, std::strstr(text, "YUY2")) << text;
    g_free(text);
    gst_caps_unref(offered);

    const BYTE frame[16] = {};
    filter_->RestartOutputTimelines();
    EXPECT_EQ(S_OK, filter_->OutputPin(0)->DeliverFromNow(frame, 16, 0, 1000, true));
    pipeline_.RunFor(150);
    EXPECT_EQ(S_OK, filter_->OutputPin(1)->DeliverFromNow(frame, 16, 0, 1000, true,
                                                           CMultiOutputPin::kDecodeOnly | CMultiOutputPin::kDiscontinuity));
    EXPECT_EQ(S_OK, filter_->OutputPin(1)->DeliverFromNow(frame, 16, 1000, 2000, false));
    pipeline_.RunFor(100);
    const auto a = first.Frames(), b = second.Frames();
    ASSERT_EQ(1u, a.size());
    ASSERT_EQ(2u, b.size());
    EXPECT_EQ(a[0].pts, b[0].pts) << "the later output starts from the same origin";
    EXPECT_TRUE(b[0].flags & GST_BUFFER_FLAG_DECODE_ONLY);
    EXPECT_TRUE(b[0].flags & GST_BUFFER_FLAG_DISCONT);
    EXPECT_FALSE(b[1].flags & GST_BUFFER_FLAG_DECODE_ONLY);
    EXPECT_FALSE(b[1].flags & GST_BUFFER_FLAG_DISCONT);
    EXPECT_TRUE(b[1].flags & GST_BUFFER_FLAG_DELTA_UNIT);
}

}  // namespace
