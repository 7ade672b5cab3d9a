#include "tools/qdmedia/catalogue.h"

#include <cstdio>

#include "platform/com/com_runtime.h"
#include "platform/com/property_bag.h"
#include "platform/com/task_memory.h"
#include "platform/com/wide_text.h"
#include "platform/com/moniker.h"
#include "platform/media/interfaces/device_enum.h"
#include "tools/qdmedia/windows_media.h"

namespace qdmedia {
namespace {

struct Category {
    const GUID* id;
    const char* title;
};

constexpr Category kCategories[] = {
    {&CLSID_VideoInputDeviceCategory, "Video input devices"},
    {&CLSID_AudioInputDeviceCategory, "Audio input devices"},
    {&CLSID_VideoCompressorCategory, "Video compressors"},
    {&CLSID_AudioCompressorCategory, "Audio compressors"},
    {&CLSID_LegacyAmFilterCategory, "DirectShow filters"},
    {&DMOCATEGORY_VIDEO_EFFECT, "Video effect DMOs"},
    {&DMOCATEGORY_AUDIO_EFFECT, "Audio effect DMOs"},
    {&DMOCATEGORY_AUDIO_CAPTURE_EFFECT, "Audio capture effect DMOs"},
};

std::vector<ComPtr<IMoniker>> MonikersOf(ICreateDevEnum* devices, REFGUID category) {
    std::vector<ComPtr<IMoniker>> list;
    ComPtr<IEnumMoniker> monikers;
    if (devices->CreateClassEnumerator(category, monikers.ReleaseAndGetAddressOf(), 0) != S_OK) return list;
    IMoniker* moniker = nullptr;
    while (monikers->Next(1, &moniker, nullptr) == S_OK) list.push_back(ComPtr<IMoniker>::Attach(moniker));
    return list;
}

ComPtr<ICreateDevEnum> DeviceEnumerator() {
    ComPtr<ICreateDevEnum> devices;
    const HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                        devices.ReleaseAndGetVoidAddress());
    if (FAILED(hr)) std::fprintf(stderr, "qdmedia: the system device enumerator is not available (%08x)\n", static_cast<unsigned>(hr));
    return devices;
}

}  // namespace

std::string DisplayNameOf(IMoniker* moniker) {
    LPOLESTR name = nullptr;
    if (FAILED(moniker->GetDisplayName(nullptr, nullptr, &name))) return {};
    std::string text = WideToUtf8(WideView(name));
    CoTaskMemFree(name);
    return text;
}

std::string FriendlyNameOf(IMoniker* moniker) {
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReleaseAndGetVoidAddress()))) return {};
    VARIANT value;
    VariantInit(&value);
    std::string text;
    if (SUCCEEDED(bag->Read(u"FriendlyName", &value, nullptr)) && value.vt == VT_BSTR)
        text = WideToUtf8(WideView(value.bstrVal));
    VariantClear(&value);
    return text;
}

int ListCatalogue() {
    ComPtr<ICreateDevEnum> devices = DeviceEnumerator();
    if (!devices) return 1;
    int number = 1;
    for (const Category& c : kCategories) {
        const auto monikers = MonikersOf(devices.Get(), *c.id);
        std::printf("%d %s (%zu)\n", number++, c.title, monikers.size());
        for (const auto& m : monikers)
            std::printf("    %s\n        %s\n", FriendlyNameOf(m.Get()).c_str(), DisplayNameOf(m.Get()).c_str());
    }
    ListWindowsMediaProfiles(number);
    return 0;
}

ComPtr<IMoniker> FindEntry(REFGUID category, const std::string& name, const char* what) {
    ComPtr<ICreateDevEnum> devices = DeviceEnumerator();
    if (!devices) return nullptr;
    const std::u16string wanted = Utf8ToWide(name);
    for (const auto& m : MonikersOf(devices.Get(), category)) {
        if (name.empty() || WideEqualsIgnoreCase(Utf8ToWide(DisplayNameOf(m.Get())), wanted) ||
            WideEqualsIgnoreCase(Utf8ToWide(FriendlyNameOf(m.Get())), wanted))
            return m;
    }
    std::fprintf(stderr, "qdmedia: no %s %s%s%s (see \"qdmedia list\")\n", what, name.empty() ? "" : "\"",
                 name.c_str(), name.empty() ? "" : "\"");
    return nullptr;
}

ComPtr<IMoniker> FindVideoDevice(const std::string& name) {
    return FindEntry(CLSID_VideoInputDeviceCategory, name, "video input device");
}

}  // namespace qdmedia
