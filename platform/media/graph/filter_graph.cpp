// The filter graph: membership of filters, connections and rendering.
#include "platform/media/graph/filter_graph.h"

#include "platform/com/com_runtime.h"
#include "platform/com/wide_text.h"
#include "platform/media/filters/enumerators.h"
#include "platform/media/filters/media_type_list.h"
#include "platform/media/graph/graph_walk.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/file_writing.h"

namespace media {

namespace {

GstPadProbeReturn DropWhileUnlinked(GstPad* pad, GstPadProbeInfo*, gpointer) {
    return gst_pad_is_linked(pad) ? GST_PAD_PROBE_OK : GST_PAD_PROBE_DROP;
}

// The major type a pin delivers, from its first media type.
GUID MajorTypeOf(IPin* pin) {
    ComPtr<IEnumMediaTypes> e;
    GUID major = GUID_NULL;
    if (FAILED(pin->EnumMediaTypes(e.ReleaseAndGetAddressOf()))) return major;
    AM_MEDIA_TYPE* type = nullptr;
    if (e->Next(1, &type, nullptr) == S_OK) {
        major = type->majortype;
        DeleteMediaType(type);
    }
    return major;
}

}  // namespace

FilterGraph::FilterGraph() : pipeline_(GST_ELEMENT(gst_object_ref_sink(gst_pipeline_new(nullptr)))) {
    TrackWith(&PlatformObjectCounter());
    GstBus* bus = gst_element_get_bus(pipeline_);
    gst_bus_set_sync_handler(bus, BusSyncHandler, this, nullptr);
    gst_object_unref(bus);
}

FilterGraph::~FilterGraph() {
    // Files being written are finished, then streaming threads end here, before anything they
    // might reach is torn down.
    if (Playing() && FeedsAFileWriter()) FinishStreams();
    gst_element_set_state(pipeline_, GST_STATE_NULL);
    connections_.clear();  // links die with the pipeline; the pins are told below
    for (Member& m : members_) {
        for (const auto& pin : PinsOf(m.filter.Get())) {
            ComPtr<IGstPin> gst;
            if (SUCCEEDED(pin->QueryInterface(IID_PPV_ARGS(gst.ReleaseAndGetAddressOf())))) gst->SetConnection(nullptr, nullptr);
        }
        DropMember(m);
    }
    members_.clear();
    GstBus* bus = gst_element_get_bus(pipeline_);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(pipeline_);
}

bool FilterGraph::Stopped() const {
    GstState state = GST_STATE_NULL;
    GstState pending = GST_STATE_VOID_PENDING;
    gst_element_get_state(pipeline_, &state, &pending, 0);
    return state <= GST_STATE_READY && pending <= GST_STATE_READY;
}

std::u16string FilterGraph::UniqueName(std::u16string wanted) const {
    auto taken = [&](const std::u16string& name) {
        for (const Member& m : members_)
            if (m.name == name) return true;
        return false;
    };
    if (!taken(wanted)) return wanted;
    for (int n = 1;; ++n) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, " %04d", n);
        std::u16string candidate = wanted + Utf8ToWide(suffix);
        if (!taken(candidate)) return candidate;
    }
}

