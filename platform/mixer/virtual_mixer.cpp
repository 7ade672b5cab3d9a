#include "platform/mixer/virtual_mixer.h"

#include <array>
#include <mutex>

#include "platform/mixer/mixer_api.h"

namespace mixer {
namespace {

struct VirtualMixerStates {
    std::mutex lock;
    std::array<VirtualMixerLineState, VirtualMixerLineCount> lines;
    VirtualMixerStates() { lines.fill(kVirtualMixerInitialState); }
};

VirtualMixerStates& States() {
    static VirtualMixerStates states;
    return states;
}

MixerLineDescription VirtualLine(const char* name, DWORD componentType) {
    MixerLineDescription line;
    line.shortName = name;
    line.name = name;
    line.componentType = componentType;
    line.channels = 2;
    line.hasVolume = true;
    line.volumeMinimum = 0;
    line.volumeMaximum = kVirtualMixerVolumeMaximum;
    line.hasMute = true;
    return line;
}

class VirtualMixerDevice final : public MixerDevice {
public:
    std::string ProductName() const override { return kVirtualMixerName; }

    std::vector<MixerLineDescription> Lines() const override {
        return {VirtualLine("Speakers", MIXERLINE_COMPONENTTYPE_DST_SPEAKERS),
                VirtualLine("Line", MIXERLINE_COMPONENTTYPE_SRC_LINE),
                VirtualLine("CD", MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC),
                VirtualLine("Mic", MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE),
                VirtualLine("Wave", MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT)};
    }

    bool ReadVolume(std::size_t line, DWORD* value) override {
        if (line >= VirtualMixerLineCount) return false;
        *value = VirtualMixerState(static_cast<VirtualMixerLine>(line)).volume;
        return true;
    }
    bool WriteVolume(std::size_t line, DWORD value) override {
        if (line >= VirtualMixerLineCount || value > kVirtualMixerVolumeMaximum) return false;
        VirtualMixerStates& states = States();
        std::lock_guard guard(states.lock);
        states.lines[line].volume = value;
        return true;
    }
    bool ReadMute(std::size_t line, bool* muted) override {
        if (line >= VirtualMixerLineCount) return false;
        *muted = VirtualMixerState(static_cast<VirtualMixerLine>(line)).muted;
        return true;
    }
    bool WriteMute(std::size_t line, bool muted) override {
        if (line >= VirtualMixerLineCount) return false;
        VirtualMixerStates& states = States();
        std::lock_guard guard(states.lock);
        states.lines[line].muted = muted;
        return true;
    }
};

}  // namespace

VirtualMixerLineState VirtualMixerState(VirtualMixerLine line) {
    VirtualMixerStates& states = States();
    std::lock_guard guard(states.lock);
    return line < VirtualMixerLineCount ? states.lines[line] : VirtualMixerLineState{};
}

void SetVirtualMixerState(VirtualMixerLine line, VirtualMixerLineState state) {
    VirtualMixerStates& states = States();
    std::lock_guard guard(states.lock);
    if (line < VirtualMixerLineCount) states.lines[line] = state;
}

void ResetVirtualMixer() {
    VirtualMixerStates& states = States();
    std::lock_guard guard(states.lock);
    states.lines.fill(kVirtualMixerInitialState);
}

std::unique_ptr<MixerDevice> OpenVirtualMixer() { return std::make_unique<VirtualMixerDevice>(); }

}  // namespace mixer
