// The machine's own capture devices, from GStreamer's device providers: V4L2 cameras and
// capture cards for video; PulseAudio, else PipeWire, else ALSA inputs for audio (one
// provider only, as they list the same hardware). Display names are stable across runs:
// "@device:v4l2:/dev/video0", "@device:pulse:<source name>", ...
#pragma once

#include <vector>

#include "platform/media/devices/device_catalog.h"

namespace media {

std::vector<DeviceEntry> RealVideoDevices();
std::vector<DeviceEntry> RealAudioDevices();

}  // namespace media
