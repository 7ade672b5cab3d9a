// Lets any IReferenceClock be a pipeline's clock: a GstSystemClock subclass whose internal
// time is the wrapped clock's GetTime (100 ns -> ns). The system clock's own waits stay in
// use, so GStreamer synchronises against the wrapped clock's time.
#pragma once

#include "platform/media/gst.h"
#include "platform/media/interfaces/filters.h"

namespace media {

// A new clock (a full reference, not floating) that holds a reference on `clock`.
// Null for a null clock.
GstClock* CreateGstClockForReferenceClock(IReferenceClock* clock);

}  // namespace media
