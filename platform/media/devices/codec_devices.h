// The catalogue's compressor, filter and effect lists, from the codec tables: video and audio
// compressors ("@device:cm:<element>"), filters usable in chains ("@device:sw:<element>") and
// the video, audio and audio capture effects ("@device:dmo:<element>"). An entry is listed
// only when its element is installed. A filter listed among the filters and among the
// effects has the same friendly name in both.
#pragma once

#include <vector>

#include "platform/media/devices/device_catalog.h"

namespace media {

std::vector<DeviceEntry> VideoCompressorEntries();
std::vector<DeviceEntry> AudioCompressorEntries();
std::vector<DeviceEntry> ChainFilterEntries();
std::vector<DeviceEntry> VideoEffectEntries();
std::vector<DeviceEntry> AudioEffectEntries();
std::vector<DeviceEntry> AudioCaptureEffectEntries();

}  // namespace media
