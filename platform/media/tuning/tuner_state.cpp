#include "platform/media/tuning/tuner_state.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "platform/media/tuning/auto_tune_table.h"

namespace media {

TunerState::TunerState(OverrideLookup lookup) : lookup_(lookup ? std::move(lookup) : OverrideLookup(FrequencyOverride)) {}

HRESULT TunerState::PutMode(LONG mode) {
    if (mode != AMTUNER_MODE_DEFAULT && (mode & ~kAvailableModes) != 0) return E_INVALIDARG;
    mode_ = mode == AMTUNER_MODE_DEFAULT ? AMTUNER_MODE_TV : mode;
    return S_OK;
}

HRESULT TunerState::PutCountryCode(LONG country) {
    if (!HasFrequencyTable(country)) return E_INVALIDARG;
    country_ = country;
    KeepChannelTunable();
    return S_OK;
}

void TunerState::PutTuningSpace(LONG space) { tuningSpace_ = space; }

HRESULT TunerState::PutConnectInput(LONG index) {
    if (index < 0 || index >= kInputCount) return E_INVALIDARG;
    connectInput_ = index;
    return S_OK;
}

HRESULT TunerState::PutInputType(LONG index, LONG type) {
    if (index < 0 || index >= kInputCount) return E_INVALIDARG;
    if (type != TunerInputCable && type != TunerInputAntenna) return E_INVALIDARG;
    inputType_ = static_cast<TunerInputType>(type);
    KeepChannelTunable();
    return S_OK;
}

HRESULT TunerState::GetInputType(LONG index, LONG* type) const {
    if (!type) return E_POINTER;
    if (index < 0 || index >= kInputCount) return E_INVALIDARG;
    *type = inputType_;
    return S_OK;
}

ChannelRange TunerState::ChannelMinMax() const {
    // The country is always one with a table (PutCountryCode refuses others).
    return ChannelRangeFor(country_, inputType_).value_or(ChannelRange{0, 0});
}

HRESULT TunerState::PutChannel(LONG channel, LONG videoSubChannel, LONG audioSubChannel) {
    const ChannelRange range = ChannelMinMax();
    if (channel < range.min || channel > range.max) return E_INVALIDARG;
    const std::optional<ChannelFrequencies> carriers = FrequenciesOf(channel);
    if (!carriers) return E_INVALIDARG;
    channel_ = channel;
    videoSubChannel_ = videoSubChannel;
    audioSubChannel_ = audioSubChannel;
    tuned_ = *carriers;
    return S_OK;
}

LONG TunerState::TVFormat() const { return VideoStandardFor(country_); }

bool TunerState::AutoTune(LONG channel) const { return FrequenciesOf(channel).has_value(); }

std::optional<ChannelFrequencies> TunerState::FrequenciesOf(LONG channel) const {
    if (const std::optional<LONG> picture = lookup_(tuningSpace_, inputType_, channel)) {
        // Any positive LONG may be stored; keep the sound carrier representable.
        const LONGLONG sound = static_cast<LONGLONG>(*picture) + SoundCarrierOffset(country_);
        return ChannelFrequencies{*picture, static_cast<LONG>(std::min<LONGLONG>(sound, std::numeric_limits<LONG>::max()))};
    }
    return FrequenciesFor(country_, inputType_, channel);
}

// A new country or input keeps the channel when the new plan has it, else takes the plan's
// first channel, and retunes.
void TunerState::KeepChannelTunable() {
    const ChannelRange range = ChannelMinMax();
    std::optional<ChannelFrequencies> carriers;
    if (channel_ >= range.min && channel_ <= range.max) carriers = FrequenciesOf(channel_);
    if (!carriers) {
        channel_ = range.min;
        carriers = FrequenciesOf(channel_);
    }
    tuned_ = carriers.value_or(ChannelFrequencies{0, 0});
}

}  // namespace media
