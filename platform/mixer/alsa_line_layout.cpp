#include "platform/mixer/alsa_line_layout.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "platform/mixer/mixer_api.h"

namespace mixer {
namespace {

// Elements that name where the sound goes, not a source mixed into it.
constexpr std::array<std::string_view, 12> kOutputElements = {
    "Master", "Master Mono", "Headphone", "Headphone+LO", "Speaker", "Bass Speaker",
    "Front",  "Surround",    "Center",    "LFE",          "Side",    "Line Out"};

bool IsOutputElement(const AlsaElementInfo& element) {
    return std::find(kOutputElements.begin(), kOutputElements.end(), element.name) != kOutputElements.end();
}

}  // namespace

AlsaLineLayout ChooseAlsaLines(const std::vector<AlsaElementInfo>& elements) {
    AlsaLineLayout layout;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const AlsaElementInfo& element = elements[i];
        if (!element.playbackVolume && !element.playbackSwitch) continue;
        if (element.name == "Master" && element.index == 0) {
            if (!layout.destination) layout.destination = i;
            continue;
        }
        if (!IsOutputElement(element)) layout.sources.push_back(i);
    }
    return layout;
}

DWORD AlsaComponentType(const AlsaElementInfo& element) {
    const std::string& name = element.name;
    if (name == "PCM") return MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
    if (name == "Line" || name == "Line In") return MIXERLINE_COMPONENTTYPE_SRC_LINE;
    if (name == "CD") return MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC;
    if (name.find("Mic") != std::string::npos) return MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
    if (name == "Aux") return MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY;
    return MIXERLINE_COMPONENTTYPE_SRC_UNDEFINED;
}

std::string AlsaLineName(const AlsaElementInfo& element) {
    return element.index == 0 ? element.name : element.name + " " + std::to_string(element.index);
}

AlsaVolumeRange::AlsaVolumeRange(long minimum, long maximum) : minimum_(minimum), maximum_(maximum) {}

DWORD AlsaVolumeRange::ToMixer(long raw) const {
    if (minimum_ >= maximum_) return 0;
    const long long span = static_cast<long long>(maximum_) - minimum_;
    const long long offset = std::clamp<long long>(static_cast<long long>(raw) - minimum_, 0, span);
    return static_cast<DWORD>((offset * kMixerMaximum + span / 2) / span);
}

std::optional<long> AlsaVolumeRange::ToAlsa(DWORD value) const {
    if (value > MixerMaximum()) return std::nullopt;
    if (minimum_ >= maximum_) return minimum_;
    const long long span = static_cast<long long>(maximum_) - minimum_;
    return static_cast<long>(minimum_ + (static_cast<long long>(value) * span + kMixerMaximum / 2) / kMixerMaximum);
}

}  // namespace mixer
