#include "platform/media/virtual_card/video_source.h"

#include <gst/base/gstbasetransform.h>
#include <gst/video/gstvideopool.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "tests/platform/media/pipeline_harness.h"
#include "platform/media/capture_constants.h"

namespace media {
namespace {

using test::FrameCollector;
using test::FrameRecord;
using test::TestPipeline;

constexpr VideoFormat kI420Small{VideoEncoding::I420, 320, 240, 30, 1};

class VideoSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        source_ = VirtualVideoSource::Create("virtual-tv");
        ASSERT_TRUE(source_);
    }

    // Runs capture (and optionally preview) into collectors for `ms` and stops.
    void Run(int ms, FrameCollector& capture, FrameCollector* preview = nullptr) {
        TestPipeline pipeline;
        pipeline.Add(source_->Element());
        ASSERT_TRUE(pipeline.Link(source_->CapturePad(), capture.Sink()));
        if (preview) {
            ASSERT_TRUE(pipeline.Link(source_->PreviewPad(), preview->Sink()));
        }
        ASSERT_TRUE(pipeline.Play());
        pipeline.RunFor(ms);
        for (const auto& error : pipeline.Errors()) ADD_FAILURE() << error;
        EXPECT_TRUE(pipeline.Stop());
    }

    // The bytes of the first frame of a short run.
    std::vector<std::uint8_t> FirstFrame() {
        FrameCollector capture(1);
        Run(250, capture);
        auto frames = capture.Frames();
        if (frames.empty()) return {};
        return frames.front().data;
    }

    std::unique_ptr<VirtualVideoSource> source_;
};

TEST_F(VideoSourceTest, DeliversLiveFramesWithFrameNumbersAndIncreasingStamps) {
    FrameCollector capture;
    Run(2000, capture);
    const auto frames = capture.Frames();
    ASSERT_GE(frames.size(), 45u);
    const double span = static_cast<double>(frames.back().pts - frames.front().pts) / GST_SECOND;
    std::printf("virtual card 640x480 YUY2 29.97 fps: %zu frames delivered in a 2 s run, %.2f frames/s by time stamps\n",
                frames.size(), static_cast<double>(frames.size() - 1) / span);
    EXPECT_LE(frames.size(), 70u) << "a live source must not run faster than real time";
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].offset, i);
        EXPECT_EQ(frames[i].offsetEnd, i + 1);
        EXPECT_EQ(frames[i].size, 640u * 480u * 2u);
        EXPECT_NEAR(static_cast<double>(frames[i].duration), 33'366'666.0, 1.0);
        if (i > 0) {
            EXPECT_GT(frames[i].pts, frames[i - 1].pts);
        }
    }
    EXPECT_NE(capture.CapsText().find("YUY2"), std::string::npos);
    EXPECT_EQ(source_->Gate().Counts().delivered, static_cast<std::int64_t>(frames.size()));
}

TEST_F(VideoSourceTest, ChannelCaptionChangesThePicture) {
    ASSERT_TRUE(source_->SetCaptureFormat(kI420Small));
    source_->SetCaption(ChannelCaption(1));
    const auto one = FirstFrame();
    source_->SetCaption(ChannelCaption(12));
    const auto twelve = FirstFrame();
    ASSERT_EQ(one.size(), 320u * 240u * 3u / 2u);
    ASSERT_EQ(twelve.size(), one.size());
    // The caption sits at the top left; the colour bars below it are the same pattern (the
    // bottom band of the pattern holds noise, so it is left out).
    int captionDiffs = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 160; ++x) captionDiffs += one[y * 320 + x] != twelve[y * 320 + x];
    int lowerDiffs = 0;
    for (int i = 320 * 80; i < 320 * 150; ++i) lowerDiffs += one[i] != twelve[i];
    EXPECT_GT(captionDiffs, 50);
    EXPECT_EQ(lowerDiffs, 0);
}

