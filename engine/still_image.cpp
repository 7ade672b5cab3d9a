// Still images: one frame of the video capture pin through a one-shot Sample Grabber into a
// Null Renderer, saved as an uncompressed BMP file.
#include <cstring>
#include <ctime>

#include "engine/capture_engine.h"
#include "engine/still_image_file.h"
#include "engine/still_image_name.h"
#include "platform/com/com_runtime.h"
#include "platform/media/format_blocks.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/system/atomic_file.h"
#include "platform/system/dib_section.h"
#include "platform/system/last_error.h"
#include "platform/system/window.h"

namespace {

// The still-image command's notify message to the main frame (WM_USER + 1).
constexpr LONG kGraphNotifyMessage = 0x401;

// How long the shot waits for its frame. A device that delivers none (it vanished, or drops
// every frame) would otherwise hold the program's thread for good; a live source gives its
// first frame well within this.
constexpr LONG kStillFrameWaitMs = 10'000;

// What the grabber accepts: RGB24 video with a VIDEOINFOHEADER; the builder puts a converter
// before it when the pin delivers something else.
AM_MEDIA_TYPE StillGrabberType() {
    AM_MEDIA_TYPE type{};
    type.majortype = MEDIATYPE_Video;
    type.subtype = MEDIASUBTYPE_RGB24;
    type.formattype = FORMAT_VideoInfo;
    return type;
}

// The VIDEOINFOHEADER of a type, or null when the type carries none.
VIDEOINFOHEADER* VideoInfoOf(const AM_MEDIA_TYPE& type) {
    if (type.formattype != FORMAT_VideoInfo || !type.pbFormat || type.cbFormat < sizeof(VIDEOINFOHEADER))
        return nullptr;
    return reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat);
}

HRESULT OrFail(HRESULT hr) { return FAILED(hr) ? hr : E_FAIL; }

}  // namespace

HRESULT CCaptureEngine::StillImageCommand(CDeviceProfile* device) {
    if (session_.VideoWindow) session_.VideoWindow->put_FullScreenMode(OAFALSE);
    StopGraph();
    TearDownGraph();
    const HRESULT hr = CaptureStillImage(device);
    TearDownGraph();
    BuildPreviewGraph(device, nullptr, nullptr, FALSE);
    RunPreview();
    return hr;
}

HRESULT CCaptureEngine::CaptureStillImage(CDeviceProfile* device) {
    // The name, and with it the number, comes first, whatever happens to the shot.
    const std::string path = NextStillImagePath(store_.Options, std::time(nullptr));
    stillPath_ = path;
    GraphSession& s = session_;
    if (!s.CaptureBuilder || !s.Graph || !s.VideoCaptureFilter) return E_POINTER;
    HRESULT hr = AddStillGrabber();
    if (FAILED(hr)) return hr;
    if (FAILED(hr = AddNullRenderer())) return hr;
    const StillFormatSwitch formatSwitch = SwitchStillFormat(device);
    hr = ShootStillImage(path);
    TearDownGraph();
    RestoreStillFormat(formatSwitch);
    return hr;
}

HRESULT CCaptureEngine::AddStillGrabber() {
    GraphSession& s = session_;
    HRESULT hr = CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(s.SampleGrabber.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) {
        ReportFailure(hr, TRUE, "CoCreateInstance SampleGrabber");
        return hr;
    }
    if (FAILED(hr = s.Graph->AddFilter(s.SampleGrabber.Get(), nullptr))) {
        ReportFailure(hr, TRUE, "AddFilter SampleGrabber");
        return hr;
    }
    if (FAILED(hr = s.SampleGrabber.As(&s.SampleGrabberControl))) {
        ReportFailure(hr, TRUE, "QueryInterface ISampleGrabber");
        return hr;
    }
    return S_OK;
}

HRESULT CCaptureEngine::AddNullRenderer() {
    GraphSession& s = session_;
    HRESULT hr = CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(s.NullRenderer.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) {
        ReportFailure(hr, TRUE, "CoCreateInstance NullRenderer");
        return hr;
    }
    if (FAILED(hr = s.Graph->AddFilter(s.NullRenderer.Get(), nullptr))) {
        ReportFailure(hr, TRUE, "AddFilter NullRenderer");
        return hr;
    }
    return S_OK;
}

