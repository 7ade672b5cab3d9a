// Running and stopping the preview, and keeping the screen saver and monitor power saving away
// while it runs.

#include <chrono>
#include <thread>

#include "common/module_interfaces.h"
#include "engine/capture_engine.h"
#include "platform/com/com_runtime.h"
#include "platform/system/last_error.h"
#include "platform/system/multimedia_timer.h"
#include "platform/system/process_priority.h"
#include "platform/system/screen_saver.h"
#include "platform/system/window.h"


void CCaptureEngine::SetScreenSaverAllowed(bool allowed, BOOL beep) {
    if (!SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, allowed ? TRUE : FALSE, nullptr, SPIF_SENDCHANGE))
        ReportFailure(HResultFromLastError(), beep, "SystemParametersInfo SPI_SETSCREENSAVEACTIVE");
}

void CCaptureEngine::SetMonitorPowerSavingAllowed(bool allowed, BOOL beep) {
    if (!SystemParametersInfo(SPI_SETLOWPOWERACTIVE, allowed ? TRUE : FALSE, nullptr, SPIF_SENDCHANGE))
        ReportFailure(HResultFromLastError(), beep, "SystemParametersInfo SPI_SETLOWPOWERACTIVE");
    if (!SystemParametersInfo(SPI_SETPOWEROFFACTIVE, allowed ? TRUE : FALSE, nullptr, SPIF_SENDCHANGE))
        ReportFailure(HResultFromLastError(), beep, "SystemParametersInfo SPI_SETPOWEROFFACTIVE");
}

void CCaptureEngine::PrepareCaptureStreams() {
    GraphSession& s = session_;
    if (!s.CaptureBuilder) return;
    REFERENCE_TIME stop = MAXLONGLONG;
    if (s.VideoCaptureFilter)
        for (const GUID* type : {&MEDIATYPE_Interleaved, &MEDIATYPE_Video, &MEDIATYPE_Audio})
            s.CaptureBuilder->ControlStream(&PIN_CATEGORY_CAPTURE, type, s.VideoCaptureFilter.Get(), nullptr, &stop, 0, 0);
    if (s.AudioCaptureFilter)
        s.CaptureBuilder->ControlStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, s.AudioCaptureFilter.Get(), nullptr,
                                        &stop, 0, 0);
}

HRESULT CCaptureEngine::RunPreview() {
    GraphSession& s = session_;
    if (s.Previewing) return S_OK;
    if (!s.PreviewGraphBuilt) return E_FAIL;
    if (!s.Graph) return E_POINTER;
    ComPtr<IMediaControl> control;
    HRESULT hr = s.Graph.As(&control);
    if (FAILED(hr)) {
        ReportFailure(hr, TRUE, "QueryInterface IMediaControl");
        return hr;
    }
    PrepareCaptureStreams();
    const COptionProfile& options = store_.Options;
    const bool screenSaverOff = options.NoScreenSaverWhilePreviewing != 0;
    const bool monitorOn = options.KeepMonitorOnWhilePreviewing != 0;
    if (screenSaverOff) {
        SetScreenSaverAllowed(false, TRUE);
        if (const HRESULT killed = KillScreenSaver(); killed != S_OK) ReportFailure(killed, TRUE, "KillScreenSaver");
    }
    if (monitorOn) SetMonitorPowerSavingAllowed(false, TRUE);
    if (FAILED(hr = control->Run())) {
        control->Stop();
        control = nullptr;
        ReportFailure(hr, TRUE, "IMediaControl Run");
        if (screenSaverOff) SetScreenSaverAllowed(true, TRUE);
        if (monitorOn) SetMonitorPowerSavingAllowed(true, TRUE);
        return hr;
    }
    control = nullptr;
    s.RunStartTime = timeGetTime();
    s.Previewing = 1;
    UpdateWindow(frame_);
    return S_OK;
}

