// Creating, clearing and destroying the graph session.
#include <cstring>

#include "engine/capture_engine.h"
#include "platform/com/com_runtime.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/system/codepage.h"
#include "platform/media/interfaces/capture_builder.h"
#include "platform/media/interfaces/tv_hardware.h"

namespace {

// The catalogue entry equal to the device named by `displayName`, or null.
ComPtr<IMoniker> FindCatalogEntry(CCaptureEngine& engine, const std::string& displayName,
                                  const std::vector<ComPtr<IMoniker>>& list) {
    ComPtr<IBindCtx> context;
    HRESULT hr = CreateBindCtx(0, context.ReleaseAndGetAddressOf());
    if (FAILED(hr)) {
        engine.ReportFailure(hr, TRUE, "CreateBindCtx");
        return nullptr;
    }
    const std::u16string wide = AnsiToWide(displayName);
    ULONG eaten = 0;
    ComPtr<IMoniker> parsed;
    hr = MkParseDisplayName(context.Get(), wide.c_str(), &eaten, parsed.ReleaseAndGetAddressOf());
    if (FAILED(hr)) {
        engine.ReportFailure(hr, TRUE, "MkParseDisplayName");
        return nullptr;
    }
    if (!parsed) return nullptr;
    for (const ComPtr<IMoniker>& entry : list)
        if (entry->IsEqual(parsed.Get()) == S_OK) return entry;
    return nullptr;
}

template <typename I>
void FindUpstream(ICaptureGraphBuilder2* builder, IBaseFilter* filter, ComPtr<I>& out) {
    builder->FindInterface(&LOOK_UPSTREAM_ONLY, nullptr, filter, IidOf<I>(), out.ReleaseAndGetVoidAddress());
}

template <typename I>
void QueryOn(IUnknown* object, ComPtr<I>& out) {
    out = nullptr;
    if (object) object->QueryInterface(IidOf<I>(), out.ReleaseAndGetVoidAddress());
}

struct PinAttempt {
    const GUID* category;
    const GUID* type;
};

// The first pin that the attempts find, in order.
ComPtr<IPin> FindFirstPin(ICaptureGraphBuilder2* builder, IBaseFilter* filter, std::initializer_list<PinAttempt> attempts) {
    for (const PinAttempt& attempt : attempts) {
        ComPtr<IPin> pin;
        if (SUCCEEDED(builder->FindPin(filter, PINDIR_OUTPUT, attempt.category, attempt.type, FALSE, 0,
                                       pin.ReleaseAndGetAddressOf())) &&
            pin)
            return pin;
    }
    return nullptr;
}

ComPtr<IPin> FindVideoCapturePin(ICaptureGraphBuilder2* builder, IBaseFilter* filter, DWORD order) {
    switch (order) {
    case 0:
        return FindFirstPin(builder, filter,
                            {{&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved}, {&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video}});
    case 1: return FindFirstPin(builder, filter, {{&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved}});
    case 2: return FindFirstPin(builder, filter, {{&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video}});
    default: return nullptr;
    }
}

ComPtr<IPin> FindVideoPreviewPin(ICaptureGraphBuilder2* builder, IBaseFilter* filter, DWORD order) {
    switch (order) {
    case 0:
        return FindFirstPin(builder, filter,
                            {{&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Interleaved},
                             {&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video},
                             {&PIN_CATEGORY_VIDEOPORT, &MEDIATYPE_Video}});
    case 1: return FindFirstPin(builder, filter, {{&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Interleaved}});
    case 2:
        return FindFirstPin(builder, filter,
                            {{&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video}, {&PIN_CATEGORY_VIDEOPORT, &MEDIATYPE_Video}});
    default: return nullptr;
    }
}

template <typename T>
bool DiffersIn(const T& a, const T& b) {
    return !(a == b);
}

}  // namespace

HRESULT CCaptureEngine::SelectCaptureDevices(CDeviceProfile* device) {
    session_.VideoCaptureMoniker = nullptr;
    session_.AudioCaptureMoniker = nullptr;
    const auto& videos = catalog_.List(VideoInputDevices);
    const auto& audios = catalog_.List(AudioInputDevices);
    if (!device) {
        if (!videos.empty()) session_.VideoCaptureMoniker = videos.front();
        if (!audios.empty()) session_.AudioCaptureMoniker = audios.front();
        return S_OK;
    }
    if (!device->VideoDeviceMoniker.empty()) {
        session_.VideoCaptureMoniker = FindCatalogEntry(*this, device->VideoDeviceMoniker, videos);
        if (!session_.VideoCaptureMoniker) ReportFailure(E_FAIL, TRUE, "NotFound VideoCaptureDevice");
    }
    if (!device->AudioDeviceMoniker.empty()) {
        session_.AudioCaptureMoniker = FindCatalogEntry(*this, device->AudioDeviceMoniker, audios);
        if (!session_.AudioCaptureMoniker) ReportFailure(E_FAIL, TRUE, "NotFound AudioCaptureDevice");
    }
    return S_OK;
}

