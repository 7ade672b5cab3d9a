// A reusable moniker for devices and catalogue entries: a display name such as
// "@device:v4l2:/dev/video0", a property bag ("FriendlyName", "DevicePath", ...) that
// BindToStorage hands out, and a creation function for BindToObject.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/com/moniker_base.h"
#include "platform/com/property_bag.h"

inline constexpr CLSID CLSID_CDeviceMoniker = MakeGuid("4315d437-5b8c-11d0-bd3b-00a0c911ce86");

struct DeviceMonikerInfo {
    std::u16string DisplayName;
    std::vector<std::pair<std::u16string, PropertyValue>> Properties;
    // Creates the device's object (a filter) as riid; without it BindToObject is MK_E_NOOBJECT.
    std::function<HRESULT(REFIID riid, void** object)> CreateObject;
    CLSID ClassId = CLSID_CDeviceMoniker;
};

class DeviceMoniker : public MonikerBase {
public:
    explicit DeviceMoniker(DeviceMonikerInfo info);

    HRESULT BindToObject(IBindCtx* bindContext, IMoniker* left, REFIID riid, void** object) override;
    // Answers IPropertyBag (one bag per moniker: what is written stays for later binds).
    HRESULT BindToStorage(IBindCtx* bindContext, IMoniker* left, REFIID riid, void** object) override;

private:
    std::function<HRESULT(REFIID, void**)> createObject_;
    ComPtr<IPropertyBag> properties_;
};

HRESULT CreateDeviceMoniker(DeviceMonikerInfo info, IMoniker** moniker);