HRESULT CCaptureEngine::StopGraph() {
    GraphSession& s = session_;
    ClosePendingHandles();
    if (!s.Capturing && !s.Previewing) return S_OK;
    if (!s.Graph) return E_POINTER;
    ComPtr<IMediaControl> control;
    HRESULT hr = s.Graph.As(&control);
    if (FAILED(hr)) {
        ReportFailure(hr, FALSE, "QueryInterface IMediaControl");
        return hr;
    }
    const HRESULT stopped = control->Stop();
    if (FAILED(stopped)) {
        ReportFailure(stopped, FALSE, "IMediaControl Stop");
        // A stop whose writers ran out of time to finish their files still stops the graph:
        // the run is over then, and the state must say so.
        OAFilterState state = State_Running;
        if (FAILED(control->GetState(0, &state)) || state != State_Stopped) return stopped;
    }
    const COptionProfile& options = store_.Options;
    if ((options.NoScreenSaverWhileCapturing && s.Capturing) || (options.NoScreenSaverWhilePreviewing && s.Previewing))
        SetScreenSaverAllowed(true, TRUE);
    if ((options.KeepMonitorOnWhileCapturing && s.Capturing) || (options.KeepMonitorOnWhilePreviewing && s.Previewing))
        SetMonitorPowerSavingAllowed(true, TRUE);
    if (s.Capturing && options.CapturePriority != options.OtherPriority &&
        !SetPriorityClass(GetCurrentProcess(), options.OtherPriority))
        ReportFailure(HResultFromLastError(), TRUE, "SetPriorityClass");
    control = nullptr;
    s.Capturing = 0;
    s.Previewing = 0;
    s.RunState1 = 0;
    s.RunState2 = 0;
    s.RunState3 = 0;
    s.StopTime = timeGetTime();
    if (options.StopDelay != 0) std::this_thread::sleep_for(std::chrono::milliseconds(options.StopDelay));
    return FAILED(stopped) ? stopped : S_OK;
}

