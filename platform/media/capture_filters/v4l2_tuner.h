// The analogue TV tuner of a V4L2 device (VIDIOC_G_TUNER, VIDIOC_S_FREQUENCY,
// VIDIOC_G_FREQUENCY) as a filter with IAMTVTuner. It sits upstream of the device's crossbar,
// its "Analog Video" pin wired to the crossbar's tuner input as a driver's tuner is, so a
// search upstream of the capture filter finds it. Channels map to frequencies through the
// channel plans and the auto-tune table that the virtual card's tuner uses.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/media/capture_filters/capture_pin.h"
#include "platform/media/filters/gst_filter_base.h"

namespace media {

inline constexpr CLSID CLSID_QuilldeckV4l2Tuner = MakeGuid("3a5e2c71-8d04-4c1b-9f3e-6b2d71a0c423");

// The device side: the few tuner calls, in V4L2 frequency units.
class V4l2TunerDevice {
public:
    virtual ~V4l2TunerDevice() = default;
    virtual HRESULT SetFrequency(std::uint32_t units) = 0;
    virtual HRESULT GetFrequency(std::uint32_t* units) = 0;
    // 0 (no signal) to 65535.
    virtual HRESULT SignalStrength(LONG* strength) = 0;
};

struct V4l2TunerRange {
    bool lowUnits = false;  // V4L2_TUNER_CAP_LOW: 62.5 Hz units, else 62.5 kHz
    std::uint32_t low = 0;  // the lowest and highest frequency the tuner takes, in its units
    std::uint32_t high = 0;
    LONG country = 81;      // the channel plan it starts with
};

struct V4l2Tuner {
    ComPtr<IBaseFilter> filter;
    CapturePin* videoOutput = nullptr;  // "Analog Video"
};

// Tuner `index` of the device; empty when the device cannot be opened or has no analogue TV
// tuner there.
V4l2Tuner CreateV4l2Tuner(const std::string& devicePath, std::uint32_t index);
// The same filter over any device.
V4l2Tuner CreateV4l2Tuner(std::unique_ptr<V4l2TunerDevice> device, V4l2TunerRange range);

// The channel plan for the device's video standards (a v4l2_std_id): NTSC-M-JP gives Japan
// (81), other NTSC-M the United States (1), PAL B/G Germany (49); else Japan.
LONG CountryForV4l2Standard(std::uint64_t standard);

}  // namespace media
