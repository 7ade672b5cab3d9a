// The platform filters in real graphs: preview shapes with Smart Tee and the video renderer,
// the one-shot Sample Grabber, and the IUnknown conformance of every class.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/com/task_memory.h"
#include "platform/media/devices/device_catalog.h"
#include "platform/media/interfaces/capture_builder.h"
#include "platform/media/interfaces/dv_splitter.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/control.h"
#include "platform/media/interfaces/grabber.h"
#include "tests/platform/media/graph/graph_fakes.h"
#include "tests/support/real_devices.h"
#include "tests/support/unknown_conformance.h"

namespace media::test {
namespace {

ComPtr<IBaseFilter> Create(REFCLSID clsid) {
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(filter.ReleaseAndGetAddressOf())), S_OK);
    return filter;
}

class PreviewShapes : public ::testing::Test {
protected:
    void SetUp() override {
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(graph.ReleaseAndGetAddressOf()));
        CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(builder.ReleaseAndGetAddressOf()));
        builder->SetFiltergraph(graph.Get());
        graph.As(&control);
        graph.As(&window);
        source = MakeVideoSource("YUY2", true);
        graph->AddFilter(source.Get(), nullptr);
    }
    void TearDown() override { control->Stop(); }
    void PlayAudioSilently();

    void ShowIn(TestWindow& target) {
        ASSERT_EQ(window->put_Owner(reinterpret_cast<OAHWND>(target.Handle())), S_OK);
        EXPECT_EQ(window->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS), S_OK);
        EXPECT_EQ(window->SetWindowPosition(0, 0, 320, 240), S_OK);
        EXPECT_EQ(window->put_Visible(OATRUE), S_OK);
        EXPECT_EQ(window->put_AutoShow(OAFALSE), S_OK);
        EXPECT_EQ(window->put_MessageDrain(reinterpret_cast<OAHWND>(target.Handle())), S_OK);
    }

    ComScope com;
    ComPtr<IGraphBuilder> graph;
    ComPtr<ICaptureGraphBuilder2> builder;
    ComPtr<IMediaControl> control;
    ComPtr<IVideoWindow> window;
    ComPtr<IBaseFilter> source;
};

// Renders the audio source, turns it down and runs the graph for a while: no error event.
void PreviewShapes::PlayAudioSilently() {
    auto audio = MakeAudioSource();
    graph->AddFilter(audio.Get(), nullptr);
    ASSERT_EQ(builder->RenderStream(nullptr, &MEDIATYPE_Audio, audio.Get(), nullptr, nullptr), S_OK);
    ComPtr<IBasicAudio> basic;
    graph.As(&basic);
    EXPECT_EQ(basic->put_Volume(-10000), S_OK);
    EXPECT_EQ(basic->put_Volume(1), E_INVALIDARG);
    LONG volume = 0;
    EXPECT_EQ(basic->get_Volume(&volume), S_OK);
    EXPECT_EQ(volume, -10000);
    EXPECT_TRUE(SUCCEEDED(control->Run()));
    g_usleep(200000);
    ComPtr<IMediaEventEx> events;
    graph.As(&events);
    LONG code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 0), E_ABORT) << "event " << code;
}

TEST_F(PreviewShapes, CapturePinThroughSmartTeeToTheRenderer) {
    TestWindow target;
    LONG owner = 0;
    EXPECT_EQ(window->get_Visible(&owner), E_NOINTERFACE);  // no renderer yet
    auto tee = Create(CLSID_SmartTee);
    graph->AddFilter(tee.Get(), nullptr);
    ComPtr<IPin> input, capture, preview;
    ASSERT_EQ(builder->FindPin(tee.Get(), PINDIR_INPUT, nullptr, nullptr, FALSE, 0, input.ReleaseAndGetAddressOf()), S_OK);
    ASSERT_EQ(graph->Connect(PinByName(source.Get(), u"Capture").Get(), input.Get()), S_OK);
    ASSERT_EQ(builder->FindPin(tee.Get(), PINDIR_OUTPUT, nullptr, nullptr, FALSE, 0, capture.ReleaseAndGetAddressOf()), S_OK);
    ASSERT_EQ(builder->FindPin(tee.Get(), PINDIR_OUTPUT, nullptr, nullptr, FALSE, 1, preview.ReleaseAndGetAddressOf()), S_OK);
    LPWSTR id = nullptr;
    preview->QueryId(&id);
    EXPECT_EQ(std::u16string(id), u"Preview");
    CoTaskMemFree(id);
    ASSERT_EQ(builder->RenderStream(nullptr, nullptr, preview.Get(), nullptr, nullptr), S_OK);
    ShowIn(target);
    ASSERT_EQ(control->Run(), S_OK);
    EXPECT_TRUE(WaitUntil([&] { return target.Frames() >= 3; }, 3000));
    EXPECT_EQ(target.LastWidth(), 320);
    EXPECT_EQ(target.LastTarget().right, 320);
    EXPECT_EQ(window->put_Visible(OAFALSE), S_OK);
    EXPECT_GE(target.Cleared(), 1);
    const int shown = target.Frames();
    g_usleep(200000);
    EXPECT_LE(target.Frames(), shown + 1);
}