// Luma samples (I420's first plane) a caption changes in the first frame at `format`, counted in
// the top third where the caption sits (the pattern's bottom band holds noise).
int CaptionLumaSamples(VirtualVideoSource& source, const VideoFormat& format,
                       const std::function<std::vector<std::uint8_t>()>& firstFrame) {
    EXPECT_TRUE(source.SetCaptureFormat(format));
    source.SetCaption("");
    const auto bare = firstFrame();
    source.SetCaption(ChannelCaption(12, 193250000));
    const auto captioned = firstFrame();
    const std::size_t luma = static_cast<std::size_t>(format.width) * static_cast<std::size_t>(format.height / 3);
    EXPECT_GE(bare.size(), luma);
    EXPECT_EQ(bare.size(), captioned.size());
    if (bare.size() < luma || bare.size() != captioned.size()) return -1;
    int changed = 0;
    for (std::size_t i = 0; i < luma; ++i) changed += bare[i] != captioned[i];
    return changed;
}

// The caption keeps the size it has on a 640-pixel-wide picture on wider ones (its letters are
// blended into every frame, so a caption grown with the picture would cost four times as much
// at 1280x720), and shrinks on narrower ones so it still fits.
TEST_F(VideoSourceTest, TheCaptionKeepsItsSizeOnWidePicturesAndShrinksOnNarrowOnes) {
    const auto first = [this] { return FirstFrame(); };
    const int standard = CaptionLumaSamples(*source_, {VideoEncoding::I420, 640, 480, 30, 1}, first);
    const int wide = CaptionLumaSamples(*source_, {VideoEncoding::I420, 1280, 720, 30, 1}, first);
    const int narrow = CaptionLumaSamples(*source_, {VideoEncoding::I420, 320, 240, 30, 1}, first);
    std::printf("caption luma samples: 320 wide %d, 640 wide %d, 1280 wide %d\n", narrow, standard, wide);
    ASSERT_GT(standard, 500);
    EXPECT_LT(wide, standard * 3 / 2);
    EXPECT_GT(wide, standard * 2 / 3);
    EXPECT_GT(narrow, 100);
    EXPECT_LT(narrow, standard * 2 / 3);
}

TEST_F(VideoSourceTest, PatternMovesFromFrameToFrame) {
    ASSERT_TRUE(source_->SetCaptureFormat(kI420Small));
    FrameCollector capture(3);
    Run(300, capture);
    auto frames = capture.Frames();
    ASSERT_GE(frames.size(), 3u);
    EXPECT_NE(frames[0].data, frames[2].data);
}

TEST_F(VideoSourceTest, BrightnessRaisesMeanLuma) {
    ASSERT_TRUE(source_->SetCaptureFormat(kI420Small));
    const double neutral = test::MeanLuma(FirstFrame(), 320, 240, false);
    ProcAmpState amp;
    ASSERT_EQ(amp.Set(VideoProcAmp_Brightness, 7500, VideoProcAmp_Flags_Manual), S_OK);
    source_->SetPicture(amp.Picture());
    const double brighter = test::MeanLuma(FirstFrame(), 320, 240, false);
    ASSERT_EQ(amp.Set(VideoProcAmp_Brightness, 2500, VideoProcAmp_Flags_Manual), S_OK);
    source_->SetPicture(amp.Picture());
    const double darker = test::MeanLuma(FirstFrame(), 320, 240, false);
    std::printf("mean luma: neutral %.1f, brightness 7500 %.1f, brightness 2500 %.1f\n", neutral, brighter, darker);
    EXPECT_GT(brighter, neutral + 20);
    EXPECT_LT(darker, neutral - 20);
}

TEST_F(VideoSourceTest, ColourOffLeavesChromaNeutral) {
    ASSERT_TRUE(source_->SetCaptureFormat(kI420Small));
    ProcAmpState amp;
    ASSERT_EQ(amp.Set(VideoProcAmp_ColorEnable, 0, VideoProcAmp_Flags_Manual), S_OK);
    source_->SetPicture(amp.Picture());
    const auto frame = FirstFrame();
    ASSERT_EQ(frame.size(), 320u * 240u * 3u / 2u);
    int maxDeviation = 0;
    for (std::size_t i = 320 * 240; i < frame.size(); ++i) maxDeviation = std::max(maxDeviation, std::abs(frame[i] - 128));
    EXPECT_LE(maxDeviation, 2);
}

TEST_F(VideoSourceTest, Rgb24IsBlueGreenRedInMemory) {
    ASSERT_TRUE(source_->SetCaptureFormat({VideoEncoding::RGB24, 320, 240, 30, 1}));
    const auto frame = FirstFrame();
    ASSERT_EQ(frame.size(), 320u * 240u * 3u);
    // The second colour bar is yellow: red and green high, blue low.
    const std::size_t at = (120 * 320 + 320 * 3 / 14) * 3;
    EXPECT_LT(frame[at], 40) << "blue first";
    EXPECT_GT(frame[at + 1], 150) << "green";
    EXPECT_GT(frame[at + 2], 150) << "red last";
}

