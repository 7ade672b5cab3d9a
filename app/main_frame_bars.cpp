// The main window's dockable bars: their creation and docking order, their enabling, and what
// the compressor, multiplexer and time-shift bars' controls do.
#include <QComboBox>

#include "app/information_bar.h"
#include "app/main_frame.h"
#include "app/message_bar.h"
#include "app/mixer_bar.h"
#include "app/profile_bar.h"
#include "app/profile_list_bar.h"
#include "app/resource_ids.h"
#include "app/time_shift_bar.h"
#include "app/tv_bar.h"
#include "engine/mixer_bar_commands.h"

namespace {
template <class T>
int IndexOf(const ProfileList<T>& list, const T* profile) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].get() == profile) return static_cast<int>(i);
    return -1;
}

template <class T>
std::vector<std::string> NamesOf(const ProfileList<T>& list) {
    std::vector<std::string> names;
    for (const auto& profile : list) names.push_back(profile->Name);
    return names;
}
}  // namespace

// The bars in the table's order; the information, compressor, multiplexer and time-shift bars
// start hidden.
void CMainFrame::CreateBars() {
    messageBar_ = new CMessageBar(this);
    informationBar_ = new CInformationBar(this);
    tvBar_ = new CTvBar(this, *engine_);
    profileBar_ = new CProfileBar(this);
    compressorBar_ = CreateCompressorBar(this);
    muxBar_ = CreateMuxBar(this);
    mixerBar_ = new CMixerBar(this);
    timeShiftBar_ = new CTimeShiftBar(this);
    for (QDockWidget* hidden : {static_cast<QDockWidget*>(informationBar_), static_cast<QDockWidget*>(compressorBar_),
                                static_cast<QDockWidget*>(muxBar_), static_cast<QDockWidget*>(timeShiftBar_)})
        hidden->hide();

    connect(profileBar_, &CProfileBar::DeviceProfileChosen, this, &CMainFrame::SwitchDeviceProfile);
    connect(compressorBar_, &CProfileListBar::ProfileChosen, this, &CMainFrame::ChooseCompressorProfile);
    connect(muxBar_, &CProfileListBar::ProfileChosen, this, &CMainFrame::ChooseMuxProfile);
    connect(mixerBar_, &CMixerBar::MuteClicked, this, &CMainFrame::OnMixerMuteClicked);
    connect(mixerBar_, &CMixerBar::VolumeReleased, this, &CMainFrame::OnMixerVolumeReleased);
    connect(timeShiftBar_, &CTimeShiftBar::ButtonPressed, this, &CMainFrame::OnTimeShiftButton);
    connect(timeShiftBar_, &CTimeShiftBar::SeekReleased, this, &CMainFrame::OnTimeShiftSeek);
}

std::vector<std::pair<int, QDockWidget*>> CMainFrame::DockBars() const {
    return {
        {ids::ViewMessageBar, messageBar_},   {ids::ViewInformationBar, informationBar_},
        {ids::ViewTvBar, tvBar_},             {ids::ViewProfileBar, profileBar_},
        {ids::ViewCompressorBar, compressorBar_}, {ids::ViewMuxBar, muxBar_},
        {ids::ViewMixerBar, mixerBar_},       {ids::ViewTimeShiftBar, timeShiftBar_},
    };
}

// The information bar docks left or right, every other bar top or bottom (their own allowed
// areas); each starts on its initial side, in a row of its own. A row keeps the height of its
// controls, so height the window gains or loses is the video pane's.
void CMainFrame::DockAllBars() {
    setDockOptions(dockOptions() | QMainWindow::AllowNestedDocks);
    for (const auto& [command, bar] : DockBars()) {
        if (!bar) continue;
        if (bar == informationBar_) {
            addDockWidget(Qt::RightDockWidgetArea, bar);
            continue;
        }
        QWidget* body = bar->widget();
        body->setSizePolicy(body->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
        addDockWidget(Qt::BottomDockWidgetArea, bar, Qt::Vertical);
    }
}

void CMainFrame::UpdateBarStates(const CommandContext& context) {
    // The profile lists switch graphs and recording settings: not while recording, and not while
    // the graph is released.
    const bool listsEnabled = !context.recording && context.graphRunning;
    // Channels can be changed while recording, not while the graph is released.
    tvBar_->setEnabled(context.graphRunning);
    profileBar_->setEnabled(listsEnabled);
    compressorBar_->List()->setEnabled(listsEnabled);
    muxBar_->List()->setEnabled(listsEnabled);
    timeShiftBar_->UpdateEnabling(context.recording, engine_->Session().TimeShiftControl.Get() != nullptr,
                                  timeShiftViewing_);
}

void CMainFrame::RefillProfileLists() {
    const CProfileStore& store = engine_->Store();
    profileBar_->Refill(store);
    compressorBar_->Refill(NamesOf(store.CompressorProfiles), IndexOf(store.CompressorProfiles, store.CurrentCompressor));
    muxBar_->Refill(NamesOf(store.MuxProfiles), IndexOf(store.MuxProfiles, store.CurrentMux));
}

void CMainFrame::ChooseCompressorProfile(int index) {
    CProfileStore& store = engine_->Store();
    if (index < 0 || static_cast<std::size_t>(index) >= store.CompressorProfiles.size()) return;
    store.CurrentCompressor = store.CompressorProfiles[static_cast<std::size_t>(index)].get();
    engine_->BindCompressors(store.CurrentCompressor);
    RefreshNames();
}

void CMainFrame::ChooseMuxProfile(int index) {
    CProfileStore& store = engine_->Store();
    if (index < 0 || static_cast<std::size_t>(index) >= store.MuxProfiles.size()) return;
    store.CurrentMux = store.MuxProfiles[static_cast<std::size_t>(index)].get();
    RefreshNames();
}

void CMainFrame::OnTimeShiftButton(TimeShiftButton button) {
    if (!IsRecording()) return;
    PressTimeShiftButton(button, engine_->Session().TimeShiftControl.Get(), timeShiftViewing_,
                         [this](bool show) { ShowTimeShiftPicture(show); });
    UpdateCommandStates();
}

// The time-shift renderer's picture in place of the live one (or back), and the sound with it.
void CMainFrame::ShowTimeShiftPicture(bool show) {
    const GraphSession& session = engine_->Session();
    CProfileStore& store = engine_->Store();
    if (show) {
        if (session.VideoWindow) session.VideoWindow->put_Visible(OATRUE);
        engine_->ShowPreview(TRUE);
        mixerBar_->Show(StartTimeShiftMixer(store.CurrentDevice, store.Options.TimeShiftMixer));
    } else {
        if (session.VideoWindow) session.VideoWindow->put_Visible(OAFALSE);
        engine_->ShowPreview(FALSE);
        mixerBar_->Show(EndTimeShiftMixer(store.CurrentDevice));
    }
}

void CMainFrame::OnTimeShiftSeek(int seconds) {
    if (!IsRecording()) return;
    if (ITalvinTimeShift* control = engine_->Session().TimeShiftControl.Get()) control->Seek(seconds);
}
