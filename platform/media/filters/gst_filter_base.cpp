#include "platform/media/filters/gst_filter_base.h"

#include <cstring>

#include "platform/com/wide_text.h"
#include "platform/media/filters/enumerators.h"
#include "platform/media/gst_helpers.h"

namespace media {

GstFilterBase::GstFilterBase(REFCLSID clsid, std::u16string defaultName, GstElement* element)
    : clsid_(clsid), element_(element ? GST_ELEMENT(gst_object_ref_sink(element)) : nullptr), name_(std::move(defaultName)) {
    TrackWith(&PlatformObjectCounter());
}

GstFilterBase::~GstFilterBase() {
    pins_.clear();
    if (element_) {
        gst_element_set_state(element_, GST_STATE_NULL);
        gst_object_unref(element_);
    }
}

GstPin* GstFilterBase::AddPin(GstPad* pad, std::u16string name, const GUID* category) {
    if (!pad) return nullptr;
    return AddPin(std::make_unique<GstPin>(*this, pad, std::move(name), category));
}

GstPin* GstFilterBase::AddPin(std::unique_ptr<GstPin> pin) {
    pins_.push_back(std::move(pin));
    return pins_.back().get();
}

IFilterGraph* GstFilterBase::Graph() const {
    std::lock_guard lock(mutex_);
    return graph_;
}

void GstFilterBase::NotifyEvent(LONG eventCode, LONG_PTR param1, LONG_PTR param2) {
    std::lock_guard lock(mutex_);
    if (eventSink_) eventSink_->Notify(eventCode, param1, param2);
}

HRESULT GstFilterBase::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = clsid_;
    return S_OK;
}

namespace {
HRESULT SetElementState(GstElement* element, GstState state) {
    if (!element) return E_UNEXPECTED;
    return gst_element_set_state(element, state) == GST_STATE_CHANGE_FAILURE ? E_FAIL : S_OK;
}
}  // namespace

HRESULT GstFilterBase::Stop() { return SetElementState(element_, GST_STATE_NULL); }
HRESULT GstFilterBase::Pause() { return SetElementState(element_, GST_STATE_PAUSED); }
HRESULT GstFilterBase::Run(REFERENCE_TIME /*start*/) { return SetElementState(element_, GST_STATE_PLAYING); }

HRESULT GstFilterBase::GetState(DWORD milliSecsTimeout, FILTER_STATE* state) {
    if (!state) return E_POINTER;
    GstState current = GST_STATE_NULL;
    GstState pending = GST_STATE_VOID_PENDING;
    const GstClockTime timeout =
        milliSecsTimeout == INFINITE ? GST_CLOCK_TIME_NONE : static_cast<GstClockTime>(milliSecsTimeout) * GST_MSECOND;
    const GstStateChangeReturn ret = gst_element_get_state(element_, &current, &pending, timeout);
    const GstState shown = ret == GST_STATE_CHANGE_ASYNC && pending != GST_STATE_VOID_PENDING ? pending : current;
    *state = shown == GST_STATE_PLAYING ? State_Running : shown == GST_STATE_PAUSED ? State_Paused : State_Stopped;
    if (ret == GST_STATE_CHANGE_ASYNC) return VFW_S_STATE_INTERMEDIATE;
    if (ret == GST_STATE_CHANGE_NO_PREROLL && *state == State_Paused) return VFW_S_CANT_CUE;
    return ret == GST_STATE_CHANGE_FAILURE ? E_FAIL : S_OK;
}

HRESULT GstFilterBase::SetSyncSource(IReferenceClock* clock) {
    std::lock_guard lock(mutex_);
    clock_ = ComPtr<IReferenceClock>(clock);
    return S_OK;
}

HRESULT GstFilterBase::GetSyncSource(IReferenceClock** clock) {
    if (!clock) return E_POINTER;
    std::lock_guard lock(mutex_);
    *clock = clock_.Get();
    if (*clock) (*clock)->AddRef();
    return S_OK;
}

HRESULT GstFilterBase::EnumPins(IEnumPins** pins) {
    if (!pins) return E_POINTER;
    auto items = std::make_shared<PinEnumerator::Items>();
    for (const auto& pin : pins_) items->push_back(ComPtr<IPin>(pin.get()));
    auto enumerator = MakeComObject<PinEnumerator>(std::move(items));
    if (!enumerator) return E_OUTOFMEMORY;
    *pins = enumerator.Detach();
    return S_OK;
}

HRESULT GstFilterBase::FindPin(LPCWSTR id, IPin** pin) {
    if (!id || !pin) return E_POINTER;
    *pin = nullptr;
    for (const auto& candidate : pins_) {
        if (candidate->Name() == WideView(id)) {
            *pin = candidate.get();
            (*pin)->AddRef();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT GstFilterBase::QueryFilterInfo(FILTER_INFO* info) {
    if (!info) return E_POINTER;
    std::lock_guard lock(mutex_);
    const std::size_t n = std::min<std::size_t>(name_.size(), MAX_FILTER_NAME - 1);
    std::memcpy(info->achName, name_.data(), n * sizeof(WCHAR));
    info->achName[n] = 0;
    info->pGraph = graph_;
    if (graph_) graph_->AddRef();
    return S_OK;
}

HRESULT GstFilterBase::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
    IMediaEventSink* sink = nullptr;
    if (graph && SUCCEEDED(graph->QueryInterface(IID_PPV_ARGS(&sink)))) sink->Release();  // kept weak
    std::lock_guard lock(mutex_);
    graph_ = graph;
    eventSink_ = sink;
    if (graph && name) name_ = WideView(name);
    return S_OK;
}

HRESULT GstFilterBase::QueryVendorInfo(LPWSTR* vendorInfo) {
    if (!vendorInfo) return E_POINTER;
    *vendorInfo = nullptr;
    return E_NOTIMPL;
}

GstElement* MakeChainBin(const char* inputName, const char* outputName, std::initializer_list<GstElement*> chain) {
    GstElement* bin = gst_bin_new(nullptr);
    if (!AddElements(GST_BIN(bin), chain)) {
        gst_object_unref(gst_object_ref_sink(bin));
        return nullptr;
    }
    GstElement* previous = nullptr;
    for (GstElement* e : chain) {
        if (previous && !gst_element_link(previous, e)) {
            gst_object_unref(gst_object_ref_sink(bin));
            return nullptr;
        }
        previous = e;
    }
    if (inputName) {
        GstPad* inner = gst_element_get_static_pad(*chain.begin(), "sink");
        GstPad* ghost = gst_ghost_pad_new(inputName, inner);
        gst_object_unref(inner);
        gst_element_add_pad(bin, ghost);
    }
    if (outputName) {
        GstPad* inner = gst_element_get_static_pad(previous, "src");
        GstPad* ghost = gst_ghost_pad_new(outputName, inner);
        gst_object_unref(inner);
        gst_element_add_pad(bin, ghost);
    }
    return bin;
}

}  // namespace media