HRESULT CCaptureEngine::RenderStreamToNullRenderer(const GUID* category, const GUID* type, IUnknown* source,
                                                   IBaseFilter* through) {
    GraphSession& s = session_;
    if (!s.CaptureBuilder || !s.Graph) return E_POINTER;
    if (!s.NullRenderer) {
        const HRESULT hr = AddNullRenderer();
        if (FAILED(hr)) return hr;
    }
    return s.CaptureBuilder->RenderStream(category, type, source, through, s.NullRenderer.Get());
}

// The capture pin switched to the still size and/or RGB24 where the device profile asks for
// it and the pin's format is a VIDEOINFOHEADER one.
CCaptureEngine::StillFormatSwitch CCaptureEngine::SwitchStillFormat(const CDeviceProfile* device) {
    StillFormatSwitch before;
    IAMStreamConfig* config = session_.CapturePinConfig.Get();
    if (!device || (!device->StillChangeResolution && !device->StillForceRGB24) || !config) return before;
    AM_MEDIA_TYPE* type = nullptr;
    if (FAILED(config->GetFormat(&type)) || !type) return before;
    if (VIDEOINFOHEADER* header = VideoInfoOf(*type)) {
        const GUID subtype = type->subtype;
        const LONG width = header->bmiHeader.biWidth;
        const LONG height = header->bmiHeader.biHeight;
        if (device->StillChangeResolution) {
            header->bmiHeader.biWidth = static_cast<LONG>(device->StillWidth);
            header->bmiHeader.biHeight = static_cast<LONG>(device->StillHeight);
        }
        if (device->StillForceRGB24) type->subtype = MEDIASUBTYPE_RGB24;
        const HRESULT hr = config->SetFormat(type);
        if (FAILED(hr)) {
            ReportFailure(hr, TRUE, "IAMStreamConfig SetFormat");
        } else {
            before = StillFormatSwitch{true, subtype, width, height};
        }
    }
    DeleteMediaType(type);
    return before;
}

void CCaptureEngine::RestoreStillFormat(const StillFormatSwitch& formatSwitch) {
    IAMStreamConfig* config = session_.CapturePinConfig.Get();
    if (!formatSwitch.switched || !config) return;
    AM_MEDIA_TYPE* type = nullptr;
    if (FAILED(config->GetFormat(&type)) || !type) return;
    if (VIDEOINFOHEADER* header = VideoInfoOf(*type)) {
        type->subtype = formatSwitch.subtype;
        header->bmiHeader.biWidth = formatSwitch.width;
        header->bmiHeader.biHeight = formatSwitch.height;
        if (const HRESULT hr = config->SetFormat(type); FAILED(hr))
            ReportFailure(hr, TRUE, "IAMStreamConfig SetFormat");
    }
    DeleteMediaType(type);
}

// From the grabber's type to the written file; every failure ends the shot and leaves the
// graph for the caller's clean-up.
HRESULT CCaptureEngine::ShootStillImage(const std::string& path) {
    GraphSession& s = session_;
    const AM_MEDIA_TYPE grabberType = StillGrabberType();
    s.SampleGrabberControl->SetMediaType(&grabberType);
    const GUID* category = &PIN_CATEGORY_CAPTURE;
    ComPtr<IUnknown> source;
    HRESULT hr = ChooseStillSource(category, source);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = RenderStreamToNullRenderer(category, nullptr, source.Get(), s.SampleGrabber.Get()))) {
        ReportFailure(hr, TRUE, "RenderStream SampleGrabber");
        return hr;
    }
    ShowStillVideoPort();
    s.SampleGrabberControl->SetBufferSamples(TRUE);
    s.SampleGrabberControl->SetOneShot(TRUE);
    if (FAILED(hr = RunStillGraph())) return hr;
    return SaveGrabbedFrame(path);
}

