// The preview graph: live picture and, where asked for, live sound on top of a graph session.
#include <cstdlib>
#include <cstring>

#include "engine/capture_engine.h"
#include "platform/com/com_runtime.h"
#include "platform/media/format_blocks.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/system/window.h"
#include "platform/media/interfaces/capture_builder.h"
#include "platform/media/interfaces/stream_config.h"

namespace {

CFilterProfile* FindFilterProfile(ProfileList<CFilterProfile>& list, const std::string& name) {
    for (auto& profile : list)
        if (profile->Name == name) return profile.get();
    return nullptr;
}

OAHWND AsOaHwnd(HWND window) { return reinterpret_cast<OAHWND>(window); }

template <typename I>
ComPtr<I> FindOnPeerOrDownstream(ICaptureGraphBuilder2* builder, IPin* out) {
    ComPtr<I> found;
    if (!out) return found;
    ComPtr<IPin> peer;
    if (FAILED(out->ConnectedTo(peer.ReleaseAndGetAddressOf())) || !peer) return found;
    PIN_INFO info{};
    if (FAILED(peer->QueryPinInfo(&info)) || !info.pFilter) return found;
    ComPtr<IBaseFilter> filter = ComPtr<IBaseFilter>::Attach(info.pFilter);
    if (SUCCEEDED(filter.As(&found)) && found) return found;
    if (builder)
        builder->FindInterface(&LOOK_DOWNSTREAM_ONLY, nullptr, filter.Get(), IidOf<I>(), found.ReleaseAndGetVoidAddress());
    return found;
}

}  // namespace

bool CCaptureEngine::IsDvPin(IPin* pin) {
    if (!pin || !session_.CaptureBuilder) return false;
    ComPtr<IPin> found;
    return SUCCEEDED(session_.CaptureBuilder->FindPin(pin, PINDIR_OUTPUT, nullptr, &MEDIATYPE_Interleaved, FALSE, 0,
                                                      found.ReleaseAndGetAddressOf()));
}

HRESULT CCaptureEngine::PutFilterOnPin(const CLSID& clsid, const char* name, ComPtr<IBaseFilter>& filter, IPin* pin) {
    GraphSession& s = session_;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(filter.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) {
        ReportFailure(hr, TRUE, "CoCreateInstance %s", name);
        return hr;
    }
    if (FAILED(hr = s.Graph->AddFilter(filter.Get(), nullptr))) {
        ReportFailure(hr, TRUE, "AddFilter %s", name);
        return hr;
    }
    ComPtr<IPin> input;
    hr = s.CaptureBuilder->FindPin(filter.Get(), PINDIR_INPUT, nullptr, nullptr, FALSE, 0, input.ReleaseAndGetAddressOf());
    if (FAILED(hr)) {
        ReportFailure(hr, TRUE, "FindPin %s InputPin", name);
        return hr;
    }
    if (FAILED(hr = s.Graph->Connect(pin, input.Get()))) {
        ReportFailure(hr, TRUE, "Connect %s", name);
        return hr;
    }
    return S_OK;
}

HRESULT CCaptureEngine::TakeOutputPin(IBaseFilter* filter, const GUID* type, int index, const char* label,
                                      ComPtr<IPin>& out) {
    const HRESULT hr = session_.CaptureBuilder->FindPin(filter, PINDIR_OUTPUT, nullptr, type, FALSE, index,
                                                        out.ReleaseAndGetAddressOf());
    if (FAILED(hr)) ReportFailure(hr, TRUE, "%s", label);
    return hr;
}

// A Smart Tee on `source`: its capture output (index 0) and preview output (index 1).
HRESULT CCaptureEngine::PutSmartTee(ComPtr<IPin>& source, ComPtr<IPin>& captureOut, ComPtr<IPin>& previewOut, bool audio) {
    ComPtr<IBaseFilter>& tee = audio ? session_.AudioSmartTee : session_.SmartTee;
    const char* name = audio ? "SmartTee Audio" : "SmartTee";
    HRESULT hr = PutFilterOnPin(CLSID_SmartTee, name, tee, source.Get());
    if (FAILED(hr)) return hr;
    ComPtr<IPin> capture, preview;
    if (FAILED(hr = TakeOutputPin(tee.Get(), nullptr, 0,
                                  audio ? "FindPin SmartTee Audio CapturePin" : "FindPin SmartTee CapturePin", capture)))
        return hr;
    if (FAILED(hr = TakeOutputPin(tee.Get(), nullptr, 1,
                                  audio ? "FindPin SmartTee Audio PreviewPin" : "FindPin SmartTee PreviewPin", preview)))
        return hr;
    captureOut = std::move(capture);
    previewOut = std::move(preview);
    return S_OK;
}

