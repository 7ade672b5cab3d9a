// The capture filters in the platform's filter graph, found and connected the way the
// capture session does it.
#include <gtest/gtest.h>

#include "platform/com/wide_text.h"
#include "platform/media/capture_filters/virtual_card.h"
#include "platform/media/devices/virtual_devices.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/control.h"
#include "platform/media/interfaces/grabber.h"
#include "tests/platform/media/devices/device_fixture.h"
#include "platform/media/interfaces/capture_builder.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/stream_config.h"
#include "platform/media/interfaces/tv_hardware.h"

namespace media::test {
namespace {

class SessionIntegrationTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_ICaptureGraphBuilder2, builder_.ReleaseAndGetVoidAddress()));
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                         graph_.ReleaseAndGetVoidAddress()));
        ASSERT_EQ(S_OK, builder_->SetFiltergraph(graph_.Get()));
    }
    void TearDown() override {
        builder_ = nullptr;
        graph_ = nullptr;
        DeviceTest::TearDown();
    }

    ComPtr<IBaseFilter> AddDevice(const char16_t* name) {
        ComPtr<IBaseFilter> filter = Bind(name);
        EXPECT_EQ(S_OK, graph_->AddFilter(filter.Get(), nullptr));
        return filter;
    }
    ComPtr<IBaseFilter> AddClass(REFCLSID clsid) {
        ComPtr<IBaseFilter> filter;
        EXPECT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                         filter.ReleaseAndGetVoidAddress()));
        EXPECT_EQ(S_OK, graph_->AddFilter(filter.Get(), nullptr));
        return filter;
    }
    template <typename I>
    ComPtr<I> Upstream(IBaseFilter* filter) {
        ComPtr<I> found;
        builder_->FindInterface(&LOOK_UPSTREAM_ONLY, nullptr, filter, IidOf<I>(), found.ReleaseAndGetVoidAddress());
        return found;
    }
    ComPtr<IPin> Pin(IBaseFilter* filter, const GUID& category, const GUID& type) {
        ComPtr<IPin> pin;
        builder_->FindPin(filter, PINDIR_OUTPUT, &category, &type, FALSE, 0, pin.ReleaseAndGetAddressOf());
        return pin;
    }
    LONG RunFor(long ms) {
        ComPtr<IMediaControl> control;
        ComPtr<IMediaEventEx> events;
        graph_->QueryInterface(IID_IMediaControl, control.ReleaseAndGetVoidAddress());
        graph_->QueryInterface(IID_IMediaEventEx, events.ReleaseAndGetVoidAddress());
        EXPECT_TRUE(SUCCEEDED(control->Run()));
        LONG code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        LONG seen = 0;
        for (long waited = 0; waited < ms && !seen; waited += 50) {
            if (events->GetEvent(&code, &p1, &p2, 50) != S_OK) continue;
            events->FreeEventParams(code, p1, p2);
            if (code == EC_ERRORABORT || code == EC_DEVICE_LOST) seen = code;
        }
        control->Stop();
        return seen;
    }

    ComPtr<ICaptureGraphBuilder2> builder_;
    ComPtr<IGraphBuilder> graph_;
};

TEST_F(SessionIntegrationTest, TheSessionFindsTheCardsInterfacesAndPins) {
    ComPtr<IBaseFilter> video = AddDevice(kVirtualTvCardName);
    ComPtr<IAMCrossbar> crossbar1 = Upstream<IAMCrossbar>(video.Get());
    ASSERT_TRUE(crossbar1);
    ComPtr<IBaseFilter> crossbar1Filter = As<IBaseFilter>(crossbar1.Get());
    ComPtr<IAMCrossbar> crossbar2 = Upstream<IAMCrossbar>(crossbar1Filter.Get());
    ASSERT_TRUE(crossbar2);
    EXPECT_NE(As<IUnknown>(crossbar1.Get()).Get(), As<IUnknown>(crossbar2.Get()).Get());
    LONG outputs = 0, inputs = 0;
    ASSERT_EQ(S_OK, crossbar2->get_PinCounts(&outputs, &inputs));
    EXPECT_EQ(3, inputs);
    EXPECT_TRUE(Upstream<IAMTVTuner>(video.Get()));
    EXPECT_TRUE(Upstream<IAMTVAudio>(video.Get()));

    EXPECT_FALSE(Pin(video.Get(), PIN_CATEGORY_CAPTURE, MEDIATYPE_Interleaved));
    ComPtr<IPin> capture = Pin(video.Get(), PIN_CATEGORY_CAPTURE, MEDIATYPE_Video);
    ASSERT_TRUE(capture);
    EXPECT_EQ(capture.Get(), PinNamed(video.Get(), u"Capture").Get());
    EXPECT_EQ(PinNamed(video.Get(), u"Preview").Get(), Pin(video.Get(), PIN_CATEGORY_PREVIEW, MEDIATYPE_Video).Get());
    EXPECT_TRUE(As<IAMStreamConfig>(capture.Get()));
    EXPECT_TRUE(As<IAMBufferNegotiation>(capture.Get()));
    ComPtr<IAMDroppedFrames> dropped;
    EXPECT_EQ(S_OK, builder_->FindInterface(&PIN_CATEGORY_CAPTURE, nullptr, video.Get(), IID_IAMDroppedFrames,
                                            dropped.ReleaseAndGetVoidAddress()));

    ComPtr<IBaseFilter> dv = AddDevice(kVirtualDvCamcorderName);
    EXPECT_EQ(PinNamed(dv.Get(), u"DV A/V Out").Get(), Pin(dv.Get(), PIN_CATEGORY_CAPTURE, MEDIATYPE_Interleaved).Get());
    ComPtr<IBaseFilter> audio = AddDevice(kVirtualTvCardAudioName);
    EXPECT_TRUE(Pin(audio.Get(), PIN_CATEGORY_CAPTURE, MEDIATYPE_Audio));
    EXPECT_FALSE(Pin(audio.Get(), PIN_CATEGORY_PREVIEW, MEDIATYPE_Audio));
}

