#include "platform/media/capture_builder/capture_graph_builder.h"

#include <deque>
#include <set>
#include <vector>

#include "platform/media/capture_builder/stream_gate.h"
#include "platform/media/graph/graph_walk.h"
#include "platform/media/interfaces/capture_builder.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/file_writing.h"
#include "platform/media/interfaces/property_set.h"
#include "platform/media/interfaces/stream_config.h"
#include "platform/media/interfaces/gst_filter.h"

namespace media {

namespace {

bool HasCategory(IPin* pin, const GUID& category) {
    ComPtr<IKsPropertySet> properties;
    if (FAILED(pin->QueryInterface(IID_PPV_ARGS(properties.ReleaseAndGetAddressOf())))) return false;
    GUID value{};
    DWORD returned = 0;
    return SUCCEEDED(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &value, sizeof value, &returned)) &&
           value == category;
}

// The pin offers or carries the major type.
bool HasMajorType(IPin* pin, const GUID& major) {
    AM_MEDIA_TYPE connected{};
    if (SUCCEEDED(pin->ConnectionMediaType(&connected))) {
        const bool match = connected.majortype == major;
        FreeMediaType(connected);
        return match;
    }
    ComPtr<IEnumMediaTypes> e;
    if (FAILED(pin->EnumMediaTypes(e.ReleaseAndGetAddressOf()))) return false;
    AM_MEDIA_TYPE* type = nullptr;
    bool match = false;
    while (!match && e->Next(1, &type, nullptr) == S_OK) {
        match = type->majortype == major;
        DeleteMediaType(type);
    }
    return match;
}

bool PinMatches(IPin* pin, PIN_DIRECTION direction, const GUID* category, const GUID* type, BOOL unconnected) {
    PIN_DIRECTION d{};
    if (FAILED(pin->QueryDirection(&d)) || d != direction) return false;
    if (category && *category != GUID_NULL && !HasCategory(pin, *category)) return false;
    if (type && *type != GUID_NULL && !HasMajorType(pin, *type)) return false;
    if (unconnected && PeerOf(pin)) return false;
    return true;
}

HRESULT FindPinIn(IUnknown* source, PIN_DIRECTION direction, const GUID* category, const GUID* type, BOOL unconnected,
                  int index, IPin** pin) {
    if (!source || !pin) return E_POINTER;
    *pin = nullptr;
    ComPtr<IPin> asPin;
    if (SUCCEEDED(source->QueryInterface(IID_PPV_ARGS(asPin.ReleaseAndGetAddressOf())))) {
        if (index != 0 || !PinMatches(asPin.Get(), direction, category, type, unconnected)) return E_FAIL;
        *pin = asPin.Detach();
        return S_OK;
    }
    ComPtr<IBaseFilter> filter;
    if (FAILED(source->QueryInterface(IID_PPV_ARGS(filter.ReleaseAndGetAddressOf())))) return E_NOINTERFACE;
    int seen = 0;
    for (const auto& candidate : PinsOf(filter.Get())) {
        if (!PinMatches(candidate.Get(), direction, category, type, unconnected)) continue;
        if (seen++ == index) {
            *pin = candidate.Get();
            (*pin)->AddRef();
            return S_OK;
        }
    }
    return E_FAIL;
}

// Filters next to `filter` across its pins of one direction.
std::vector<ComPtr<IBaseFilter>> Neighbours(IBaseFilter* filter, PIN_DIRECTION across) {
    std::vector<ComPtr<IBaseFilter>> result;
    for (const auto& pin : PinsOf(filter)) {
        PIN_DIRECTION d{};
        if (FAILED(pin->QueryDirection(&d)) || d != across) continue;
        if (ComPtr<IPin> peer = PeerOf(pin.Get())) {
            if (ComPtr<IBaseFilter> next = FilterOfPin(peer.Get())) result.push_back(next);
        }
    }
    return result;
}

// The filter itself, then its pins.
HRESULT QueryFilterOrPins(IBaseFilter* filter, REFIID riid, void** object) {
    if (SUCCEEDED(filter->QueryInterface(riid, object))) return S_OK;
    for (const auto& pin : PinsOf(filter))
        if (SUCCEEDED(pin->QueryInterface(riid, object))) return S_OK;
    return E_NOINTERFACE;
}

// Breadth first from the neighbours of `start` (not `start` itself).
HRESULT Walk(IBaseFilter* start, PIN_DIRECTION across, REFIID riid, void** object) {
    std::deque<ComPtr<IBaseFilter>> queue;
    std::set<IBaseFilter*> seen{start};
    for (auto& n : Neighbours(start, across)) queue.push_back(n);
    while (!queue.empty()) {
        ComPtr<IBaseFilter> f = queue.front();
        queue.pop_front();
        if (!seen.insert(f.Get()).second) continue;
        if (SUCCEEDED(QueryFilterOrPins(f.Get(), riid, object))) return S_OK;
        for (auto& n : Neighbours(f.Get(), across)) queue.push_back(n);
    }
    return E_NOINTERFACE;
}

ComPtr<IPin> FirstFreePin(IBaseFilter* filter, PIN_DIRECTION direction) {
    for (const auto& pin : PinsOf(filter))
        if (PinMatches(pin.Get(), direction, nullptr, nullptr, TRUE)) return pin;
    return nullptr;
}

class CaptureGraphBuilder final : public ComObject<ICaptureGraphBuilder2> {
public:
    CaptureGraphBuilder() { TrackWith(&PlatformObjectCounter()); }