HRESULT CCaptureEngine::CreateGraphSession(CDeviceProfile* device) {
    GraphSession& s = session_;
    HRESULT hr = CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(s.CaptureBuilder.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) {
        ReportFailure(hr, TRUE, "CoCreateInstance CaptureGraphBuilder2");
        return hr;
    }
    hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(s.Graph.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) {
        ReportFailure(hr, TRUE, "CoCreateInstance FilterGraph");
        return hr;
    }
    if (FAILED(hr = s.CaptureBuilder->SetFiltergraph(s.Graph.Get()))) {
        ReportFailure(hr, TRUE, "SetFiltergraph");
        return hr;
    }
    if (FAILED(hr = s.Graph.As(&s.MediaFilter))) {
        ReportFailure(hr, TRUE, "QueryInterface IMediaFilter");
        return hr;
    }
    if (s.VideoCaptureMoniker) {
        hr = s.VideoCaptureMoniker->BindToObject(nullptr, nullptr, IID_PPV_ARGS(s.VideoCaptureFilter.ReleaseAndGetAddressOf()));
        if (FAILED(hr)) {
            ReportFailure(hr, TRUE, "BindToObject VideoCaptureFilter");
            return hr;
        }
        if (FAILED(hr = s.Graph->AddFilter(s.VideoCaptureFilter.Get(), nullptr))) {
            ReportFailure(hr, TRUE, "AddFilter VideoCaptureFilter");
            return hr;
        }
    }
    if (s.AudioCaptureMoniker) {
        hr = s.AudioCaptureMoniker->BindToObject(nullptr, nullptr, IID_PPV_ARGS(s.AudioCaptureFilter.ReleaseAndGetAddressOf()));
        if (FAILED(hr)) {
            ReportFailure(hr, TRUE, "BindToObject AudioCaptureFilter");
            return hr;
        }
        if (FAILED(hr = s.Graph->AddFilter(s.AudioCaptureFilter.Get(), nullptr))) {
            ReportFailure(hr, TRUE, "AddFilter AudioCaptureFilter");
            return hr;
        }
    }
    FindCaptureInterfaces();
    FindSessionPins(device);
    return S_OK;
}

void CCaptureEngine::FindCaptureInterfaces() {
    GraphSession& s = session_;
    ICaptureGraphBuilder2* builder = s.CaptureBuilder.Get();
    FindUpstream(builder, s.VideoCaptureFilter.Get(), s.Crossbar1);
    if (s.Crossbar1) {
        ComPtr<IBaseFilter> crossbarFilter;
        if (SUCCEEDED(s.Crossbar1.As(&crossbarFilter))) FindUpstream(builder, crossbarFilter.Get(), s.Crossbar2);
    }
    if (!s.VideoCaptureFilter) return;
    FindUpstream(builder, s.VideoCaptureFilter.Get(), s.TvTuner);
    FindUpstream(builder, s.VideoCaptureFilter.Get(), s.TvAudio);
    QueryOn(s.VideoCaptureFilter.Get(), s.VideoProcAmp);
    QueryOn(s.VideoCaptureFilter.Get(), s.AnalogVideoDecoder);
    QueryOn(s.VideoCaptureFilter.Get(), s.VfwCaptureDialogs);
}

