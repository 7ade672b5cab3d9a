// The graph start-up sequence, the status timer and the name fields.
#include <QComboBox>

#include "app/information_bar.h"
#include "app/main_frame.h"
#include "app/profile_bar.h"
#include "app/resource_ids.h"
#include "app/splash_window.h"
#include "app/tv_bar.h"
#include "app/ui_texts.h"
#include "common/friendly_name.h"
#include "common/path_utils.h"
#include "profiles/record_profile.h"
#include "platform/system/codepage.h"
#include "platform/system/cpu_usage.h"
#include "platform/system/last_error.h"
#include "platform/system/local_time.h"
#include "platform/system/process_priority.h"

namespace {
// A device's friendly name, or "None" where there is no device or its name cannot be read.
QString DeviceName(IMoniker* moniker) {
    std::string name;
    if (!moniker || FAILED(GetFriendlyName(moniker, &name))) return QString::fromUtf8(texts::NoDeviceName);
    return QString::fromStdString(Cp932ToDisplay(name));
}
}  // namespace

void CMainFrame::RunStartupSequence() {
    CProfileStore& store = engine_->Store();
    store.LoadProfiles();
    profilesLoaded_ = true;
    const COptionProfile& options = store.Options;
    if (options.OtherPriority != NORMAL_PRIORITY_CLASS && !SetPriorityClass(GetCurrentProcess(), options.OtherPriority))
        ReportFailure(HResultFromLastError(), TRUE, "SetPriorityClass");
    SetAlwaysOnTop(options.AlwaysOnTop != 0);
    if (options.TrayIcon) AddTrayIcon();
    else RemoveTrayIcon();

    if (options.GraphRunning == 1) {
        CDeviceProfile* device = store.CurrentDevice;
        CSplashWindow::SetSplashText(QString::fromUtf8(texts::SplashInitializingCaptureDevice));
        engine_->SelectCaptureDevices(device);
        CSplashWindow::SetSplashText(QString::fromUtf8(texts::SplashInitializingFilterGraph));
        engine_->CreateGraphSession(device);
        CSplashWindow::SetSplashText(QString::fromUtf8(texts::SplashApplyingProfile));
        engine_->ApplyDeviceProfile(device);
        ApplyCurrentMixerLine(device);
        CSplashWindow::SetSplashText(QString::fromUtf8(texts::SplashBuildingPreviewGraph));
        engine_->BuildPreviewGraph(device, nullptr, nullptr, TRUE);
        CSplashWindow::SetSplashText(QString::fromUtf8(texts::SplashStartingPreview));
        engine_->RunPreview();
        engine_->SelectChannelProfile();
    }
    tvBar_->Refill();
    RefillProfileLists();
    UpdateCommandStates();
    RefreshNames();

    UpdateRecordingCommands();

    WatchDeviceArrival();
    connect(&statusTimer_, &QTimer::timeout, this, &CMainFrame::OnStatusTimer, Qt::UniqueConnection);
    statusTimer_.start(ids::StatusTimerPeriodMs);
    // No power service exists on this platform yet, so no wake timer is made.
    cpuUsage_ = std::make_unique<CpuUsageCounter>();
    cpuUsage_->Collect();
    OpenRecordingLog(true);
}

void CMainFrame::OnStatusTimer() {
    const std::time_t now = Now();
    informationBar_->SetField(ids::InfoClock, QString::fromLocal8Bit(FormatLocalTime("%c", now)));
    double usage = 0.0;
    if (cpuUsage_ && cpuUsage_->Collect()) usage = cpuUsage_->Value();
    GraphSession& session = engine_->Session();
    session.CpuSum += usage;
    ++session.CpuSamples;
    informationBar_->SetField(ids::InfoCpuUsage, QString::asprintf("%.1f", usage));
    if (!TakeBusy()) return;
    CheckRecordingOnTimer(now);
    ReleaseBusy();
    // The toolbar's buttons follow the state as menus do when they open.
    UpdateCommandStates();
}

void CMainFrame::RefreshNames() {
    const CProfileStore& store = engine_->Store();
    const GraphSession& session = engine_->Session();
    const CCompressorProfile* compressor = store.CurrentCompressor;
    if (compressor && compressor->Kind == CCompressorProfile::KindWindowsMedia) {
        informationBar_->SetField(ids::InfoVideoCompressor, QString::fromUtf8(texts::WindowsMediaVideo));
        informationBar_->SetField(ids::InfoAudioCompressor, QString::fromUtf8(texts::WindowsMediaAudio));
    } else if (!compressor || compressor->Kind == CCompressorProfile::KindCodecFilters) {
        informationBar_->SetField(ids::InfoVideoCompressor, DeviceName(session.VideoCompressorEntry.Get()));
        informationBar_->SetField(ids::InfoAudioCompressor, DeviceName(session.AudioCompressorEntry.Get()));
    }
    informationBar_->SetField(ids::InfoVideoDevice, DeviceName(session.VideoCaptureMoniker.Get()));
    informationBar_->SetField(ids::InfoAudioDevice, DeviceName(session.AudioCaptureMoniker.Get()));
    informationBar_->SetField(ids::InfoMux, store.CurrentMux ? QString::fromStdString(Cp932ToDisplay(store.CurrentMux->Name))
                                                             : QString());
    informationBar_->SetField(ids::InfoFile, OutputFilePattern());
    RefreshMixerBar();
    // The next reservation's start is shown once the schedule exists; until then there is none.
    informationBar_->SetField(ids::InfoNextStart, QString());
}

// The output directory and name as the next recording will make them, "-日時" standing for the
// date and time that the naming rule appends.
QString CMainFrame::OutputFilePattern() const {
    const COptionProfile& options = engine_->Store().Options;
    std::string directory = activeReservation_ ? activeReservation_->Dir : options.MovieDir;
    const std::string& file = activeReservation_ ? activeReservation_->File : options.MovieFile;
    const DWORD naming = activeReservation_ ? activeReservation_->FileMode : options.MovieNaming;
    AppendBackslash(directory);
    QString pattern = QString::fromStdString(Cp932ToDisplay(directory + file));
    if (naming == CRecordProfile::FileModeAppendDateTime) {
        if (!file.empty()) pattern += QLatin1Char('-');
        pattern += QString::fromUtf8(texts::DateTimeSuffix);
    }
    return pattern;
}

void CMainFrame::SwitchDeviceProfile(int index) {
    CProfileStore& store = engine_->Store();
    if (index < 0 || static_cast<std::size_t>(index) >= store.DeviceProfiles.size()) return;
    CDeviceProfile* next = store.DeviceProfiles[static_cast<std::size_t>(index)].get();
    if (next == store.CurrentDevice) return;
    RestoreCurrentMixerLine();
    ApplyCurrentMixerLine(next);
    switch (CCaptureEngine::CompareDeviceProfiles(store.CurrentDevice, next)) {
    case DeviceChangeNewSession:
        engine_->SelectCaptureDevices(next);
        engine_->StopGraph();
        engine_->DestroyGraphSession();
        engine_->CreateGraphSession(next);
        break;
    case DeviceChangeNewGraph:
        engine_->StopGraph();
        engine_->TearDownGraph();
        break;
    default: break;
    }
    engine_->ApplyDeviceProfile(next);
    engine_->BuildPreviewGraph(next, nullptr, nullptr, TRUE);
    engine_->RunPreview();
    store.CurrentDevice = next;
    engine_->SelectChannelProfile();
    tvBar_->Refill();
    profileBar_->Refill(store);
    RefreshNames();
}
