// The capture filters' elements stream in plain pipelines: frames arrive in the format set
// through IAMStreamConfig, counts reach IAMDroppedFrames, and a vanished card says so.
#include <gtest/gtest.h>

#include "platform/media/gst.h"

#include "platform/media/capture_filters/virtual_card.h"
#include "platform/media/devices/virtual_devices.h"
#include "platform/media/interfaces/gst_filter.h"
#include "tests/platform/media/devices/device_fixture.h"
#include "tests/platform/media/pipeline_harness.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/stream_config.h"

namespace media::test {
namespace {

struct TypeDeleter {
    void operator()(AM_MEDIA_TYPE* t) const { DeleteMediaType(t); }
};

class FilterPipelineTest : public DeviceTest {
protected:
    static GstElement* ElementOf(IBaseFilter* filter) { return As<IGstFilter>(filter)->GetElement(); }
    static GstPad* PadOf(IBaseFilter* filter, const char16_t* pin) {
        return As<IGstPin>(PinNamed(filter, pin).Get())->GetPad();
    }
};

TEST_F(FilterPipelineTest, TheTvCardStreamsTheFormatSetOnItsCapturePin) {
    ComPtr<IBaseFilter> card = Bind(kVirtualTvCardName);
    ASSERT_TRUE(card);
    ComPtr<IAMStreamConfig> config = As<IAMStreamConfig>(PinNamed(card.Get(), u"Capture").Get());
    // 320x240 I420 at 30 fps: the second size of the I420 block.
    int count = 0, size = 0;
    ASSERT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
    std::unique_ptr<AM_MEDIA_TYPE, TypeDeleter> wanted;
    for (int i = 0; i < count && !wanted; ++i) {
        AM_MEDIA_TYPE* t = nullptr;
        VIDEO_STREAM_CONFIG_CAPS caps{};
        ASSERT_EQ(S_OK, config->GetStreamCaps(i, &t, reinterpret_cast<BYTE*>(&caps)));
        const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(t->pbFormat);
        if (t->subtype == MEDIASUBTYPE_I420 && vih->bmiHeader.biWidth == 320 && vih->AvgTimePerFrame == 333333)
            wanted.reset(t);
        else
            DeleteMediaType(t);
    }
    ASSERT_TRUE(wanted);
    ASSERT_EQ(S_OK, config->SetFormat(wanted.get()));

    FrameCollector capture, preview;
    {
        TestPipeline pipeline;
        pipeline.Add(ElementOf(card.Get()));
        ASSERT_TRUE(pipeline.Link(PadOf(card.Get(), u"Capture"), capture.Sink()));
        ASSERT_TRUE(pipeline.Link(PadOf(card.Get(), u"Preview"), preview.Sink()));
        ASSERT_TRUE(pipeline.Play());
        // Running: formats are fixed now.
        EXPECT_EQ(VFW_E_NOT_STOPPED, config->SetFormat(wanted.get()));
        pipeline.RunFor(1000);
        EXPECT_TRUE(pipeline.Errors().empty());
        EXPECT_TRUE(pipeline.Stop());
    }
    const auto frames = capture.Frames();
    ASSERT_GE(frames.size(), 15u);
    EXPECT_EQ(320u * 240u * 3u / 2u, frames.front().size);
    EXPECT_NE(std::string::npos, capture.CapsText().find("I420"));
    EXPECT_FALSE(preview.Frames().empty());
    LONG delivered = 0;
    ASSERT_EQ(S_OK, As<IAMDroppedFrames>(PinNamed(card.Get(), u"Capture").Get())->GetNumNotDropped(&delivered));
    EXPECT_GE(delivered, static_cast<LONG>(frames.size()));
}

TEST_F(FilterPipelineTest, DroppedFramesAreCountedAndADisappearingCardSaysSo) {
    ComPtr<IBaseFilter> card = Bind(kVirtualTvCardName);
    ASSERT_TRUE(card);
    ComPtr<IAMDroppedFrames> dropped = As<IAMDroppedFrames>(PinNamed(card.Get(), u"Capture").Get());
    FrameCollector capture;
    TestPipeline pipeline;
    pipeline.Add(ElementOf(card.Get()));
    ASSERT_TRUE(pipeline.Link(PadOf(card.Get(), u"Capture"), capture.Sink()));
    ASSERT_TRUE(pipeline.Play());
    VirtualCard::Current()->DropFrames(5);
    pipeline.RunFor(600);
    LONG count = 0;
    ASSERT_EQ(S_OK, dropped->GetNumDropped(&count));
    EXPECT_EQ(5, count);
    LONG numbers[8] = {};
    LONG copied = 0;
    ASSERT_EQ(S_OK, dropped->GetDroppedInfo(8, numbers, &copied));
    EXPECT_EQ(5, copied);
    for (LONG i = 1; i < copied; ++i) EXPECT_EQ(numbers[i - 1] + 1, numbers[i]);
    LONG average = 0;
    ASSERT_EQ(S_OK, dropped->GetAverageFrameSize(&average));
    EXPECT_EQ(640 * 480 * 2, average);

    VirtualCard::Current()->Disappear();
    pipeline.RunFor(300);
    EXPECT_EQ(1, pipeline.DeviceLostMessages());
    const std::size_t before = capture.Frames().size();
    pipeline.RunFor(300);
    EXPECT_EQ(before, capture.Frames().size()) << "a vanished card sends nothing";
    EXPECT_TRUE(pipeline.Stop());
}

TEST_F(FilterPipelineTest, JitteredStampsStayIncreasingButLeaveTheFrameGrid) {
    ComPtr<IBaseFilter> card = Bind(kVirtualTvCardName);
    FrameCollector capture;
    TestPipeline pipeline;
    pipeline.Add(ElementOf(card.Get()));
    ASSERT_TRUE(pipeline.Link(PadOf(card.Get(), u"Capture"), capture.Sink()));
    VirtualCard::Current()->SetJitter(8 * GST_MSECOND);
    ASSERT_TRUE(pipeline.Play());
    pipeline.RunFor(800);
    EXPECT_TRUE(pipeline.Stop());
    const auto frames = capture.Frames();
    ASSERT_GE(frames.size(), 10u);
    int offGrid = 0;
    for (std::size_t i = 1; i < frames.size(); ++i) {
        EXPECT_GT(frames[i].pts, frames[i - 1].pts);
        const GstClockTime step = frames[i].pts - frames[i - 1].pts;
        if (step + GST_MSECOND < 33366666 || step > 33366666 + GST_MSECOND) ++offGrid;
    }
    EXPECT_GT(offGrid, 0);
}

TEST_F(FilterPipelineTest, TheAudioAndDvDevicesStream) {
    ComPtr<IBaseFilter> audio = Bind(kVirtualTvCardAudioName);
    ComPtr<IBaseFilter> dv = Bind(kVirtualDvCamcorderName);
    ASSERT_TRUE(audio && dv);
    FrameCollector sound, frames;
    TestPipeline pipeline;
    pipeline.Add(ElementOf(audio.Get()));
    pipeline.Add(ElementOf(dv.Get()));
    ASSERT_TRUE(pipeline.Link(PadOf(audio.Get(), u"Capture"), sound.Sink()));
    ASSERT_TRUE(pipeline.Link(PadOf(dv.Get(), u"DV A/V Out"), frames.Sink()));
    ASSERT_TRUE(pipeline.Play());
    pipeline.RunFor(1000);
    EXPECT_TRUE(pipeline.Errors().empty());
    EXPECT_TRUE(pipeline.Stop());
    EXPECT_GE(sound.Frames().size(), 8u);  // a tenth of a second each
    EXPECT_NE(std::string::npos, sound.CapsText().find("S16LE"));
    const auto dvFrames = frames.Frames();
    ASSERT_GE(dvFrames.size(), 10u);
    for (const auto& f : dvFrames) EXPECT_EQ(120000u, f.size);
}

TEST_F(FilterPipelineTest, TwoCardFiltersShareOnePipeline) {
    ComPtr<IBaseFilter> first = Bind(kVirtualTvCardName);
    ComPtr<IBaseFilter> second = Bind(kVirtualTvCardName);
    TestPipeline pipeline;
    pipeline.Add(ElementOf(first.Get()));
    pipeline.Add(ElementOf(second.Get()));
    EXPECT_EQ(GST_OBJECT_PARENT(ElementOf(first.Get())), GST_OBJECT_PARENT(ElementOf(second.Get())))
        << "element names must not clash";
}

}  // namespace
}  // namespace media::test