// A DV splitter on `source`; its video output goes to `videoOut`, its audio output to
// `*audioOut` when that slot is given.
HRESULT CCaptureEngine::PutDvSplitter(ComPtr<IBaseFilter>& splitter, IPin* source, ComPtr<IPin>& videoOut,
                                      ComPtr<IPin>* audioOut) {
    HRESULT hr = PutFilterOnPin(CLSID_DVSplitter, "DVSplitter", splitter, source);
    if (FAILED(hr)) return hr;
    ComPtr<IPin> video, audio;
    if (FAILED(hr = TakeOutputPin(splitter.Get(), &MEDIATYPE_Video, 0, "FindPin DVSplitter VideoPin", video))) return hr;
    if (FAILED(hr = TakeOutputPin(splitter.Get(), &MEDIATYPE_Audio, 0, "FindPin DVSplitter AudioPin", audio))) return hr;
    videoOut = std::move(video);
    if (audioOut) *audioOut = std::move(audio);
    return S_OK;
}

HRESULT CCaptureEngine::FindFilterChain(CDeviceProfile* device, bool video, CFilterProfile*& chain) {
    if (!chain && device) {
        const std::string& name = video ? device->PreviewVideoFilterName : device->PreviewAudioFilterName;
        if (!name.empty()) {
            chain = FindFilterProfile(video ? store_.VideoFilterProfiles : store_.AudioFilterProfiles, name);
            if (!chain) {
                ReportFailure(E_FAIL, TRUE, video ? "NotFound VideoFilterProfile" : "NotFound AudioFilterProfile");
                return E_FAIL;
            }
        }
    }
    if (chain && chain->Nodes.empty()) chain = nullptr;
    return S_OK;
}

void CCaptureEngine::SizeFrameByMode(CDeviceProfile* device) {
    GraphSession& s = session_;
    const DWORD mode = device ? device->PreviewSizeMode : 0;
    auto fitToConfig = [this](IAMStreamConfig* config) {
        AM_MEDIA_TYPE* format = nullptr;
        if (config && SUCCEEDED(config->GetFormat(&format)) && format) {
            FitFrameToMediaType(format, 100);
            DeleteMediaType(format);
        }
    };
    switch (mode) {
    case 0: fitToConfig(s.CapturePinConfig.Get()); break;
    case 1: fitToConfig(s.PreviewPinConfig.Get()); break;
    case 2: FitFrameToVideo(static_cast<int>(device->PreviewWidth), static_cast<int>(device->PreviewHeight), 1); break;
    case 4:
        if (s.VideoPreviewOut) {
            AM_MEDIA_TYPE type{};
            if (SUCCEEDED(s.VideoPreviewOut->ConnectionMediaType(&type))) {
                FitFrameToMediaType(&type, 100);
                FreeMediaType(type);
            }
        }
        break;
    default: break;
    }
}

// The preview graph is built in stages, each adding its part to the graph session. A failed
// stage ends the build with its result (the video window and the event notification are only
// reported); the build then stays pending, so the next build tears the half-built graph down.
HRESULT CCaptureEngine::BuildPreviewGraph(CDeviceProfile* device, CFilterProfile* videoChain,
                                          CFilterProfile* audioChain, BOOL fitWindow) {
    HRESULT hr = ReadySessionForPreview(device);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = FindFilterChain(device, true, videoChain))) return hr;
    if (FAILED(hr = FindFilterChain(device, false, audioChain))) return hr;
    if (fitWindow) SizeWindowsForPreview(device);
    if (session_.PreviewGraphBuilt) return S_OK;

    const PreviewPlan plan = BeginPreviewBuild(device, videoChain, audioChain);
    if (FAILED(hr = RoutePreviewPicture(plan))) return hr;
    TakeVideoWindow();
    if (FAILED(hr = ConnectHiddenVideoPort(device, plan))) return hr;
    if (FAILED(hr = RenderVideoPreview(device))) return hr;
    ApplyConnectedPinCompression(device);
    if (FAILED(hr = RenderClosedCaptions(device))) return hr;
    if (FAILED(hr = RoutePreviewSound(plan))) return hr;
    if (FAILED(hr = RenderAudioPreview(device))) return hr;
    SendGraphEventsToFrame();
    FinishPreviewBuild(device);
    return S_OK;
}

