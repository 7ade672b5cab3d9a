// A live sine tone made once and handed out many times: the element computes one stretch of
// samples holding a whole number of periods when the format, pitch or volume changes, and each
// buffer it pushes is a view into that stretch (shared memory, its own time stamps and sample
// offsets), so a running tone costs no arithmetic per sample. 16-bit interleaved PCM, paced by
// the pipeline clock like a capture device.
#pragma once

#include "platform/media/gst.h"

namespace media {

// A new tone element (floating reference) pushing `samplesPerBuffer` samples per buffer. Its
// properties: "freq" (hertz, rounded to a whole hertz so that a cycle of at most one second
// repeats it exactly) and "volume" (0 to 1 of full scale); set from any thread, they take
// effect from the next buffer.
GstElement* MakeToneElement(const char* name, int samplesPerBuffer);

}  // namespace media
