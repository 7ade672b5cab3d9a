#include "platform/media/devices/system_device_enum.h"

#include "platform/com/com_runtime.h"
#include "platform/com/device_moniker.h"
#include "platform/com/wide_text.h"
#include "platform/media/devices/device_catalog.h"
#include "platform/media/filters/enumerators.h"
#include "platform/media/interfaces/device_enum.h"

namespace media {
namespace {

class SystemDeviceEnum final : public ComObject<ICreateDevEnum> {
public:
    SystemDeviceEnum() { TrackWith(&PlatformObjectCounter()); }

    HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker** monikers, DWORD) override {
        if (!monikers) return E_POINTER;
        *monikers = nullptr;
        std::vector<ComPtr<IMoniker>> list;
        for (const DeviceEntry& entry : CatalogEntries(category)) {
            ComPtr<IMoniker> moniker;
            const HRESULT hr = CreateEntryMoniker(entry, moniker.ReleaseAndGetAddressOf());
            if (FAILED(hr)) return hr;
            list.push_back(std::move(moniker));
        }
        // An empty category has no enumerator at all, as on the platform.
        if (list.empty()) return S_FALSE;
        return CreateMonikerEnumerator(std::move(list), monikers);
    }
};

// The kinds of device this platform names; others are not its names at all.
constexpr std::u16string_view kKinds[] = {u"v4l2", u"pulse", u"pipewire", u"alsa", u"virtual", u"cm", u"sw", u"dmo"};

// Every category the catalogue lists, in the order a name is looked for.
constexpr const CLSID* kCategories[] = {&CLSID_VideoInputDeviceCategory, &CLSID_AudioInputDeviceCategory,
                                        &CLSID_VideoCompressorCategory,   &CLSID_AudioCompressorCategory,
                                        &CLSID_LegacyAmFilterCategory,    &DMOCATEGORY_VIDEO_EFFECT,
                                        &DMOCATEGORY_AUDIO_EFFECT,        &DMOCATEGORY_AUDIO_CAPTURE_EFFECT};

// "@device:" + a known kind + ":" + a non-empty id.
bool WellFormed(std::u16string_view name) {
    constexpr std::u16string_view kPrefix = u"@device:";
    if (name.size() <= kPrefix.size() || !WideStartsWithIgnoreCase(name, kPrefix)) return false;
    const std::u16string_view rest = name.substr(kPrefix.size());
    const std::size_t colon = rest.find(u':');
    if (colon == std::u16string_view::npos || colon == 0 || colon + 1 >= rest.size()) return false;
    for (std::u16string_view kind : kKinds)
        if (WideEqualsIgnoreCase(rest.substr(0, colon), kind)) return true;
    return false;
}

}  // namespace

HRESULT CreateSystemDeviceEnum(IUnknown* outer, REFIID riid, void** object) {
    if (outer) return CLASS_E_NOAGGREGATION;
    return CreateComObject<SystemDeviceEnum>(riid, object);
}

HRESULT CreateMonikerEnumerator(std::vector<ComPtr<IMoniker>> monikers, IEnumMoniker** enumerator) {
    return CreateReferenceEnumerator(std::move(monikers), enumerator);
}

HRESULT ParseDeviceDisplayName(IBindCtx*, LPCOLESTR name, ULONG* eaten, IMoniker** moniker) {
    if (!eaten || !moniker) return E_POINTER;
    *eaten = 0;
    *moniker = nullptr;
    const std::u16string_view text = WideView(name);
    if (!WellFormed(text)) return MK_E_SYNTAX;
    for (const CLSID* category : kCategories) {
        for (const DeviceEntry& entry : CatalogEntries(*category)) {
            if (!WideEqualsIgnoreCase(entry.displayName, text)) continue;
            const HRESULT hr = CreateEntryMoniker(entry, moniker);
            if (SUCCEEDED(hr)) *eaten = static_cast<ULONG>(text.size());
            return hr;
        }
    }
    DeviceMonikerInfo absent;
    absent.DisplayName = std::u16string(text);
    const HRESULT hr = CreateDeviceMoniker(std::move(absent), moniker);
    if (SUCCEEDED(hr)) *eaten = static_cast<ULONG>(text.size());
    return hr;
}

void RegisterDeviceClasses() {
    RegisterBuiltinClass(CLSID_SystemDeviceEnum, CreateSystemDeviceEnum);
    RegisterMonikerParser(u"@device:", ParseDeviceDisplayName);
}

}  // namespace media