// A built graph is torn down first; the session must hold its graph and builder, and the
// capture filter of every device the profile names.
HRESULT CCaptureEngine::ReadySessionForPreview(const CDeviceProfile* device) {
    GraphSession& s = session_;
    if (s.CaptureGraphBuilt || s.GraphBuildPending) TearDownGraph();
    if (!s.CaptureBuilder || !s.Graph) return E_POINTER;
    if (device) {
        if (!device->VideoDeviceMoniker.empty() && !s.VideoCaptureFilter) return E_FAIL;
        if (!device->AudioDeviceMoniker.empty() && !s.AudioCaptureFilter) return E_FAIL;
    }
    return S_OK;
}

// The frame sized as the profile asks, and the video window stretched over the client area.
void CCaptureEngine::SizeWindowsForPreview(CDeviceProfile* device) {
    SizeFrameByMode(device);
    if (session_.VideoWindow) {
        LONG width = 0, height = 0;
        ClientSize(&width, &height);
        session_.VideoWindow->SetWindowPosition(0, 0, width, height);
    }
}

// Marks the build pending, starts every stream at its device pin and settles how the
// profile wants the streams routed.
CCaptureEngine::PreviewPlan CCaptureEngine::BeginPreviewBuild(const CDeviceProfile* device, CFilterProfile* videoChain,
                                                              CFilterProfile* audioChain) {
    GraphSession& s = session_;
    s.GraphBuildPending = 1;
    s.VideoCaptureOut = s.VideoCapturePin;
    s.VideoPreviewOut = s.VideoPreviewPin;
    s.AudioCaptureOut = s.AudioCapturePin;
    s.AudioPreviewOut = s.AudioPreviewPin;

    PreviewPlan plan;
    plan.videoChain = videoChain;
    plan.audioChain = audioChain;
    plan.viaCapturePin = device && device->PreviewViaCapturePin;
    plan.videoTimestamped = device && device->PreviewVideoTimestamped;
    plan.audioTimestamped = device && device->PreviewAudioTimestamped;
    plan.chainForcesCapturePin = videoChain || (!s.AudioCaptureOut && audioChain);
    return plan;
}

// Where the preview picture comes from: the device's preview pin, a tee on its capture pin,
// or the capture pin after the splitter and effect chain.
CCaptureEngine::PreviewPictureSource CCaptureEngine::ChoosePreviewPictureSource(const PreviewPlan& plan) const {
    const GraphSession& s = session_;
    const bool captureForced = plan.chainForcesCapturePin || plan.viaCapturePin;
    if (s.VideoPreviewOut && !captureForced) return PreviewPictureSource::PreviewPin;
    if (s.VideoPreviewOut && !plan.viaCapturePin) return PreviewPictureSource::CaptureChain;
    const bool teeUnusable =
        !s.VideoCaptureOut || plan.chainForcesCapturePin || plan.videoTimestamped || plan.audioTimestamped;
    return teeUnusable ? PreviewPictureSource::CaptureChain : PreviewPictureSource::CapturePinTee;
}

HRESULT CCaptureEngine::RoutePreviewPicture(const PreviewPlan& plan) {
    HRESULT hr = S_OK;
    switch (ChoosePreviewPictureSource(plan)) {
    case PreviewPictureSource::PreviewPin: hr = SplitDvOnPreviewPin(); break;
    case PreviewPictureSource::CapturePinTee: hr = SplitDvBehindCaptureTee(); break;
    case PreviewPictureSource::CaptureChain: hr = SplitDvAndChainOnCapturePin(plan); break;
    }
    if (FAILED(hr)) return hr;
    return TeeVideoCaptureForPreview(plan);
}

