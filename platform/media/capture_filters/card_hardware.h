// The virtual card's analogue hardware as separate filters upstream of its video capture
// filter, wired through medium pins as a driver's filters are:
//
//   Tuner "Analog Video" -> Crossbar1 "Video Tuner In"
//   Tuner "Analog Audio" -> TV Audio "TVAudio In"
//   TV Audio "TVAudio Out" -> Crossbar2 "Audio Tuner In"
//   Crossbar2 "Audio Decoder Out" -> Crossbar1 "Audio Tuner In"
//   Crossbar1 "Video Decoder Out" -> capture filter "Analog Video In"
//
// So a search upstream of the capture filter finds Crossbar1 (IAMCrossbar), the tuner
// (IAMTVTuner) and TV audio (IAMTVAudio); a search upstream of Crossbar1 finds Crossbar2.
// These filters carry no stream and never join a pipeline.
#pragma once

#include <memory>

#include "platform/media/capture_filters/capture_pin.h"
#include "platform/media/filters/gst_filter_base.h"
#include "platform/media/capture_filters/virtual_card.h"
#include "platform/media/interfaces/filters.h"

namespace media {

inline constexpr CLSID CLSID_QuilldeckVirtualTuner = MakeGuid("3a5e2c71-8d04-4c1b-9f3e-6b2d71a0c401");
inline constexpr CLSID CLSID_QuilldeckVirtualTvAudio = MakeGuid("3a5e2c71-8d04-4c1b-9f3e-6b2d71a0c402");
inline constexpr CLSID CLSID_QuilldeckVirtualCrossbar = MakeGuid("3a5e2c71-8d04-4c1b-9f3e-6b2d71a0c403");

struct CardHardware {
    ComPtr<IBaseFilter> crossbar1;       // the filter directly upstream of the capture filter
    CapturePin* videoOutput = nullptr;   // Crossbar1's "Video Decoder Out"
};

// Null members when memory runs out.
CardHardware BuildCardHardware(const std::shared_ptr<VirtualCard>& card);

}  // namespace media
