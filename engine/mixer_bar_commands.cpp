#include "engine/mixer_bar_commands.h"

#include "engine/mixer_line.h"

namespace {
bool Drives(const CDeviceProfile* device) { return device && device->MixerEnable; }
}  // namespace

void ToggleMixerBarMute(CDeviceProfile* device, int timeShiftViewing, DWORD timeShiftMixer) {
    CMixerLine line;
    if (timeShiftViewing != 0) {
        if (line.Open(timeShiftMixer, CMixerLine::kWaveOutSource)) line.ToggleMute();
    } else if (Drives(device)) {
        if (line.Open(device->MixerDevice, device->MixerSource)) line.ToggleMute();
        device->MixerMute = device->MixerMute ? 0 : 1;
    }
    line.Close();
}

void SetMixerBarVolume(CDeviceProfile* device, int timeShiftViewing, DWORD timeShiftMixer, DWORD position) {
    CMixerLine line;
    if (timeShiftViewing != 0) {
        if (line.Open(timeShiftMixer, CMixerLine::kWaveOutSource)) line.SetVolume(position);
    } else if (Drives(device)) {
        line.Open(device->MixerDevice, device->MixerSource);
        device->MixerVolume = position;
        line.SetVolume(device->MixerVolume);
    }
}

MixerBarView MixerBarViewOf(const CDeviceProfile* device) {
    MixerBarView view;
    view.muted = Drives(device) && device->MixerMute != 0;
    if (Drives(device)) view.volume = device->MixerVolume;
    return view;
}

MixerBarView StartTimeShiftMixer(const CDeviceProfile* device, DWORD timeShiftMixer) {
    if (Drives(device) && (device->CaptureAudioMode == 0 || device->CaptureAudioMode == 2)) {
        CMixerLine live;
        if (live.Open(device->MixerDevice, device->MixerSource)) live.SetVolume(0);
    }
    MixerBarView view;
    CMixerLine waveOut;
    BOOL muted = FALSE;
    if (waveOut.Open(timeShiftMixer, CMixerLine::kWaveOutSource) && waveOut.GetMute(&muted)) view.muted = muted != 0;
    DWORD volume = 0;
    if (waveOut.Open(timeShiftMixer, CMixerLine::kWaveOutSource) && waveOut.GetVolume(&volume)) view.volume = volume;
    return view;
}

MixerBarView EndTimeShiftMixer(const CDeviceProfile* device) {
    if (Drives(device)) {
        CMixerLine live;
        if (live.Open(device->MixerDevice, device->MixerSource)) live.SetVolume(device->MixerVolume);
    }
    return MixerBarViewOf(device);
}
