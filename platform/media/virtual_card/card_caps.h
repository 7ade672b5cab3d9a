// GstCaps of the virtual card's formats.
#pragma once

#include "platform/media/gst.h"

#include "platform/media/virtual_card/card_formats.h"

namespace media {

// The caps a pin carries in `format` (RGB24 is GStreamer's "BGR": bytes B, G, R; RGB32 its
// "BGRx").
GstCaps* VideoCapsFor(const VideoFormat& format);
// Raw I420 of the same size and rate: what the picture stages work on.
GstCaps* ProcessingCapsFor(const VideoFormat& format);
GstCaps* AudioCapsFor(const AudioFormat& format);

}  // namespace media