HRESULT CCaptureEngine::FindSessionPins(CDeviceProfile* device) {
    GraphSession& s = session_;
    ICaptureGraphBuilder2* builder = s.CaptureBuilder.Get();
    if (s.VideoCaptureFilter) {
        s.VideoCapturePin = FindVideoCapturePin(builder, s.VideoCaptureFilter.Get(), device ? device->CapturePinTypeOrder : 0);
        QueryOn(s.VideoCapturePin.Get(), s.VideoCaptureBuffers);
        QueryOn(s.VideoCapturePin.Get(), s.CapturePinConfig);
        s.VideoPreviewPin = FindVideoPreviewPin(builder, s.VideoCaptureFilter.Get(), device ? device->PreviewPinTypeOrder : 0);
        QueryOn(s.VideoPreviewPin.Get(), s.VideoPreviewBuffers);
        QueryOn(s.VideoPreviewPin.Get(), s.PreviewPinConfig);
    }
    // Devices that deliver sound through their video filter have no audio filter of their own.
    IBaseFilter* audioSource = s.AudioCaptureFilter ? s.AudioCaptureFilter.Get() : s.VideoCaptureFilter.Get();
    if (audioSource) {
        s.AudioCapturePin = FindFirstPin(builder, audioSource, {{&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio}});
        QueryOn(s.AudioCapturePin.Get(), s.AudioCaptureBuffers);
        QueryOn(s.AudioCapturePin.Get(), s.AudioCapturePinConfig);
        s.AudioPreviewPin = FindFirstPin(builder, audioSource, {{&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Audio}});
        QueryOn(s.AudioPreviewPin.Get(), s.AudioPreviewBuffers);
        QueryOn(s.AudioPreviewPin.Get(), s.AudioPreviewPinConfig);
    }
    return S_OK;
}

int CCaptureEngine::CompareDeviceProfiles(const CDeviceProfile* current, const CDeviceProfile* next) {
    if (!next) return DeviceChangeNone;
    if (!current) return DeviceChangeNewSession;
    const CDeviceProfile& a = *current;
    const CDeviceProfile& b = *next;
    if (a.VideoDeviceMoniker != b.VideoDeviceMoniker || a.AudioDeviceMoniker != b.AudioDeviceMoniker ||
        a.PreviewPinTypeOrder != b.PreviewPinTypeOrder || a.CapturePinTypeOrder != b.CapturePinTypeOrder)
        return DeviceChangeNewSession;
    for (int pin = 0; pin < 4; ++pin)
        if (a.Allocators[pin].AllocatorEnable != b.Allocators[pin].AllocatorEnable) return DeviceChangeNewSession;
    if (DiffersIn(a.DvInfoMask, b.DvInfoMask)) return DeviceChangeNewSession;

    if (a.PreviewVideoFilterName != b.PreviewVideoFilterName || a.PreviewAudioFilterName != b.PreviewAudioFilterName)
        return DeviceChangeNewGraph;
    for (int pin : {VideoPreviewPin, VideoCapturePin}) {
        const VideoCompressionSettings& x = a.Compression[pin];
        const VideoCompressionSettings& y = b.Compression[pin];
        // Quality compared as a double: 0.0 and -0.0 are the same setting.
        if (x.KeyFrameRate != y.KeyFrameRate || x.PFramesPerKeyFrame != y.PFramesPerKeyFrame || x.Quality != y.Quality ||
            x.WindowSize != y.WindowSize || x.SetKeyFrameRate != y.SetKeyFrameRate ||
            x.SetPFramesPerKeyFrame != y.SetPFramesPerKeyFrame || x.SetQuality != y.SetQuality ||
            x.SetWindowSize != y.SetWindowSize)
            return DeviceChangeNewGraph;
    }
    if (a.PreviewVideoMode != b.PreviewVideoMode || a.PreviewAudioMode != b.PreviewAudioMode ||
        a.PreviewCCMode != b.PreviewCCMode || a.PreviewNoVideoPort != b.PreviewNoVideoPort ||
        a.PreviewViaCapturePin != b.PreviewViaCapturePin || a.PreviewVideoTimestamped != b.PreviewVideoTimestamped ||
        a.PreviewAudioTimestamped != b.PreviewAudioTimestamped)
        return DeviceChangeNewGraph;
    return DeviceChangeNone;
}

void CCaptureEngine::RemoveDownstreamOfPin(IPin* pin) {
    if (!session_.Graph || !pin) return;
    ComPtr<IPin> peer;
    if (FAILED(pin->ConnectedTo(peer.ReleaseAndGetAddressOf())) || !peer) return;
    PIN_INFO info{};
    if (FAILED(peer->QueryPinInfo(&info))) return;
    ComPtr<IBaseFilter> peerFilter = ComPtr<IBaseFilter>::Attach(info.pFilter);
    if (info.dir != PINDIR_INPUT) return;
    RemoveDownstream(peerFilter.Get());
    session_.Graph->Disconnect(peer.Get());
    session_.Graph->Disconnect(pin);
    session_.Graph->RemoveFilter(peerFilter.Get());
}

