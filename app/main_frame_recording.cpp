// The recording controller: starting and stopping recordings, their end time, the external
// input signal, graph events and the recording log.
#include <QLabel>
#include <QStatusBar>
#include <chrono>
#include <cstdint>
#include <thread>

#include "app/information_bar.h"
#include "app/main_frame.h"
#include "app/profile_bar.h"
#include "app/resource_ids.h"
#include "app/tv_bar.h"
#include "platform/system/local_time.h"
#include "profiles/record_profile.h"

namespace {
// The first profile of `list` whose name is `name`, byte for byte.
template <typename Profile>
Profile* FindByName(const std::vector<std::unique_ptr<Profile>>& list, const std::string& name) {
    for (const auto& profile : list)
        if (profile->Name == name) return profile.get();
    return nullptr;
}
}  // namespace

// The renderer's full-screen mode and the window's (F11) both end before a recording starts.
void CMainFrame::LeaveFullScreenForRecording() {
    if (const ComPtr<IVideoWindow>& window = engine_->Session().VideoWindow) window->put_FullScreenMode(OAFALSE);
    LeaveFullScreen();
}

void CMainFrame::ShowEndTime() {
    informationBar_->SetField(ids::InfoEndTime, QString::fromLocal8Bit(FormatLocalTime("%c", endTime_)));
}

void CMainFrame::RestoreWindowForAutomaticStart() {
    const COptionProfile& options = engine_->Store().Options;
    if (options.RestoreWindowOnReservation || options.AutoRestoreMinimize) showNormal();
}

void CMainFrame::RefreshBars() {
    CProfileStore& store = engine_->Store();
    tvBar_->Refill();
    tvBar_->setEnabled(store.Options.GraphRunning == 1);
    profileBar_->Refill(store);
    profileBar_->setEnabled(store.Options.GraphRunning == 1);
    RefreshNames();
}

void CMainFrame::StartRecording(DWORD durationSeconds) {
    CProfileStore& store = engine_->Store();
    if (store.Options.GraphRunning != 1) return;
    if (!engine_->Session().Capturing) {
        LeaveFullScreenForRecording();
        engine_->StopGraph();
        engine_->TearDownGraph();
        engine_->BindCompressors(store.CurrentCompressor);
        WriteStartBlock(recordingLog_, FormatLocalTime("%c", Now()), store.CurrentDevice, store.CurrentCompressor,
                        store.CurrentMux);
        engine_->ClearCaptureFilePath();
        engine_->BuildCaptureGraph(store.CurrentDevice, store.CurrentCompressor, store.CurrentMux, nullptr);
        recordingLog_.Append("CaptureFile - %s\n\n", engine_->SinkFileName().c_str());
        engine_->StartCapture(store.CurrentDevice, store.CurrentMux);
        // A start that failed (reported by the engine) would leave the window without a
        // picture: the preview comes back instead.
        if (!engine_->Session().Capturing) {
            engine_->TearDownGraph();
            BuildAndRunPreview();
        }
        RefreshNames();
    }
    if (durationSeconds != 0) {
        endTime_ = Now() + static_cast<std::time_t>(durationSeconds);
        endTimeActive_ = true;
        ShowEndTime();
    } else {
        endTimeActive_ = false;
        informationBar_->SetField(ids::InfoEndTime, QString());
    }
    UpdateRecordingCommands();
}

void CMainFrame::ExtendRecording(LONG minutes) {
    if (!endTimeActive_) return;
    endTime_ += static_cast<std::time_t>(minutes) * 60;
    ShowEndTime();
}

void CMainFrame::ToggleExternalSync() {
    externalSync_ = !externalSync_;
    if (const ComPtr<IAMAnalogVideoDecoder>& decoder = engine_->Session().AnalogVideoDecoder) {
        LONG locked = 0;
        if (SUCCEEDED(decoder->get_HorizontalLocked(&locked))) signalLocked_ = locked != 0;
    }
    if (QAction* action = CommandAction(ids::ExternalSync)) action->setChecked(externalSync_);
}