// A DV preview pin is split; its picture is then the preview, and there is no capture stream.
HRESULT CCaptureEngine::SplitDvOnPreviewPin() {
    GraphSession& s = session_;
    if (!IsDvPin(s.VideoPreviewOut.Get())) return S_OK;
    const bool noAudioPins = !s.AudioCaptureOut && !s.AudioPreviewOut;
    ComPtr<IPin> source = s.VideoPreviewOut;
    const HRESULT hr = PutDvSplitter(s.PreviewDvSplitter, source.Get(), s.VideoPreviewOut,
                                     noAudioPins ? &s.AudioPreviewOut : nullptr);
    if (FAILED(hr)) return hr;
    s.VideoCaptureOut = nullptr;
    return S_OK;
}

// A DV capture pin gets a tee whose preview output is split; the tee's capture output is
// left unconnected.
HRESULT CCaptureEngine::SplitDvBehindCaptureTee() {
    GraphSession& s = session_;
    if (!IsDvPin(s.VideoCaptureOut.Get())) return S_OK;
    ComPtr<IPin> source = s.VideoCaptureOut;
    ComPtr<IPin> teeCapture, teePreview;
    HRESULT hr = PutSmartTee(source, teeCapture, teePreview, false);
    if (FAILED(hr)) return hr;
    s.VideoCaptureOut = nullptr;
    s.VideoPreviewOut = nullptr;
    const bool noAudioPins = !s.AudioCaptureOut && !s.AudioPreviewOut;
    return PutDvSplitter(s.PreviewDvSplitter, teePreview.Get(), s.VideoPreviewOut,
                         noAudioPins ? &s.AudioPreviewOut : nullptr);
}

// A DV capture pin is split on the capture side, then the video effect chain joins it; a
// chain replaces the device's own preview pin.
HRESULT CCaptureEngine::SplitDvAndChainOnCapturePin(const PreviewPlan& plan) {
    GraphSession& s = session_;
    HRESULT hr = S_OK;
    if (IsDvPin(s.VideoCaptureOut.Get())) {
        ComPtr<IPin> source = s.VideoCaptureOut;
        const bool noAudioCapture = !s.AudioCaptureOut;
        if (FAILED(hr = PutDvSplitter(s.CaptureDvSplitter, source.Get(), s.VideoCaptureOut,
                                      noAudioCapture ? &s.AudioCaptureOut : nullptr)))
            return hr;
    }
    if (plan.videoChain) {
        if (FAILED(hr = InsertFilterChain(s.VideoCaptureOut, plan.videoChain, TRUE))) return hr;
        s.VideoPreviewOut = nullptr;
    }
    return S_OK;
}

// Without a preview stream of its own (or when asked to preview through the capture pin) the
// capture stream is teed. A time-stamped preview takes the capture stream itself.
HRESULT CCaptureEngine::TeeVideoCaptureForPreview(const PreviewPlan& plan) {
    GraphSession& s = session_;
    if (plan.videoTimestamped) {
        s.VideoPreviewOut = std::move(s.VideoCaptureOut);
        s.VideoCaptureOut = nullptr;
        return S_OK;
    }
    if ((!s.VideoPreviewOut || plan.viaCapturePin) && s.VideoCaptureOut) {
        ComPtr<IPin> source = s.VideoCaptureOut;
        return PutSmartTee(source, s.VideoCaptureOut, s.VideoPreviewOut, false);
    }
    return S_OK;
}

// The compression settings of the capture filter's own video pins that are in use.
void CCaptureEngine::ApplyConnectedPinCompression(CDeviceProfile* device) {
    if (IsConnected(session_.VideoPreviewPin.Get())) ApplyCompressionSettings(device, nullptr, 1);
    if (IsConnected(session_.VideoCapturePin.Get())) ApplyCompressionSettings(device, nullptr, 0);
}

void CCaptureEngine::TakeVideoWindow() {
    const HRESULT hr = session_.Graph.As(&session_.VideoWindow);
    if (FAILED(hr)) ReportFailure(hr, TRUE, "QueryInterface IVideoWindow");
}

