// GStreamer is started on first use by the platform's devices and capture filters, so a
// program that only uses the COM calls never has to start it itself.
#pragma once

#include <string>

namespace media {

// gst_init_check once per process; false (with the reason logged) when it fails.
bool InitGstForCapture();
// "<prefix>-<n>": element names that stay unique when several filters share a pipeline.
std::string UniqueCaptureElementName(const char* prefix);

}  // namespace media
