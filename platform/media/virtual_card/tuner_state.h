// The virtual card's TV tuner in memory: mode, country, tuning space, input, channel and
// sub-channels, with carrier frequencies from the country's channel plan.
#pragma once

#include <map>

#include "platform/com/types.h"
#include "platform/media/capture_constants.h"
#include "platform/media/virtual_card/frequency_table.h"

namespace media {

class TunerState {
public:
    static constexpr LONG kDefaultCountry = 81;
    static constexpr LONG kInputCount = 1;
    static constexpr LONG kAvailableModes = AMTUNER_MODE_TV;

    // Results as the platform's tuner interfaces: E_INVALIDARG for a value the tuner cannot
    // take; the state is unchanged then.
    HRESULT PutMode(LONG mode);
    LONG Mode() const { return mode_; }

    HRESULT PutCountryCode(LONG country);
    LONG CountryCode() const { return country_; }

    // Any number is a valid tuning space; it names a set of frequency overrides.
    void PutTuningSpace(LONG space);
    LONG TuningSpace() const { return tuningSpace_; }

    HRESULT PutConnectInput(LONG index);
    LONG ConnectInput() const { return connectInput_; }
    HRESULT PutInputType(LONG index, LONG type);
    HRESULT GetInputType(LONG index, LONG* type) const;

    HRESULT PutChannel(LONG channel, LONG videoSubChannel, LONG audioSubChannel);
    LONG Channel() const { return channel_; }
    LONG VideoSubChannel() const { return videoSubChannel_; }
    LONG AudioSubChannel() const { return audioSubChannel_; }
    ChannelRange ChannelMinMax() const;

    // Carriers of the tuned channel in Hz; an override replaces the picture carrier and
    // moves the sound carrier with it.
    LONG VideoFrequency() const;
    LONG AudioFrequency() const;
    // The standard the country broadcasts in (an AnalogVideoStandard bit).
    LONG TVFormat() const;
    // Whether the channel has a carrier in the current plan (what a scan would find).
    bool AutoTune(LONG channel) const;

    // Per-channel picture carrier overrides for the current tuning space and input type,
    // as the auto-tune table gives them. Taking effect needs a new PutChannel, as on
    // hardware.
    void SetFrequencyOverrides(std::map<LONG, LONG> channelToHz);

private:
    TunerInputType InputType() const { return inputType_; }
    void KeepChannelInRange();
    void Retune();

    LONG mode_ = AMTUNER_MODE_TV;
    LONG country_ = kDefaultCountry;
    LONG tuningSpace_ = 0;
    LONG connectInput_ = 0;
    TunerInputType inputType_ = TunerInputAntenna;
    LONG channel_ = 1;
    LONG videoSubChannel_ = AMTUNER_SUBCHAN_DEFAULT;
    LONG audioSubChannel_ = AMTUNER_SUBCHAN_DEFAULT;
    std::map<LONG, LONG> overrides_;
    ChannelFrequencies tuned_{91'250'000, 95'750'000};
};

}  // namespace media
