// The capture filters that device monikers create: the virtual TV card's video and audio
// capture filters, the virtual DV camcorder, and filters on the machine's own devices.
#pragma once

#include "platform/media/gst.h"

#include "platform/com/guid.h"
#include "platform/com/unknown.h"

namespace media {

inline constexpr CLSID CLSID_QuilldeckVirtualVideoCapture = MakeGuid("3a5e2c71-8d04-4c1b-9f3e-6b2d71a0c410");
inline constexpr CLSID CLSID_QuilldeckVirtualAudioCapture = MakeGuid("3a5e2c71-8d04-4c1b-9f3e-6b2d71a0c411");
inline constexpr CLSID CLSID_QuilldeckVirtualDvCapture = MakeGuid("3a5e2c71-8d04-4c1b-9f3e-6b2d71a0c412");
inline constexpr CLSID CLSID_QuilldeckVideoDeviceCapture = MakeGuid("3a5e2c71-8d04-4c1b-9f3e-6b2d71a0c420");
inline constexpr CLSID CLSID_QuilldeckAudioDeviceCapture = MakeGuid("3a5e2c71-8d04-4c1b-9f3e-6b2d71a0c421");

// Each creates a new filter and hands it out as riid. E_FAIL when GStreamer lacks an
// element the filter needs.
HRESULT CreateVirtualVideoCaptureFilter(REFIID riid, void** object);
HRESULT CreateVirtualAudioCaptureFilter(REFIID riid, void** object);
HRESULT CreateVirtualDvCaptureFilter(REFIID riid, void** object);

// A filter on a device of the machine (a GstDevice of class Video/Source or Audio/Source).
// VFW_E_NO_CAPTURE_HARDWARE when the device's element cannot be made (unplugged, busy).
HRESULT CreateDeviceCaptureFilter(GstDevice* device, REFIID riid, void** object);

}  // namespace media
