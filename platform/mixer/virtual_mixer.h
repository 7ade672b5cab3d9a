// The virtual mixer that stands beside the virtual TV card: destination "Speakers" with the
// source lines "Line", "CD", "Mic" and the wave-out line "Wave", each with a volume of 0 to
// 65535 and a mute switch. Its state lives in memory for the life of the process, as the
// virtual card's hardware does.
#pragma once

#include <memory>

#include "platform/mixer/mixer_device.h"

namespace mixer {

inline constexpr char kVirtualMixerName[] = "Quilldeck Virtual Mixer";
inline constexpr DWORD kVirtualMixerVolumeMaximum = 65535;

// Line numbers as MixerDevice counts them (0 = the destination).
enum VirtualMixerLine : std::size_t {
    VirtualMixerSpeakers = 0,
    VirtualMixerLineIn = 1,
    VirtualMixerCd = 2,
    VirtualMixerMic = 3,
    VirtualMixerWave = 4,
    VirtualMixerLineCount = 5,
};

struct VirtualMixerLineState {
    DWORD volume = 0;
    bool muted = false;
};

// The state every line starts with: three quarters of the range, not muted.
inline constexpr VirtualMixerLineState kVirtualMixerInitialState{49151, false};

VirtualMixerLineState VirtualMixerState(VirtualMixerLine line);
void SetVirtualMixerState(VirtualMixerLine line, VirtualMixerLineState state);
// Every line back to the initial state.
void ResetVirtualMixer();

std::unique_ptr<MixerDevice> OpenVirtualMixer();

}  // namespace mixer
