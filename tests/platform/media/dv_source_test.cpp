#include "platform/media/virtual_card/dv_source.h"

#include <gtest/gtest.h>

#include <atomic>

#include "tests/platform/media/pipeline_harness.h"

namespace media {
namespace {

using test::FrameCollector;
using test::TestPipeline;

class DvSourceTest : public ::testing::TestWithParam<DvSystem> {};

TEST_P(DvSourceTest, DeliversWholeNumberedDvFrames) {
    auto source = VirtualDvSource::Create("virtual-dv", GetParam());
    ASSERT_TRUE(source);
    FrameCollector capture(1);
    TestPipeline pipeline;
    pipeline.Add(source->Element());
    ASSERT_TRUE(pipeline.Link(source->CapturePad(), capture.Sink()));
    ASSERT_TRUE(pipeline.Play());
    pipeline.RunFor(1000);
    EXPECT_TRUE(pipeline.Errors().empty());
    EXPECT_TRUE(pipeline.Stop());

    const auto frames = capture.Frames();
    std::printf("virtual DV %s: %zu frames in a 1 s run\n", GetParam() == DvSystem::NTSC ? "NTSC" : "PAL",
                frames.size());
    ASSERT_GE(frames.size(), 15u);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].size, static_cast<std::size_t>(DvFrameBytes(GetParam())));
        EXPECT_EQ(frames[i].offset, i);
        EXPECT_EQ(frames[i].duration, static_cast<GstClockTime>(DvFrameDuration(GetParam())) * 100);
        if (i > 0) {
            EXPECT_GT(frames[i].pts, frames[i - 1].pts);
        }
    }
    // The first DIF block of a frame is a header block (section type 0).
    EXPECT_EQ(frames.front().data[0] >> 5, 0);
    EXPECT_NE(capture.CapsText().find("systemstream=(boolean)true"), std::string::npos);
}

// A camcorder that was stopped delivers again when run a second time.
TEST_P(DvSourceTest, RunsAgainAfterAStop) {
    auto source = VirtualDvSource::Create("virtual-dv", GetParam());
    ASSERT_TRUE(source);
    FrameCollector capture(1);
    TestPipeline pipeline;
    pipeline.Add(source->Element());
    ASSERT_TRUE(pipeline.Link(source->CapturePad(), capture.Sink()));
    for (int run = 1; run <= 2; ++run) {
        const std::size_t before = capture.Frames().size();
        ASSERT_TRUE(pipeline.Play()) << "run " << run;
        pipeline.RunFor(700);
        EXPECT_TRUE(pipeline.Stop()) << "run " << run;
        EXPECT_GE(capture.Frames().size() - before, 8u) << "run " << run;
    }
    EXPECT_TRUE(pipeline.Errors().empty());
}

// The frames carry sound: a DV demuxer finds an audio stream in them.
TEST_P(DvSourceTest, FramesCarryAudio) {
    auto source = VirtualDvSource::Create("virtual-dv", GetParam());
    ASSERT_TRUE(source);
    TestPipeline pipeline;
    GstElement* demux = gst_element_factory_make("dvdemux", nullptr);
    pipeline.Add(source->Element());
    ASSERT_TRUE(pipeline.Link(source->CapturePad(), demux));
    static std::atomic<int> audioBuffers;
    audioBuffers = 0;
    g_signal_connect(demux, "pad-added", G_CALLBACK(+[](GstElement* element, GstPad* pad, gpointer) {
                         GstElement* sink = gst_element_factory_make("fakesink", nullptr);
                         g_object_set(sink, "sync", FALSE, "async", FALSE, nullptr);
                         GstElement* bin = GST_ELEMENT(gst_element_get_parent(element));
                         gst_bin_add(GST_BIN(bin), sink);
                         GstPad* sinkPad = gst_element_get_static_pad(sink, "sink");
                         gst_pad_link(pad, sinkPad);
                         gst_object_unref(sinkPad);
                         gst_element_sync_state_with_parent(sink);
                         gst_object_unref(bin);
                         if (g_str_has_prefix(GST_PAD_NAME(pad), "audio")) {
                             gst_pad_add_probe(
                                 pad, GST_PAD_PROBE_TYPE_BUFFER,
                                 +[](GstPad*, GstPadProbeInfo*, gpointer) {
                                     ++audioBuffers;
                                     return GST_PAD_PROBE_OK;
                                 },
                                 nullptr, nullptr);
                         }
                     }),
                     nullptr);
    ASSERT_TRUE(pipeline.Play());
    pipeline.RunFor(800);
    EXPECT_TRUE(pipeline.Stop());
    EXPECT_GE(audioBuffers.load(), 10);
}

INSTANTIATE_TEST_SUITE_P(Systems, DvSourceTest, ::testing::Values(DvSystem::NTSC, DvSystem::PAL),
                         [](const auto& param) { return param.param == DvSystem::NTSC ? "NTSC" : "PAL"; });

}  // namespace
}  // namespace media
