#include "platform/media/devices/device_catalog.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "platform/media/devices/codec_devices.h"
#include "platform/media/devices/real_devices.h"
#include "platform/media/devices/virtual_devices.h"
#include "platform/com/moniker.h"
#include "platform/media/interfaces/device_enum.h"

namespace media {
namespace {

enum class HiddenSwitch { FromEnvironment, Hidden, Shown };
std::atomic<HiddenSwitch> gHidden{HiddenSwitch::FromEnvironment};

void Append(std::vector<DeviceEntry>& to, std::vector<DeviceEntry> more) {
    for (DeviceEntry& e : more) to.push_back(std::move(e));
}

}  // namespace

void SetRealDevicesHidden(bool hidden) { gHidden = hidden ? HiddenSwitch::Hidden : HiddenSwitch::Shown; }

bool RealDevicesHidden() {
    switch (gHidden.load()) {
        case HiddenSwitch::Hidden: return true;
        case HiddenSwitch::Shown: return false;
        case HiddenSwitch::FromEnvironment: break;
    }
    const char* value = std::getenv("QUILLDECK_HIDE_REAL_DEVICES");
    return value && std::strcmp(value, "1") == 0;
}

std::vector<DeviceEntry> CatalogEntries(REFCLSID category) {
    std::vector<DeviceEntry> entries;
    if (category == CLSID_VideoInputDeviceCategory) {
        if (!RealDevicesHidden()) Append(entries, RealVideoDevices());
        Append(entries, VirtualVideoDevices());
    } else if (category == CLSID_AudioInputDeviceCategory) {
        if (!RealDevicesHidden()) Append(entries, RealAudioDevices());
        Append(entries, VirtualAudioDevices());
    } else if (category == CLSID_VideoCompressorCategory) {
        Append(entries, VideoCompressorEntries());
    } else if (category == CLSID_AudioCompressorCategory) {
        Append(entries, AudioCompressorEntries());
    } else if (category == CLSID_LegacyAmFilterCategory) {
        Append(entries, ChainFilterEntries());
    } else if (category == DMOCATEGORY_VIDEO_EFFECT) {
        Append(entries, VideoEffectEntries());
    } else if (category == DMOCATEGORY_AUDIO_EFFECT) {
        Append(entries, AudioEffectEntries());
    } else if (category == DMOCATEGORY_AUDIO_CAPTURE_EFFECT) {
        Append(entries, AudioCaptureEffectEntries());
    }
    return entries;
}

HRESULT CreateEntryMoniker(const DeviceEntry& entry, IMoniker** moniker) {
    if (!moniker) return E_POINTER;
    DeviceMonikerInfo info;
    info.DisplayName = entry.displayName;
    info.Properties.emplace_back(u"FriendlyName", entry.friendlyName);
    info.Properties.emplace_back(u"DevicePath", entry.devicePath);
    WCHAR clsid[40] = {};
    if (StringFromGUID2(entry.filterClass, clsid, 40) > 0) info.Properties.emplace_back(u"CLSID", std::u16string(clsid));
    info.CreateObject = entry.create;
    return CreateDeviceMoniker(std::move(info), moniker);
}

}  // namespace media
