#include <mutex>
#include <utility>

#include "platform/media/devices/device_catalog.h"
#include "platform/mixer/alsa_mixer.h"
#include "platform/mixer/mixer_device.h"
#include "platform/mixer/virtual_mixer.h"

namespace mixer {
namespace {

std::mutex gOverrideLock;
std::function<std::vector<MixerDeviceOpener>()> gOverride;

}  // namespace

std::vector<MixerDeviceOpener> MixerDevices() {
    {
        std::lock_guard guard(gOverrideLock);
        if (gOverride) return gOverride();
    }
    std::vector<MixerDeviceOpener> devices;
    if (!media::RealDevicesHidden()) devices = AlsaMixerDevices();
    devices.emplace_back(OpenVirtualMixer);
    return devices;
}

ScopedMixerDevicesOverride::ScopedMixerDevicesOverride(std::function<std::vector<MixerDeviceOpener>()> devices) {
    std::lock_guard guard(gOverrideLock);
    previous_ = std::exchange(gOverride, std::move(devices));
}

ScopedMixerDevicesOverride::~ScopedMixerDevicesOverride() {
    std::lock_guard guard(gOverrideLock);
    gOverride = std::move(previous_);
}

}  // namespace mixer
