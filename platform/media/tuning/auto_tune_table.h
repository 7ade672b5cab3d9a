// The auto-tune table: per tuning space and input kind, picture carrier frequencies that
// override a channel plan, kept in the local machine's registry hive under
// "Software\Microsoft\TV System Services\TVAutoTune\TS<space>-<cable>" (cable is 1 for a
// cable input, 0 for an antenna), one REG_DWORD in Hz per channel, named by the channel
// number in decimal.
#pragma once

#include <optional>
#include <string>

#include "platform/com/types.h"
#include "platform/media/capture_constants.h"

namespace media {

std::string AutoTuneKeyPath(LONG tuningSpace, TunerInputType input);

// What the table holds for the channel, as stored: nullopt when there is no REG_DWORD value.
std::optional<DWORD> ReadAutoTuneEntry(LONG tuningSpace, TunerInputType input, LONG channel);

// The frequency a tuner uses instead of its plan's. A stored 0 or a value above 2147483647
// (no LONG frequency) is ignored, so the plan's frequency stays in force.
std::optional<LONG> FrequencyOverride(LONG tuningSpace, TunerInputType input, LONG channel);

// Creates the key when it is missing, then writes the channel's value (hz set) or deletes it
// (hz empty; a value that is not there is no failure). The key itself stays. Returns the
// registry's error code.
LONG StoreAutoTuneEntry(LONG tuningSpace, TunerInputType input, LONG channel, std::optional<DWORD> hz);

}  // namespace media
