// A mixer device made up by a test: one source line (plus destination 0) whose volume bounds,
// values and presence the test sets, listed before the virtual mixer.
#pragma once

#include <memory>

#include "platform/mixer/mixer_api.h"
#include "platform/mixer/mixer_device.h"
#include "platform/mixer/virtual_mixer.h"

struct FakeMixerState {
    DWORD minimum = 0;
    DWORD maximum = 65535;
    DWORD volume = 0;
    bool muted = false;
    bool present = true;  // false: the device cannot be opened (unplugged)
    bool hasMute = true;
};

class FakeMixerDevice final : public mixer::MixerDevice {
public:
    explicit FakeMixerDevice(std::shared_ptr<FakeMixerState> state) : state_(std::move(state)) {}
    std::string ProductName() const override { return "Fake Mixer"; }
    std::vector<mixer::MixerLineDescription> Lines() const override {
        mixer::MixerLineDescription destination{"Out", "Out", MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 2, false, 0, 0, false};
        mixer::MixerLineDescription wave{"Wave", "Wave", MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, 2,
                                         true,   state_->minimum, state_->maximum, state_->hasMute};
        return {destination, wave};
    }
    bool ReadVolume(std::size_t line, DWORD* value) override {
        if (line != 1 || !state_->present) return false;
        *value = state_->volume;
        return true;
    }
    bool WriteVolume(std::size_t line, DWORD value) override {
        if (line != 1 || !state_->present) return false;
        state_->volume = value;
        return true;
    }
    bool ReadMute(std::size_t line, bool* muted) override {
        if (line != 1 || !state_->present) return false;
        *muted = state_->muted;
        return true;
    }
    bool WriteMute(std::size_t line, bool muted) override {
        if (line != 1 || !state_->present) return false;
        state_->muted = muted;
        return true;
    }

private:
    std::shared_ptr<FakeMixerState> state_;
};

// Device 0 is the fake, device 1 the virtual mixer.
class ScopedFakeMixer {
public:
    ScopedFakeMixer()
        : state(std::make_shared<FakeMixerState>()),
          override_([s = state] {
              return std::vector<mixer::MixerDeviceOpener>{
                  [s]() -> std::unique_ptr<mixer::MixerDevice> {
                      if (!s->present) return nullptr;
                      return std::make_unique<FakeMixerDevice>(s);
                  },
                  mixer::OpenVirtualMixer};
          }) {}
    static constexpr UINT kFake = 0;
    static constexpr UINT kVirtual = 1;
    std::shared_ptr<FakeMixerState> state;

private:
    mixer::ScopedMixerDevicesOverride override_;
};
