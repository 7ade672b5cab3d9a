// The status display of a running recording, what follows a stop, and the graph commands
// (build or release the graph, release and minimise, rebuild the preview) with their enabling.
#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QSlider>
#include <QStatusBar>

#include "app/information_bar.h"
#include "app/main_frame.h"
#include "app/resource_ids.h"
#include "app/ui_texts.h"
#include "common/module_interfaces.h"
#include "engine/recording_statistics.h"
#include "platform/media/devices/device_arrival.h"
#include "platform/system/multimedia_timer.h"

namespace {
QString Signed(LONG value) { return QString::asprintf("%ld", static_cast<long>(value)); }
QString Unsigned(DWORD value) { return QString::asprintf("%lu", static_cast<unsigned long>(value)); }
QString Real(double value) { return QString::asprintf("%f", value); }
}  // namespace

void CMainFrame::RefreshRecordingStats() {
    GraphSession& session = engine_->Session();
    const CDeviceProfile* device = engine_->Store().CurrentDevice;
    if (device && device->UseClockDelta && session.ClockAdjust) session.ClockAdjust->SetClockDelta(device->ClockDelta);
    if (device && device->StreamTimeCorrection && device->StreamTimeUseDisplayTime && session.StampfixFilter) {
        ComPtr<IStampfix> stampfix;
        if (SUCCEEDED(session.StampfixFilter.As(&stampfix))) stampfix->put_TimePerFrame(device->StreamTimeDisplayTime, TRUE);
    }

    const RecordingStatistics s = ReadRecordingStatistics(session);
    capturePane_->setText(QString::asprintf("Captured : %ld  Dropped : %ld", static_cast<long>(s.Captured),
                                            static_cast<long>(s.Dropped)));
    const std::pair<int, QString> fields[] = {
        {ids::InfoDropped, Signed(s.Dropped)},
        {ids::InfoNotDropped, Signed(s.Captured)},
        {ids::InfoAverageSize, Signed(s.AverageSize)},
        {ids::InfoMuxVideoFrames, Unsigned(s.VideoFrames)},
        {ids::InfoMuxAudioFrames, Unsigned(s.AudioFrames)},
        {ids::InfoMuxDropped, Unsigned(s.DropFrames)},
        {ids::InfoMuxAudioSamples, Unsigned(s.AudioSamples)},
        {ids::InfoMuxInserted, Unsigned(s.Inserted)},
        {ids::InfoMuxDeleted, Unsigned(s.Deleted)},
        {ids::InfoMuxVideoFps, Real(s.VideoFps)},
        {ids::InfoMuxAudioFrequency, Real(s.AudioFrequency)},
    };
    for (const auto& [id, text] : fields) informationBar_->SetField(id, text);

    informationBar_->SetField(ids::InfoElapsed,
                              QString::fromStdString(FormatElapsed(timeGetTime() - session.RunStartTime)));
    informationBar_->SetField(ids::InfoFreeSpace, Unsigned(FreeSpaceMiB(engine_->OutputDirectory())));
    const bool pseudo = engine_->Store().Options.PseudoFileSize != 0;
    // Once the files are closed their sizes are no longer watched; the last size stays shown.
    if (pseudo || engine_->PendingHandleCount() != 0)
        informationBar_->SetField(ids::InfoFileSize, Unsigned(engine_->RecordedSizeMiB(pseudo)));

    ++statsTick_;
    LONG position = 0, length = 0;
    if (!session.TimeShiftControl) {
        informationBar_->SetField(ids::InfoTimeShift, QString());
        return;
    }
    session.TimeShiftControl->GetPosition(&position, &length);
    position = ClampTimeShiftPosition(position, length);
    informationBar_->SetField(ids::InfoTimeShift, QString::fromStdString(FormatTimeShiftPosition(position)));
    if (statsTick_ % 4 == 0 && timeShiftSlider_) {
        timeShiftSlider_->setMaximum(static_cast<int>(length));
        timeShiftSlider_->setValue(static_cast<int>(position));
    }
}

void CMainFrame::BuildAndRunPreview() {
    engine_->BuildPreviewGraph(engine_->Store().CurrentDevice, nullptr, nullptr, TRUE);
    engine_->RunPreview();
}

// Without reservations to wait for there is no wake-up to arm and no standby to enter: a stop
// either releases the graph (when the options ask an automatic stop to do so) or shows the
// preview again.
void CMainFrame::AfterStop(BOOL suppressPowerDown, BOOL /*askPowerMode*/, BOOL restartPreview) {
    if (engine_->Session().Capturing) return;
    const COptionProfile& options = engine_->Store().Options;
    const bool releaseOnly = options.AutoRestoreMinimizeCopy != 0;
    if (!suppressPowerDown && releaseOnly) {
        if (options.AutoRestoreMinimize && !isMinimized()) showMinimized();
        if (options.GraphRunning == 1) ReleaseGraph();
        return;
    }
    if (restartPreview) {
        engine_->TearDownGraph();
        BuildAndRunPreview();
    }
}