TEST_F(SessionIntegrationTest, ACapturePinRendersThroughASmartTeeAndRuns) {
    for (const char16_t* device : {kVirtualTvCardName, kVirtualDvCamcorderName}) {
        ComPtr<IBaseFilter> capture = AddDevice(device);
        ComPtr<IBaseFilter> tee = AddClass(CLSID_SmartTee);
        ComPtr<IBaseFilter> sink = AddClass(CLSID_NullRenderer);
        ASSERT_EQ(S_OK, builder_->RenderStream(&PIN_CATEGORY_CAPTURE, nullptr, capture.Get(), tee.Get(), sink.Get()))
            << WideToUtf8(device);
        EXPECT_EQ(0, RunFor(1000));
        LONG delivered = 0;
        ComPtr<IAMDroppedFrames> dropped;
        ASSERT_EQ(S_OK, builder_->FindInterface(&PIN_CATEGORY_CAPTURE, nullptr, capture.Get(), IID_IAMDroppedFrames,
                                                dropped.ReleaseAndGetVoidAddress()));
        dropped->GetNumNotDropped(&delivered);
        EXPECT_GE(delivered, 15);
        // The format of a connected pin is the one the connection settled.
        AM_MEDIA_TYPE connected{};
        ASSERT_EQ(S_OK, Pin(capture.Get(), PIN_CATEGORY_CAPTURE, GUID{})->ConnectionMediaType(&connected));
        AM_MEDIA_TYPE* current = nullptr;
        ASSERT_EQ(S_OK, As<IAMStreamConfig>(Pin(capture.Get(), PIN_CATEGORY_CAPTURE, GUID{}).Get())->GetFormat(&current));
        EXPECT_TRUE(MediaTypesEqual(connected, *current));
        FreeMediaType(connected);
        DeleteMediaType(current);
        for (IBaseFilter* f : {capture.Get(), tee.Get(), sink.Get()}) EXPECT_EQ(S_OK, graph_->RemoveFilter(f));
    }
}

TEST_F(SessionIntegrationTest, ANewFormatOnAConnectedStoppedPinReconnectsIt) {
    ComPtr<IBaseFilter> audio = AddDevice(kVirtualTvCardAudioName);
    ComPtr<IBaseFilter> sink = AddClass(CLSID_NullRenderer);
    ASSERT_EQ(S_OK, builder_->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, audio.Get(), nullptr, sink.Get()));
    ComPtr<IPin> pin = Pin(audio.Get(), PIN_CATEGORY_CAPTURE, MEDIATYPE_Audio);
    ComPtr<IAMStreamConfig> config = As<IAMStreamConfig>(pin.Get());
    AM_MEDIA_TYPE* mono = nullptr;
    AUDIO_STREAM_CONFIG_CAPS caps{};
    ASSERT_EQ(S_OK, config->GetStreamCaps(1, &mono, reinterpret_cast<BYTE*>(&caps)));  // 48 kHz mono
    EXPECT_EQ(S_OK, config->SetFormat(mono));
    AM_MEDIA_TYPE connected{};
    ASSERT_EQ(S_OK, pin->ConnectionMediaType(&connected));
    EXPECT_TRUE(MediaTypesEqual(*mono, connected));
    FreeMediaType(connected);
    DeleteMediaType(mono);
    EXPECT_EQ(0, RunFor(300));
}

TEST_F(SessionIntegrationTest, ALostCardReachesTheGraphAsDeviceLost) {
    ComPtr<IBaseFilter> capture = AddDevice(kVirtualTvCardName);
    ComPtr<IBaseFilter> sink = AddClass(CLSID_NullRenderer);
    ASSERT_EQ(S_OK, builder_->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, capture.Get(), nullptr, sink.Get()));
    ComPtr<IMediaControl> control;
    ComPtr<IMediaEventEx> events;
    graph_->QueryInterface(IID_IMediaControl, control.ReleaseAndGetVoidAddress());
    graph_->QueryInterface(IID_IMediaEventEx, events.ReleaseAndGetVoidAddress());
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    VirtualCard::Current()->Disappear();
    LONG code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    bool lost = false;
    for (int i = 0; i < 40 && !lost; ++i) {
        if (events->GetEvent(&code, &p1, &p2, 50) != S_OK) continue;
        events->FreeEventParams(code, p1, p2);
        lost = code == EC_DEVICE_LOST;
    }
    EXPECT_TRUE(lost);
    EXPECT_TRUE(SUCCEEDED(control->Stop()));
}

}  // namespace
}  // namespace media::test