// A video-port pin that must be connected but never shown: rendered to a hidden window.
HRESULT CCaptureEngine::ConnectHiddenVideoPort(const CDeviceProfile* device, const PreviewPlan& plan) {
    GraphSession& s = session_;
    if (!s.VideoPreviewPin) return S_OK;
    ComPtr<IPin> port;
    const bool isVideoPort = SUCCEEDED(s.CaptureBuilder->FindPin(s.VideoPreviewPin.Get(), PINDIR_OUTPUT,
                                                                  &PIN_CATEGORY_VIDEOPORT, nullptr, FALSE, 0,
                                                                  port.ReleaseAndGetAddressOf()));
    if (!(device && device->PreviewNoVideoPort) && !(plan.videoChain && isVideoPort)) return S_OK;
    const HRESULT hr = s.CaptureBuilder->RenderStream(nullptr, nullptr, s.VideoPreviewPin.Get(), nullptr, nullptr);
    if (FAILED(hr)) {
        ReportFailure(hr, TRUE, "RenderStream VideoPreview Dummy");
        return hr;
    }
    AttachVideoWindow(false);
    return S_OK;
}

// Closed captions, or the VBI stream where the device has no caption pin.
HRESULT CCaptureEngine::RenderClosedCaptions(const CDeviceProfile* device) {
    GraphSession& s = session_;
    if (!device || !device->PreviewCCMode) return S_OK;
    HRESULT hr = s.CaptureBuilder->RenderStream(&PIN_CATEGORY_CC, nullptr, s.VideoCaptureFilter.Get(), nullptr, nullptr);
    if (FAILED(hr))
        hr = s.CaptureBuilder->RenderStream(&PIN_CATEGORY_VBI, nullptr, s.VideoCaptureFilter.Get(), nullptr, nullptr);
    if (FAILED(hr)) {
        ReportFailure(hr, TRUE, "RenderStream ClosedCaption");
        return hr;
    }
    return S_OK;
}

// The audio effect chain, then a tee on the capture stream when there is no preview stream;
// a time-stamped preview takes the capture stream itself.
HRESULT CCaptureEngine::RoutePreviewSound(const PreviewPlan& plan) {
    GraphSession& s = session_;
    HRESULT hr = S_OK;
    if (plan.audioChain) {
        if (FAILED(hr = InsertFilterChain(s.AudioCaptureOut, plan.audioChain, FALSE))) return hr;
        s.AudioPreviewOut = nullptr;
    }
    if (plan.audioTimestamped) {
        s.AudioPreviewOut = std::move(s.AudioCaptureOut);
        s.AudioCaptureOut = nullptr;
        return S_OK;
    }
    if (!s.AudioPreviewOut && s.AudioCaptureOut) {
        ComPtr<IPin> source = s.AudioCaptureOut;
        return PutSmartTee(source, s.AudioCaptureOut, s.AudioPreviewOut, true);
    }
    return S_OK;
}

HRESULT CCaptureEngine::RenderAudioPreview(const CDeviceProfile* device) {
    GraphSession& s = session_;
    if (!device || !device->PreviewAudioMode) return S_OK;
    const HRESULT hr = s.CaptureBuilder->RenderStream(nullptr, &MEDIATYPE_Audio, s.AudioPreviewOut.Get(), nullptr, nullptr);
    if (FAILED(hr)) {
        ReportFailure(hr, TRUE, "RenderStream AudioPreview");
        return hr;
    }
    return S_OK;
}

// Graph events are posted to the main frame; a failure here is reported but does not stop
// the preview.
void CCaptureEngine::SendGraphEventsToFrame() {
    GraphSession& s = session_;
    HRESULT hr;
    if (FAILED(hr = s.Graph.As(&s.MediaEvent))) {
        ReportFailure(hr, TRUE, "QueryInterface IMediaEventEx");
    } else if (FAILED(hr = s.MediaEvent->SetNotifyWindow(AsOaHwnd(frame_), WM_USER + 1, 0))) {
        ReportFailure(hr, TRUE, "IMediaEventEx SetNotifyWindow");
    }
}

void CCaptureEngine::FinishPreviewBuild(CDeviceProfile* device) {
    WriteBackAllocators(device);
    session_.PreviewGraphBuilt = 1;
    session_.GraphBuildPending = 0;
}

