// Analogue TV channel frequencies (picture and sound carriers, Hz) by country and input.
#pragma once

#include <optional>

#include "platform/com/types.h"
#include "platform/media/capture_constants.h"

namespace media {

struct ChannelFrequencies {
    LONG video;  // picture carrier, Hz
    LONG audio;  // sound carrier, Hz
};

struct ChannelRange {
    LONG min;
    LONG max;
};

// Countries with a table: 81 (Japan, NTSC-J) and 1 (United States, NTSC-M).
bool HasFrequencyTable(LONG countryCode);
// The channel numbers the country's table knows for the input; nullopt for an unknown country.
std::optional<ChannelRange> ChannelRangeFor(LONG countryCode, TunerInputType input);
// The carriers of a channel; nullopt when the channel is not in the table.
std::optional<ChannelFrequencies> FrequenciesFor(LONG countryCode, TunerInputType input, LONG channel);

}  // namespace media