void CMainFrame::ReleaseGraph() {
    CProfileStore& store = engine_->Store();
    store.Options.GraphRunning = 0;
    RestoreCurrentMixerLine();
    engine_->StopGraph();
    engine_->DestroyGraphSession();
    GraphSession& session = engine_->Session();
    session.VideoCompressor = nullptr;
    session.AudioCompressor = nullptr;
    session.VideoCompressorEntry = nullptr;
    session.AudioCompressorEntry = nullptr;
    session.VideoCaptureMoniker = nullptr;
    session.AudioCaptureMoniker = nullptr;
    engine_->SelectChannelProfile();
    RefreshBars();
    UpdateRecordingCommands();
}

void CMainFrame::ToggleGraph() {
    CProfileStore& store = engine_->Store();
    if (store.Options.GraphRunning == 1) {
        ReleaseGraph();
        return;
    }
    store.Options.GraphRunning = 1;
    CDeviceProfile* device = store.CurrentDevice;
    ApplyCurrentMixerLine(device);
    engine_->SelectCaptureDevices(device);
    engine_->CreateGraphSession(device);
    engine_->BindCompressors(store.CurrentCompressor);
    engine_->ApplyDeviceProfile(device);
    BuildAndRunPreview();
    engine_->SelectChannelProfile();
    RefreshBars();
    UpdateRecordingCommands();
}

void CMainFrame::ReleaseGraphAndMinimize() {
    showMinimized();
    if (engine_->Store().Options.GraphRunning == 1) ReleaseGraph();
}

void CMainFrame::RebuildPreview() {
    engine_->StopGraph();
    engine_->TearDownGraph();
    BuildAndRunPreview();
}

QAction* CMainFrame::CommandAction(int id) const {
    auto it = commands_.find(id);
    return it == commands_.end() ? nullptr : it->second;
}

// What the recording and graph commands of the command table do; Escape stops a recording.
void CMainFrame::ConnectRecordingCommands() {
    auto on = [this](int id, std::function<void()> run) {
        connect(commands_.at(id), &QAction::triggered, this, [run = std::move(run)] { run(); });
    };
    on(ids::Record, [this] {
        const COptionProfile& options = engine_->Store().Options;
        StartRecording(options.CaptureTimeLimitEnable ? options.CaptureTimeLimit : 0);
    });
    auto stop = [this] {
        if (engine_->Session().Capturing) StopRecording(TRUE, TRUE, TRUE);
    };
    on(ids::Stop, stop);
    auto* escape = new QAction(this);
    escape->setData(ids::StopKey);
    escape->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(escape, &QAction::triggered, this, stop);
    addAction(escape);
    commands_[ids::StopKey] = escape;

    const std::pair<int, DWORD> lengths[] = {{ids::Record15Minutes, 900}, {ids::Record30Minutes, 1800},
                                             {ids::Record1Hour, 3600},    {ids::Record90Minutes, 5400},
                                             {ids::Record2Hours, 7200},   {ids::RecordNoLimit, 0}};
    for (const auto& [id, seconds] : lengths) on(id, [this, seconds = seconds] { StartRecording(seconds); });
    const std::pair<int, LONG> extensions[] = {{ids::Extend1Minute, 1},   {ids::Extend5Minutes, 5},
                                               {ids::Extend10Minutes, 10}, {ids::Shorten1Minute, -1},
                                               {ids::Shorten5Minutes, -5}, {ids::Shorten10Minutes, -10}};
    for (const auto& [id, minutes] : extensions) on(id, [this, minutes = minutes] { ExtendRecording(minutes); });
    on(ids::ExternalSync, [this] { ToggleExternalSync(); });
    on(ids::BuildReleaseGraph, [this] { ToggleGraph(); });
    on(ids::ReleaseAndMinimize, [this] { ReleaseGraphAndMinimize(); });
    on(ids::Redraw, [this] { RebuildPreview(); });
}

void CMainFrame::UpdateRecordingCommands() { UpdateCommandStates(); }

void CMainFrame::WatchDeviceArrival() {
    deviceArrival_ = std::make_unique<media::DeviceArrivalWatch>(
        [this](media::DeviceChange change, const std::string&) { OnDeviceChange(change == media::DeviceChange::Arrival); });
}

// The device lists are read when a sheet opens or a profile is applied, so a device that comes
// or goes needs nothing here.
BOOL CMainFrame::OnDeviceChange(bool /*arrival*/) { return FALSE; }
