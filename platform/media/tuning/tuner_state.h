// A TV tuner's settings in memory: mode, country, tuning space, input, channel and
// sub-channels, with the carrier frequencies of the tuned channel from the country's channel
// plan or the auto-tune table. The virtual card's tuner is this state; a device's tuner keeps
// it and sends the tuned frequency to the device.
#pragma once

#include <functional>
#include <optional>

#include "platform/com/types.h"
#include "platform/media/capture_constants.h"
#include "platform/media/tuning/frequency_table.h"

namespace media {

class TunerState {
public:
    // Where a channel's picture carrier override comes from; the auto-tune table by default.
    using OverrideLookup = std::function<std::optional<LONG>(LONG tuningSpace, TunerInputType input, LONG channel)>;
    explicit TunerState(OverrideLookup lookup = {});

    static constexpr LONG kDefaultCountry = 81;
    static constexpr LONG kInputCount = 1;
    static constexpr LONG kAvailableModes = AMTUNER_MODE_TV;

    // Results as the platform's tuner interfaces: E_INVALIDARG for a value the tuner cannot
    // take; the state is unchanged then.
    HRESULT PutMode(LONG mode);
    LONG Mode() const { return mode_; }

    HRESULT PutCountryCode(LONG country);
    LONG CountryCode() const { return country_; }

    // Any number is a valid tuning space; it names a set of frequency overrides, read at the
    // next PutChannel (as a tuner reloads its table).
    void PutTuningSpace(LONG space);
    LONG TuningSpace() const { return tuningSpace_; }

    HRESULT PutConnectInput(LONG index);
    LONG ConnectInput() const { return connectInput_; }
    HRESULT PutInputType(LONG index, LONG type);
    HRESULT GetInputType(LONG index, LONG* type) const;

    // Looks the channel's override up each time. E_INVALIDARG for a channel that neither the
    // plan nor an override gives a frequency; the tuner stays on its channel then.
    HRESULT PutChannel(LONG channel, LONG videoSubChannel, LONG audioSubChannel);
    LONG Channel() const { return channel_; }
    LONG VideoSubChannel() const { return videoSubChannel_; }
    LONG AudioSubChannel() const { return audioSubChannel_; }
    ChannelRange ChannelMinMax() const;

    // Carriers of the tuned channel in Hz; an override replaces the picture carrier and
    // moves the sound carrier with it.
    LONG VideoFrequency() const { return tuned_.video; }
    LONG AudioFrequency() const { return tuned_.audio; }
    ChannelFrequencies Tuned() const { return tuned_; }
    // The standard the country broadcasts in (an AnalogVideoStandard bit).
    LONG TVFormat() const;
    // Whether the channel has a carrier, in the plan or by override (what a scan would find).
    bool AutoTune(LONG channel) const;

private:
    std::optional<ChannelFrequencies> FrequenciesOf(LONG channel) const;
    void KeepChannelTunable();

    OverrideLookup lookup_;

    LONG mode_ = AMTUNER_MODE_TV;
    LONG country_ = kDefaultCountry;
    LONG tuningSpace_ = 0;
    LONG connectInput_ = 0;
    TunerInputType inputType_ = TunerInputAntenna;
    LONG channel_ = 1;
    LONG videoSubChannel_ = AMTUNER_SUBCHAN_DEFAULT;
    LONG audioSubChannel_ = AMTUNER_SUBCHAN_DEFAULT;
    ChannelFrequencies tuned_{91'250'000, 95'750'000};
};

}  // namespace media