// Where the grabber's stream starts: the capture filter's capture stream, or for a DV
// camcorder the video output of a DV Splitter on its capture pin, since the platform's
// builder joins no interleaved stream to a video filter by itself.
HRESULT CCaptureEngine::ChooseStillSource(const GUID*& category, ComPtr<IUnknown>& source) {
    GraphSession& s = session_;
    if (!IsDvPin(s.VideoCapturePin.Get())) {
        category = &PIN_CATEGORY_CAPTURE;
        source = ComPtr<IUnknown>(s.VideoCaptureFilter.Get());
        return S_OK;
    }
    ComPtr<IPin> video;
    const HRESULT hr = PutDvSplitter(s.CaptureDvSplitter, s.VideoCapturePin.Get(), video, nullptr);
    if (FAILED(hr)) return hr;
    category = nullptr;
    source = ComPtr<IUnknown>(video.Get());
    return S_OK;
}

// A device with a video-port pin shows it in the engine window while the shot is taken; a
// device without one simply has nothing to render here.
void CCaptureEngine::ShowStillVideoPort() {
    GraphSession& s = session_;
    if (FAILED(s.CaptureBuilder->RenderStream(&PIN_CATEGORY_VIDEOPORT, nullptr, s.VideoCaptureFilter.Get(), nullptr,
                                              nullptr)))
        return;
    if (FAILED(s.Graph.As(&s.VideoWindow))) return;
    LONG width = 0, height = 0;
    ClientSize(&width, &height);
    IVideoWindow* video = s.VideoWindow.Get();
    HRESULT hr;
    if (FAILED(hr = video->put_Owner(reinterpret_cast<OAHWND>(window_))))
        ReportFailure(hr, TRUE, "IVideoWindow put_Owner");
    if (FAILED(hr = video->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS)))
        ReportFailure(hr, TRUE, "IVideoWindow put_WindowStyle");
    if (FAILED(hr = video->SetWindowPosition(0, 0, width, height)))
        ReportFailure(hr, TRUE, "IVideoWindow SetWindowPosition");
    if (FAILED(hr = video->put_Visible(OATRUE))) ReportFailure(hr, TRUE, "IVideoWindow put_Visible");
}

// Runs the graph until the one-shot grabber has passed its frame and the graph completed,
// then stops it. Completion is handled here, not by the graph's default handling.
HRESULT CCaptureEngine::RunStillGraph() {
    GraphSession& s = session_;
    ComPtr<IMediaControl> control;
    HRESULT hr = s.Graph.As(&control);
    if (FAILED(hr)) {
        ReportFailure(hr, TRUE, "QueryInterface IMediaControl");
        return hr;
    }
    if (FAILED(hr = s.Graph.As(&s.MediaEvent))) {
        ReportFailure(hr, TRUE, "QueryInterface IMediaEventEx");
        return hr;
    }
    if (FAILED(hr = s.MediaEvent->SetNotifyWindow(reinterpret_cast<OAHWND>(frame_), kGraphNotifyMessage, 0)))
        ReportFailure(hr, TRUE, "IMediaEventEx SetNotifyWindow");
    if (FAILED(hr = s.MediaEvent->CancelDefaultHandling(EC_COMPLETE)))
        ReportFailure(hr, TRUE, "IMediaEventEx CancelDefaultHandling");
    PrepareCaptureStreams();
    if (FAILED(hr = control->Run())) {
        ReportFailure(hr, TRUE, "IMediaControl Run");
        RestoreCompletionHandling();
        return hr;
    }
    LONG eventCode = 0;
    if ((hr = s.MediaEvent->WaitForCompletion(kStillFrameWaitMs, &eventCode)) != S_OK) {
        ReportFailure(hr, TRUE, "IMediaEventEx WaitForCompletion");
        RestoreCompletionHandling();
        if (const HRESULT stopped = control->Stop(); FAILED(stopped))
            ReportFailure(stopped, TRUE, "IMediaControl Stop");
        return OrFail(hr);
    }
    if (const HRESULT stopped = control->Stop(); FAILED(stopped)) ReportFailure(stopped, TRUE, "IMediaControl Stop");
    control = nullptr;
    RestoreCompletionHandling();
    return S_OK;
}

