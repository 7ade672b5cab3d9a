// The virtual card's video processing amplifier: the ten picture controls with their
// ranges, defaults, steps and auto/manual flags, and the picture they produce.
#pragma once

#include <array>

#include "platform/com/types.h"
#include "platform/media/capture_constants.h"

namespace media {

struct ProcAmpRange {
    LONG min;
    LONG max;
    LONG step;
    LONG defaultValue;
    LONG capsFlags;  // VideoProcAmp_Flags_Auto and/or VideoProcAmp_Flags_Manual
};

// What the picture pipeline can show, in the units of videobalance and gamma.
struct PictureAdjustment {
    double brightness = 0.0;  // -1 .. 1
    double contrast = 1.0;    // 0 .. 2
    double hue = 0.0;         // -1 .. 1
    double saturation = 1.0;  // 0 .. 2
    double gamma = 1.0;       // 0.01 .. 10
};

class ProcAmpState {
public:
    ProcAmpState();

    // Results as the platform's IAMVideoProcAmp: E_INVALIDARG for an unknown property, a
    // value outside the range or off the step grid, or flags the property does not offer.
    HRESULT GetRange(LONG property, ProcAmpRange* range) const;
    HRESULT Set(LONG property, LONG value, LONG flags);
    HRESULT Get(LONG property, LONG* value, LONG* flags) const;

    // Sharpness, white balance, backlight compensation and gain are kept as state only.
    PictureAdjustment Picture() const;

    static const ProcAmpRange* RangeOf(LONG property);

private:
    struct Setting {
        LONG value;
        LONG flags;
    };
    // In automatic mode the card chooses the value itself; it uses the default.
    LONG EffectiveValue(VideoProcAmpProperty property) const;

    std::array<Setting, kVideoProcAmpPropertyCount> settings_;
};

}  // namespace media
