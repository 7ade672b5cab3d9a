// The capture graph builder on fake filters: FindPin, FindInterface, RenderStream and
// ControlStream.
#include <gtest/gtest.h>

#include "platform/media/interfaces/capture_builder.h"
#include "platform/media/interfaces/property_set.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/control.h"
#include "platform/media/interfaces/grabber.h"
#include "tests/platform/media/graph/graph_fakes.h"

namespace media::test {
namespace {

class BuilderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(builder.ReleaseAndGetAddressOf())),
                  S_OK);
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(graph.ReleaseAndGetAddressOf())),
                  S_OK);
        ASSERT_EQ(builder->SetFiltergraph(graph.Get()), S_OK);
        graph.As(&control);
        source = MakeVideoSource("YUY2", true);
        graph->AddFilter(source.Get(), nullptr);
    }
    void TearDown() override { control->Stop(); }

    ComScope com;
    ComPtr<ICaptureGraphBuilder2> builder;
    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    ComPtr<IBaseFilter> source;
};

TEST_F(BuilderTest, FindPinByDirectionCategoryTypeAndIndex) {
    ComPtr<IPin> pin;
    ASSERT_EQ(builder->FindPin(source.Get(), PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, FALSE, 0,
                               pin.ReleaseAndGetAddressOf()),
              S_OK);
    EXPECT_EQ(pin.Get(), PinByName(source.Get(), u"Capture").Get());
    EXPECT_EQ(builder->FindPin(source.Get(), PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved, FALSE, 0,
                               pin.ReleaseAndGetAddressOf()),
              E_FAIL);
    EXPECT_EQ(builder->FindPin(source.Get(), PINDIR_OUTPUT, nullptr, nullptr, FALSE, 1, pin.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_EQ(pin.Get(), PinByName(source.Get(), u"Preview").Get());
    EXPECT_EQ(builder->FindPin(source.Get(), PINDIR_INPUT, nullptr, nullptr, FALSE, 0, pin.ReleaseAndGetAddressOf()), E_FAIL);
    // A pin as the source tests the pin itself.
    auto preview = PinByName(source.Get(), u"Preview");
    EXPECT_EQ(builder->FindPin(preview.Get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Video, FALSE, 0, pin.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_EQ(builder->FindPin(preview.Get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Interleaved, FALSE, 0,
                               pin.ReleaseAndGetAddressOf()),
              E_FAIL);
    EXPECT_EQ(builder->FindPin(preview.Get(), PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, nullptr, FALSE, 0,
                               pin.ReleaseAndGetAddressOf()),
              E_FAIL);
}

TEST_F(BuilderTest, FindInterfaceWalksUpAndDownstreamButNotTheStartFilter) {
    ComPtr<IBaseFilter> tee, renderer;
    CoCreateInstance(CLSID_SmartTee, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(tee.ReleaseAndGetAddressOf()));
    graph->AddFilter(tee.Get(), nullptr);
    ASSERT_EQ(graph->Connect(PinByName(source.Get(), u"Capture").Get(), PinByName(tee.Get(), u"Input").Get()), S_OK);
    ASSERT_EQ(builder->RenderStream(nullptr, nullptr, PinByName(tee.Get(), u"Preview").Get(), nullptr, nullptr), S_OK);
    ComPtr<IVideoWindow> window;
    EXPECT_EQ(builder->FindInterface(&LOOK_DOWNSTREAM_ONLY, nullptr, source.Get(), IID_PPV_ARGS(window.ReleaseAndGetAddressOf())),
              S_OK);
    EXPECT_EQ(builder->FindInterface(&LOOK_UPSTREAM_ONLY, nullptr, tee.Get(), IID_PPV_ARGS(window.ReleaseAndGetAddressOf())),
              E_NOINTERFACE);
    ComPtr<IBaseFilter> renderFilter;
    ASSERT_EQ(window.As(&renderFilter), E_POINTER);  // window is null after the failed search
    ComPtr<IKsPropertySet> pinProperties;
    // Without a direction the filter's own pins answer first.
    EXPECT_EQ(builder->FindInterface(nullptr, nullptr, tee.Get(), IID_PPV_ARGS(pinProperties.ReleaseAndGetAddressOf())), S_OK);
    ComPtr<IBaseFilter> upstream;
    EXPECT_EQ(builder->FindInterface(&LOOK_UPSTREAM_ONLY, nullptr, tee.Get(), IID_PPV_ARGS(upstream.ReleaseAndGetAddressOf())), S_OK);
    EXPECT_EQ(upstream.Get(), source.Get());
}

TEST_F(BuilderTest, RenderStreamThroughAnIntermediateToASink) {
    ComPtr<IBaseFilter> grabber, null;
    CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(grabber.ReleaseAndGetAddressOf()));
    CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(null.ReleaseAndGetAddressOf()));
    graph->AddFilter(grabber.Get(), nullptr);
    graph->AddFilter(null.Get(), nullptr);
    ComPtr<ISampleGrabber> control2;
    grabber.As(&control2);
    AM_MEDIA_TYPE rgb{};
    rgb.majortype = MEDIATYPE_Video;
    rgb.subtype = MEDIASUBTYPE_RGB24;
    rgb.formattype = FORMAT_VideoInfo;
    control2->SetMediaType(&rgb);
    EXPECT_EQ(builder->RenderStream(&PIN_CATEGORY_VIDEOPORT, nullptr, source.Get(), nullptr, nullptr), E_FAIL);
    ASSERT_EQ(builder->RenderStream(&PIN_CATEGORY_CAPTURE, nullptr, source.Get(), grabber.Get(), null.Get()), S_OK);
    AM_MEDIA_TYPE type{};
    ASSERT_EQ(control2->GetConnectedMediaType(&type), S_OK);
    EXPECT_EQ(type.subtype, MEDIASUBTYPE_RGB24);
    FreeMediaType(type);
    ComPtr<IPin> peer;
    EXPECT_EQ(PinByName(null.Get(), u"In")->ConnectedTo(peer.ReleaseAndGetAddressOf()), S_OK);
    // The capture pin is taken now; a second render of the category finds no free pin.
    EXPECT_EQ(builder->RenderStream(&PIN_CATEGORY_CAPTURE, nullptr, source.Get(), nullptr, nullptr), E_FAIL);
}

TEST_F(BuilderTest, ControlStreamHoldsAndReleasesAStream) {
    CountingSink* counting = nullptr;
    auto sink = MakeCountingSink("video/x-raw", &counting);
    graph->AddFilter(sink.Get(), nullptr);
    ASSERT_EQ(builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, source.Get(), nullptr, sink.Get()), S_OK);
    REFERENCE_TIME never = 0x7FFFFFFFFFFFFFFF;
    ASSERT_EQ(builder->ControlStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, source.Get(), &never, nullptr, 0, 0), S_OK);
    EXPECT_EQ(builder->ControlStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved, source.Get(), nullptr, &never, 0, 0), E_FAIL);
    ASSERT_EQ(control->Run(), S_OK);
    g_usleep(300000);
    EXPECT_EQ(counting->Buffers(), 0);
    ASSERT_EQ(builder->ControlStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, source.Get(), nullptr, &never, 0, 0), S_OK);
    EXPECT_TRUE(counting->WaitForBuffers(3, 3000));
    // A stop now holds the stream again.
    ASSERT_EQ(builder->ControlStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, source.Get(), nullptr, nullptr, 0, 0), S_OK);
    g_usleep(100000);
    const int held = counting->Buffers();
    g_usleep(300000);
    EXPECT_LE(counting->Buffers(), held + 1);
}

}  // namespace
}  // namespace media::test
