// Analogue TV channel plans: the picture and sound carriers (Hz) of each channel number, by
// country (the telephone country code a tuner's put_CountryCode takes) and input (cable or
// antenna).
#pragma once

#include <optional>

#include "platform/com/types.h"
#include "platform/media/capture_constants.h"

namespace media {

struct ChannelFrequencies {
    LONG video;  // picture carrier, Hz
    LONG audio;  // sound carrier, Hz
    bool operator==(const ChannelFrequencies&) const = default;
};

struct ChannelRange {
    LONG min;
    LONG max;
    bool operator==(const ChannelRange&) const = default;
};

// Countries with a plan:
//   1 (United States, NTSC-M; cable on the standard plan), 81 (Japan, NTSC-J),
//   and the western European countries on CCIR PAL B/G: 31, 32, 34, 41, 43, 45, 46, 47, 49,
//   351, 358. Their broadcast channels are numbered as E2-E12 and E21-E69 are (2-12,
//   21-69); cable adds the special channels S1-S41 as 101-141.
bool HasFrequencyTable(LONG countryCode);
// The lowest and highest channel number of the country's plan for the input; the plan may
// have gaps between them. nullopt for a country without a plan.
std::optional<ChannelRange> ChannelRangeFor(LONG countryCode, TunerInputType input);
// The carriers of a channel; nullopt when the plan has no such channel.
std::optional<ChannelFrequencies> FrequenciesFor(LONG countryCode, TunerInputType input, LONG channel);
// How far above the picture carrier the country's sound carrier lies (4.5 MHz for NTSC-M,
// 5.5 MHz for PAL B/G); 0 for a country without a plan.
LONG SoundCarrierOffset(LONG countryCode);
// The analogue video standard (an AnalogVideoStandard bit) the country broadcasts in; 0 for
// a country without a plan.
LONG VideoStandardFor(LONG countryCode);

}  // namespace media