TEST_F(VideoSourceTest, MjpgFormatCarriesJpegFrames) {
    ASSERT_TRUE(source_->SetCaptureFormat({VideoEncoding::MJPG, 320, 240, 25, 1}));
    FrameCollector capture(2);
    Run(300, capture);
    auto frames = capture.Frames();
    ASSERT_GE(frames.size(), 2u);
    ASSERT_GE(frames[0].data.size(), 4u);
    EXPECT_EQ(frames[0].data[0], 0xFF);
    EXPECT_EQ(frames[0].data[1], 0xD8);
    EXPECT_NE(capture.CapsText().find("image/jpeg"), std::string::npos);
    // And back to raw: the encoder leaves the chain again.
    ASSERT_TRUE(source_->SetCaptureFormat(kI420Small));
    EXPECT_EQ(FirstFrame().size(), 320u * 240u * 3u / 2u);
}

TEST_F(VideoSourceTest, FormatsChangeOnlyWhileStoppedAndOnlyToCapabilities) {
    EXPECT_FALSE(source_->SetCaptureFormat({VideoEncoding::YUY2, 333, 240, 30, 1}));
    FrameCollector capture;  // outlives the pipeline that feeds it
    TestPipeline pipeline;
    pipeline.Add(source_->Element());
    ASSERT_TRUE(pipeline.Link(source_->CapturePad(), capture.Sink()));
    ASSERT_TRUE(pipeline.Play());
    EXPECT_FALSE(source_->SetCaptureFormat(kI420Small));
    EXPECT_EQ(source_->CaptureFormat(), VideoCapabilities().front());
    pipeline.Stop();
    EXPECT_TRUE(source_->SetCaptureFormat(kI420Small));
}

TEST_F(VideoSourceTest, PreviewHasItsOwnSizeAtTheCaptureRate) {
    ASSERT_TRUE(source_->SetCaptureFormat({VideoEncoding::YUY2, 640, 480, 25, 1}));
    ASSERT_TRUE(source_->SetPreviewFormat({VideoEncoding::RGB24, 320, 240, 30, 1}));
    FrameCollector capture, preview;
    Run(400, capture, &preview);
    ASSERT_FALSE(preview.Frames().empty());
    EXPECT_EQ(preview.Frames().front().size, 320u * 240u * 3u);
    EXPECT_NE(preview.CapsText().find("framerate=(fraction)25/1"), std::string::npos) << preview.CapsText();
    EXPECT_EQ(capture.Frames().front().size, 640u * 480u * 2u);
}

TEST_F(VideoSourceTest, BlockedPreviewNeverHoldsUpCapture) {
    ASSERT_TRUE(source_->SetCaptureFormat(kI420Small));
    FrameCollector capture;  // outlives the pipeline that feeds it
    TestPipeline pipeline;
    // A preview sink that takes one frame and then never renders again.
    GstElement* stuck = gst_element_factory_make("appsink", nullptr);
    g_object_set(stuck, "sync", FALSE, "max-buffers", 1u, "drop", FALSE, "emit-signals", FALSE, nullptr);
    pipeline.Add(source_->Element());
    ASSERT_TRUE(pipeline.Link(source_->CapturePad(), capture.Sink()));
    ASSERT_TRUE(pipeline.Link(source_->PreviewPad(), stuck));
    ASSERT_TRUE(pipeline.Play());
    pipeline.RunFor(1000);
    EXPECT_GE(capture.Frames().size(), 25u);
    EXPECT_TRUE(pipeline.Errors().empty());
}

TEST_F(VideoSourceTest, UnconnectedPreviewDiscardsItsFrames) {
    FrameCollector capture;
    Run(500, capture);  // preview left unlinked
    EXPECT_GE(capture.Frames().size(), 10u);
}

