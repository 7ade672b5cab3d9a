#include "engine/profile_mixer.h"

#include "engine/mixer_line.h"

namespace {
bool Drives(const CDeviceProfile* device) { return device && device->MixerEnable; }
}  // namespace

void ApplyMixerLine(CDeviceProfile* device) {
    if (!Drives(device)) return;
    CMixerLine line;
    line.Open(device->MixerDevice, device->MixerSource);
    BOOL muted = FALSE;
    if (line.GetMute(&muted)) device->MixerSavedMute = static_cast<DWORD>(muted);
    line.SetMute(static_cast<BOOL>(device->MixerMute));
    DWORD volume = 0;
    if (line.GetVolume(&volume)) device->MixerSavedVolume = volume;
    line.SetVolume(device->MixerVolume);
    line.Close();
}

void RestoreMixerLine(CDeviceProfile* device) {
    if (!Drives(device)) return;
    CMixerLine line;
    line.Open(device->MixerDevice, device->MixerSource);
    line.SetMute(static_cast<BOOL>(device->MixerSavedMute));
    line.SetVolume(device->MixerSavedVolume);
    line.Close();
}

void ReadMixerLine(CDeviceProfile* device) {
    if (!device) return;
    device->MixerMute = 0;
    device->MixerVolume = 50;
    if (!device->MixerEnable) return;
    CMixerLine line;
    line.Open(device->MixerDevice, device->MixerSource);
    BOOL muted = FALSE;
    if (line.GetMute(&muted)) device->MixerMute = static_cast<DWORD>(muted);
    DWORD volume = 0;
    if (line.GetVolume(&volume)) device->MixerVolume = volume;
    line.Close();
    device->MixerSavedMute = 1;
    device->MixerSavedVolume = 50;
}
