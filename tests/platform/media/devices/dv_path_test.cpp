// The DV camcorder's interleaved stream through a Smart Tee and a DV Splitter in the
// platform's filter graph: both streams flow, a one-shot grab ends the graph, and the
// splitter's alternate-frame discard halves the pictures.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/media/devices/virtual_devices.h"
#include "platform/media/gst.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/control.h"
#include "platform/media/interfaces/grabber.h"
#include "platform/media/interfaces/gst_filter.h"
#include "tests/platform/media/devices/device_fixture.h"
#include "platform/media/interfaces/dv_splitter.h"
#include "platform/media/interfaces/filters.h"

namespace media::test {
namespace {

// Counts the buffers arriving at a pin's pad.
class PadCounter {
public:
    explicit PadCounter(IPin* pin) {
        ComPtr<IGstPin> gst = As<IGstPin>(pin);
        if (!gst) return;
        pad_ = GST_PAD(gst_object_ref(gst->GetPad()));
        probe_ = gst_pad_add_probe(pad_, GST_PAD_PROBE_TYPE_BUFFER, OnBuffer, &count_, nullptr);
    }
    ~PadCounter() {
        if (!pad_) return;
        gst_pad_remove_probe(pad_, probe_);
        gst_object_unref(pad_);
    }
    PadCounter(const PadCounter&) = delete;
    PadCounter& operator=(const PadCounter&) = delete;

    bool Attached() const { return pad_ != nullptr; }
    int Count() const { return count_.load(); }

private:
    static GstPadProbeReturn OnBuffer(GstPad*, GstPadProbeInfo*, gpointer count) {
        ++*static_cast<std::atomic<int>*>(count);
        return GST_PAD_PROBE_OK;
    }

    GstPad* pad_ = nullptr;
    gulong probe_ = 0;
    std::atomic<int> count_{0};
};

class DvPathTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                         graph_.ReleaseAndGetVoidAddress()));
        camcorder_ = Bind(kVirtualDvCamcorderName);
        ASSERT_TRUE(camcorder_);
        ASSERT_EQ(S_OK, graph_->AddFilter(camcorder_.Get(), u"DV Camcorder"));
        tee_ = Add(CLSID_SmartTee, u"Smart Tee");
        splitter_ = Add(CLSID_DVSplitter, u"DV Splitter");
        ASSERT_EQ(S_OK, graph_->Connect(PinNamed(camcorder_.Get(), u"DV A/V Out").Get(),
                                        PinNamed(tee_.Get(), u"Input").Get()));
        ASSERT_EQ(S_OK, graph_->Connect(PinNamed(tee_.Get(), u"Capture").Get(),
                                        PinNamed(splitter_.Get(), u"Input").Get()));
    }
    void TearDown() override {
        if (graph_) Control()->Stop();
        splitter_ = tee_ = camcorder_ = nullptr;
        graph_ = nullptr;
        DeviceTest::TearDown();
    }

    ComPtr<IBaseFilter> Add(REFCLSID clsid, const char16_t* name) {
        ComPtr<IBaseFilter> filter;
        EXPECT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                         filter.ReleaseAndGetVoidAddress()));
        EXPECT_EQ(S_OK, graph_->AddFilter(filter.Get(), name));
        return filter;
    }
    ComPtr<IPin> Video() { return PinNamed(splitter_.Get(), u"DVVidOut0"); }
    ComPtr<IPin> Audio() { return PinNamed(splitter_.Get(), u"AudOut00"); }
    ComPtr<IMediaControl> Control() { return As<IMediaControl>(graph_.Get()); }

    // Video and audio each into a Null Renderer; returns the renderers' input pins.
    std::pair<ComPtr<IPin>, ComPtr<IPin>> RenderBothToNull() {
        ComPtr<IBaseFilter> videoSink = Add(CLSID_NullRenderer, u"Video Null");
        ComPtr<IBaseFilter> audioSink = Add(CLSID_NullRenderer, u"Audio Null");
        ComPtr<IPin> videoIn = PinNamed(videoSink.Get(), u"In");
        ComPtr<IPin> audioIn = PinNamed(audioSink.Get(), u"In");
        EXPECT_EQ(S_OK, graph_->Connect(Video().Get(), videoIn.Get()));
        EXPECT_EQ(S_OK, graph_->Connect(Audio().Get(), audioIn.Get()));
        return {videoIn, audioIn};
    }

    // Runs the graph for a while, then stops it; the state must reach stopped.
    void RunAndStop(std::chrono::milliseconds howLong) {
        ComPtr<IMediaControl> control = Control();
        ASSERT_TRUE(SUCCEEDED(control->Run()));
        std::this_thread::sleep_for(howLong);
        EXPECT_EQ(S_OK, control->Stop());
        OAFilterState state = State_Running;
        EXPECT_EQ(S_OK, control->GetState(2000, &state));
        EXPECT_EQ(State_Stopped, state);
    }

    ComPtr<IGraphBuilder> graph_;
    ComPtr<IBaseFilter> camcorder_;
    ComPtr<IBaseFilter> tee_;
    ComPtr<IBaseFilter> splitter_;
};