// Counts the buffers that leave one element inside the source's bin.
class BufferCount {
public:
    BufferCount(GstElement* bin, const std::string& element) {
        GstElement* child = gst_bin_get_by_name(GST_BIN(bin), element.c_str());
        EXPECT_NE(child, nullptr) << element;
        if (!child) return;
        pad_ = gst_element_get_static_pad(child, "src");
        gst_object_unref(child);
        probe_ = gst_pad_add_probe(pad_, GST_PAD_PROBE_TYPE_BUFFER, &BufferCount::OnBuffer, this, nullptr);
    }
    ~BufferCount() {
        if (!pad_) return;
        gst_pad_remove_probe(pad_, probe_);
        gst_object_unref(pad_);
    }
    BufferCount(const BufferCount&) = delete;
    BufferCount& operator=(const BufferCount&) = delete;
    int Count() const { return count_.load(); }

private:
    static GstPadProbeReturn OnBuffer(GstPad*, GstPadProbeInfo*, gpointer self) {
        ++static_cast<BufferCount*>(self)->count_;
        return GST_PAD_PROBE_OK;
    }
    GstPad* pad_ = nullptr;
    gulong probe_ = 0;
    std::atomic<int> count_{0};
};

GstElement* Child(GstElement* bin, const std::string& name) {
    GstElement* child = gst_bin_get_by_name(GST_BIN(bin), name.c_str());
    if (child) gst_object_unref(child);  // the bin keeps it
    return child;
}

struct PictureFormat {
    std::string format;
    int width = 0;
};

// The format the running picture is made in, before it goes into the outputs.
PictureFormat PictureMadeIn(GstElement* bin) {
    PictureFormat made;
    GstPad* teeSink = gst_element_get_static_pad(Child(bin, "gamma"), "src");
    if (GstCaps* caps = gst_pad_get_current_caps(teeSink)) {
        const GstStructure* s = gst_caps_get_structure(caps, 0);
        if (const char* format = gst_structure_get_string(s, "format")) made.format = format;
        gst_structure_get_int(s, "width", &made.width);
        gst_caps_unref(caps);
    }
    gst_object_unref(teeSink);
    return made;
}

// Which output a run connects; the other one is left unconnected.
struct OutputInUse {
    const char* name;
    const char* other;
    const char* pictureFormat;  // what the picture must be made in for the output in use
    int pictureWidth;
};

class OutputInUseTest : public VideoSourceTest, public ::testing::WithParamInterface<OutputInUse> {};

// The two outputs have formats of their own, so each would need a conversion of the picture.
TEST_P(OutputInUseTest, TheUnconnectedOutputConvertsNothingAndTheUsedOneTakesThePictureAsMade) {
    ASSERT_TRUE(source_->SetCaptureFormat({VideoEncoding::YUY2, 640, 480, 30, 1}));
    ASSERT_TRUE(source_->SetPreviewFormat({VideoEncoding::RGB24, 320, 240, 30, 1}));
    const std::string used = GetParam().name, unused = GetParam().other;
    BufferCount usedConverted(source_->Element(), used + "-convert");
    BufferCount unusedScaled(source_->Element(), unused + "-scale");
    BufferCount unusedConverted(source_->Element(), unused + "-convert");
    FrameCollector frames;
    {
        TestPipeline pipeline;
        pipeline.Add(source_->Element());
        ASSERT_TRUE(pipeline.Link(used == "capture" ? source_->CapturePad() : source_->PreviewPad(), frames.Sink()));
        ASSERT_TRUE(pipeline.Play());
        pipeline.RunFor(600);
        for (const auto& error : pipeline.Errors()) ADD_FAILURE() << error;

        const PictureFormat picture = PictureMadeIn(source_->Element());
        EXPECT_EQ(picture.format, GetParam().pictureFormat);
        EXPECT_EQ(picture.width, GetParam().pictureWidth);
        EXPECT_TRUE(gst_base_transform_is_passthrough(GST_BASE_TRANSFORM(Child(source_->Element(), used + "-convert"))));
        EXPECT_TRUE(gst_base_transform_is_passthrough(GST_BASE_TRANSFORM(Child(source_->Element(), used + "-scale"))));
        EXPECT_TRUE(pipeline.Stop());
    }
    EXPECT_GE(frames.Frames().size(), 10u);
    EXPECT_GE(usedConverted.Count(), 10);
    EXPECT_EQ(unusedScaled.Count(), 0);
    EXPECT_EQ(unusedConverted.Count(), 0);
}

