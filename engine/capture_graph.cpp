// The recording graph: the capture streams through timestamp repair, Smart Tees, DV
// splitting, effect chains and compressors into the sink, with the preview, closed-caption
// and time-shift branches beside them.
#include "engine/capture_engine.h"
#include "platform/com/com_runtime.h"
#include "platform/media/interfaces/clsids.h"

namespace {

OAHWND AsOaHwnd(HWND window) { return reinterpret_cast<OAHWND>(window); }

}  // namespace

bool CCaptureEngine::RecordingPlan::RecordsVideo() const { return !device || device->CaptureVideoMode >= 3; }
bool CCaptureEngine::RecordingPlan::PreviewsVideo() const {
    return !device || (device->CaptureVideoMode != 0 && device->CaptureVideoMode != 3);
}
bool CCaptureEngine::RecordingPlan::RecordsAudio() const {
    return !device || device->CaptureAudioMode == 2 || device->CaptureAudioMode == 3;
}
bool CCaptureEngine::RecordingPlan::PreviewsAudio() const {
    return device && (device->CaptureAudioMode == 1 || device->CaptureAudioMode == 3);
}
bool CCaptureEngine::RecordingPlan::VideoTeeAfterChain() const { return videoChain && device->VideoFilterPreview; }
bool CCaptureEngine::RecordingPlan::AudioTeeAfterChain() const { return audioChain && device->AudioFilterPreview; }

// Each stage adds its part to the session's graph. A failed stage ends the build with its
// result and leaves the build pending, so TearDownGraph (or the next build) clears it.
HRESULT CCaptureEngine::BuildCaptureGraph(CDeviceProfile* device, CCompressorProfile* compressor, CMuxProfile* mux,
                                          CRecordProfile* reservation) {
    GraphSession& s = session_;
    if (s.CaptureGraphBuilt) return S_OK;
    if (!s.CaptureBuilder || !s.Graph) return E_POINTER;
    if (!RecordingSourcesPresent(device, compressor)) return E_FAIL;
    RecordingPlan plan{device, compressor, mux};
    HRESULT hr = FindRecordingChain(device, true, plan.videoChain);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = FindRecordingChain(device, false, plan.audioChain))) return hr;
    if (s.PreviewGraphBuilt || s.GraphBuildPending) TearDownGraph();

    s.GraphBuildPending = 1;
    NameOutput(reservation);
    if (FAILED(hr = CreateSink(plan))) return hr;
    WatchOutputSizes(plan);
    s.VideoCaptureOut = s.VideoCapturePin;
    s.VideoPreviewOut = s.VideoPreviewPin;
    s.AudioCaptureOut = s.AudioCapturePin;
    s.AudioPreviewOut = s.AudioPreviewPin;
    if (FAILED(hr = RepairCaptureTimestamps(device))) return hr;
    if (FAILED(hr = TeeRecordedVideo(plan))) return hr;
    if (device && device->DvType2 && s.VideoCaptureOut && FAILED(hr = SplitDvOnCapturePath(*device, TRUE))) return hr;
    if (FAILED(hr = ChainRecordedVideo(plan))) return hr;
    if (FAILED(hr = RenderVideoCapture(plan))) return hr;
    if (FAILED(hr = TeeRecordedAudio(plan))) return hr;
    if (FAILED(hr = ChainRecordedAudio(plan))) return hr;
    if (FAILED(hr = RenderAudioCapture(plan))) return hr;
    SizeFrameForRecording(device);
    if (FAILED(hr = BuildRecordingPreview(plan))) return hr;
    RenderRecordedClosedCaptions(device);
    if (plan.PreviewsAudio() && FAILED(hr = s.CaptureBuilder->RenderStream(nullptr, &MEDIATYPE_Audio, s.AudioPreviewOut.Get(),
                                                                              nullptr, nullptr)))
        ReportFailure(hr, FALSE, "RenderStream AudioPreview");
    RenderTimeShift(plan);
    SendGraphEventsToFrame();
    WriteBackAllocators(device);
    if (!s.DroppedFrames && s.VideoCapturePin) s.VideoCapturePin.As(&s.DroppedFrames);
    s.CaptureGraphBuilt = 1;
    s.GraphBuildPending = 0;
    return S_OK;
}

