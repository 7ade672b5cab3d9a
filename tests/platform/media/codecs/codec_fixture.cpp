#include "tests/platform/media/codecs/codec_fixture.h"

#include "platform/com/wide_text.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/grabber.h"
#include "platform/media/interfaces/gst_filter.h"

namespace media::test {

BufferCounter::BufferCounter(IPin* pin) {
    ComPtr<IGstPin> gstPin;
    if (!pin || FAILED(pin->QueryInterface(IID_PPV_ARGS(gstPin.ReleaseAndGetAddressOf())))) return;
    pad_ = GST_PAD(gst_object_ref(gstPin->GetPad()));
    probe_ = gst_pad_add_probe(pad_, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                               OnData, this, nullptr);
}

BufferCounter::~BufferCounter() {
    if (pad_) {
        gst_pad_remove_probe(pad_, probe_);
        gst_object_unref(pad_);
    }
    if (caps_) gst_caps_unref(caps_);
}

GstPadProbeReturn BufferCounter::OnData(GstPad*, GstPadProbeInfo* info, gpointer self) {
    auto* counter = static_cast<BufferCounter*>(self);
    if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
        ++counter->buffers_;
        GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        if (!GST_BUFFER_PTS_IS_VALID(buffer) || GST_BUFFER_PTS(buffer) > static_cast<GstClockTime>(G_MAXINT64))
            ++counter->untimed_;
    } else if (GstEvent* event = gst_pad_probe_info_get_event(info); event && GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
        GstCaps* caps = nullptr;
        gst_event_parse_caps(event, &caps);
        std::lock_guard lock(counter->mutex_);
        gst_caps_replace(&counter->caps_, caps);
    }
    return GST_PAD_PROBE_OK;
}

std::string BufferCounter::CapsName() const {
    std::lock_guard lock(mutex_);
    return caps_ ? gst_structure_get_name(gst_caps_get_structure(caps_, 0)) : "";
}

GstCaps* BufferCounter::Caps() const {
    std::lock_guard lock(mutex_);
    return caps_ ? gst_caps_ref(caps_) : nullptr;
}

void CodecGraphTest::SetUp() {
    DeviceTest::SetUp();
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(graph.ReleaseAndGetAddressOf())));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(builder.ReleaseAndGetAddressOf())));
    builder->SetFiltergraph(graph.Get());
    graph.As(&control);
}

void CodecGraphTest::TearDown() {
    if (control) control->Stop();
    control = nullptr;
    builder = nullptr;
    graph = nullptr;
    DeviceTest::TearDown();
}

ComPtr<IBaseFilter> CodecGraphTest::AddBound(const std::u16string& displayName) {
    ComPtr<IBindCtx> context;
    CreateBindCtx(0, context.ReleaseAndGetAddressOf());
    ULONG eaten = 0;
    ComPtr<IMoniker> moniker;
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(S_OK, MkParseDisplayName(context.Get(), displayName.c_str(), &eaten, moniker.ReleaseAndGetAddressOf()))
        << WideToUtf8(displayName);
    if (!moniker) return filter;
    EXPECT_EQ(S_OK, moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress()));
    if (filter) {
        EXPECT_TRUE(SUCCEEDED(graph->AddFilter(filter.Get(), nullptr)));
    }
    return filter;
}

ComPtr<IBaseFilter> CodecGraphTest::AddNullRenderer() {
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(filter.ReleaseAndGetAddressOf())));
    if (filter) graph->AddFilter(filter.Get(), nullptr);
    return filter;
}

ComPtr<IPin> CodecGraphTest::FirstPin(IBaseFilter* filter, PIN_DIRECTION direction) {
    ComPtr<IPin> pin;
    builder->FindPin(filter, direction, nullptr, nullptr, FALSE, 0, pin.ReleaseAndGetAddressOf());
    return pin;
}

bool CodecGraphTest::RunUntil(const std::function<bool()>& done, int milliseconds, std::string* error) {
    if (FAILED(control->Run())) {
        *error = "Run failed";
        return false;
    }
    ComPtr<IMediaEventEx> events;
    graph.As(&events);
    for (int waited = 0; waited < milliseconds && !done(); waited += 20) {
        LONG code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        if (events->GetEvent(&code, &p1, &p2, 20) == S_OK) {
            events->FreeEventParams(code, p1, p2);
            if (code == EC_ERRORABORT) {
                *error = "error event " + std::to_string(static_cast<long>(p1));
                return false;
            }
        }
    }
    control->Stop();
    return done();
}

std::vector<std::u16string> DisplayNames(const std::vector<ComPtr<IMoniker>>& monikers) {
    std::vector<std::u16string> names;
    for (const auto& m : monikers) names.push_back(DisplayName(m.Get()));
    return names;
}

}  // namespace media::test
