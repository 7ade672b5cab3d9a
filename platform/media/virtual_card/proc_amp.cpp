#include "platform/media/virtual_card/proc_amp.h"
#include "platform/media/capture_constants.h"

namespace media {
namespace {

constexpr LONG kManual = VideoProcAmp_Flags_Manual;
constexpr LONG kAutoOrManual = VideoProcAmp_Flags_Auto | VideoProcAmp_Flags_Manual;

// Indexed by VideoProcAmpProperty. Ranges follow the style of common analogue capture
// drivers: a 0..10000 scale centred on 5000 for the colour controls.
constexpr std::array<ProcAmpRange, kVideoProcAmpPropertyCount> kRanges = {{
    {0, 10000, 1, 5000, kManual},          // Brightness
    {0, 10000, 1, 5000, kManual},          // Contrast
    {0, 10000, 1, 5000, kManual},          // Hue
    {0, 10000, 1, 5000, kManual},          // Saturation
    {0, 15, 1, 8, kManual},                // Sharpness
    {10, 500, 1, 100, kManual},            // Gamma, in hundredths
    {0, 1, 1, 1, kManual},                 // ColorEnable
    {2800, 6500, 10, 6500, kAutoOrManual}, // WhiteBalance, kelvin
    {0, 1, 1, 0, kManual},                 // BacklightCompensation
    {0, 100, 1, 0, kAutoOrManual},         // Gain
}};

bool IsKnown(LONG property) { return property >= 0 && property < kVideoProcAmpPropertyCount; }

// Maps a value on the 0..10000 scale to -1..1 around the default.
double Centred(LONG value, const ProcAmpRange& r) {
    const double span = value >= r.defaultValue ? r.max - r.defaultValue : r.defaultValue - r.min;
    return span == 0 ? 0.0 : (value - r.defaultValue) / span;
}

}  // namespace

ProcAmpState::ProcAmpState() {
    for (int p = 0; p < kVideoProcAmpPropertyCount; ++p) {
        const ProcAmpRange& r = kRanges[static_cast<std::size_t>(p)];
        settings_[static_cast<std::size_t>(p)] = {r.defaultValue, VideoProcAmp_Flags_Manual};
    }
}

const ProcAmpRange* ProcAmpState::RangeOf(LONG property) {
    return IsKnown(property) ? &kRanges[static_cast<std::size_t>(property)] : nullptr;
}

HRESULT ProcAmpState::GetRange(LONG property, ProcAmpRange* range) const {
    if (!range) return E_POINTER;
    const ProcAmpRange* r = RangeOf(property);
    if (!r) return E_INVALIDARG;
    *range = *r;
    return S_OK;
}

HRESULT ProcAmpState::Set(LONG property, LONG value, LONG flags) {
    const ProcAmpRange* r = RangeOf(property);
    if (!r) return E_INVALIDARG;
    const bool oneMode = flags == VideoProcAmp_Flags_Auto || flags == VideoProcAmp_Flags_Manual;
    if (!oneMode || (flags & r->capsFlags) == 0) return E_INVALIDARG;
    // An automatic setting ignores the value, as drivers do.
    if (flags == VideoProcAmp_Flags_Manual) {
        if (value < r->min || value > r->max || (value - r->min) % r->step != 0) return E_INVALIDARG;
        settings_[static_cast<std::size_t>(property)].value = value;
    }
    settings_[static_cast<std::size_t>(property)].flags = flags;
    return S_OK;
}

HRESULT ProcAmpState::Get(LONG property, LONG* value, LONG* flags) const {
    if (!value || !flags) return E_POINTER;
    if (!IsKnown(property)) return E_INVALIDARG;
    const Setting& s = settings_[static_cast<std::size_t>(property)];
    *value = s.value;
    *flags = s.flags;
    return S_OK;
}

LONG ProcAmpState::EffectiveValue(VideoProcAmpProperty property) const {
    const Setting& s = settings_[static_cast<std::size_t>(property)];
    return s.flags == VideoProcAmp_Flags_Auto ? kRanges[static_cast<std::size_t>(property)].defaultValue : s.value;
}

PictureAdjustment ProcAmpState::Picture() const {
    PictureAdjustment p;
    p.brightness = Centred(EffectiveValue(VideoProcAmp_Brightness), kRanges[VideoProcAmp_Brightness]);
    p.contrast = 1.0 + Centred(EffectiveValue(VideoProcAmp_Contrast), kRanges[VideoProcAmp_Contrast]);
    p.hue = Centred(EffectiveValue(VideoProcAmp_Hue), kRanges[VideoProcAmp_Hue]);
    p.saturation = 1.0 + Centred(EffectiveValue(VideoProcAmp_Saturation), kRanges[VideoProcAmp_Saturation]);
    if (EffectiveValue(VideoProcAmp_ColorEnable) == 0) p.saturation = 0.0;
    p.gamma = EffectiveValue(VideoProcAmp_Gamma) / 100.0;
    return p;
}

}  // namespace media