HRESULT FilterGraph::AddFilter(IBaseFilter* filter, LPCWSTR name) {
    if (!filter) return E_POINTER;
    ComPtr<IGstFilter> gst;
    if (FAILED(filter->QueryInterface(IID_PPV_ARGS(gst.ReleaseAndGetAddressOf())))) return E_NOINTERFACE;
    GstElement* element = gst->GetElement();
    if (!element) return E_UNEXPECTED;
    std::lock_guard lock(mutex_);
    for (const Member& m : members_)
        if (m.filter.Get() == filter) return E_INVALIDARG;  // already a member
    std::u16string wanted;
    if (name) {
        wanted = WideView(name);
    } else {
        FILTER_INFO info{};
        if (SUCCEEDED(filter->QueryFilterInfo(&info))) {
            wanted = info.achName;
            if (info.pGraph) info.pGraph->Release();
        }
    }
    const std::u16string unique = UniqueName(wanted);
    if (GST_OBJECT_PARENT(element)) return E_INVALIDARG;
    if (gst_bin_get_by_name(GST_BIN(pipeline_), GST_OBJECT_NAME(element))) {
        // Element names must be unique in a bin; the GStreamer-level name is not the filter's.
        gst_object_unref(gst_bin_get_by_name(GST_BIN(pipeline_), GST_OBJECT_NAME(element)));
        gst_object_set_name(GST_OBJECT(element), nullptr);
    }
    if (!gst_bin_add(GST_BIN(pipeline_), element)) return E_FAIL;
    Member member{ComPtr<IBaseFilter>(filter), element, unique, {}};
    ComPtr<IFileSinkFilter> fileSink;
    const bool writesFile = SUCCEEDED(filter->QueryInterface(IID_PPV_ARGS(fileSink.ReleaseAndGetAddressOf())));
    for (const auto& pin : PinsOf(filter)) {
        ComPtr<IGstPin> gstPin;
        if (DirectionOf(pin.Get()) != PINDIR_OUTPUT ||
            FAILED(pin->QueryInterface(IID_PPV_ARGS(gstPin.ReleaseAndGetAddressOf())))) {
            continue;
        }
        GstPad* pad = gstPin->GetPad();
        const gulong id = gst_pad_add_probe(
            pad, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
            DropWhileUnlinked, nullptr, nullptr);
        member.probes.emplace_back(GST_PAD(gst_object_ref(pad)), id);
    }
    HRESULT hr = filter->JoinFilterGraph(this, unique.c_str());
    if (FAILED(hr)) {
        DropMember(member);
        return hr;
    }
    {
        std::lock_guard indexLock(indexMutex_);
        elementIndex_.emplace_back(element, filter);
    }
    member.writesFile = writesFile;
    if (writesFile) ++fileWriters_;
    members_.push_back(std::move(member));
    if (!Stopped()) gst_element_sync_state_with_parent(element);
    return unique == wanted ? S_OK : VFW_S_DUPLICATE_NAME;
}

void FilterGraph::DropMember(Member& member) {
    if (member.writesFile) {
        member.writesFile = false;
        --fileWriters_;
    }
    {
        std::lock_guard indexLock(indexMutex_);
        std::erase_if(elementIndex_, [&](const auto& entry) { return entry.first == member.element; });
    }
    for (auto& [pad, id] : member.probes) {
        gst_pad_remove_probe(pad, id);
        gst_object_unref(pad);
    }
    member.probes.clear();
    gst_element_set_locked_state(member.element, TRUE);
    gst_element_set_state(member.element, GST_STATE_NULL);
    if (GST_OBJECT_PARENT(member.element) == GST_OBJECT(pipeline_)) gst_bin_remove(GST_BIN(pipeline_), member.element);
    gst_element_set_locked_state(member.element, FALSE);
    member.filter->JoinFilterGraph(nullptr, nullptr);
}

void FilterGraph::DisconnectAll(IBaseFilter* filter) {
    for (const auto& pin : PinsOf(filter)) Disconnect(pin.Get());
}

HRESULT FilterGraph::RemoveFilter(IBaseFilter* filter) {
    if (!filter) return E_POINTER;
    std::lock_guard lock(mutex_);
    for (auto it = members_.begin(); it != members_.end(); ++it) {
        if (it->filter.Get() != filter) continue;
        DisconnectAll(filter);
        ComPtr<IBaseFilter> keep = it->filter;  // released after the list no longer holds it
        DropMember(*it);
        members_.erase(it);
        return S_OK;
    }
    return VFW_E_NOT_FOUND;
}

HRESULT FilterGraph::EnumFilters(IEnumFilters** filters) {
    if (!filters) return E_POINTER;
    auto items = std::make_shared<FilterEnumerator::Items>();
    {
        std::lock_guard lock(mutex_);
        for (const Member& m : members_) items->push_back(m.filter);
    }
    auto e = MakeComObject<FilterEnumerator>(std::move(items));
    if (!e) return E_OUTOFMEMORY;
    *filters = e.Detach();
    return S_OK;
}

