// The element message a capture source posts on the bus when its device vanishes; the
// graph turns it into EC_DEVICE_LOST.
#pragma once

#include "platform/media/gst.h"

namespace media {

inline constexpr char kDeviceLostMessage[] = "quilldeck-device-lost";

// Posts the message from `source` (field "device": the element's name).
void PostDeviceLost(GstElement* source);
bool IsDeviceLostMessage(GstMessage* message);

}  // namespace media