TEST_F(PreviewShapes, PreviewPinStraightToTheRenderer) {
    TestWindow target;
    ASSERT_EQ(builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, source.Get(), nullptr, nullptr), S_OK);
    ShowIn(target);
    ASSERT_EQ(control->Run(), S_OK);
    EXPECT_TRUE(WaitUntil([&] { return target.Frames() >= 3; }, 3000));
    LONG width = 0, height = 0;
    EXPECT_EQ(window->GetMaxIdealImageSize(&width, &height), S_OK);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 240);
}

TEST_F(PreviewShapes, OneShotGrabberYieldsABottomUpRgb24Frame) {
    auto grabber = Create(CLSID_SampleGrabber);
    auto null = Create(CLSID_NullRenderer);
    graph->AddFilter(grabber.Get(), nullptr);
    graph->AddFilter(null.Get(), nullptr);
    ComPtr<ISampleGrabber> grab;
    ASSERT_EQ(grabber.As(&grab), S_OK);
    AM_MEDIA_TYPE rgb{};
    rgb.majortype = MEDIATYPE_Video;
    rgb.subtype = MEDIASUBTYPE_RGB24;
    rgb.formattype = FORMAT_VideoInfo;
    grab->SetMediaType(&rgb);
    ASSERT_EQ(builder->RenderStream(&PIN_CATEGORY_CAPTURE, nullptr, source.Get(), grabber.Get(), null.Get()), S_OK);
    grab->SetBufferSamples(TRUE);
    grab->SetOneShot(TRUE);
    ComPtr<IMediaEventEx> events;
    graph.As(&events);
    events->CancelDefaultHandling(EC_COMPLETE);
    ASSERT_EQ(control->Run(), S_OK);
    LONG code = 0;
    ASSERT_EQ(events->WaitForCompletion(5000, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    control->Stop();
    AM_MEDIA_TYPE type{};
    ASSERT_EQ(grab->GetConnectedMediaType(&type), S_OK);
    const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
    EXPECT_EQ(info->bmiHeader.biBitCount, 24);
    EXPECT_EQ(info->bmiHeader.biHeight, 240);
    FreeMediaType(type);
    LONG size = 0;
    ASSERT_EQ(grab->GetCurrentBuffer(&size, nullptr), S_OK);
    ASSERT_EQ(size, 320 * 3 * 240);
    std::vector<LONG> pixels(static_cast<std::size_t>(size) / sizeof(LONG) + 1);
    ASSERT_EQ(grab->GetCurrentBuffer(&size, pixels.data()), S_OK);
    // videotestsrc's SMPTE bars end in a black-and-white strip at the bottom of the picture,
    // which bottom-up comes first; the top starts with white-ish grey bars (bright).
    const auto* bytes = reinterpret_cast<const BYTE*>(pixels.data());
    const std::size_t stride = 320 * 3;
    const int firstRowFirstPixel = bytes[0] + bytes[1] + bytes[2];
    const int lastRowFirstPixel = bytes[stride * 239] + bytes[stride * 239 + 1] + bytes[stride * 239 + 2];
    EXPECT_GT(lastRowFirstPixel, 3 * 150);  // top-left: light grey bar
    EXPECT_LT(firstRowFirstPixel, lastRowFirstPixel);
    LONG tooSmall = 10;
    EXPECT_EQ(grab->GetCurrentBuffer(&tooSmall, pixels.data()), E_OUTOFMEMORY);
}

// The names of the element factories inside a filter's element, at any depth.
std::vector<std::string> FactoriesInside(IBaseFilter* filter) {
    std::vector<std::string> names;
    ComPtr<IGstFilter> gst;
    if (FAILED(filter->QueryInterface(IID_PPV_ARGS(gst.ReleaseAndGetAddressOf())))) return names;
    GstIterator* it = gst_bin_iterate_recurse(GST_BIN(gst->GetElement()));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        if (GstElementFactory* factory = gst_element_get_factory(GST_ELEMENT(g_value_get_object(&item))))
            names.emplace_back(gst_plugin_feature_get_name(factory));
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    return names;
}

TEST_F(PreviewShapes, AudioRendererDiscardsTheSoundWhileRealDevicesAreHidden) {
    ASSERT_TRUE(RealDevicesHidden());
    auto renderer = Create(CLSID_DSoundRender);
    ASSERT_TRUE(renderer);
    const std::vector<std::string> factories = FactoriesInside(renderer.Get());
    EXPECT_THAT(factories, ::testing::Contains("fakesink"));
    EXPECT_THAT(factories, ::testing::Not(::testing::Contains("autoaudiosink")));
    PlayAudioSilently();
}

// Plays into the machine's sound output when there is one, else into the discarding sink.
QD_REAL_DEVICE_TEST_F(PreviewShapes, AudioRendererRunsWithOrWithoutSoundOutput) {
    struct RealDevicesShown {
        RealDevicesShown() { SetRealDevicesHidden(false); }
        ~RealDevicesShown() { SetRealDevicesHidden(true); }
    } shown;
    PlayAudioSilently();
}

TEST_F(PreviewShapes, DvSplitterHasItsOutputsFromCreation) {
    auto splitter = Create(CLSID_DVSplitter);
    ComPtr<ICaptureGraphBuilder2> b = builder;
    ComPtr<IPin> video, audio;
    EXPECT_EQ(b->FindPin(splitter.Get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Video, FALSE, 0, video.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_EQ(b->FindPin(splitter.Get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Audio, FALSE, 0, audio.ReleaseAndGetAddressOf()), S_OK);
    ComPtr<IDVSplitter> dv;
    EXPECT_EQ(splitter.As(&dv), S_OK);
    EXPECT_EQ(dv->DiscardAlternateVideoFrames(1), S_OK);
}

// ---- IUnknown conformance ------------------------------------------------------------------

UnknownSubject ClassSubject(const char* name, REFCLSID clsid, std::vector<IID> interfaces) {
    return UnknownSubject{name,
                          [clsid] {
                              static ComScope* com = new ComScope;  // COM for the suite's thread
                              (void)com;
                              ComPtr<IUnknown> object;
                              CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(object.ReleaseAndGetAddressOf()));
                              return object;
                          },
                          std::move(interfaces), [] { return PlatformObjectCounter().Count(); }};
}

const std::vector<IID> kFilter = {IID_IBaseFilter, IID_IMediaFilter, IID_IPersist, IID_IGstFilter};

std::vector<IID> With(std::vector<IID> more) {
    more.insert(more.end(), kFilter.begin(), kFilter.end());
    return more;
}

INSTANTIATE_TEST_SUITE_P(
    MediaClasses, UnknownConformance,
    ::testing::Values(
        ClassSubject("FilterGraph", CLSID_FilterGraph,
                     {IID_IFilterGraph, IID_IGraphBuilder, IID_IMediaFilter, IID_IPersist, IID_IMediaControl, IID_IDispatch,
                      IID_IMediaEvent, IID_IMediaEventEx, IID_IMediaEventSink, IID_IVideoWindow, IID_IBasicAudio}),
        ClassSubject("CaptureGraphBuilder2", CLSID_CaptureGraphBuilder2, {IID_ICaptureGraphBuilder2}),
        ClassSubject("SmartTee", CLSID_SmartTee, kFilter),
        ClassSubject("DVSplitter", CLSID_DVSplitter, With({IID_IDVSplitter})),
        ClassSubject("OverlayMixer", CLSID_OverlayMixer, kFilter),
        ClassSubject("VideoRenderer", CLSID_VideoRenderer, With({IID_IVideoWindow, IID_IDispatch})),
        ClassSubject("AudioRenderer", CLSID_DSoundRender, With({IID_IBasicAudio, IID_IDispatch})),
        ClassSubject("SampleGrabber", CLSID_SampleGrabber, With({IID_ISampleGrabber})),
        ClassSubject("NullRenderer", CLSID_NullRenderer, kFilter)),
    UnknownSubjectName);

}  // namespace
}  // namespace media::test
