// The machine's sound cards as mixer devices, through ALSA's simple mixer: one device per
// card in card order, destination 0 on the card's "Master" element and a source line for
// each other playback element ("PCM" is the wave-out line).
#pragma once

#include <vector>

#include "platform/mixer/mixer_device.h"

namespace mixer {

std::vector<MixerDeviceOpener> AlsaMixerDevices();

}  // namespace mixer