void CMainFrame::CheckRecordingOnTimer(std::time_t now) {
    bool edge = false;
    const ComPtr<IAMAnalogVideoDecoder>& decoder = engine_->Session().AnalogVideoDecoder;
    if (externalSync_ && decoder) {
        LONG locked = 0;
        if (SUCCEEDED(decoder->get_HorizontalLocked(&locked)) && (locked != 0) != signalLocked_) {
            signalLocked_ = !signalLocked_;
            edge = true;
        }
    }
    if (engine_->Session().Capturing) {
        if ((edge && !signalLocked_) || (endTimeActive_ && now >= endTime_))
            StopRecording(TRUE, FALSE, TRUE);
        else
            RefreshRecordingStats();
        return;
    }
    if (edge && signalLocked_) {
        RestoreWindowForAutomaticStart();
        StartRecording(0);
        return;
    }
    // The reservation check follows here once the schedule exists.
}

// The chosen device of a reservation: the profile it names, else the current one.
CDeviceProfile* CMainFrame::ReservationDevice(const CRecordProfile& reservation) {
    CProfileStore& store = engine_->Store();
    if (reservation.Device.empty()) return store.CurrentDevice;
    if (CDeviceProfile* found = FindByName(store.DeviceProfiles, reservation.Device)) return found;
    ReportFailure(E_FAIL, FALSE, "NotFound DeviceProfile");
    return store.CurrentDevice;
}

void CMainFrame::StartReservation(CRecordProfile& reservation) {
    CProfileStore& store = engine_->Store();
    CDeviceProfile* chosen = ReservationDevice(reservation);
    if (!reservation.Compressor.empty()) {
        if (CCompressorProfile* found = FindByName(store.CompressorProfiles, reservation.Compressor))
            store.CurrentCompressor = found;
        else
            ReportFailure(E_FAIL, FALSE, "NotFound CompressorProfile");
    }
    if (!reservation.Mux.empty()) {
        if (CMuxProfile* found = FindByName(store.MuxProfiles, reservation.Mux))
            store.CurrentMux = found;
        else
            ReportFailure(E_FAIL, FALSE, "NotFound MuxProfile");
    }
    if (chosen) {
        if (reservation.Channel != -1) chosen->TunerChannel = static_cast<DWORD>(reservation.Channel);
        if (reservation.AudioMode != 0) chosen->TVAudioMode = reservation.AudioMode;
    }

    if (store.Options.GraphRunning == 1) {
        RestoreCurrentMixerLine();
        ApplyCurrentMixerLine(chosen);
        LeaveFullScreenForRecording();
        engine_->StopGraph();
        engine_->TearDownGraph();
        if (chosen && CCaptureEngine::CompareDeviceProfiles(store.CurrentDevice, chosen) == DeviceChangeNewSession) {
            engine_->SelectCaptureDevices(chosen);
            engine_->DestroyGraphSession();
            engine_->CreateGraphSession(chosen);
        }
        if (chosen == store.CurrentDevice)
            engine_->ApplyTunerAndTvAudio(chosen);
        else
            engine_->ApplyDeviceProfile(chosen);
    } else {
        ApplyCurrentMixerLine(chosen);
        engine_->SelectCaptureDevices(chosen);
        engine_->CreateGraphSession(chosen);
        engine_->ApplyDeviceProfile(chosen);
    }
    store.CurrentDevice = chosen;
    engine_->BindCompressors(store.CurrentCompressor);
    RestoreWindowForAutomaticStart();

    WriteStartBlock(recordingLog_, FormatLocalTime("%c", Now()), store.CurrentDevice, store.CurrentCompressor,
                    store.CurrentMux);
    engine_->ClearCaptureFilePath();
    engine_->BuildCaptureGraph(store.CurrentDevice, store.CurrentCompressor, store.CurrentMux, &reservation);
    recordingLog_.Append("CaptureFile - %s\n", engine_->SinkFileName().c_str());
    recordingLog_.Append("Comment - %s\n\n", reservation.Comment.c_str());
    // The disk is given time to spin up before the file is opened.
    if (reservation.SpinUp > 0) std::this_thread::sleep_for(std::chrono::seconds(reservation.SpinUp));
    engine_->StartCapture(store.CurrentDevice, store.CurrentMux);
    engine_->SelectChannelProfile();
    store.Options.GraphRunning = 1;
    RefreshBars();

    endTime_ = static_cast<std::time_t>(reservation.StopTime);
    endTimeActive_ = true;
    ShowEndTime();
    if (engine_->Session().Capturing) {
        activeReservation_ = &reservation;
        reservation.Active = true;
        RefreshNames();  // the file pattern is now the reservation's
    } else {
        AfterStop(FALSE, FALSE, FALSE);
    }
    UpdateRecordingCommands();
}

