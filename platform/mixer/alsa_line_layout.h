// How a sound card's ALSA simple-mixer elements become mixer lines, and how an element's
// volume range maps onto the mixer's 0 to 65535. Pure functions, so they are tested with
// element lists made up by the test.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/com/types.h"

namespace mixer {

// What the layout needs to know of one simple-mixer element, in the card's element order.
struct AlsaElementInfo {
    std::string name;
    unsigned index = 0;  // the element's index among elements of the same name
    bool playbackVolume = false;
    bool playbackSwitch = false;
};

struct AlsaLineLayout {
    // The element that carries destination 0 ("Master"), if the card has one.
    std::optional<std::size_t> destination;
    // The source lines' elements, in source order.
    std::vector<std::size_t> sources;
};

// Playback elements only; "Master" is the destination, output elements (speakers,
// headphones, surround channels) are not sources, every other playback element is a source.
AlsaLineLayout ChooseAlsaLines(const std::vector<AlsaElementInfo>& elements);

// The line's component type by the element's name: "PCM" is the wave-out line.
DWORD AlsaComponentType(const AlsaElementInfo& element);

// The name a line shows: the element's name, with its index when it is not the first.
std::string AlsaLineName(const AlsaElementInfo& element);

// An element's playback volume range [minimum, maximum] seen as 0 to 65535. A range without
// extent (minimum = maximum) shows as 0 to 0.
class AlsaVolumeRange {
public:
    static constexpr DWORD kMixerMaximum = 65535;
    AlsaVolumeRange(long minimum, long maximum);
    DWORD MixerMaximum() const { return minimum_ < maximum_ ? kMixerMaximum : 0; }
    // Rounded to the nearest step; a raw value outside the range is taken at its bound.
    DWORD ToMixer(long raw) const;
    // Null for a value above MixerMaximum().
    std::optional<long> ToAlsa(DWORD value) const;

private:
    long minimum_;
    long maximum_;
};

}  // namespace mixer
