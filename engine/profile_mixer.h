// The playback mixer line a device profile names (`MixerDevice`, `MixerSource`): set while the
// profile is current and put back when it stops being current. A profile without
// `MixerEnable` is never touched; a line that cannot be opened or read makes only that step
// fail, and a failed read leaves the profile's field as it was.
#pragma once

#include "profiles/device_profile.h"

// Saves the line's mute and volume in `MixerSavedMute` / `MixerSavedVolume`, then sets the
// profile's `MixerMute` and `MixerVolume`.
void ApplyMixerLine(CDeviceProfile* device);
// Puts `MixerSavedMute` and `MixerSavedVolume` back on the line.
void RestoreMixerLine(CDeviceProfile* device);
// Filling a profile from the devices: `MixerMute` = 0 and `MixerVolume` = 50, then, for a profile
// with `MixerEnable`, the line's mute and volume read into them, `MixerSavedMute` = 1 and
// `MixerSavedVolume` = 50.
void ReadMixerLine(CDeviceProfile* device);
