#include "platform/media/virtual_card/tuner_state.h"
#include "platform/media/capture_constants.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace media {
namespace {
constexpr LONG kSoundOffset = 4'500'000;
}

HRESULT TunerState::PutMode(LONG mode) {
    if (mode != AMTUNER_MODE_DEFAULT && (mode & ~kAvailableModes) != 0) return E_INVALIDARG;
    mode_ = mode == AMTUNER_MODE_DEFAULT ? AMTUNER_MODE_TV : mode;
    return S_OK;
}

HRESULT TunerState::PutCountryCode(LONG country) {
    if (!HasFrequencyTable(country)) return E_INVALIDARG;
    country_ = country;
    KeepChannelInRange();
    Retune();
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
    KeepChannelInRange();
    Retune();
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
    channel_ = channel;
    videoSubChannel_ = videoSubChannel;
    audioSubChannel_ = audioSubChannel;
    Retune();
    return S_OK;
}

LONG TunerState::VideoFrequency() const { return tuned_.video; }
LONG TunerState::AudioFrequency() const { return tuned_.audio; }

LONG TunerState::TVFormat() const { return country_ == kDefaultCountry ? AnalogVideo_NTSC_M_J : AnalogVideo_NTSC_M; }

bool TunerState::AutoTune(LONG channel) const {
    return FrequenciesFor(country_, inputType_, channel).has_value();
}

void TunerState::SetFrequencyOverrides(std::map<LONG, LONG> channelToHz) { overrides_ = std::move(channelToHz); }

void TunerState::KeepChannelInRange() {
    const ChannelRange range = ChannelMinMax();
    if (channel_ < range.min || channel_ > range.max) channel_ = range.min;
}

void TunerState::Retune() {
    if (auto it = overrides_.find(channel_); it != overrides_.end()) {
        // The override table allows any positive LONG; keep the sound carrier representable.
        const LONGLONG sound = static_cast<LONGLONG>(it->second) + kSoundOffset;
        tuned_ = {it->second, static_cast<LONG>(std::min<LONGLONG>(sound, std::numeric_limits<LONG>::max()))};
        return;
    }
    tuned_ = FrequenciesFor(country_, inputType_, channel_).value_or(ChannelFrequencies{0, 0});
}

}  // namespace media
