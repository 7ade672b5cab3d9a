// Lets any IReferenceClock be a pipeline's clock: a GstSystemClock subclass whose internal
// time is the wrapped clock's GetTime (100 ns -> ns). Waits end when the wrapped clock reaches
// their time, whatever its speed; asynchronous notifications stay the system clock's.
#pragma once

#include "platform/media/gst.h"
#include "platform/media/interfaces/filters.h"

namespace media {

// A new clock (a full reference, not floating) that holds a reference on `clock`.
// Null for a null clock.
GstClock* CreateGstClockForReferenceClock(IReferenceClock* clock);

}  // namespace media
