// Filter chains: the effect filters a filter profile names, put one after another on a pin,
// and the reduced graph the compressor settings try compressors on.
#include "engine/capture_engine.h"
#include "platform/media/interfaces/dv_splitter.h"

namespace {

// Where a chain's filters are looked for, in this order.
constexpr CatalogList kChainSearchOrder[] = {LegacyFilters, VideoEffects, AudioEffects, AudioCaptureEffects};

}  // namespace

ComPtr<IMoniker> CCaptureEngine::FindChainFilter(const CFilterNode& node) const {
    for (CatalogList list : kChainSearchOrder)
        if (ComPtr<IMoniker> moniker = FindCatalogMoniker(catalog_.List(list), node.FilterName, node.FilterMoniker))
            return moniker;
    return nullptr;
}

HRESULT CCaptureEngine::InsertFilterChain(ComPtr<IPin>& pin, CFilterProfile* chain, BOOL video) {
    GraphSession& s = session_;
    if (!s.Graph || !s.CaptureBuilder || !chain) return E_FAIL;
    const char* kind = video ? "VideoFilter" : "AudioFilter";
    if (!pin) {
        ReportFailure(E_FAIL, TRUE, "NotFound %s OutputPin", kind);
        return E_FAIL;
    }
    for (const CFilterNode& node : chain->Nodes) {
        ComPtr<IMoniker> moniker = FindChainFilter(node);
        if (!moniker) {
            ReportFailure(E_FAIL, TRUE, "NotFound %s", kind);
            return E_FAIL;
        }
        ComPtr<IBaseFilter> filter;
        HRESULT hr = moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress());
        if (FAILED(hr)) {
            ReportFailure(hr, TRUE, "BindToObject %s", kind);
            return hr;
        }
        if (FAILED(hr = s.Graph->AddFilter(filter.Get(), nullptr))) {
            ReportFailure(hr, TRUE, "AddFilter %s", kind);
            return hr;
        }
        ComPtr<IPin> input;
        if (FAILED(hr = s.CaptureBuilder->FindPin(filter.Get(), PINDIR_INPUT, nullptr, nullptr, FALSE, 0,
                                                  input.ReleaseAndGetAddressOf()))) {
            s.Graph->RemoveFilter(filter.Get());
            ReportFailure(hr, TRUE, "FindPin %s InputPin", kind);
            return hr;
        }
        // A filter whose saved state cannot be read keeps its defaults.
        LoadFilterState(filter.Get(), node.FilterState.data(), static_cast<ULONG>(node.FilterState.size()));
        if (FAILED(hr = s.Graph->ConnectDirect(pin.Get(), input.Get(), nullptr)) &&
            FAILED(hr = s.Graph->Connect(pin.Get(), input.Get()))) {
            ReportFailure(hr, TRUE, "Connect %s", kind);
            return hr;
        }
        (video ? insertedVideoFilters_ : insertedAudioFilters_).push_back(filter);
        pin = nullptr;
        if (FAILED(hr = s.CaptureBuilder->FindPin(filter.Get(), PINDIR_OUTPUT, nullptr, nullptr, FALSE, 0,
                                                  pin.ReleaseAndGetAddressOf()))) {
            ReportFailure(hr, TRUE, "FindPin %s OutputPin", kind);
            return hr;
        }
    }
    return S_OK;
}

// The recording chain a device profile names; an empty chain counts as none.
HRESULT CCaptureEngine::FindRecordingChain(const CDeviceProfile* device, bool video, CFilterProfile*& chain) {
    chain = nullptr;
    if (!device) return S_OK;
    const std::string& name = video ? device->CaptureVideoFilterName : device->CaptureAudioFilterName;
    if (name.empty()) return S_OK;
    for (auto& profile : video ? store_.VideoFilterProfiles : store_.AudioFilterProfiles)
        if (profile->Name == name) {
            chain = profile.get();
            break;
        }
    if (!chain) {
        ReportFailure(E_FAIL, TRUE, video ? "NotFound VideoFilterProfile" : "NotFound AudioFilterProfile");
        return E_FAIL;
    }
    if (chain->Nodes.empty()) chain = nullptr;
    return S_OK;
}

// A DV splitter on the capture stream: its video becomes the capture stream, its audio the
// audio capture stream where the device has none. `beepOptional` is the beep of the
// optional half-frame setting.
HRESULT CCaptureEngine::SplitDvOnCapturePath(const CDeviceProfile& device, BOOL beepOptional) {
    GraphSession& s = session_;
    ComPtr<IPin> source = s.VideoCaptureOut;
    const bool noAudioCapture = !s.AudioCaptureOut;
    HRESULT hr = PutDvSplitter(s.CaptureDvSplitter, source.Get(), s.VideoCaptureOut,
                               noAudioCapture ? &s.AudioCaptureOut : nullptr);
    if (FAILED(hr)) return hr;
    if (!device.DvDiscardHalfFrames) return S_OK;
    ComPtr<IDVSplitter> splitter;
    if (FAILED(hr = s.CaptureDvSplitter.As(&splitter)))
        ReportFailure(hr, beepOptional, "QueryInterface IDVSplitter");
    else if (FAILED(hr = splitter->DiscardAlternateVideoFrames(TRUE)))
        ReportFailure(hr, beepOptional, "IDVSplitter DiscardAlternateVideoFrames");
    return S_OK;
}

HRESULT CCaptureEngine::BuildChainGraph(CDeviceProfile* device) {
    GraphSession& s = session_;
    if (!s.CaptureBuilder || !s.Graph) return E_POINTER;
    if (device) {
        if (!device->VideoDeviceMoniker.empty() && !s.VideoCaptureFilter) return E_FAIL;
        if (!device->AudioDeviceMoniker.empty() && !s.AudioCaptureFilter) return E_FAIL;
    }
    CFilterProfile *videoChain = nullptr, *audioChain = nullptr;
    HRESULT hr = FindRecordingChain(device, true, videoChain);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = FindRecordingChain(device, false, audioChain))) return hr;
    s.VideoCaptureOut = s.VideoCapturePin;
    s.VideoPreviewOut = s.VideoPreviewPin;
    s.AudioCaptureOut = s.AudioCapturePin;
    s.AudioPreviewOut = s.AudioPreviewPin;
    if (device && device->DvType2 && s.VideoCaptureOut && FAILED(hr = SplitDvOnCapturePath(*device, FALSE))) return hr;
    if (videoChain && FAILED(hr = InsertFilterChain(s.VideoCaptureOut, videoChain, TRUE))) return hr;
    if (audioChain && FAILED(hr = InsertFilterChain(s.AudioCaptureOut, audioChain, FALSE))) return hr;
    if (IsConnected(s.VideoPreviewPin.Get())) ApplyCompressionSettings(device, nullptr, 1);
    if (IsConnected(s.VideoCapturePin.Get())) ApplyCompressionSettings(device, nullptr, 0);
    return S_OK;
}

bool CCaptureEngine::IsConnected(IPin* pin) {
    if (!pin) return false;
    ComPtr<IPin> peer;
    return SUCCEEDED(pin->ConnectedTo(peer.ReleaseAndGetAddressOf())) && peer;
}
