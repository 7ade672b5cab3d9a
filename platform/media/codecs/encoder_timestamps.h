// The libav video encoders of this GStreamer release hand out their frames stamped with an
// invalid time (2^63 ns, the library's "no time" passed through unconverted), so a renderer
// waits for ever and a multiplexer drops every frame. Each frame comes out in the order it went
// in (none of these encoders is given B-frames), so the times of the frames that went in are
// kept in order and put back on the frames that come out, at the same running time in the
// output's segment (which the encoder moves by a thousand hours).
#pragma once

#include "platform/media/gst.h"

namespace media::codecs {

// Whether `factory`'s frames need their times put back.
bool EncoderLosesFrameTimes(const char* factory);

// Whether `property` of `element` must keep its default because of the above: the B-frame
// count, which would put frames out of order.
bool IsPinnedForFrameOrder(GstElement* element, const char* property);

// Watches `encoder`'s pads: the input frames' times are queued, and an output frame without a
// valid time takes the oldest queued one.
void KeepFrameTimesAcross(GstElement* encoder);

}  // namespace media::codecs