// The adjustable clock drives the recording when the profile asks for it; any failure leaves
// the graph on its default clock.
void CCaptureEngine::UseRecordingClock(const CDeviceProfile* device) {
    GraphSession& s = session_;
    if (!device || !device->UseCustomClock) return;
    HRESULT hr = CoCreateInstance(CLSID_TalvinClock, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(s.Clock.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) {
        ReportFailure(hr, FALSE, "CoCreateInstance CLSID_TalvinClock");
        return;
    }
    if (device->AdjustClockSpeed) {
        ComPtr<ITalvinClock> speed;
        if (FAILED(hr = s.Clock.As(&speed)))
            ReportFailure(hr, FALSE, "QueryInterface ITalvinClock");
        else
            speed->put_Speed(device->ClockSpeed, TRUE);
    }
    if (FAILED(hr = s.MediaFilter->SetSyncSource(s.Clock.Get()))) ReportFailure(hr, FALSE, "IMediaFilter SetSyncSource");
}

// Holds a capture stream back, then lets it start at `start` (stream time). A failure of the
// hold with an immediate start is not worth a report: the stream then simply starts at once.
void CCaptureEngine::ControlRecordedStream(IBaseFilter* source, const GUID* type, REFERENCE_TIME start,
                                           const char* label) {
    GraphSession& s = session_;
    REFERENCE_TIME never = MAXLONGLONG;
    HRESULT hr = s.CaptureBuilder->ControlStream(&PIN_CATEGORY_CAPTURE, type, source, &never, nullptr, 0, 0);
    if (FAILED(hr)) {
        if (start != 0) ReportFailure(hr, FALSE, "%s", label);
        return;
    }
    if (FAILED(hr = s.CaptureBuilder->ControlStream(&PIN_CATEGORY_CAPTURE, type, source, &start, &never, 0, 0)))
        ReportFailure(hr, FALSE, "%s", label);
}

const GUID* CCaptureEngine::RecordedVideoType(const CDeviceProfile* device) {
    const DWORD order = device ? device->CapturePinTypeOrder : 0;
    if (order == 1) return &MEDIATYPE_Interleaved;
    if (order != 0) return &MEDIATYPE_Video;
    return IsDvPin(session_.VideoCapturePin.Get()) ? &MEDIATYPE_Interleaved : &MEDIATYPE_Video;
}

HRESULT CCaptureEngine::StartCapture(CDeviceProfile* device, CMuxProfile* mux) {
    GraphSession& s = session_;
    if (s.Capturing) return S_OK;
    if (!s.CaptureGraphBuilt) return E_FAIL;
    if (!s.CaptureBuilder || !s.Graph || !s.MediaFilter) return E_POINTER;
    UseRecordingClock(device);
    if (s.VideoCapturePin && s.VideoCaptureFilter)
        ControlRecordedStream(s.VideoCaptureFilter.Get(), RecordedVideoType(device), mux ? mux->VideoStartTime : 0,
                              "IMediaControl ControlStream Video");
    IBaseFilter* audioSource = s.AudioCaptureFilter ? s.AudioCaptureFilter.Get() : s.VideoCaptureFilter.Get();
    if (s.AudioCapturePin && audioSource)
        ControlRecordedStream(audioSource, &MEDIATYPE_Audio, mux ? mux->AudioStartTime : 0,
                              "IMediaControl ControlStream Audio");
    ComPtr<IMediaControl> control;
    HRESULT hr = s.Graph.As(&control);
    if (FAILED(hr)) {
        ReportFailure(hr, TRUE, "QueryInterface IMediaControl");
        return hr;
    }
    const COptionProfile& options = store_.Options;
    const bool screenSaverOff = options.NoScreenSaverWhileCapturing != 0;
    const bool monitorOn = options.KeepMonitorOnWhileCapturing != 0;
    const bool raisePriority = options.CapturePriority != options.OtherPriority;
    if (screenSaverOff) {
        SetScreenSaverAllowed(false, FALSE);
        if (const HRESULT killed = KillScreenSaver(); killed != S_OK) ReportFailure(killed, FALSE, "KillScreenSaver");
    }
    if (monitorOn) SetMonitorPowerSavingAllowed(false, FALSE);
    if (raisePriority && !SetPriorityClass(GetCurrentProcess(), options.CapturePriority))
        ReportFailure(HResultFromLastError(), FALSE, "SetPriorityClass");
    // The baselines are taken while the graph stands still, so that every frame of the
    // recording counts and none of the preview's does.
    s.BaselineDropped = 0;
    s.BaselineNotDropped = 0;
    if (s.DroppedFrames) {
        s.DroppedFrames->GetNumDropped(&s.BaselineDropped);
        s.DroppedFrames->GetNumNotDropped(&s.BaselineNotDropped);
    }
    if (FAILED(hr = control->Run())) {
        control->Stop();
        control = nullptr;
        ReportFailure(hr, TRUE, "IMediaControl Run");
        if (screenSaverOff) SetScreenSaverAllowed(true, TRUE);
        if (monitorOn) SetMonitorPowerSavingAllowed(true, TRUE);
        if (raisePriority && !SetPriorityClass(GetCurrentProcess(), options.OtherPriority))
            ReportFailure(HResultFromLastError(), TRUE, "SetPriorityClass");
        return hr;
    }
    control = nullptr;
    s.RunStartTime = timeGetTime();
    s.RunState1 = 0;
    s.RunState2 = 0;
    s.RunState3 = 0;
    s.CpuSum = 0.0;
    s.CpuSamples = 0;
    s.Capturing = 1;
    UpdateWindow(frame_);
    if (device && device->UseClockDelta) TakeClockAdjust();
    return S_OK;
}

// The running clock's adjustment, which the status refresh shifts the clock with.
void CCaptureEngine::TakeClockAdjust() {
    GraphSession& s = session_;
    ComPtr<IReferenceClock> clock;
    HRESULT hr = s.MediaFilter->GetSyncSource(clock.ReleaseAndGetAddressOf());
    if (FAILED(hr) || !clock) {
        ReportFailure(FAILED(hr) ? hr : E_POINTER, FALSE, "IMediaFilter GetSyncSource");
        return;
    }
    if (FAILED(hr = clock.As(&s.ClockAdjust))) ReportFailure(hr, FALSE, "QueryInterface IAMClockAdjust");
}

// The desktop closes its own saver when asked through the screen saver service; no process is
// ended by name.
HRESULT CCaptureEngine::KillScreenSaver() {
    BOOL running = FALSE;
    if (!SystemParametersInfo(SPI_GETSCREENSAVERRUNNING, 0, &running, 0)) return HResultFromLastError();
    if (!running) return S_OK;
    if (!CloseRunningScreenSaver()) return HResultFromLastError();
    return S_OK;
}