void CCaptureEngine::RemoveDownstream(IBaseFilter* filter) {
    if (!session_.Graph || !filter) return;
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.ReleaseAndGetAddressOf())) || !pins) return;
    IPin* raw = nullptr;
    while (pins->Next(1, &raw, nullptr) == S_OK) {
        ComPtr<IPin> pin = ComPtr<IPin>::Attach(raw);
        RemoveDownstreamOfPin(pin.Get());
    }
}

void CCaptureEngine::TearDownGraph() {
    GraphSession& s = session_;
    auto detachVideoWindow = [&s] {
        if (!s.VideoWindow) return;
        s.VideoWindow->put_Owner(0);
        s.VideoWindow->put_Visible(OAFALSE);
    };
    auto removeAndRelease = [&s](ComPtr<IBaseFilter>& filter) {
        if (filter && s.Graph) s.Graph->RemoveFilter(filter.Get());
        filter = nullptr;
    };
    if (s.MediaFilter) s.MediaFilter->SetSyncSource(nullptr);
    if (s.Graph) s.Graph->SetDefaultSyncSource();
    s.ClockAdjust = nullptr;
    s.Clock = nullptr;
    detachVideoWindow();
    if (s.Sink) {
        RemoveDownstream(s.Sink.Get());
        removeAndRelease(s.Sink);
    }
    // The window is detached before each removal: removing a renderer may destroy its window.
    detachVideoWindow();
    RemoveDownstreamOfPin(s.VideoCapturePin.Get());
    detachVideoWindow();
    s.VideoWindow = nullptr;
    RemoveDownstream(s.VideoCaptureFilter.Get());
    RemoveDownstream(s.AudioCaptureFilter.Get());
    s.VideoCaptureOut = nullptr;
    s.VideoPreviewOut = nullptr;
    s.AudioCaptureOut = nullptr;
    s.AudioPreviewOut = nullptr;
    for (auto* inserted : {&insertedVideoFilters_, &insertedAudioFilters_}) {
        for (ComPtr<IBaseFilter>& filter : *inserted)
            if (s.Graph && filter) s.Graph->RemoveFilter(filter.Get());
        inserted->clear();
    }
    if (s.Graph) {
        if (s.AudioCompressor) s.Graph->RemoveFilter(s.AudioCompressor.Get());
        if (s.VideoCompressor) s.Graph->RemoveFilter(s.VideoCompressor.Get());
    }
    for (ComPtr<IBaseFilter>* filter : {&s.StampfixFilter, &s.CaptureDvSplitter, &s.PreviewDvSplitter, &s.SmartTee,
                                        &s.AudioSmartTee, &s.OverlayMixer, &s.SampleGrabber, &s.NullRenderer})
        removeAndRelease(*filter);
    s.SampleGrabberControl = nullptr;
    s.FileWriter = nullptr;
    s.FileSink = nullptr;
    s.AviMuxControl = nullptr;
    s.TimeShiftControl = nullptr;
    s.MediaEvent = nullptr;
    s.DroppedFrames = nullptr;
    s.PreviewGraphBuilt = 0;
    s.CaptureGraphBuilt = 0;
    s.GraphBuildPending = 0;
}

void CCaptureEngine::DestroyGraphSession() {
    TearDownGraph();
    GraphSession& s = session_;
    s.CapturePinConfig = nullptr;
    s.PreviewPinConfig = nullptr;
    s.AudioCapturePinConfig = nullptr;
    s.AudioPreviewPinConfig = nullptr;
    s.VfwCaptureDialogs = nullptr;
    s.Crossbar1 = nullptr;
    s.Crossbar2 = nullptr;
    s.TvTuner = nullptr;
    s.TvAudio = nullptr;
    s.VideoProcAmp = nullptr;
    s.AnalogVideoDecoder = nullptr;
    s.VideoCaptureBuffers = nullptr;
    s.VideoPreviewBuffers = nullptr;
    s.AudioCaptureBuffers = nullptr;
    s.AudioPreviewBuffers = nullptr;
    s.VideoCapturePin = nullptr;
    s.VideoPreviewPin = nullptr;
    s.AudioCapturePin = nullptr;
    s.AudioPreviewPin = nullptr;
    s.VideoCaptureFilter = nullptr;
    s.AudioCaptureFilter = nullptr;
    s.CaptureBuilder = nullptr;
    s.Graph = nullptr;
    s.MediaFilter = nullptr;
}
