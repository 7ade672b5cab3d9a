// One open mixer device as the mixer calls see it: destination 0 (the playback output) and
// its source lines, each with an optional volume control and an optional mute control. The
// ALSA cards and the virtual mixer implement it; tests give fakes.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/types.h"

namespace mixer {

struct MixerLineDescription {
    std::string shortName;
    std::string name;
    DWORD componentType = 0;  // MIXERLINE_COMPONENTTYPE_*
    DWORD channels = 1;
    bool hasVolume = false;
    DWORD volumeMinimum = 0;
    DWORD volumeMaximum = 0;
    bool hasMute = false;
};

class MixerDevice {
public:
    virtual ~MixerDevice() = default;
    virtual std::string ProductName() const = 0;
    // Line 0 is destination 0; lines 1 to n are its sources in source order.
    virtual std::vector<MixerLineDescription> Lines() const = 0;
    // Each returns false when the device refuses or has gone (a card unplugged).
    virtual bool ReadVolume(std::size_t line, DWORD* value) = 0;
    virtual bool WriteVolume(std::size_t line, DWORD value) = 0;
    virtual bool ReadMute(std::size_t line, bool* muted) = 0;
    virtual bool WriteMute(std::size_t line, bool muted) = 0;
};

// Opens one device of the list; null when it cannot be opened.
using MixerDeviceOpener = std::function<std::unique_ptr<MixerDevice>()>;

// The mixer devices in index order: the sound cards in card order (none while the machine's
// devices are hidden), then the virtual mixer.
std::vector<MixerDeviceOpener> MixerDevices();

// Replaces the device list for its lifetime (tests: fakes, a device that disappears).
class ScopedMixerDevicesOverride {
public:
    explicit ScopedMixerDevicesOverride(std::function<std::vector<MixerDeviceOpener>()> devices);
    ~ScopedMixerDevicesOverride();
    ScopedMixerDevicesOverride(const ScopedMixerDevicesOverride&) = delete;
    ScopedMixerDevicesOverride& operator=(const ScopedMixerDevicesOverride&) = delete;

private:
    std::function<std::vector<MixerDeviceOpener>()> previous_;
};

// How many mixer handles are open (each mixerOpen without its mixerClose).
std::size_t OpenMixerHandles();

}  // namespace mixer