// Every device the profile names has its capture filter, and every compressor the
// compressor profile names is bound. A compressor that is not installed at all was reported
// when the compressors were bound; its stream is then written uncompressed.
bool CCaptureEngine::RecordingSourcesPresent(const CDeviceProfile* device, const CCompressorProfile* compressor) const {
    const GraphSession& s = session_;
    if (device && !device->VideoDeviceMoniker.empty() && !s.VideoCaptureFilter) return false;
    if (device && !device->AudioDeviceMoniker.empty() && !s.AudioCaptureFilter) return false;
    if (!compressor) return true;
    auto unbound = [](const std::vector<ComPtr<IMoniker>>& list, const std::string& name, const std::string& moniker,
                      const ComPtr<IBaseFilter>& filter) {
        return !name.empty() && !filter && FindCatalogMoniker(list, name, moniker);
    };
    return !unbound(catalog_.List(VideoCompressors), compressor->VideoCompressorName, compressor->VideoCompressorMoniker,
                    s.VideoCompressor) &&
           !unbound(catalog_.List(AudioCompressors), compressor->AudioCompressorName, compressor->AudioCompressorMoniker,
                    s.AudioCompressor);
}

// The timestamp repair filter on the capture stream, created by its class identifier from
// its module; its frame time is set when the profile fixes one.
HRESULT CCaptureEngine::RepairCaptureTimestamps(const CDeviceProfile* device) {
    GraphSession& s = session_;
    if (!device || !device->StreamTimeCorrection || !s.VideoCaptureOut) return S_OK;
    ComPtr<IPin> source = s.VideoCaptureOut;
    HRESULT hr = PutFilterOnPin(CLSID_Stampfix, "Stampfix", s.StampfixFilter, source.Get());
    if (FAILED(hr)) return hr;
    if (FAILED(hr = TakeOutputPin(s.StampfixFilter.Get(), nullptr, 0, "FindPin Stampfix OutputPin", s.VideoCaptureOut)))
        return hr;
    if (!device->StreamTimeUseDisplayTime) return S_OK;
    ComPtr<IStampfix> stampfix;
    if (FAILED(hr = s.StampfixFilter.As(&stampfix)))
        ReportFailure(hr, FALSE, "QueryInterface IStampfix");
    else if (FAILED(hr = stampfix->put_TimePerFrame(device->StreamTimeDisplayTime, TRUE)))
        ReportFailure(hr, FALSE, "IStampfix put_TimePerFrame");
    return S_OK;
}

// The capture stream is teed for a preview made from it, unless the tee goes after the
// effect chain.
HRESULT CCaptureEngine::TeeRecordedVideo(const RecordingPlan& plan) {
    GraphSession& s = session_;
    if (!s.VideoCaptureOut || plan.VideoTeeAfterChain()) return S_OK;
    const bool previewFromCapture = !s.VideoPreviewOut && plan.PreviewsVideo();
    if (!previewFromCapture && !(plan.device && plan.device->UseSmartTee)) return S_OK;
    ComPtr<IPin> source = s.VideoCaptureOut;
    return PutSmartTee(source, s.VideoCaptureOut, s.VideoPreviewOut, false);
}

HRESULT CCaptureEngine::ChainRecordedVideo(const RecordingPlan& plan) {
    GraphSession& s = session_;
    HRESULT hr = S_OK;
    if (plan.videoChain) {
        if (FAILED(hr = InsertFilterChain(s.VideoCaptureOut, plan.videoChain, TRUE))) return hr;
        if (plan.VideoTeeAfterChain()) {
            ComPtr<IPin> source = s.VideoCaptureOut;
            return PutSmartTee(source, s.VideoCaptureOut, s.VideoPreviewOut, false);
        }
        return S_OK;
    }
    if (!IsDvPin(s.VideoPreviewOut.Get())) return S_OK;
    return SplitDvOnRecordingPreview();
}

// A DV preview stream is split for its picture; its sound becomes the sound preview when the
// device has no audio pins.
HRESULT CCaptureEngine::SplitDvOnRecordingPreview() {
    GraphSession& s = session_;
    static constexpr const char* kName = "DVSplitter Preview";
    ComPtr<IPin> source = s.VideoPreviewOut;
    HRESULT hr = PutFilterOnPin(CLSID_DVSplitter, kName, s.PreviewDvSplitter, source.Get());
    if (FAILED(hr)) return hr;
    ComPtr<IPin> video, audio;
    if (FAILED(hr = TakeOutputPin(s.PreviewDvSplitter.Get(), &MEDIATYPE_Video, 0, "FindPin DVSplitter Preview VideoPin", video)))
        return hr;
    s.VideoPreviewOut = std::move(video);
    if (s.AudioCaptureOut || s.AudioPreviewOut) return S_OK;
    if (FAILED(hr = TakeOutputPin(s.PreviewDvSplitter.Get(), &MEDIATYPE_Audio, 0, "FindPin DVSplitter Preview AudioPin", audio)))
        return hr;
    s.AudioPreviewOut = std::move(audio);
    return S_OK;
}

