// The main window's side of the playback mixer line: the mixer bar's commands and refresh,
// and the current profile's line set and put back as profiles come and go.
#include "app/main_frame.h"
#include "app/mixer_bar.h"
#include "engine/mixer_bar_commands.h"
#include "engine/profile_mixer.h"

void CMainFrame::OnMixerMuteClicked() {
    CProfileStore& store = engine_->Store();
    ToggleMixerBarMute(store.CurrentDevice, timeShiftViewing_, store.Options.TimeShiftMixer);
}

void CMainFrame::OnMixerVolumeReleased(int position) {
    CProfileStore& store = engine_->Store();
    SetMixerBarVolume(store.CurrentDevice, timeShiftViewing_, store.Options.TimeShiftMixer,
                      static_cast<DWORD>(position));
}

void CMainFrame::RefreshMixerBar() { mixerBar_->Show(MixerBarViewOf(engine_->Store().CurrentDevice)); }

void CMainFrame::ApplyCurrentMixerLine(CDeviceProfile* device) {
    ApplyMixerLine(device);
    mixerLineApplied_ = device && device->MixerEnable;
}

// Only a line this run has set is put back: the saved state of a line never set here would be
// left from an earlier run and would overwrite what the user has set since.
void CMainFrame::RestoreCurrentMixerLine() {
    if (mixerLineApplied_) RestoreMixerLine(engine_->Store().CurrentDevice);
    mixerLineApplied_ = false;
}
