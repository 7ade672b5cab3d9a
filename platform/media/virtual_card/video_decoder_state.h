// The virtual card's analogue video decoder: TV format, output enable, VCR horizontal
// locking, and the horizontal lock of the incoming signal.
#pragma once

#include "platform/com/types.h"
#include "platform/media/capture_constants.h"

namespace media {

class VideoDecoderState {
public:
    static constexpr LONG kAvailableFormats = AnalogVideo_NTSC_M | AnalogVideo_NTSC_M_J | AnalogVideo_PAL_B |
                                              AnalogVideo_PAL_D | AnalogVideo_PAL_G | AnalogVideo_PAL_H |
                                              AnalogVideo_PAL_I | AnalogVideo_SECAM_B | AnalogVideo_SECAM_D |
                                              AnalogVideo_SECAM_K | AnalogVideo_SECAM_L;

    // E_INVALIDARG unless exactly one available format bit is given.
    HRESULT PutTVFormat(LONG format);
    LONG TVFormat() const { return format_; }
    LONG AvailableTVFormats() const { return kAvailableFormats; }
    // 525 for the NTSC family, 625 for PAL and SECAM.
    LONG NumberOfLines() const;

    void PutOutputEnable(bool enable) { outputEnable_ = enable; }
    bool OutputEnable() const { return outputEnable_; }
    void PutVCRHorizontalLocking(bool locking) { vcrLocking_ = locking; }
    bool VCRHorizontalLocking() const { return vcrLocking_; }

    // What the decoder reports as the signal's horizontal lock; the card's test control
    // clears it to simulate a lost signal.
    bool HorizontalLocked() const { return horizontalLocked_; }
    void SetHorizontalLocked(bool locked) { horizontalLocked_ = locked; }

private:
    LONG format_ = AnalogVideo_NTSC_M_J;
    bool outputEnable_ = true;
    bool vcrLocking_ = false;
    bool horizontalLocked_ = true;
};

}  // namespace media
