// What the mixer bar's mute button and volume slider do, and the mixer side of time-shift
// viewing. While live, the bar acts on the current device profile's line; while time-shift
// viewing plays delayed sound (`timeShiftViewing` non-zero), on the wave-out line of the mixer
// device `timeShiftMixer`, and the live line is silenced.
#pragma once

#include <optional>

#include "profiles/device_profile.h"

// What the bar shows; an empty field leaves that control as it is.
struct MixerBarView {
    std::optional<bool> muted;
    std::optional<DWORD> volume;
};

// The mute button was clicked. Live, with `MixerEnable`: the line's mute is toggled and
// `MixerMute` inverted even when the line cannot be reached, so the profile keeps what the
// button shows.
void ToggleMixerBarMute(CDeviceProfile* device, int timeShiftViewing, DWORD timeShiftMixer);
// The slider was released at `position` (0 to 100). Live, with `MixerEnable`: stored in
// `MixerVolume` and set on the line.
void SetMixerBarVolume(CDeviceProfile* device, int timeShiftViewing, DWORD timeShiftMixer, DWORD position);

// The bar from the current profile: the button checked when `MixerEnable` and `MixerMute`, the
// slider at `MixerVolume` only with `MixerEnable`.
MixerBarView MixerBarViewOf(const CDeviceProfile* device);

// Time-shift playback starts: the live line is silenced when the recording graph itself plays
// no sound (`CaptureAudioMode` 0 or 2), and the bar shows the wave-out line of `timeShiftMixer`.
MixerBarView StartTimeShiftMixer(const CDeviceProfile* device, DWORD timeShiftMixer);
// Back to live: the live line gets `MixerVolume` again and the bar shows the profile's line.
MixerBarView EndTimeShiftMixer(const CDeviceProfile* device);
