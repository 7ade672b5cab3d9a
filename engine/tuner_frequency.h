// The tuned channel's frequencies and its entry in the auto-tune table, as the channel
// dialog shows and changes them: reading the tuner, and writing or clearing the channel's
// override followed by a reload of the tuner's table and a retune to the same channel.
#pragma once

#include <string>

#include "platform/com/types.h"
#include "platform/media/capture_constants.h"
#include "platform/media/interfaces/tv_hardware.h"

struct TunerFrequency {
    LONG channel = 0;
    LONG videoSubChannel = AMTUNER_SUBCHAN_DEFAULT;
    LONG audioSubChannel = AMTUNER_SUBCHAN_DEFAULT;
    LONG videoHz = 0;
    LONG audioHz = 0;
    LONG tuningSpace = 0;
    LONG connectInput = 0;
    TunerInputType inputType = TunerInputAntenna;
    bool overridden = false;  // the table has a value for the channel
    DWORD overrideHz = 0;     // that value, as stored
};

// Reads the tuner's channel, frequencies, tuning space, input and the channel's table entry.
// The first failing call's result is returned.
HRESULT ReadTunerFrequency(IAMTVTuner* tuner, TunerFrequency* out);

// Stores `hz` as the channel's override (or deletes the value when `enabled` is false; the
// key stays), then put_TuningSpace with the same space and put_Channel with the same channel
// and sub-channels, and reads everything again into `out`. A registry failure is returned as
// an HRESULT of its error code before the tuner is touched. On failure `failedCall` (when
// given) names the call that failed.
HRESULT ApplyTunerFrequencyOverride(IAMTVTuner* tuner, bool enabled, DWORD hz, TunerFrequency* out,
                                    const char** failedCall = nullptr);

// "Video : <Hz>  Audio : <Hz>"
std::string TunerFrequencyText(const TunerFrequency& frequency);