HRESULT CCaptureEngine::RenderVideoPreview(CDeviceProfile* device) {
    GraphSession& s = session_;
    const DWORD mode = device ? device->PreviewVideoMode : 1;
    if (mode == 0) return S_OK;
    HRESULT hr = S_OK;
    if (mode == 2) {
        hr = CoCreateInstance(CLSID_OverlayMixer, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(s.OverlayMixer.ReleaseAndGetAddressOf()));
        if (FAILED(hr)) {
            ReportFailure(hr, TRUE, "CoCreateInstance OverlayMixer");
            return hr;
        }
        if (FAILED(hr = s.Graph->AddFilter(s.OverlayMixer.Get(), nullptr))) {
            ReportFailure(hr, TRUE, "AddFilter OverlayMixer");
            return hr;
        }
    }
    hr = s.CaptureBuilder->RenderStream(nullptr, nullptr, s.VideoPreviewOut.Get(), nullptr, nullptr);
    if (FAILED(hr)) {
        ReportFailure(hr, TRUE, "RenderStream VideoPreview");
        return hr;
    }
    if (device && device->PreviewSizeMode == 4 && s.VideoPreviewOut) {
        AM_MEDIA_TYPE type{};
        if (SUCCEEDED(s.VideoPreviewOut->ConnectionMediaType(&type))) {
            FitFrameToMediaType(&type, 100);
            FreeMediaType(type);
        }
    }
    AttachVideoWindow(true);
    return S_OK;
}

// Puts the graph's video window into the engine window. A hidden one (a video port that must
// be connected) is attached silently; the visible one reports each failed call.
void CCaptureEngine::AttachVideoWindow(bool visible, BOOL beep) {
    IVideoWindow* video = session_.VideoWindow.Get();
    if (!video) return;
    LONG width = 0, height = 0;
    ClientSize(&width, &height);
    if (!visible) {
        video->put_Owner(AsOaHwnd(window_));
        video->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
        video->SetWindowPosition(0, 0, width, height);
        video->put_Visible(OAFALSE);
        video->put_AutoShow(OAFALSE);
        return;
    }
    HRESULT hr;
    if (FAILED(hr = video->put_Owner(AsOaHwnd(window_)))) ReportFailure(hr, beep, "IVideoWindow put_Owner");
    if (FAILED(hr = video->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS))) ReportFailure(hr, beep, "IVideoWindow put_WindowStyle");
    if (FAILED(hr = video->SetWindowPosition(0, 0, width, height))) ReportFailure(hr, beep, "IVideoWindow SetWindowPosition");
    if (FAILED(hr = video->put_Visible(OATRUE))) ReportFailure(hr, beep, "IVideoWindow put_Visible");
    if (FAILED(hr = video->put_AutoShow(OAFALSE))) ReportFailure(hr, beep, "IVideoWindow put_AutoShow");
    if (FAILED(hr = video->put_MessageDrain(AsOaHwnd(frame_)))) ReportFailure(hr, beep, "IVideoWindow put_MessageDrain");
}

void CCaptureEngine::WriteBackAllocators(CDeviceProfile* device) {
    if (!device) return;
    const std::pair<IAMBufferNegotiation*, int> pins[] = {
        {session_.VideoCaptureBuffers.Get(), VideoCapturePin},
        {session_.VideoPreviewBuffers.Get(), VideoPreviewPin},
        {session_.AudioCaptureBuffers.Get(), AudioCapturePin},
        {session_.AudioPreviewBuffers.Get(), AudioPreviewPin},
    };
    for (const auto& [negotiation, pin] : pins) {
        ALLOCATOR_PROPERTIES properties{};
        if (!negotiation || negotiation->GetAllocatorProperties(&properties) != S_OK) continue;
        AllocatorRequest& record = device->Allocators[pin].Allocator;
        record.cBuffers = properties.cBuffers;
        record.cbBuffer = properties.cbBuffer;
        record.cbAlign = properties.cbAlign;
        record.cbPrefix = properties.cbPrefix;
    }
}

