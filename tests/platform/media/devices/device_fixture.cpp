#include "tests/platform/media/devices/device_fixture.h"

#include <cstring>
#include <deque>

#include "platform/com/property_bag.h"
#include "platform/com/task_memory.h"
#include "platform/com/wide_text.h"
#include "platform/media/devices/device_catalog.h"
#include "platform/com/moniker.h"
#include "platform/media/interfaces/device_enum.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/property_set.h"

namespace media::test {

void DeviceTest::SetUp() {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    SetRealDevicesHidden(true);
}

void DeviceTest::TearDown() { CoUninitialize(); }

std::vector<ComPtr<IMoniker>> DeviceTest::Monikers(REFCLSID category) {
    std::vector<ComPtr<IMoniker>> list;
    ComPtr<ICreateDevEnum> devices;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                     devices.ReleaseAndGetVoidAddress()));
    if (!devices) return list;
    ComPtr<IEnumMoniker> monikers;
    if (devices->CreateClassEnumerator(category, monikers.ReleaseAndGetAddressOf(), 0) != S_OK) return list;
    IMoniker* moniker = nullptr;
    while (monikers->Next(1, &moniker, nullptr) == S_OK) list.push_back(ComPtr<IMoniker>::Attach(moniker));
    return list;
}

ComPtr<IBaseFilter> DeviceTest::Bind(const char16_t* displayName) {
    for (const CLSID* category : {&CLSID_VideoInputDeviceCategory, &CLSID_AudioInputDeviceCategory}) {
        for (const auto& moniker : Monikers(*category)) {
            if (DisplayName(moniker.Get()) != displayName) continue;
            ComPtr<IBaseFilter> filter;
            EXPECT_EQ(S_OK, moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress()));
            return filter;
        }
    }
    ADD_FAILURE() << "no device " << WideToUtf8(displayName);
    return nullptr;
}

std::u16string DisplayName(IMoniker* moniker) {
    LPOLESTR name = nullptr;
    if (FAILED(moniker->GetDisplayName(nullptr, nullptr, &name))) return {};
    std::u16string text(WideView(name));
    CoTaskMemFree(name);
    return text;
}

std::u16string FriendlyName(IMoniker* moniker) {
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReleaseAndGetVoidAddress()))) return {};
    VARIANT value;
    VariantInit(&value);
    std::u16string text;
    if (SUCCEEDED(bag->Read(u"FriendlyName", &value, nullptr)) && value.vt == VT_BSTR) text = WideView(value.bstrVal);
    VariantClear(&value);
    return text;
}

ComPtr<IPin> PinNamed(IBaseFilter* filter, const char16_t* name) {
    ComPtr<IPin> pin;
    filter->FindPin(name, pin.ReleaseAndGetAddressOf());
    return pin;
}

GUID PinCategory(IPin* pin) {
    GUID category{};
    ComPtr<IKsPropertySet> properties = As<IKsPropertySet>(pin);
    DWORD returned = 0;
    if (properties) properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, sizeof category, &returned);
    return category;
}

std::vector<ComPtr<IBaseFilter>> UpstreamFilters(IBaseFilter* filter) {
    std::vector<ComPtr<IBaseFilter>> found;
    std::deque<ComPtr<IBaseFilter>> todo{ComPtr<IBaseFilter>(filter)};
    while (!todo.empty()) {
        ComPtr<IBaseFilter> current = todo.front();
        todo.pop_front();
        ComPtr<IEnumPins> pins;
        if (FAILED(current->EnumPins(pins.ReleaseAndGetAddressOf()))) continue;
        IPin* pin = nullptr;
        while (pins->Next(1, &pin, nullptr) == S_OK) {
            ComPtr<IPin> held = ComPtr<IPin>::Attach(pin);
            PIN_DIRECTION direction{};
            held->QueryDirection(&direction);
            ComPtr<IPin> peer;
            if (direction != PINDIR_INPUT || held->ConnectedTo(peer.ReleaseAndGetAddressOf()) != S_OK) continue;
            PIN_INFO info{};
            peer->QueryPinInfo(&info);
            ComPtr<IBaseFilter> upstream = ComPtr<IBaseFilter>::Attach(info.pFilter);
            found.push_back(upstream);
            todo.push_back(upstream);
        }
    }
    return found;
}

}  // namespace media::test
