// The virtual devices that every machine has: the TV card's video and audio sides and a
// DV camcorder.
#pragma once

#include <vector>

#include "platform/media/devices/device_catalog.h"

namespace media {

inline constexpr char16_t kVirtualTvCardName[] = u"@device:virtual:tv-card";
inline constexpr char16_t kVirtualTvCardAudioName[] = u"@device:virtual:tv-card-audio";
inline constexpr char16_t kVirtualDvCamcorderName[] = u"@device:virtual:dv-camcorder";

// The TV card first, then the DV camcorder.
std::vector<DeviceEntry> VirtualVideoDevices();
std::vector<DeviceEntry> VirtualAudioDevices();

}  // namespace media
