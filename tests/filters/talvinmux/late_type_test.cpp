// The multiplexer in a plain GStreamer pipeline, where each input learns its type from the caps
// that come with its own first buffer: the video runs for a while before the audio input knows
// its type, and the file still starts at the first frame. And the bounded hold behind it.
#include "platform/media/gst.h"

#include <gst/app/gstappsrc.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "filters/talvinmux/early_samples.h"
#include "filters/talvinmux/talvin_avi_mux.h"
#include "platform/com/wide_text.h"
#include "platform/media/gst_helpers.h"
#include "platform/media/interfaces/gst_filter.h"
#include "tests/filters/talvinmux/avi_file_reader.h"
#include "tests/support/temp_environment.h"

namespace talvinmux::test {
namespace {

using namespace std::chrono_literals;

// ---- the hold itself ----

InputSample Bytes(int input, const std::vector<std::uint8_t>& bytes, REFERENCE_TIME start) {
    InputSample sample;
    sample.input = input;
    sample.data = bytes.data();
    sample.size = static_cast<std::uint32_t>(bytes.size());
    sample.hasTime = true;
    sample.start = start;
    return sample;
}

std::vector<REFERENCE_TIME> Released(EarlySamples& early) {
    std::vector<REFERENCE_TIME> starts;
    early.Release([&](const InputSample& sample) {
        EXPECT_EQ(sample.data[0], static_cast<std::uint8_t>(sample.start));  // its own bytes
        starts.push_back(sample.start);
    });
    return starts;
}

TEST(EarlySamplesTest, ReleasesCopiesInArrivalOrderThenForgetsThem) {
    EarlySamples early(100);
    for (REFERENCE_TIME i = 0; i < 4; ++i) {
        std::vector<std::uint8_t> bytes(10, static_cast<std::uint8_t>(i));
        early.Hold(Bytes(static_cast<int>(i % 2), bytes, i));
        bytes.assign(10, 0xEE);  // the caller's buffer goes back to its pool
    }
    EXPECT_EQ(early.Bytes(), 40u);
    EXPECT_EQ(Released(early), (std::vector<REFERENCE_TIME>{0, 1, 2, 3}));
    EXPECT_EQ(early.Count(), 0u);
    EXPECT_EQ(early.Bytes(), 0u);
}

TEST(EarlySamplesTest, PastTheBoundTheOldestAreLetGo) {
    EarlySamples early(25);
    for (REFERENCE_TIME i = 0; i < 5; ++i) early.Hold(Bytes(0, std::vector<std::uint8_t>(10, static_cast<std::uint8_t>(i)), i));
    EXPECT_EQ(early.LetGo(), 3u);
    EXPECT_LE(early.Bytes(), 25u);
    EXPECT_EQ(Released(early), (std::vector<REFERENCE_TIME>{3, 4}));
}

TEST(EarlySamplesTest, ASampleLargerThanTheBoundIsHeldAlone) {
    EarlySamples early(25);
    early.Hold(Bytes(0, std::vector<std::uint8_t>(10, 0), 0));
    early.Hold(Bytes(0, std::vector<std::uint8_t>(40, 1), 1));
    EXPECT_EQ(early.LetGo(), 1u);
    EXPECT_EQ(Released(early), (std::vector<REFERENCE_TIME>{1}));
}

// ---- the multiplexer in a plain pipeline ----

constexpr int kWidth = 64, kHeight = 48;
constexpr gsize kFrameBytes = kWidth * kHeight * 2;
constexpr gsize kSoundBytes = 48000 / 30 * 4;
constexpr GstClockTime kFrameTime = GST_SECOND / 30;

GstElement* AppSource(const char* caps) {
    GstElement* source = gst_element_factory_make("appsrc", nullptr);
    GstCaps* c = gst_caps_from_string(caps);
    g_object_set(source, "caps", c, "format", GST_FORMAT_TIME, "max-bytes", guint64{0}, "block", FALSE, nullptr);
    gst_caps_unref(c);
    return source;
}

// A frame whose first eight bytes hold its number, as the virtual card stamps them.
void PushFrame(GstElement* source, std::uint64_t number) {
    GstBuffer* frame = gst_buffer_new_allocate(nullptr, kFrameBytes, nullptr);
    gst_buffer_memset(frame, 0, 0x80, kFrameBytes);
    gst_buffer_fill(frame, 0, &number, sizeof number);
    GST_BUFFER_PTS(frame) = number * kFrameTime;
    GST_BUFFER_DURATION(frame) = kFrameTime;
    ASSERT_EQ(gst_app_src_push_buffer(GST_APP_SRC(source), frame), GST_FLOW_OK);
}

void PushSound(GstElement* source, std::uint64_t number) {
    GstBuffer* sound = gst_buffer_new_allocate(nullptr, kSoundBytes, nullptr);
    gst_buffer_memset(sound, 0, 0, kSoundBytes);
    GST_BUFFER_PTS(sound) = number * kFrameTime;
    GST_BUFFER_DURATION(sound) = kFrameTime;
    ASSERT_EQ(gst_app_src_push_buffer(GST_APP_SRC(source), sound), GST_FLOW_OK);
}

// Until the source has handed everything queued downstream (where the multiplexer takes it
// on the source's own thread).
bool Drained(GstElement* source) {
    for (int i = 0; i < 200; ++i) {
        if (gst_app_src_get_current_level_bytes(GST_APP_SRC(source)) == 0) return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

TEST(LateTypeTest, FramesBeforeTheOtherInputsTypeAreWrittenAndCounted) {
    ASSERT_TRUE(media::EnsureGstStarted());
    TempEnvironment environment;
    const std::string base = (environment.Root() / "late").string();
    HRESULT hr = E_FAIL;
    ComPtr<IUnknown> mux = ComPtr<IUnknown>::Attach(CTalvinAviMux::CreateInstance(nullptr, &hr));
    ASSERT_EQ(hr, S_OK);
    ComPtr<IFileSinkFilter2> sink;
    ComPtr<ITalvinAVIMux> control;
    ComPtr<IGstFilter> gst;
    ASSERT_EQ(mux.As(&sink), S_OK);
    ASSERT_EQ(mux.As(&control), S_OK);
    ASSERT_EQ(mux.As(&gst), S_OK);
    ASSERT_EQ(sink->SetFileName(Utf8ToWide(base).c_str(), nullptr), S_OK);
    ASSERT_EQ(control->SetFileLayout(1), S_OK);

    GstElement* element = gst->GetElement();
    GstElement* pipeline = gst_pipeline_new(nullptr);
    GstElement* video = AppSource("video/x-raw,format=YUY2,width=64,height=48,framerate=30/1");
    GstElement* audio = AppSource("audio/x-raw,format=S16LE,layout=interleaved,rate=48000,channels=2");
    gst_bin_add_many(GST_BIN(pipeline), video, audio, element, nullptr);
    ASSERT_TRUE(gst_element_link_pads(video, "src", element, "Video"));
    ASSERT_TRUE(gst_element_link_pads(audio, "src", element, "Audio"));
    ASSERT_NE(gst_element_set_state(pipeline, GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);

    // A second of video reaches the multiplexer while the audio input has no type yet.
    constexpr std::uint64_t kEarly = 30, kFrames = 90;
    for (std::uint64_t i = 0; i < kEarly; ++i) PushFrame(video, i);
    ASSERT_TRUE(Drained(video));
    std::this_thread::sleep_for(100ms);  // the last frame leaves the source's thread
    for (std::uint64_t i = 0; i < kFrames; ++i) PushSound(audio, i);
    for (std::uint64_t i = kEarly; i < kFrames; ++i) PushFrame(video, i);
    gst_app_src_end_of_stream(GST_APP_SRC(video));
    gst_app_src_end_of_stream(GST_APP_SRC(audio));
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* end = gst_bus_timed_pop_filtered(bus, 30 * GST_SECOND,
                                                 static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    ASSERT_TRUE(end);
    EXPECT_EQ(GST_MESSAGE_TYPE(end), GST_MESSAGE_EOS);
    gst_message_unref(end);
    gst_object_unref(bus);
    DWORD frames = 0, chunks = 0, dropped = 0, samples = 0;
    ASSERT_EQ(control->GetStatistics(&frames, &chunks, &dropped, &samples), S_OK);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_bin_remove(GST_BIN(pipeline), element);
    gst_object_unref(pipeline);

    const AviContents avi = ReadAvi(base + ".avi");
    ASSERT_TRUE(avi.valid) << avi.problem;
    std::vector<std::uint64_t> expected(kFrames);
    for (std::uint64_t i = 0; i < kFrames; ++i) expected[i] = i;
    EXPECT_EQ(avi.videoLeads, expected) << "the file does not start at the first frame";
    EXPECT_EQ(avi.videoStart, 0u);
    EXPECT_EQ(avi.audioBytes, kFrames * kSoundBytes);
    // The statistics are the file's contents.
    EXPECT_EQ(frames, avi.videoChunks);
    EXPECT_EQ(chunks, avi.audioChunks);
    EXPECT_EQ(dropped, avi.nullVideoChunks);
    EXPECT_EQ(samples, avi.audioBytes / 4);
}

}  // namespace
}  // namespace talvinmux::test
