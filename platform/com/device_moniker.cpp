#include "platform/com/device_moniker.h"

DeviceMoniker::DeviceMoniker(DeviceMonikerInfo info)
    : MonikerBase(info.ClassId, std::move(info.DisplayName)), createObject_(std::move(info.CreateObject)) {
    if (FAILED(CreatePropertyBag(properties_.ReleaseAndGetAddressOf()))) return;
    for (const auto& [name, value] : info.Properties) {
        if (FAILED(WriteProperty(properties_.Get(), name.c_str(), value))) {
            properties_ = nullptr;  // an incomplete bag would mislead; BindToStorage reports it
            return;
        }
    }
}

HRESULT DeviceMoniker::BindToObject(IBindCtx*, IMoniker*, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!createObject_) return MK_E_NOOBJECT;
    return createObject_(riid, object);
}

HRESULT DeviceMoniker::BindToStorage(IBindCtx*, IMoniker*, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!properties_) return E_OUTOFMEMORY;
    return properties_->QueryInterface(riid, object);
}

HRESULT CreateDeviceMoniker(DeviceMonikerInfo info, IMoniker** moniker) {
    return CreateComObject<DeviceMoniker>(IID_IMoniker, reinterpret_cast<void**>(moniker), std::move(info));
}