HRESULT FilterGraph::FindFilterByName(LPCWSTR name, IBaseFilter** filter) {
    if (!name || !filter) return E_POINTER;
    *filter = nullptr;
    std::lock_guard lock(mutex_);
    for (const Member& m : members_) {
        if (m.name == WideView(name)) {
            *filter = m.filter.Get();
            (*filter)->AddRef();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

bool FilterGraph::Contains(IPin* pin) {
    ComPtr<IBaseFilter> filter = FilterOfPin(pin);
    for (const Member& m : members_)
        if (m.filter.Get() == filter.Get()) return true;
    return false;
}

HRESULT FilterGraph::CheckConnectable(IPin* pinOut, IPin* pinIn, IGstPin** gstOut, IGstPin** gstIn) {
    if (!pinOut || !pinIn) return E_POINTER;
    if (DirectionOf(pinOut) != PINDIR_OUTPUT || DirectionOf(pinIn) != PINDIR_INPUT) return VFW_E_INVALID_DIRECTION;
    if (!Contains(pinOut) || !Contains(pinIn)) return VFW_E_NOT_IN_GRAPH;
    if (FilterOfPin(pinOut).Get() == FilterOfPin(pinIn).Get()) return VFW_E_CANNOT_CONNECT;
    if (IsConnected(pinOut) || IsConnected(pinIn)) return VFW_E_ALREADY_CONNECTED;
    if (!Stopped()) return VFW_E_NOT_STOPPED;
    if (FAILED(pinOut->QueryInterface(IID_PPV_ARGS(gstOut))) || FAILED(pinIn->QueryInterface(IID_PPV_ARGS(gstIn))))
        return E_NOINTERFACE;
    return S_OK;
}

HRESULT FilterGraph::ConnectPins(IPin* pinOut, IPin* pinIn, const AM_MEDIA_TYPE* mediaType, bool allowConverters) {
    std::lock_guard lock(mutex_);
    ComPtr<IGstPin> gstOut, gstIn;
    HRESULT hr = CheckConnectable(pinOut, pinIn, gstOut.ReleaseAndGetAddressOf(), gstIn.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;
    GstCaps* wanted = mediaType ? CapsForPartialType(*mediaType) : nullptr;
    if (mediaType && mediaType->majortype != GUID_NULL && !wanted) return VFW_E_TYPE_NOT_ACCEPTED;
    auto link = std::make_unique<PadLink>();
    AM_MEDIA_TYPE outType{}, inType{};
    hr = link->Make(GST_BIN(pipeline_), gstOut->GetPad(), gstIn->GetPad(), wanted, allowConverters, &outType, &inType);
    if (wanted) gst_caps_unref(wanted);
    if (FAILED(hr)) return hr;
    gstOut->SetConnection(pinIn, &outType);
    gstIn->SetConnection(pinOut, &inType);
    FreeMediaType(outType);
    FreeMediaType(inType);
    connections_.push_back({ComPtr<IPin>(pinOut), ComPtr<IPin>(pinIn), std::move(link)});
    return S_OK;
}

HRESULT FilterGraph::ConnectDirect(IPin* pinOut, IPin* pinIn, const AM_MEDIA_TYPE* mediaType) {
    return ConnectPins(pinOut, pinIn, mediaType, false);
}

HRESULT FilterGraph::Connect(IPin* pinOut, IPin* pinIn) {
    const HRESULT hr = ConnectPins(pinOut, pinIn, nullptr, true);
    return hr == VFW_E_NO_ACCEPTABLE_TYPES ? VFW_E_CANNOT_CONNECT : hr;
}

HRESULT FilterGraph::Reconnect(IPin* pin) {
    if (!pin) return E_POINTER;
    std::lock_guard lock(mutex_);
    for (const Connection& c : connections_) {
        if (c.out.Get() != pin && c.in.Get() != pin) continue;
        ComPtr<IPin> out = c.out, in = c.in;
        AM_MEDIA_TYPE type{};
        in->ConnectionMediaType(&type);
        Disconnect(out.Get());
        HRESULT hr = ConnectPins(out.Get(), in.Get(), &type, false);
        if (FAILED(hr)) hr = ConnectPins(out.Get(), in.Get(), nullptr, true);
        FreeMediaType(type);
        return hr;
    }
    return VFW_E_NOT_CONNECTED;
}

HRESULT FilterGraph::Disconnect(IPin* pin) {
    if (!pin) return E_POINTER;
    std::lock_guard lock(mutex_);
    for (auto it = connections_.begin(); it != connections_.end(); ++it) {
        if (it->out.Get() != pin && it->in.Get() != pin) continue;
        if (!Stopped()) return VFW_E_NOT_STOPPED;
        it->link->Break();
        ComPtr<IGstPin> gstOut, gstIn;
        if (SUCCEEDED(it->out->QueryInterface(IID_PPV_ARGS(gstOut.ReleaseAndGetAddressOf())))) gstOut->SetConnection(nullptr, nullptr);
        if (SUCCEEDED(it->in->QueryInterface(IID_PPV_ARGS(gstIn.ReleaseAndGetAddressOf())))) gstIn->SetConnection(nullptr, nullptr);
        connections_.erase(it);
        return S_OK;
    }
    return S_FALSE;
}

// An Overlay Mixer already in the graph with a free input takes video that is rendered.
HRESULT FilterGraph::RenderThroughOverlayMixer(IPin* pinOut, int depth) {
    for (const Member& m : members_) {
        CLSID clsid{};
        if (FAILED(m.filter->GetClassID(&clsid)) || clsid != CLSID_OverlayMixer) continue;
        for (const auto& pin : PinsOf(m.filter.Get())) {
            if (DirectionOf(pin.Get()) != PINDIR_INPUT || IsConnected(pin.Get())) continue;
            if (FAILED(Connect(pinOut, pin.Get()))) continue;
            for (const auto& out : PinsOf(m.filter.Get())) {
                if (DirectionOf(out.Get()) == PINDIR_OUTPUT && !IsConnected(out.Get())) return RenderWith(out.Get(), depth + 1);
            }
            return S_OK;
        }
    }
    return VFW_E_CANNOT_RENDER;
}

HRESULT FilterGraph::RenderWith(IPin* pinOut, int depth) {
    if (depth > 4) return VFW_E_CANNOT_RENDER;
    const GUID major = MajorTypeOf(pinOut);
    if (major == MEDIATYPE_Video && SUCCEEDED(RenderThroughOverlayMixer(pinOut, depth))) return S_OK;
    CLSID clsid;
    if (major == MEDIATYPE_Video) {
        clsid = CLSID_VideoRenderer;
    } else if (major == MEDIATYPE_Audio) {
        clsid = CLSID_DSoundRender;
    } else if (major == MEDIATYPE_Interleaved) {
        clsid = CLSID_DVSplitter;
    } else {
        return VFW_E_CANNOT_RENDER;
    }
    ComPtr<IBaseFilter> filter;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(filter.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) return hr;
    hr = AddFilter(filter.Get(), nullptr);
    if (FAILED(hr)) return hr;
    ComPtr<IPin> input;
    for (const auto& pin : PinsOf(filter.Get())) {
        if (DirectionOf(pin.Get()) == PINDIR_INPUT) {
            input = pin;
            break;
        }
    }
    hr = input ? Connect(pinOut, input.Get()) : VFW_E_CANNOT_RENDER;
    if (FAILED(hr)) {
        RemoveFilter(filter.Get());
        return VFW_E_CANNOT_RENDER;
    }
    // A splitter's outputs are rendered in turn; one rendered stream is enough.
    bool rendered = false;
    bool hasOutputs = false;
    for (const auto& pin : PinsOf(filter.Get())) {
        if (DirectionOf(pin.Get()) != PINDIR_OUTPUT || IsConnected(pin.Get())) continue;
        hasOutputs = true;
        rendered = SUCCEEDED(RenderWith(pin.Get(), depth + 1)) || rendered;
    }
    if (hasOutputs && !rendered) {
        DisconnectAll(filter.Get());
        RemoveFilter(filter.Get());
        return VFW_E_CANNOT_RENDER;
    }
    return S_OK;
}

HRESULT FilterGraph::Render(IPin* pinOut) {
    if (!pinOut) return E_POINTER;
    std::lock_guard lock(mutex_);
    if (DirectionOf(pinOut) != PINDIR_OUTPUT) return VFW_E_INVALID_DIRECTION;
    if (!Contains(pinOut)) return VFW_E_NOT_IN_GRAPH;
    if (IsConnected(pinOut)) return VFW_E_ALREADY_CONNECTED;
    return RenderWith(pinOut, 0);
}

// Files are played by the next media issue's source filters.
HRESULT FilterGraph::RenderFile(LPCWSTR, LPCWSTR) { return E_NOTIMPL; }
HRESULT FilterGraph::AddSourceFilter(LPCWSTR, LPCWSTR, IBaseFilter** filter) {
    if (filter) *filter = nullptr;
    return E_NOTIMPL;
}
HRESULT FilterGraph::SetLogFile(DWORD_PTR) { return S_OK; }
HRESULT FilterGraph::Abort() { return S_OK; }
HRESULT FilterGraph::ShouldOperationContinue() { return S_OK; }

IBaseFilter* FilterGraph::FilterOfElement(GstElement* element) {
    std::lock_guard lock(indexMutex_);
    for (GstObject* o = GST_OBJECT(element); o; o = GST_OBJECT_PARENT(o)) {
        for (const auto& [e, filter] : elementIndex_)
            if (GST_OBJECT(e) == o) return filter;
    }
    return nullptr;
}

}  // namespace media