void CCaptureEngine::FitFrameToVideo(int width, int height, int retries) {
    RECT frame{}, client{};
    if (!GetWindowRect(frame_, &frame) || !GetClientRect(window_, &client)) return;
    const int frameWidth = frame.right - frame.left;
    const int frameHeight = frame.bottom - frame.top;
    const int clientWidth = client.right - client.left;
    const int clientHeight = client.bottom - client.top;
    const int dx = frameWidth - clientWidth;
    const int dy = frameHeight - clientHeight;
    const int requestedWidth = width + dx;
    const int requestedHeight = height + dy;
    int w = width, h = height;
    // A platform that knows no maximum (0) leaves the size alone.
    if (const int maxWidth = GetSystemMetrics(SM_CXMAXTRACK); maxWidth > 0 && w >= maxWidth - dx) w = maxWidth - dx;
    if (const int maxHeight = GetSystemMetrics(SM_CYMAXTRACK); maxHeight > 0 && h >= maxHeight - dy) h = maxHeight - dy;
    const int left = frame.left + (clientWidth - w) / 2;
    int top = frame.top + (clientHeight - h) / 2;
    if (top < 1) top = 0;
    SetWindowPos(frame_, nullptr, left, top, w + dx, h + dy, SWP_NOZORDER);
    if (retries > 0 && (requestedWidth != frameWidth || requestedHeight != frameHeight))
        FitFrameToVideo(width, height, retries - 1);
}

void CCaptureEngine::FitFrameToMediaType(const AM_MEDIA_TYPE* type, int percent) {
    if (!type) return;
    unsigned width = 0, height = 0;
    const GUID& format = type->formattype;
    if (format == FORMAT_VideoInfo || format == FORMAT_MPEGVideo) {
        // A block too short for its header is ignored rather than read past its end.
        if (!type->pbFormat || type->cbFormat < sizeof(VIDEOINFOHEADER)) return;
        VIDEOINFOHEADER header;
        std::memcpy(&header, type->pbFormat, sizeof header);
        width = static_cast<unsigned>(std::labs(header.bmiHeader.biWidth));
        height = static_cast<unsigned>(std::labs(header.bmiHeader.biHeight));
    } else if (format == FORMAT_VideoInfo2 || format == FORMAT_MPEG2_VIDEO) {
        if (!type->pbFormat || type->cbFormat < sizeof(VIDEOINFOHEADER2)) return;
        VIDEOINFOHEADER2 header;
        std::memcpy(&header, type->pbFormat, sizeof header);
        width = static_cast<unsigned>(std::labs(header.bmiHeader.biWidth));
        height = static_cast<unsigned>(std::labs(header.bmiHeader.biHeight));
    } else if (format == FORMAT_DvInfo) {
        width = 720;
        height = 480;
    } else {
        return;
    }
    const auto scale = static_cast<unsigned>(percent);
    FitFrameToVideo(static_cast<int>(width * scale / 100u), static_cast<int>(height * scale / 100u), 1);
}

void CCaptureEngine::FitFrameToVideoPercent(int percent) {
    GraphSession& s = session_;
    AM_MEDIA_TYPE type{};
    if (s.VideoPreviewOut && SUCCEEDED(s.VideoPreviewOut->ConnectionMediaType(&type))) {
        FitFrameToMediaType(&type, percent);
        FreeMediaType(type);
        return;
    }
    IAMStreamConfig* config = s.CapturePinConfig ? s.CapturePinConfig.Get() : s.PreviewPinConfig.Get();
    AM_MEDIA_TYPE* format = nullptr;
    if (config && SUCCEEDED(config->GetFormat(&format)) && format) {
        FitFrameToMediaType(format, percent);
        DeleteMediaType(format);
    }
}

void CCaptureEngine::ShowPreview(BOOL hide) {
    GraphSession& s = session_;
    if (ComPtr<IVideoWindow> video = FindOnPeerOrDownstream<IVideoWindow>(s.CaptureBuilder.Get(), s.VideoPreviewOut.Get()))
        video->put_Visible(hide ? OAFALSE : OATRUE);
    if (ComPtr<IBasicAudio> audio = FindOnPeerOrDownstream<IBasicAudio>(s.CaptureBuilder.Get(), s.AudioPreviewOut.Get()))
        audio->put_Volume(hide ? -10000 : 0);
}
