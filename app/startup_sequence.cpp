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

    connect(&statusTimer_, &QTimer::timeout, this, &CMainFrame::OnStatusTimer, Qt::UniqueConnection);
    statusTimer_.start(ids::StatusTimerPeriodMs);
    cpuUsage_ = std::make_unique<CpuUsageCounter>();
    cpuUsage_->Collect();
}

void CMainFrame::OnStatusTimer() {
    informationBar_->SetField(ids::InfoClock, QString::fromLocal8Bit(FormatLocalTimeNow("%c")));
    double usage = 0.0;
    if (cpuUsage_ && cpuUsage_->Collect()) usage = cpuUsage_->Value();
    informationBar_->SetField(ids::InfoCpuUsage, QString::asprintf("%.1f", usage));
    // The toolbar's buttons follow the state as menus do when they open.
    UpdateCommandStates();
}

void CMainFrame::RefreshNames() {
    const GraphSession& session = engine_->Session();
    informationBar_->SetField(ids::InfoVideoDevice, DeviceName(session.VideoCaptureMoniker.Get()));
    informationBar_->SetField(ids::InfoAudioDevice, DeviceName(session.AudioCaptureMoniker.Get()));
    RefreshMixerBar();
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