void CCaptureEngine::RestoreCompletionHandling() {
    if (const HRESULT hr = session_.MediaEvent->RestoreDefaultHandling(EC_COMPLETE); FAILED(hr))
        ReportFailure(hr, TRUE, "IMediaEventEx RestoreDefaultHandling");
}

// The grabbed frame copied into a bitmap made from the connected type's header, then
// written. The bitmap is freed on every path.
HRESULT CCaptureEngine::SaveGrabbedFrame(const std::string& path) {
    ISampleGrabber* grabber = session_.SampleGrabberControl.Get();
    AM_MEDIA_TYPE type{};
    HRESULT hr = grabber->GetConnectedMediaType(&type);
    if (FAILED(hr)) {
        ReportFailure(hr, TRUE, "ISampleGrabber GetConnectedMediaType");
        return hr;
    }
    // A type without a VIDEOINFOHEADER leaves the header zero, which no bitmap can be made of.
    BITMAPINFO info{};
    if (const VIDEOINFOHEADER* header = VideoInfoOf(type))
        std::memcpy(&info.bmiHeader, &header->bmiHeader, sizeof info.bmiHeader);
    FreeMediaType(type);
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) {
        hr = HResultFromLastError();
        ReportFailure(hr, TRUE, "CreateDIBSection");
        return OrFail(hr);
    }
    LONG size = 0;
    hr = CopyGrabbedFrame(info.bmiHeader, static_cast<BYTE*>(bits), &size);
    if (SUCCEEDED(hr)) hr = WriteStillFile(path, info.bmiHeader, static_cast<const BYTE*>(bits), size);
    if (!DeleteObject(bitmap)) ReportFailure(HResultFromLastError(), TRUE, "DeleteObject");
    return hr;
}

// The grabbed sample into the bitmap's bits. A sample larger than the picture the header
// describes is refused, as the grabber refuses a buffer too small for it (E_OUTOFMEMORY): it
// is never copied past the bitmap, and a frame cut to fit would not be the picture the header
// names. No file is written then.
HRESULT CCaptureEngine::CopyGrabbedFrame(const BITMAPINFOHEADER& header, BYTE* bits, LONG* size) {
    ISampleGrabber* grabber = session_.SampleGrabberControl.Get();
    LONG needed = 0;
    HRESULT hr = grabber->GetCurrentBuffer(&needed, nullptr);
    if (hr != S_OK || needed < 0) {
        if (hr == S_OK) hr = E_UNEXPECTED;
        ReportFailure(hr, TRUE, "ISampleGrabber GetCurrentBuffer1");
        return OrFail(hr);
    }
    if (static_cast<std::size_t>(needed) > DibImageSize(header)) {
        ReportFailure(E_OUTOFMEMORY, TRUE, "ISampleGrabber GetCurrentBuffer2");
        return E_OUTOFMEMORY;
    }
    LONG copied = needed;
    hr = grabber->GetCurrentBuffer(&copied, reinterpret_cast<LONG*>(bits));
    if (hr != S_OK) {
        ReportFailure(hr, TRUE, "ISampleGrabber GetCurrentBuffer2");
        return OrFail(hr);
    }
    *size = copied >= 0 && copied <= needed ? copied : needed;
    return S_OK;
}

// Written beside its final name and renamed over it, so that a failed write leaves neither
// a half-written bitmap nor a damaged earlier one. A file that cannot be created or put in
// place is "CFile Open"; a write that fails after that is "CFile Write".
HRESULT CCaptureEngine::WriteStillFile(const std::string& path, const BITMAPINFOHEADER& header, const BYTE* bits,
                                       LONG size) {
    const std::vector<BYTE> file = BitmapFileBytes(header, bits, static_cast<std::size_t>(size));
    std::string failedStep;
    const int error = WriteFileAtomically(path, file.data(), file.size(), &failedStep);
    if (error == 0) return S_OK;
    if (failedStep.rfind("write", 0) == 0) {
        const HRESULT hr = HResultFromErrno(error);
        ReportFailure(hr, TRUE, "CFile Write");
        return OrFail(hr);
    }
    ReportFailure(E_FAIL, TRUE, "CFile Open");
    return E_FAIL;
}