    HRESULT SetFiltergraph(IGraphBuilder* graph) override {
        if (!graph) return E_POINTER;
        if (graph_) return E_UNEXPECTED;
        graph_ = ComPtr<IGraphBuilder>(graph);
        return S_OK;
    }

    HRESULT GetFiltergraph(IGraphBuilder** graph) override {
        if (!graph) return E_POINTER;
        *graph = graph_.Get();
        if (!*graph) return E_UNEXPECTED;
        (*graph)->AddRef();
        return S_OK;
    }

    // An AVI file: the AVI multiplexer into a file writer. Any other type names the class of
    // a multiplexer; one that writes its file itself (it answers IFileSinkFilter) is the sink.
    HRESULT SetOutputFileName(const GUID* type, LPCOLESTR file, IBaseFilter** multiplexer,
                              IFileSinkFilter** sink) override {
        if (multiplexer) *multiplexer = nullptr;
        if (sink) *sink = nullptr;
        if (!type || !file) return E_POINTER;
        if (!graph_) return E_UNEXPECTED;
        ComPtr<IBaseFilter> mux;
        HRESULT hr = CoCreateInstance(*type == MEDIASUBTYPE_Avi ? CLSID_AviDest : *type, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_PPV_ARGS(mux.ReleaseAndGetAddressOf()));
        if (FAILED(hr)) return *type == MEDIASUBTYPE_Avi ? hr : E_INVALIDARG;
        ComPtr<IFileSinkFilter> fileSink;
        ComPtr<IBaseFilter> writer;
        if (FAILED(mux->QueryInterface(IID_PPV_ARGS(fileSink.ReleaseAndGetAddressOf())))) {
            hr = CoCreateInstance(CLSID_FileWriter, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(writer.ReleaseAndGetAddressOf()));
            if (FAILED(hr)) return hr;
            if (FAILED(hr = writer->QueryInterface(IID_PPV_ARGS(fileSink.ReleaseAndGetAddressOf())))) return hr;
        }
        if (FAILED(hr = fileSink->SetFileName(file, nullptr))) return hr;
        if (FAILED(hr = graph_->AddFilter(mux.Get(), nullptr))) return hr;
        if (writer) {
            ComPtr<IPin> out = FirstFreePin(mux.Get(), PINDIR_OUTPUT);
            hr = graph_->AddFilter(writer.Get(), nullptr);
            ComPtr<IPin> in = SUCCEEDED(hr) ? FirstFreePin(writer.Get(), PINDIR_INPUT) : nullptr;
            if (SUCCEEDED(hr)) hr = out && in ? graph_->ConnectDirect(out.Get(), in.Get(), nullptr) : VFW_E_CANNOT_CONNECT;
            if (FAILED(hr)) {
                graph_->RemoveFilter(writer.Get());
                graph_->RemoveFilter(mux.Get());
                return hr;
            }
        }
        if (multiplexer) *multiplexer = mux.Detach();
        if (sink) *sink = fileSink.Detach();
        return S_OK;
    }
    HRESULT AllocCapFile(LPCOLESTR, DWORDLONG) override { return E_NOTIMPL; }
    HRESULT CopyCaptureFile(LPOLESTR, LPOLESTR, int, IAMCopyCaptureFileProgress*) override { return E_NOTIMPL; }

    HRESULT FindInterface(const GUID* category, const GUID* type, IBaseFilter* filter, REFIID riid,
                          void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (!filter) return E_POINTER;
        if (category && *category == LOOK_UPSTREAM_ONLY) return Walk(filter, PINDIR_INPUT, riid, object);
        if (category && *category == LOOK_DOWNSTREAM_ONLY) return Walk(filter, PINDIR_OUTPUT, riid, object);
        if (category && *category != GUID_NULL) {
            // The pin of that category and type, then what lies downstream of it.
            ComPtr<IPin> pin;
            if (FAILED(FindPinIn(filter, PINDIR_OUTPUT, category, type, FALSE, 0, pin.ReleaseAndGetAddressOf())))
                return E_FAIL;
            if (SUCCEEDED(pin->QueryInterface(riid, object))) return S_OK;
            if (ComPtr<IPin> peer = PeerOf(pin.Get())) {
                ComPtr<IBaseFilter> next = FilterOfPin(peer.Get());
                if (next && SUCCEEDED(QueryFilterOrPins(next.Get(), riid, object))) return S_OK;
                if (next) return Walk(next.Get(), PINDIR_OUTPUT, riid, object);
            }
            return E_NOINTERFACE;
        }
        if (SUCCEEDED(QueryFilterOrPins(filter, riid, object))) return S_OK;
        if (SUCCEEDED(Walk(filter, PINDIR_OUTPUT, riid, object))) return S_OK;
        return Walk(filter, PINDIR_INPUT, riid, object);
    }

