// The element chains between the ASF writer's input pins and its multiplexer: converters to
// the profile's format, the video deinterlacer or inverse telecine the writer's input settings
// ask for, and the encoders.
#pragma once

#include "platform/media/gst.h"

#include <vector>

#include "platform/com/types.h"
#include "platform/media/asf/wm_profiles.h"

namespace media {

// What the video input's "DeinterlaceMode" setting asks for, as elements: empty for none.
// Elements missing from the machine are left out (and said so once).
std::vector<GstElement*> MakeDeinterlaceElements(DWORD deinterlaceMode);

// Converters and the encoder for one stream, in order; empty when an element is missing.
std::vector<GstElement*> MakeVideoEncodeElements(const WmVideoStream& video);
std::vector<GstElement*> MakeAudioEncodeElements(const WmAudioStream& audio);

}  // namespace media