// The capture stream through its compressor (when one is bound) into the sink.
HRESULT CCaptureEngine::RenderVideoCapture(const RecordingPlan& plan) {
    GraphSession& s = session_;
    if (!plan.RecordsVideo()) return S_OK;
    HRESULT hr;
    if (s.VideoCompressor) {
        if (FAILED(hr = s.Graph->AddFilter(s.VideoCompressor.Get(), nullptr))) {
            ReportFailure(hr, TRUE, "AddFilter VideoCompressor");
            return hr;
        }
        ApplyVideoDialogState(plan.compressor);
    }
    if (FAILED(hr = s.CaptureBuilder->RenderStream(nullptr, nullptr, s.VideoCaptureOut.Get(), s.VideoCompressor.Get(),
                                                   s.Sink.Get()))) {
        ReportFailure(hr, TRUE, "RenderStream VideoCapture");
        return hr;
    }
    ApplyCompressionSettings(plan.device, plan.compressor, 0);
    ApplyCompressionSettings(plan.device, plan.compressor, 2);
    return S_OK;
}

HRESULT CCaptureEngine::TeeRecordedAudio(const RecordingPlan& plan) {
    GraphSession& s = session_;
    if (s.AudioPreviewOut || !plan.PreviewsAudio() || plan.AudioTeeAfterChain() || !s.AudioCaptureOut) return S_OK;
    ComPtr<IPin> source = s.AudioCaptureOut;
    return PutSmartTee(source, s.AudioCaptureOut, s.AudioPreviewOut, true);
}

HRESULT CCaptureEngine::ChainRecordedAudio(const RecordingPlan& plan) {
    GraphSession& s = session_;
    if (!plan.audioChain) return S_OK;
    HRESULT hr = InsertFilterChain(s.AudioCaptureOut, plan.audioChain, FALSE);
    if (FAILED(hr) || !plan.AudioTeeAfterChain()) return hr;
    ComPtr<IPin> source = s.AudioCaptureOut;
    return PutSmartTee(source, s.AudioCaptureOut, s.AudioPreviewOut, true);
}

HRESULT CCaptureEngine::RenderAudioCapture(const RecordingPlan& plan) {
    GraphSession& s = session_;
    if (!plan.RecordsAudio()) return S_OK;
    HRESULT hr;
    if (s.AudioCompressor && FAILED(hr = s.Graph->AddFilter(s.AudioCompressor.Get(), nullptr))) {
        ReportFailure(hr, TRUE, "AddFilter AudioCompressor");
        return hr;
    }
    if (FAILED(hr = s.CaptureBuilder->RenderStream(nullptr, nullptr, s.AudioCaptureOut.Get(), s.AudioCompressor.Get(),
                                                   s.Sink.Get()))) {
        ReportFailure(hr, TRUE, "RenderStream AudioCapture");
        return hr;
    }
    ApplyAudioFormat(plan.compressor);
    return S_OK;
}

// The frame sized by the recording's size mode, as the preview's mode sizes it.
void CCaptureEngine::SizeFrameForRecording(CDeviceProfile* device) {
    if (!device) return;
    CDeviceProfile sizing;
    sizing.PreviewSizeMode = device->CaptureSizeMode;
    sizing.PreviewWidth = device->CaptureWidth;
    sizing.PreviewHeight = device->CaptureHeight;
    SizeFrameByMode(&sizing);
}

// The preview side of a recording: it never stops the build, except for an Overlay Mixer
// that cannot be made or added.
HRESULT CCaptureEngine::BuildRecordingPreview(const RecordingPlan& plan) {
    GraphSession& s = session_;
    HRESULT hr = s.Graph.As(&s.VideoWindow);
    if (FAILED(hr)) ReportFailure(hr, FALSE, "QueryInterface IVideoWindow");
    ConnectRecordingVideoPort(plan);
    const DWORD mode = plan.device ? plan.device->CaptureVideoMode : 4;
    if (plan.device && (mode == 2 || mode == 5)) {
        if (FAILED(hr = CoCreateInstance(CLSID_OverlayMixer, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_PPV_ARGS(s.OverlayMixer.ReleaseAndGetAddressOf())))) {
            ReportFailure(hr, TRUE, "CoCreateInstance OverlayMixer");
            return hr;
        }
        if (FAILED(hr = s.Graph->AddFilter(s.OverlayMixer.Get(), nullptr))) {
            ReportFailure(hr, TRUE, "AddFilter OverlayMixer");
            return hr;
        }
    }
    if (plan.PreviewsVideo()) {
        if (FAILED(hr = s.CaptureBuilder->RenderStream(nullptr, nullptr, s.VideoPreviewOut.Get(), nullptr, nullptr))) {
            ReportFailure(hr, FALSE, "RenderStream VideoPreview");
        } else {
            if (plan.device && plan.device->CaptureSizeMode == 4) SizeFrameForRecording(plan.device);
            AttachVideoWindow(true, FALSE);
        }
    }
    if (plan.device && IsConnected(s.VideoPreviewPin.Get())) ApplyCompressionSettings(plan.device, nullptr, 1);
    return S_OK;
}