TEST_F(DvPathTest, VideoAndAudioReachTheirRenderersAndTheGraphStops) {
    auto [videoIn, audioIn] = RenderBothToNull();
    PadCounter video(videoIn.Get());
    PadCounter audio(audioIn.Get());
    ASSERT_TRUE(video.Attached() && audio.Attached());
    RunAndStop(std::chrono::milliseconds(2000));
    EXPECT_GT(video.Count(), 10);
    EXPECT_GT(audio.Count(), 10);
    // Every frame gives one picture and one piece of sound.
    EXPECT_NEAR(audio.Count(), video.Count(), audio.Count() * 0.1);
}

TEST_F(DvPathTest, AOneShotGrabOfTheDvPictureCompletes) {
    ComPtr<IBaseFilter> grabberFilter = Add(CLSID_SampleGrabber, u"Sample Grabber");
    ComPtr<IBaseFilter> sink = Add(CLSID_NullRenderer, u"Null Renderer");
    ComPtr<ISampleGrabber> grabber = As<ISampleGrabber>(grabberFilter.Get());
    ASSERT_TRUE(grabber);
    AM_MEDIA_TYPE rgb{};
    rgb.majortype = MEDIATYPE_Video;
    rgb.subtype = MEDIASUBTYPE_RGB24;
    rgb.formattype = FORMAT_VideoInfo;
    ASSERT_EQ(S_OK, grabber->SetMediaType(&rgb));
    ASSERT_EQ(S_OK, grabber->SetOneShot(TRUE));
    ASSERT_EQ(S_OK, grabber->SetBufferSamples(TRUE));
    ASSERT_EQ(S_OK, graph_->Connect(Video().Get(), PinNamed(grabberFilter.Get(), u"Input").Get()));
    ASSERT_EQ(S_OK, graph_->Connect(PinNamed(grabberFilter.Get(), u"Output").Get(), PinNamed(sink.Get(), u"In").Get()));

    ASSERT_TRUE(SUCCEEDED(Control()->Run()));
    ComPtr<IMediaEventEx> events = As<IMediaEventEx>(graph_.Get());
    LONG code = 0;
    EXPECT_EQ(S_OK, events->WaitForCompletion(10'000, &code));
    EXPECT_EQ(EC_COMPLETE, code);
    EXPECT_EQ(S_OK, Control()->Stop());

    AM_MEDIA_TYPE type{};
    ASSERT_EQ(S_OK, grabber->GetConnectedMediaType(&type));
    ASSERT_EQ(FORMAT_VideoInfo, type.formattype);
    const BITMAPINFOHEADER header = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
    FreeMediaType(type);
    EXPECT_EQ(720, header.biWidth);
    EXPECT_EQ(480, header.biHeight);
    LONG size = 0;
    ASSERT_EQ(S_OK, grabber->GetCurrentBuffer(&size, nullptr));
    EXPECT_EQ(720 * 480 * 3, size);
}

// The demuxer sends one sound buffer per DV frame, so the sound counts the frames that came
// in while the pictures count the ones let through.
TEST_F(DvPathTest, DiscardingAlternateFramesHalvesThePictures) {
    ComPtr<IDVSplitter> control = As<IDVSplitter>(splitter_.Get());
    ASSERT_TRUE(control);
    ASSERT_EQ(S_OK, control->DiscardAlternateVideoFrames(TRUE));
    auto [videoIn, audioIn] = RenderBothToNull();
    PadCounter video(videoIn.Get());
    PadCounter audio(audioIn.Get());
    RunAndStop(std::chrono::milliseconds(2500));
    ASSERT_GT(audio.Count(), 30);
    EXPECT_NEAR(audio.Count() / 2.0, video.Count(), audio.Count() * 0.1);
}

}  // namespace
}  // namespace media::test
