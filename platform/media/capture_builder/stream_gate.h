// The stream control of one output pad: a pad probe that lets buffers through only between
// the start and the stop time (running time of the pipeline, 100 ns units), and posts
// EC_STREAM_CONTROL_STARTED / _STOPPED with the cookies when the stream starts or stops.
#pragma once

#include "platform/media/gst.h"
#include "platform/media/interfaces/filters.h"

namespace media {

inline constexpr REFERENCE_TIME kMaxTime = 0x7FFFFFFFFFFFFFFF;

// start: null = now, kMaxTime = hold until a later start. stop: null = now, kMaxTime = no stop
// (cancels one that was set). `sink` receives the events (weak; may be null).
void ControlPadStream(GstPad* pad, const REFERENCE_TIME* start, const REFERENCE_TIME* stop, WORD startCookie,
                      WORD stopCookie, IMediaEventSink* sink);

// Whether the pad's stream control keeps `buffer` back (false for a pad without one), so that
// what counts the data leaving a pin counts only what it delivers.
bool PadStreamHolds(GstPad* pad, GstBuffer* buffer);

}  // namespace media
