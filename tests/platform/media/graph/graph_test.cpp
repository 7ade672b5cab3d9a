// The filter graph on fake filters: membership, connections with settled types, converters,
// running and stopping, events to the notify window.
#include <gtest/gtest.h>

#include "platform/media/device_lost.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/control.h"
#include "tests/platform/media/graph/graph_fakes.h"

namespace media::test {
namespace {

class GraphTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(graph.ReleaseAndGetAddressOf())),
                  S_OK);
        graph.As(&control);
        graph.As(&events);
    }
    void TearDown() override {
        if (control) control->Stop();
    }

    ComScope com;
    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    ComPtr<IMediaEventEx> events;
};

TEST_F(GraphTest, DuplicateNamesGetASuffixAndNullNameIsTheFiltersOwn) {
    auto a = MakeVideoSource();
    auto b = MakeVideoSource();
    EXPECT_EQ(graph->AddFilter(a.Get(), nullptr), S_OK);
    EXPECT_EQ(graph->AddFilter(b.Get(), nullptr), VFW_S_DUPLICATE_NAME);
    ComPtr<IBaseFilter> found;
    ASSERT_EQ(graph->FindFilterByName(u"Fake Video", found.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_EQ(found.Get(), a.Get());
    ASSERT_EQ(graph->FindFilterByName(u"Fake Video 0001", found.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_EQ(found.Get(), b.Get());
    FILTER_INFO info{};
    ASSERT_EQ(b->QueryFilterInfo(&info), S_OK);
    EXPECT_EQ(std::u16string(info.achName), u"Fake Video 0001");
    EXPECT_EQ(static_cast<void*>(info.pGraph), static_cast<void*>(static_cast<IFilterGraph*>(graph.Get())));
    info.pGraph->Release();
    EXPECT_EQ(graph->RemoveFilter(b.Get()), S_OK);
    EXPECT_EQ(graph->RemoveFilter(b.Get()), VFW_E_NOT_FOUND);
}

TEST_F(GraphTest, ConnectDirectSettlesTheTypeAtOnce) {
    auto source = MakeVideoSource("YUY2", false);
    CountingSink* counting = nullptr;
    auto sink = MakeCountingSink("video/x-raw", &counting);
    graph->AddFilter(source.Get(), nullptr);
    graph->AddFilter(sink.Get(), nullptr);
    auto out = PinByName(source.Get(), u"Capture");
    auto in = PinByName(sink.Get(), u"In");
    ASSERT_EQ(graph->ConnectDirect(out.Get(), in.Get(), nullptr), S_OK);
    AM_MEDIA_TYPE type{};
    ASSERT_EQ(in->ConnectionMediaType(&type), S_OK);
    EXPECT_EQ(type.majortype, MEDIATYPE_Video);
    EXPECT_EQ(type.subtype, MEDIASUBTYPE_YUY2);
    ASSERT_EQ(type.formattype, FORMAT_VideoInfo);
    EXPECT_EQ(reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader.biWidth, 320);
    FreeMediaType(type);
    ComPtr<IPin> peer;
    ASSERT_EQ(out->ConnectedTo(peer.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_EQ(peer.Get(), in.Get());
    EXPECT_EQ(graph->ConnectDirect(out.Get(), in.Get(), nullptr), VFW_E_ALREADY_CONNECTED);

    EXPECT_EQ(control->Run(), S_OK);
    EXPECT_TRUE(counting->WaitForBuffers(3, 3000));
    EXPECT_EQ(control->Stop(), S_OK);
    EXPECT_EQ(graph->Disconnect(out.Get()), S_OK);
    EXPECT_EQ(graph->Disconnect(in.Get()), S_FALSE);
    EXPECT_EQ(in->ConnectedTo(peer.ReleaseAndGetAddressOf()), VFW_E_NOT_CONNECTED);
}

TEST_F(GraphTest, IncompatiblePinsFailAtOnceAndStayUnconnected) {
    auto source = MakeAudioSource();
    auto sink = MakeCountingSink("video/x-raw", nullptr);
    graph->AddFilter(source.Get(), nullptr);
    graph->AddFilter(sink.Get(), nullptr);
    auto out = PinByName(source.Get(), u"Capture");
    auto in = PinByName(sink.Get(), u"In");
    EXPECT_EQ(graph->ConnectDirect(out.Get(), in.Get(), nullptr), VFW_E_NO_ACCEPTABLE_TYPES);
    EXPECT_EQ(graph->Connect(out.Get(), in.Get()), VFW_E_CANNOT_CONNECT);
    ComPtr<IPin> peer;
    EXPECT_EQ(out->ConnectedTo(peer.ReleaseAndGetAddressOf()), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(in->ConnectedTo(peer.ReleaseAndGetAddressOf()), VFW_E_NOT_CONNECTED);
    AM_MEDIA_TYPE type{};
    EXPECT_EQ(in->ConnectionMediaType(&type), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(graph->ConnectDirect(in.Get(), out.Get(), nullptr), VFW_E_INVALID_DIRECTION);
}

TEST_F(GraphTest, ConnectInsertsAConverterWhereFormatsDiffer) {
    auto source = MakeVideoSource("YUY2", false);
    CountingSink* counting = nullptr;
    auto sink = MakeCountingSink("video/x-raw, format=BGR", &counting);
    graph->AddFilter(source.Get(), nullptr);
    graph->AddFilter(sink.Get(), nullptr);
    auto out = PinByName(source.Get(), u"Capture");
    auto in = PinByName(sink.Get(), u"In");
    EXPECT_EQ(graph->ConnectDirect(out.Get(), in.Get(), nullptr), VFW_E_NO_ACCEPTABLE_TYPES);
    ASSERT_EQ(graph->Connect(out.Get(), in.Get()), S_OK);
    AM_MEDIA_TYPE type{};
    ASSERT_EQ(in->ConnectionMediaType(&type), S_OK);
    EXPECT_EQ(type.subtype, MEDIASUBTYPE_RGB24);
    EXPECT_EQ(reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader.biWidth, 320);
    FreeMediaType(type);
    ASSERT_EQ(control->Run(), S_OK);
    EXPECT_TRUE(counting->WaitForBuffers(2, 3000));
}

TEST_F(GraphTest, AnUnconnectedOutputNeverStopsThePipeline) {
    auto source = MakeVideoSource("I420", true);
    CountingSink* counting = nullptr;
    auto sink = MakeCountingSink("video/x-raw", &counting);
    graph->AddFilter(source.Get(), nullptr);
    graph->AddFilter(sink.Get(), nullptr);
    ASSERT_EQ(graph->Connect(PinByName(source.Get(), u"Preview").Get(), PinByName(sink.Get(), u"In").Get()), S_OK);
    ASSERT_EQ(control->Run(), S_OK);
    EXPECT_TRUE(counting->WaitForBuffers(10, 3000));
    LONG code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 0), E_ABORT) << "event " << code;
}

TEST_F(GraphTest, CompletionReachesTheNotifyWindowAsPostedMessage) {
    TestWindow window;
    auto source = MakeVideoSource("I420", false);
    auto sink = MakeCountingSink("video/x-raw", nullptr);
    graph->AddFilter(source.Get(), nullptr);
    graph->AddFilter(sink.Get(), nullptr);
    ASSERT_EQ(graph->Connect(PinByName(source.Get(), u"Capture").Get(), PinByName(sink.Get(), u"In").Get()), S_OK);
    ASSERT_EQ(events->SetNotifyWindow(reinterpret_cast<OAHWND>(window.Handle()), 0x401, 7), S_OK);
    ASSERT_EQ(control->Run(), S_OK);
    ComPtr<IMediaEventSink> sinkEvents;
    ASSERT_EQ(graph.As(&sinkEvents), S_OK);
    // A source ends its stream: EOS travels to the sink and the graph completes.
    ComPtr<IGstFilter> gst;
    source.As(&gst);
    gst_element_send_event(gst->GetElement(), gst_event_new_eos());
    LONG code = 0;
    ASSERT_EQ(events->WaitForCompletion(5000, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    ASSERT_TRUE(window.WaitForMessage(0x401, 2000));
    EXPECT_EQ(window.Messages().front().lParam, 7);
    LONG_PTR p1 = 0, p2 = 0;
    ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 1000), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_EQ(events->FreeEventParams(code, p1, p2), S_OK);
}

TEST_F(GraphTest, DeviceLostMessageBecomesEcDeviceLost) {
    auto source = MakeVideoSource("I420", false);
    graph->AddFilter(source.Get(), nullptr);
    ASSERT_EQ(control->Run(), S_OK);
    PostDeviceLost(SourceElement(source.Get()));
    LONG code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 2000), S_OK);
    EXPECT_EQ(code, EC_DEVICE_LOST);
    EXPECT_EQ(reinterpret_cast<IUnknown*>(p1), static_cast<IUnknown*>(source.Get()));
    EXPECT_EQ(control->Stop(), S_OK);
}

// A lost device delivers nothing more, so a wait for the graph's completion ends with it; the
// device coming back (second parameter 1) ends nothing.
TEST_F(GraphTest, LostDeviceEndsAWaitForCompletion) {
    auto source = MakeVideoSource("I420", false);
    graph->AddFilter(source.Get(), nullptr);
    ASSERT_EQ(control->Run(), S_OK);
    ComPtr<IMediaEventSink> sink;
    ASSERT_EQ(graph.As(&sink), S_OK);
    ASSERT_EQ(sink->Notify(EC_DEVICE_LOST, 0, 1), S_OK);
    LONG code = 0;
    EXPECT_EQ(events->WaitForCompletion(200, &code), E_ABORT) << "event " << code;
    PostDeviceLost(SourceElement(source.Get()));
    ASSERT_EQ(events->WaitForCompletion(5000, &code), S_OK);
    EXPECT_EQ(code, EC_DEVICE_LOST);
    EXPECT_EQ(control->Stop(), S_OK);
}

TEST_F(GraphTest, FiltersPostEventsThroughTheEventSinkAndDefaultHandlingSwallowsSome) {
    ComPtr<IMediaEventSink> sink;
    ASSERT_EQ(graph.As(&sink), S_OK);
    sink->Notify(EC_REPAINT, 0, 0);
    sink->Notify(EC_QUALITY_CHANGE, 1, 2);
    LONG code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 0), S_OK);
    EXPECT_EQ(code, EC_QUALITY_CHANGE);
    EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 0), E_ABORT);
    events->CancelDefaultHandling(EC_REPAINT);
    sink->Notify(EC_REPAINT, 0, 0);
    ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 0), S_OK);
    EXPECT_EQ(code, EC_REPAINT);
    EXPECT_EQ(events->WaitForCompletion(0, &code), VFW_E_WRONG_STATE);
}

