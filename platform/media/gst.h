// The one way platform code includes GStreamer. The platform's TRUE and FALSE constants
// must be declared before GLib defines its macros of the same names; after that, GLib's
// macros expand to the same values.
#pragma once

#include "platform/com/types.h"

#include <gst/gst.h>
