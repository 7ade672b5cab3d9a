// Running and stopping the preview, and keeping the screen saver and monitor power saving away
// while it runs.

#include <chrono>
#include <thread>

#include "engine/capture_engine.h"
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
    if (!s.Capturing && !s.Previewing) return S_OK;
    if (!s.Graph) return E_POINTER;
    ComPtr<IMediaControl> control;
    HRESULT hr = s.Graph.As(&control);
    if (FAILED(hr)) {
        ReportFailure(hr, FALSE, "QueryInterface IMediaControl");
        return hr;
    }
    if (FAILED(hr = control->Stop())) {
        ReportFailure(hr, FALSE, "IMediaControl Stop");
        return hr;
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
    s.StopTime = timeGetTime();
    if (options.StopDelay != 0) std::this_thread::sleep_for(std::chrono::milliseconds(options.StopDelay));
    return S_OK;
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