// Run, Pause and Stop in any order, and release in any state, leave nothing behind (ASan).
class GraphLifecycle : public GraphTest, public ::testing::WithParamInterface<int> {};

TEST_P(GraphLifecycle, ReleasedInAnyState) {
    auto source = MakeVideoSource("YUY2", true);
    auto sink = MakeCountingSink("video/x-raw", nullptr);
    graph->AddFilter(source.Get(), nullptr);
    graph->AddFilter(sink.Get(), nullptr);
    graph->Connect(PinByName(source.Get(), u"Capture").Get(), PinByName(sink.Get(), u"In").Get());
    if (GetParam() >= 1) {
        EXPECT_TRUE(SUCCEEDED(control->Run()));
    }
    if (GetParam() >= 2) {
        EXPECT_TRUE(SUCCEEDED(control->Pause()));
    }
    if (GetParam() >= 3) {
        EXPECT_EQ(control->Stop(), S_OK);
    }
    OAFilterState state = -1;
    EXPECT_TRUE(SUCCEEDED(control->GetState(1000, &state)));
    control = nullptr;
    events = nullptr;
    graph = nullptr;
    // The filters outlive the graph; their pins were disconnected when it went.
    ComPtr<IPin> peer;
    EXPECT_EQ(PinByName(sink.Get(), u"In")->ConnectedTo(peer.ReleaseAndGetAddressOf()), VFW_E_NOT_CONNECTED);
    FILTER_INFO info{};
    sink->QueryFilterInfo(&info);
    EXPECT_EQ(info.pGraph, nullptr);
}
INSTANTIATE_TEST_SUITE_P(States, GraphLifecycle, ::testing::Values(0, 1, 2, 3));

}  // namespace
}  // namespace media::test
