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

// The recording and graph commands, with their keys. The whole command table of the window is
// built elsewhere; these are the entries that drive recording.
void CMainFrame::CreateRecordingCommands() {
    QMenu* menu = menuBar()->addMenu(texts::RecordMenu());
    auto add = [this](QMenu* to, int id, const QString& text, std::function<void()> run) {
        auto* action = new QAction(text, this);
        action->setData(id);
        connect(action, &QAction::triggered, this, [run = std::move(run)] { run(); });
        if (to) to->addAction(action);
        else addAction(action);
        commands_[id] = action;
        return action;
    };
    add(menu, ids::Record, texts::Record(), [this] {
        const COptionProfile& options = engine_->Store().Options;
        StartRecording(options.CaptureTimeLimitEnable ? options.CaptureTimeLimit : 0);
    })->setShortcut(QKeySequence(Qt::Key_F9));
    auto stop = [this] {
        if (engine_->Session().Capturing) StopRecording(TRUE, TRUE, TRUE);
    };
    add(menu, ids::StopRecord, texts::StopRecord(), stop);
    add(nullptr, ids::StopKey, QString(), stop)->setShortcut(QKeySequence(Qt::Key_Escape));

    QMenu* lengths = menu->addMenu(texts::RecordingLength());
    const struct {
        int id;
        const char* text;
        DWORD seconds;
    } lengthItems[] = {{ids::Length15Minutes, "15分", 900},   {ids::Length30Minutes, "30分", 1800},
                       {ids::Length1Hour, "1時間", 3600},     {ids::Length90Minutes, "1時間半", 5400},
                       {ids::Length2Hours, "2時間", 7200},    {ids::LengthNone, "無し", 0}};
    for (const auto& item : lengthItems)
        add(lengths, item.id, QString::fromUtf8(item.text), [this, seconds = item.seconds] { StartRecording(seconds); });

    QMenu* extend = menu->addMenu(texts::ExtendRecording());
    const struct {
        int id;
        const char* text;
        LONG minutes;
    } extendItems[] = {{ids::ExtendPlus1, "+1分", 1},    {ids::ExtendPlus5, "+5分", 5},    {ids::ExtendPlus10, "+10分", 10},
                       {ids::ExtendMinus1, "-1分", -1},  {ids::ExtendMinus5, "-5分", -5},  {ids::ExtendMinus10, "-10分", -10}};
    for (const auto& item : extendItems)
        add(extend, item.id, QString::fromUtf8(item.text), [this, minutes = item.minutes] { ExtendRecording(minutes); });

    add(menu, ids::ExternalSync, texts::ExternalSync(), [this] { ToggleExternalSync(); })->setCheckable(true);
    menu->addSeparator();
    add(menu, ids::BuildReleaseGraph, texts::BuildReleaseGraph(), [this] { ToggleGraph(); })->setCheckable(true);
    add(menu, ids::ReleaseGraphMinimize, texts::ReleaseGraphMinimize(), [this] { ReleaseGraphAndMinimize(); });
    add(menu, ids::RebuildPreview, texts::RebuildPreview(), [this] { RebuildPreview(); });
    UpdateRecordingCommands();
}

void CMainFrame::UpdateRecordingCommands() {
    const bool recording = engine_->Session().Capturing != 0;
    const bool graphRunning = engine_->Store().Options.GraphRunning == 1;
    if (QAction* graph = CommandAction(ids::BuildReleaseGraph)) {
        graph->setChecked(graphRunning);
        graph->setEnabled(!recording);
    }
    if (QAction* release = CommandAction(ids::ReleaseGraphMinimize)) release->setEnabled(!recording);
    if (QAction* rebuild = CommandAction(ids::RebuildPreview)) rebuild->setEnabled(!recording && graphRunning);
    if (QAction* sync = CommandAction(ids::ExternalSync)) sync->setChecked(externalSync_);
}

void CMainFrame::WatchDeviceArrival() {
    deviceArrival_ = std::make_unique<media::DeviceArrivalWatch>(
        [this](media::DeviceChange change, const std::string&) { OnDeviceChange(change == media::DeviceChange::Arrival); });
}

// The device lists are read when a sheet opens or a profile is applied, so a device that comes
// or goes needs nothing here.
BOOL CMainFrame::OnDeviceChange(bool /*arrival*/) { return FALSE; }
