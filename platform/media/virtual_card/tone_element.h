// A live sine tone made once and handed out many times: the element computes one stretch of
// samples holding a whole number of periods when the format, pitch or volume changes, and each
// buffer it pushes is a view into that stretch (shared memory, its own time stamps and sample
// offsets), so a running tone costs no arithmetic per sample. 16-bit interleaved PCM, paced by
// the pipeline clock like a capture device: a buffer leaves once the clock has passed its last
// sample, so the element answers a latency query with one buffer's time, and an end of stream
// sent to it first delivers the samples of the buffer in progress up to that moment.
#pragma once

#include "platform/media/gst.h"

namespace media {

// A new tone element (floating reference). Its properties: "freq" (hertz, rounded to a whole
// hertz so that a cycle of at most one second repeats it exactly), "volume" (0 to 1 of full
// scale) and "buffer-bytes" (the size of each buffer, rounded down to whole sample frames, one
// frame at least and one second at most; 0, the default, is a tenth of a second); set from any
// thread, they take effect from the next buffer.
GstElement* MakeToneElement(const char* name);

// Samples per buffer for `bufferBytes` (0: a tenth of a second) of `channels` 16-bit channels
// at `rate`, kept between one sample and one second.
int ToneSamplesPerBuffer(unsigned bufferBytes, int rate, int channels);

}  // namespace media