// A video-port pin that must be connected while recording goes to a hidden window.
void CCaptureEngine::ConnectRecordingVideoPort(const RecordingPlan& plan) {
    GraphSession& s = session_;
    if (!s.VideoPreviewPin) return;
    ComPtr<IPin> port;
    const bool isVideoPort = SUCCEEDED(s.CaptureBuilder->FindPin(s.VideoPreviewPin.Get(), PINDIR_OUTPUT,
                                                                  &PIN_CATEGORY_VIDEOPORT, nullptr, FALSE, 0,
                                                                  port.ReleaseAndGetAddressOf()));
    const bool noVideoPort = plan.device && plan.device->CaptureNoVideoPort;
    if (!noVideoPort && !(plan.VideoTeeAfterChain() && isVideoPort)) return;
    const HRESULT hr = s.CaptureBuilder->RenderStream(nullptr, nullptr, s.VideoPreviewPin.Get(), nullptr, nullptr);
    if (FAILED(hr)) {
        ReportFailure(hr, FALSE, "RenderStream VideoPreview Dummy");
        return;
    }
    AttachVideoWindow(false);
}

// Closed captions recorded into the sink and shown, where the device has them.
void CCaptureEngine::RenderRecordedClosedCaptions(const CDeviceProfile* device) {
    GraphSession& s = session_;
    if (!device) return;
    HRESULT hr;
    if (device->CaptureCCMode == 2 || device->CaptureCCMode == 3) {
        hr = s.CaptureBuilder->RenderStream(&PIN_CATEGORY_CC, nullptr, s.VideoCaptureFilter.Get(), nullptr, s.Sink.Get());
        if (FAILED(hr))
            hr = s.CaptureBuilder->RenderStream(&PIN_CATEGORY_VBI, nullptr, s.VideoCaptureFilter.Get(), nullptr, s.Sink.Get());
        if (FAILED(hr)) ReportFailure(hr, FALSE, "RenderStream ClosedCaptionCapture");
    }
    if ((device->CaptureCCMode == 1 || device->CaptureCCMode == 3) &&
        FAILED(hr = s.CaptureBuilder->RenderStream(&PIN_CATEGORY_VBI, nullptr, s.VideoCaptureFilter.Get(), nullptr, nullptr)))
        ReportFailure(hr, FALSE, "RenderStream ClosedCaptionPreview");
}

// The splitting multiplexer's playback outputs, shown in the engine window while it records.
void CCaptureEngine::RenderTimeShift(const RecordingPlan& plan) {
    GraphSession& s = session_;
    if (!s.TimeShiftControl) return;
    HRESULT hr;
    if (plan.RecordsVideo()) {
        if (FAILED(hr = s.CaptureBuilder->RenderStream(nullptr, &MEDIATYPE_Video, s.Sink.Get(), nullptr, nullptr))) {
            ReportFailure(hr, FALSE, "RenderStream TimeShift Video");
        } else if (IVideoWindow* video = s.VideoWindow.Get()) {
            LONG width = 0, height = 0;
            ClientSize(&width, &height);
            if (FAILED(hr = video->put_Owner(AsOaHwnd(window_)))) ReportFailure(hr, FALSE, "IVideoWindow put_Owner TimeShift");
            if (FAILED(hr = video->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS)))
                ReportFailure(hr, FALSE, "IVideoWindow put_WindowStyle TimeShift");
            if (FAILED(hr = video->SetWindowPosition(0, 0, width, height)))
                ReportFailure(hr, FALSE, "IVideoWindow SetWindowPosition TimeShift");
            if (FAILED(hr = video->put_Visible(OATRUE))) ReportFailure(hr, FALSE, "IVideoWindow put_Visible TimeShift");
            if (FAILED(hr = video->put_AutoShow(OAFALSE))) ReportFailure(hr, FALSE, "IVideoWindow put_AutoShow TimeShift");
            if (FAILED(hr = video->put_MessageDrain(AsOaHwnd(frame_))))
                ReportFailure(hr, FALSE, "IVideoWindow put_MessageDrain TimeShift");
        }
    }
    if ((!plan.device || plan.device->CaptureAudioMode >= 2) &&
        FAILED(hr = s.CaptureBuilder->RenderStream(nullptr, &MEDIATYPE_Audio, s.Sink.Get(), nullptr, nullptr)))
        ReportFailure(hr, FALSE, "RenderStream TimeShift Audio");
}
