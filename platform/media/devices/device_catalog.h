// The device catalogue behind the system device enumerator: for each category, the entries
// in the order the enumerator hands them out. Input devices are the machine's own (from
// GStreamer's device providers) followed by the always-present virtual devices, so a machine
// with hardware picks its hardware first and a machine without picks the virtual TV card.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/com/device_moniker.h"

namespace media {

struct DeviceEntry {
    std::u16string displayName;   // "@device:v4l2:/dev/video0", "@device:virtual:tv-card", ...
    std::u16string friendlyName;  // "FriendlyName"
    std::u16string devicePath;    // "DevicePath"
    CLSID filterClass{};          // "CLSID": the class of the filter BindToObject makes
    std::function<HRESULT(REFIID riid, void** object)> create;
};

// Entries of a category, in order; empty for a category with no devices or an unknown one.
std::vector<DeviceEntry> CatalogEntries(REFCLSID category);
// A device moniker for an entry (display name, property bag, creation).
HRESULT CreateEntryMoniker(const DeviceEntry& entry, IMoniker** moniker);

// Hides the machine's own devices, leaving the virtual ones: for tests and demos. Also
// switched on by QUILLDECK_HIDE_REAL_DEVICES=1 in the environment.
void SetRealDevicesHidden(bool hidden);
bool RealDevicesHidden();

}  // namespace media
