// Both modules inside plain GStreamer pipelines, without a filter graph around them: the
// timestamp filter learns its interval from caps that are settled only when the stream
// starts, and a pipeline clocked by the adjustable clock waits in that clock's time.
#include "platform/media/gst.h"
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "filters/metronel/talvin_clock.h"
#include "filters/stampfix/stampfix_filter.h"
#include "platform/media/base/clock_adapter.h"
#include "tests/platform/media/pipeline_harness.h"

namespace {

using media::test::FrameCollector;
using media::test::TestPipeline;

class PlainPipelineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { gst_init(nullptr, nullptr); }

    // A test picture source with frame numbers in the buffer offsets, as capture sources set
    // them; its pad offers a range of formats until negotiation settles one.
    static GstElement* TestSource(int buffers) {
        GstElement* source = gst_element_factory_make("videotestsrc", nullptr);
        if (source) g_object_set(source, "num-buffers", buffers, nullptr);
        return source;
    }

    static GstElement* Format(const char* framerate) {
        GstElement* filter = gst_element_factory_make("capsfilter", nullptr);
        GstCaps* caps = gst_caps_from_string(
            (std::string("video/x-raw,format=YUY2,width=64,height=48,framerate=") + framerate).c_str());
        g_object_set(filter, "caps", caps, nullptr);
        gst_caps_unref(caps);
        return filter;
    }

    static GstPad* Pad(GstElement* element, const char* name) { return gst_element_get_static_pad(element, name); }
};

TEST_F(PlainPipelineTest, StampfixTakesTheIntervalOfCapsSettledAtTheStart) {
    auto stampfix = MakeComObject<CStampfixFilter>();
    FrameCollector sink;
    {
        TestPipeline pipeline;
        GstElement* source = TestSource(10);
        GstElement* format = Format("25/1");  // downstream: the source's pad still offers a range at the start
        ASSERT_NE(nullptr, source);
        pipeline.Add(source);
        pipeline.Add(stampfix->GetElement());
        GstPad* sourcePad = Pad(source, "src");
        GstPad* input = Pad(stampfix->GetElement(), "sink");
        GstPad* output = Pad(stampfix->GetElement(), "src");
        ASSERT_EQ(GST_PAD_LINK_OK, gst_pad_link(sourcePad, input));
        ASSERT_TRUE(pipeline.Link(output, format));
        GstPad* formatPad = Pad(format, "src");
        ASSERT_TRUE(pipeline.Link(formatPad, sink.Sink()));
        for (GstPad* pad : {sourcePad, input, output, formatPad}) gst_object_unref(pad);
        ASSERT_TRUE(pipeline.Play());
        pipeline.RunFor(600);
        for (const auto& error : pipeline.Errors()) ADD_FAILURE() << error;
        EXPECT_TRUE(pipeline.Stop());
    }
    REFERENCE_TIME interval = 0;
    BOOL fixed = TRUE;
    ASSERT_EQ(S_OK, stampfix->get_TimePerFrame(&interval, &fixed));
    EXPECT_EQ(400000, interval);
    EXPECT_EQ(FALSE, fixed);
    const auto frames = sink.Frames();
    ASSERT_EQ(10u, frames.size());
    for (std::size_t i = 1; i < frames.size(); ++i) {
        EXPECT_EQ(GstClockTime{400000} * 100, frames[i].pts - frames[i - 1].pts) << "frame " << i;
        EXPECT_EQ(GstClockTime{400000} * 100, frames[i].duration) << "frame " << i;
    }
}

// One wait of two seconds of stream time: at speed 2 it must end after about one second of
// wall time, not after two.
TEST_F(PlainPipelineTest, AFastClockShortensEachWaitInWallTime) {
    HRESULT hr = E_FAIL;
    auto clock = ComPtr<CTalvinClock>::Attach(new CTalvinClock(&hr));
    ASSERT_EQ(S_OK, hr);
    ASSERT_EQ(S_OK, clock->put_Speed(2.0, TRUE));
    GstClock* adapter = media::CreateGstClockForReferenceClock(clock.Get());
    FrameCollector sink;
    std::chrono::steady_clock::duration secondFrameAfter{};
    {
        TestPipeline pipeline;
        gst_pipeline_use_clock(GST_PIPELINE(pipeline.Get()), adapter);
        GstElement* source = TestSource(2);
        GstElement* format = Format("1/2");  // frames at 0 s and 2 s of stream time
        ASSERT_NE(nullptr, source);
        pipeline.Add(source);
        g_object_set(sink.Sink(), "sync", TRUE, nullptr);
        GstPad* sourcePad = Pad(source, "src");
        ASSERT_TRUE(pipeline.Link(sourcePad, format));
        GstPad* formatPad = Pad(format, "src");
        ASSERT_TRUE(pipeline.Link(formatPad, sink.Sink()));
        for (GstPad* pad : {sourcePad, formatPad}) gst_object_unref(pad);
        ASSERT_TRUE(pipeline.Play());
        const auto started = std::chrono::steady_clock::now();
        auto firstSeen = started;
        while (sink.Frames().size() < 2 && std::chrono::steady_clock::now() - started < std::chrono::seconds(5)) {
            if (sink.Frames().size() == 1 && firstSeen == started) firstSeen = std::chrono::steady_clock::now();
            pipeline.RunFor(5);
        }
        secondFrameAfter = std::chrono::steady_clock::now() - firstSeen;
        for (const auto& error : pipeline.Errors()) ADD_FAILURE() << error;
        EXPECT_TRUE(pipeline.Stop());
    }
    gst_object_unref(adapter);
    ASSERT_EQ(2u, sink.Frames().size());
    const double seconds = std::chrono::duration<double>(secondFrameAfter).count();
    EXPECT_GT(seconds, 0.6);
    EXPECT_LT(seconds, 1.5);
}

}  // namespace
