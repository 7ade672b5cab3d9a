// A crossbar over the inputs of a V4L2 device (VIDIOC_ENUMINPUT / G_INPUT / S_INPUT): one
// crossbar input per device input, one output into the video decoder. It sits upstream of
// the device's capture filter, wired to its "Analog Video In" pin, as a driver's crossbar
// does.
#pragma once

#include <string>

#include "platform/media/capture_filters/capture_pin.h"
#include "platform/media/filters/gst_filter_base.h"

namespace media {

inline constexpr CLSID CLSID_QuilldeckV4l2Crossbar = MakeGuid("3a5e2c71-8d04-4c1b-9f3e-6b2d71a0c422");

struct V4l2Crossbar {
    ComPtr<IBaseFilter> filter;
    CapturePin* output = nullptr;
};

// Empty when the device cannot be opened or reports no inputs.
V4l2Crossbar CreateV4l2Crossbar(const std::string& devicePath);

}  // namespace media