    HRESULT RenderStream(const GUID* category, const GUID* type, IUnknown* source, IBaseFilter* intermediate,
                         IBaseFilter* sink) override {
        if (!source) return E_POINTER;
        if (!graph_) return E_UNEXPECTED;
        ComPtr<IPin> pin;
        HRESULT hr = FindPinIn(source, PINDIR_OUTPUT, category, type, TRUE, 0, pin.ReleaseAndGetAddressOf());
        if (FAILED(hr)) return hr == E_NOINTERFACE ? E_INVALIDARG : E_FAIL;
        if (intermediate) {
            if (FAILED(hr = Join(intermediate))) return hr;
            if (FAILED(hr = ConnectToFreeInput(pin.Get(), intermediate))) return hr;
            pin = FirstFreePin(intermediate, PINDIR_OUTPUT);
            if (!pin) return sink ? VFW_E_CANNOT_CONNECT : S_OK;
        }
        if (!sink) return graph_->Render(pin.Get());
        if (FAILED(hr = Join(sink))) return hr;
        return ConnectToFreeInput(pin.Get(), sink);
    }

    HRESULT ControlStream(const GUID* category, const GUID* type, IBaseFilter* filter, REFERENCE_TIME* start,
                          REFERENCE_TIME* stop, WORD startCookie, WORD stopCookie) override {
        if (!graph_) return E_UNEXPECTED;
        std::vector<ComPtr<IBaseFilter>> filters;
        if (filter) {
            filters.emplace_back(filter);
        } else {
            ComPtr<IEnumFilters> e;
            if (FAILED(graph_->EnumFilters(e.ReleaseAndGetAddressOf()))) return E_FAIL;
            IBaseFilter* f = nullptr;
            while (e->Next(1, &f, nullptr) == S_OK) filters.push_back(ComPtr<IBaseFilter>::Attach(f));
        }
        ComPtr<IMediaEventSink> events;
        graph_->QueryInterface(IID_PPV_ARGS(events.ReleaseAndGetAddressOf()));
        bool controlled = false;
        for (const auto& f : filters) {
            for (const auto& pin : PinsOf(f.Get())) {
                if (!PinMatches(pin.Get(), PINDIR_OUTPUT, category, type, FALSE)) continue;
                controlled = Control(pin.Get(), start, stop, startCookie, stopCookie, events.Get()) || controlled;
            }
        }
        return controlled ? S_OK : E_FAIL;
    }

    HRESULT FindPin(IUnknown* source, PIN_DIRECTION direction, const GUID* category, const GUID* type, BOOL unconnected,
                    int index, IPin** pin) override {
        return FindPinIn(source, direction, category, type, unconnected, index, pin);
    }

private:
    // Adds a filter to the graph unless it is in it already.
    HRESULT Join(IBaseFilter* filter) {
        FILTER_INFO info{};
        if (SUCCEEDED(filter->QueryFilterInfo(&info)) && info.pGraph) {
            info.pGraph->Release();
            return S_OK;
        }
        const HRESULT hr = graph_->AddFilter(filter, nullptr);
        return FAILED(hr) ? hr : S_OK;
    }

    // Connects `out` to the first free input of `filter` that takes it: a filter with an input
    // per kind of stream (a writer's audio and video inputs) gets each stream on its own input.
    HRESULT ConnectToFreeInput(IPin* out, IBaseFilter* filter) {
        HRESULT hr = VFW_E_CANNOT_CONNECT;
        for (const auto& in : PinsOf(filter)) {
            if (!PinMatches(in.Get(), PINDIR_INPUT, nullptr, nullptr, TRUE)) continue;
            if (SUCCEEDED(hr = graph_->Connect(out, in.Get()))) return hr;
        }
        return hr;
    }

    // A pin's own stream control when it has one, else a gate on its pad.
    static bool Control(IPin* pin, const REFERENCE_TIME* start, const REFERENCE_TIME* stop, WORD startCookie,
                        WORD stopCookie, IMediaEventSink* events) {
        ComPtr<IAMStreamControl> own;
        if (SUCCEEDED(pin->QueryInterface(IID_PPV_ARGS(own.ReleaseAndGetAddressOf())))) {
            const bool started = SUCCEEDED(own->StartAt(start, startCookie));
            return SUCCEEDED(own->StopAt(stop, FALSE, stopCookie)) && started;
        }
        ComPtr<IGstPin> gst;
        if (FAILED(pin->QueryInterface(IID_PPV_ARGS(gst.ReleaseAndGetAddressOf())))) return false;
        ControlPadStream(gst->GetPad(), start, stop, startCookie, stopCookie, events);
        return true;
    }

    ComPtr<IGraphBuilder> graph_;
};

}  // namespace

HRESULT CreateCaptureGraphBuilder(IUnknown*, REFIID riid, void** object) {
    return CreateComObject<CaptureGraphBuilder>(riid, object);
}

}  // namespace media