INSTANTIATE_TEST_SUITE_P(VirtualCard, OutputInUseTest,
                         ::testing::Values(OutputInUse{"capture", "preview", "YUY2", 640},
                                           OutputInUse{"preview", "capture", "BGR", 320}),
                         [](const auto& run) { return std::string(run.param.name); });

// A sink that lends its own buffers, as a display sink does (its answer to the allocation
// query offers a pool), and counts the frames that arrive in them.
class LendingSink {
public:
    LendingSink() : sink_(gst_element_factory_make("fakesink", nullptr)), pool_(gst_video_buffer_pool_new()) {
        g_object_set(sink_, "sync", FALSE, nullptr);
        GstPad* pad = gst_element_get_static_pad(sink_, "sink");
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_QUERY_DOWNSTREAM, &LendingSink::OnQuery, this, nullptr);
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, &LendingSink::OnBuffer, this, nullptr);
        gst_object_unref(pad);
    }
    ~LendingSink() { gst_object_unref(pool_); }
    LendingSink(const LendingSink&) = delete;
    LendingSink& operator=(const LendingSink&) = delete;
    GstElement* Sink() const { return sink_; }
    int Frames() const { return frames_.load(); }
    int FramesInItsBuffers() const { return lent_.load(); }

private:
    static GstPadProbeReturn OnQuery(GstPad*, GstPadProbeInfo* info, gpointer data) {
        GstQuery* query = GST_PAD_PROBE_INFO_QUERY(info);
        if (GST_QUERY_TYPE(query) != GST_QUERY_ALLOCATION) return GST_PAD_PROBE_OK;
        auto* self = static_cast<LendingSink*>(data);
        GstCaps* caps = nullptr;
        gboolean needPool = FALSE;
        gst_query_parse_allocation(query, &caps, &needPool);
        GstVideoInfo video;
        if (!caps || !gst_video_info_from_caps(&video, caps)) return GST_PAD_PROBE_OK;
        GstStructure* config = gst_buffer_pool_get_config(self->pool_);
        gst_buffer_pool_config_set_params(config, caps, static_cast<guint>(video.size), 4, 0);
        gst_buffer_pool_set_config(self->pool_, config);
        gst_query_add_allocation_pool(query, self->pool_, static_cast<guint>(video.size), 4, 0);
        gst_query_add_allocation_meta(query, GST_VIDEO_META_API_TYPE, nullptr);
        return GST_PAD_PROBE_HANDLED;
    }
    static GstPadProbeReturn OnBuffer(GstPad*, GstPadProbeInfo* info, gpointer data) {
        auto* self = static_cast<LendingSink*>(data);
        ++self->frames_;
        if (GST_PAD_PROBE_INFO_BUFFER(info)->pool == self->pool_) ++self->lent_;
        return GST_PAD_PROBE_OK;
    }

    GstElement* sink_;
    GstBufferPool* pool_;
    std::atomic<int> frames_{0};
    std::atomic<int> lent_{0};
};

// With one output in use the picture is drawn straight into the buffers its sink lends, so no
// frame is copied on its way to a display, and no queue hands it to another thread; with both
// in use the split hands each a frame and the preview's leaky queue keeps it from capture.
TEST_F(VideoSourceTest, TheOnlyOutputInUseHasThePictureDrawnInItsSinksBuffers) {
    for (const bool both : {false, true}) {
        auto source = VirtualVideoSource::Create("virtual-tv-lending");
        ASSERT_TRUE(source);
        LendingSink preview;
        FrameCollector capture;
        BufferCount queued(source->Element(), "preview-queue");
        {
            TestPipeline pipeline;
            pipeline.Add(source->Element());
            ASSERT_TRUE(pipeline.Link(source->PreviewPad(), preview.Sink()));
            if (both) {
                ASSERT_TRUE(pipeline.Link(source->CapturePad(), capture.Sink()));
            }
            ASSERT_TRUE(pipeline.Play());
            pipeline.RunFor(500);
            for (const auto& error : pipeline.Errors()) ADD_FAILURE() << error;
            EXPECT_TRUE(pipeline.Stop());
        }
        EXPECT_GE(preview.Frames(), 8) << (both ? "both" : "preview alone");
        if (both) {
            EXPECT_GE(capture.Frames().size(), 8u);
            EXPECT_GE(queued.Count(), 8);
        } else {
            EXPECT_EQ(preview.FramesInItsBuffers(), preview.Frames());
            EXPECT_EQ(queued.Count(), 0);
        }
    }
}