void CMainFrame::StopRecording(BOOL restartPreview, BOOL suppressPowerDown, BOOL afterStop) {
    CProfileStore& store = engine_->Store();
    if (store.Options.GraphRunning != 1) return;
    LeaveFullScreenForRecording();
    if (activeReservation_) {
        activeReservation_->Active = false;
        activeReservation_ = nullptr;
    }
    const bool wasRecording = engine_->Session().Capturing != 0;
    // The stop ends the recording and its file; the statistics are read from the stopped
    // filters, so they count what the file holds.
    engine_->StopGraph();
    if (wasRecording) {
        const GraphSession& session = engine_->Session();
        const double cpu = session.CpuSamples ? session.CpuSum / session.CpuSamples : 0.0;
        WriteStopBlock(recordingLog_, FormatLocalTime("%c", Now()), ReadRecordingStatistics(session), cpu,
                       FreeSpaceMiB(engine_->OutputDirectory()));
        RefreshRecordingStats();
    }
    // Leaving (no follow-up) puts the line back itself; setting it again first would only
    // lose a percent of the saved volume to the round trip.
    if (afterStop) {
        RestoreCurrentMixerLine();
        ApplyCurrentMixerLine(store.CurrentDevice);
    }
    RefreshNames();
    if (afterStop) AfterStop(suppressPowerDown, FALSE, restartPreview);
    UpdateRecordingCommands();
}

// Graph events. Each notification ends the recording (or the preview) at most once, by the
// weightiest event of the batch: a lost capture device or an abort stops without the preview,
// the multiplexer's own finish stops and shows the preview again.
void CMainFrame::OnGraphNotify() {
    if (!TakeBusy()) return;  // the events wait in the graph for the next notification
    const ComPtr<IMediaEventEx> events = engine_->Session().MediaEvent;
    bool lost = false, aborted = false, finished = false;
    LONG code = 0;
    LONG_PTR first = 0, second = 0;
    while (events && events->GetEvent(&code, &first, &second, 0) == S_OK) {
        if (code == EC_ERRORABORT) {
            ReportFailure(static_cast<HRESULT>(first), TRUE, "IMediaEventEx EC_ERRORABORT");
            aborted = true;
        } else if (code == EC_TALVINMUX_FINISHED) {
            ReportFailure(0, TRUE, "IMediaEventEx EC_FINISH");
            finished = true;
        } else if (code == EC_DEVICE_LOST && second == 0 && IsSessionCaptureFilter(first)) {
            ReportFailure(E_FAIL, TRUE, "IMediaEventEx EC_DEVICE_LOST %08x",
                          static_cast<unsigned>(static_cast<std::uintptr_t>(first)));
            lost = true;
        }
        events->FreeEventParams(code, first, second);
    }
    if (lost || aborted)
        StopRecording(FALSE, FALSE, TRUE);
    else if (finished)
        StopRecording(TRUE, FALSE, TRUE);
    ReleaseBusy();
}

void CMainFrame::OpenRecordingLog(bool atStartup) {
    recordingLog_.Close();
    const COptionProfile& options = engine_->Store().Options;
    if (!options.WriteLog) return;
    recordingLog_.Open(options.LogFile, atStartup && options.OverwriteLog);
}