TEST_F(VideoSourceTest, CompressedCaptureIsDrawnAsI420OfItsSize) {
    ASSERT_TRUE(source_->SetCaptureFormat({VideoEncoding::MJPG, 320, 240, 25, 1}));
    FrameCollector capture;
    TestPipeline pipeline;
    pipeline.Add(source_->Element());
    ASSERT_TRUE(pipeline.Link(source_->CapturePad(), capture.Sink()));
    ASSERT_TRUE(pipeline.Play());
    pipeline.RunFor(300);
    const PictureFormat picture = PictureMadeIn(source_->Element());
    EXPECT_EQ(picture.format, "I420");
    EXPECT_EQ(picture.width, 320);
    EXPECT_TRUE(pipeline.Stop());
    EXPECT_FALSE(capture.Frames().empty());
}

TEST_F(VideoSourceTest, DroppedFramesLeaveGapsInFrameNumbers) {
    ASSERT_TRUE(source_->SetCaptureFormat(kI420Small));
    source_->Gate().DropFrames(5);
    FrameCollector capture;
    Run(500, capture);
    auto frames = capture.Frames();
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.front().offset, 5u);
    const FrameCounts counts = source_->Gate().Counts();
    EXPECT_EQ(counts.dropped, 5);
    EXPECT_EQ(counts.delivered, static_cast<std::int64_t>(frames.size()));
    EXPECT_EQ(counts.deliveredBytes, static_cast<std::int64_t>(frames.size() * 320 * 240 * 3 / 2));
    EXPECT_EQ(source_->Gate().DroppedFrameNumbers(), (std::vector<std::uint64_t>{0, 1, 2, 3, 4}));
}

TEST_F(VideoSourceTest, JitteredStampsStayIncreasingAndNearTheirFrames) {
    ASSERT_TRUE(source_->SetCaptureFormat(kI420Small));
    source_->Gate().SetJitter(10 * GST_MSECOND);
    FrameCollector capture;
    Run(700, capture);
    auto frames = capture.Frames();
    ASSERT_GE(frames.size(), 10u);
    int offGrid = 0;
    const GstClockTime first = frames.front().pts;
    for (std::size_t i = 1; i < frames.size(); ++i) {
        EXPECT_GT(frames[i].pts, frames[i - 1].pts);
        const double nominal = static_cast<double>(first) + i * (GST_SECOND / 30.0);
        const double deviation = static_cast<double>(frames[i].pts) - nominal;
        EXPECT_LT(std::abs(deviation), 21e6) << i;  // two jitters at most (the first frame's too)
        if (std::abs(deviation) > 1e6) ++offGrid;
    }
    EXPECT_GT(offGrid, static_cast<int>(frames.size()) / 2);
}

TEST_F(VideoSourceTest, DisappearingPostsDeviceLostAndStopsFrames) {
    ASSERT_TRUE(source_->SetCaptureFormat(kI420Small));
    FrameCollector capture;  // outlives the pipeline that feeds it
    TestPipeline pipeline;
    pipeline.Add(source_->Element());
    ASSERT_TRUE(pipeline.Link(source_->CapturePad(), capture.Sink()));
    ASSERT_TRUE(pipeline.Play());
    pipeline.RunFor(300);
    source_->Disappear();
    source_->Disappear();  // once is enough
    pipeline.RunFor(100);
    const std::size_t afterLoss = capture.Frames().size();
    pipeline.RunFor(300);
    EXPECT_EQ(pipeline.DeviceLostMessages(), 1);
    EXPECT_GT(afterLoss, 3u);
    EXPECT_EQ(capture.Frames().size(), afterLoss);
    EXPECT_TRUE(pipeline.Stop());
}

TEST_F(VideoSourceTest, SignalStatesChangeThePicture) {
    ASSERT_TRUE(source_->SetCaptureFormat(kI420Small));
    source_->SetCaption("");
    source_->SetSignal(VirtualVideoSource::Signal::Black);
    EXPECT_LT(test::MeanLuma(FirstFrame(), 320, 240, false), 20.0);
    source_->SetSignal(VirtualVideoSource::Signal::Snow);
    const auto snow = FirstFrame();
    source_->SetSignal(VirtualVideoSource::Signal::Picture);
    EXPECT_NE(snow, FirstFrame());
}

}  // namespace
}  // namespace media
