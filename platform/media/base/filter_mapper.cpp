#include "platform/media/base/filter_mapper.h"

#include <cstring>
#include <string>

#include "platform/com/com_runtime.h"
#include "platform/com/wide_text.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/registry/registry.h"
#include "platform/com/moniker.h"
#include "platform/media/interfaces/device_enum.h"
#include "platform/media/interfaces/filter_registration.h"

namespace media {
namespace {

constexpr DWORD kFilterDataVersion = 2;

void PutDword(std::vector<BYTE>& out, DWORD value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(value >> (8 * i)));
}

void PutGuid(std::vector<BYTE>& out, const GUID* guid) {
    GUID value = guid ? *guid : GUID{};
    PutDword(out, value.Data1);
    out.push_back(static_cast<BYTE>(value.Data2));
    out.push_back(static_cast<BYTE>(value.Data2 >> 8));
    out.push_back(static_cast<BYTE>(value.Data3));
    out.push_back(static_cast<BYTE>(value.Data3 >> 8));
    out.insert(out.end(), value.Data4, value.Data4 + 8);
}

void PutTypes(std::vector<BYTE>& out, UINT count, const REGPINTYPES* types) {
    for (UINT i = 0; types && i < count; ++i) {
        PutGuid(out, types[i].clsMajorType);
        PutGuid(out, types[i].clsMinorType);
    }
}

DWORD FlagsOf(const REGFILTERPINS& pin) {
    return (pin.bZero ? REG_PINFLAG_B_ZERO : 0) | (pin.bRendered ? REG_PINFLAG_B_RENDERER : 0) |
           (pin.bMany ? REG_PINFLAG_B_MANY : 0) | (pin.bOutput ? REG_PINFLAG_B_OUTPUT : 0);
}

}  // namespace

std::vector<BYTE> EncodeFilterData(const REGFILTER2& registration) {
    std::vector<BYTE> out;
    PutDword(out, kFilterDataVersion);
    PutDword(out, registration.dwMerit);
    PutDword(out, registration.cPins);
    for (ULONG i = 0; i < registration.cPins; ++i) {
        if (registration.dwVersion == 1) {
            const REGFILTERPINS& pin = registration.rgPins[i];
            PutDword(out, FlagsOf(pin));
            PutDword(out, 0);
            PutDword(out, pin.nMediaTypes);
            PutDword(out, 0);
            PutGuid(out, nullptr);
            PutTypes(out, pin.nMediaTypes, pin.lpMediaType);
        } else {
            const REGFILTERPINS2& pin = registration.rgPins2[i];
            const UINT mediums = pin.lpMedium ? pin.nMediums : 0;
            PutDword(out, pin.dwFlags);
            PutDword(out, pin.cInstances);
            PutDword(out, pin.nMediaTypes);
            PutDword(out, mediums);
            PutGuid(out, pin.clsPinCategory);
            PutTypes(out, pin.nMediaTypes, pin.lpMediaType);
            for (UINT m = 0; m < mediums; ++m) {
                PutGuid(out, &pin.lpMedium[m].clsMedium);
                PutDword(out, pin.lpMedium[m].dw1);
                PutDword(out, pin.lpMedium[m].dw2);
            }
        }
    }
    return out;
}

namespace {

std::u16string Braced(REFGUID guid) { return Utf8ToWide(GuidToString(guid)); }

std::u16string CategoryKey(const CLSID* category) {
    return u"CLSID\\" + Braced(category ? *category : CLSID_LegacyAmFilterCategory) + u"\\Instance";
}

LONG SetString(HKEY key, LPCWSTR name, const std::u16string& value) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(WCHAR)));
}

class CFilterMapper2 final : public ComObject<IFilterMapper2> {
public:
    CFilterMapper2() { TrackWith(&PlatformObjectCounter()); }

    HRESULT CreateCategory(REFCLSID category, DWORD categoryMerit, LPCWSTR description) override {
        HKEY key = nullptr;
        const std::u16string path = u"CLSID\\" + Braced(category);
        LONG error = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                     nullptr, &key, nullptr);
        if (!error) error = SetString(key, u"FriendlyName", description ? description : u"");
        if (!error) error = SetString(key, u"CLSID", Braced(category));
        if (!error)
            error = RegSetValueExW(key, u"Merit", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&categoryMerit),
                                   sizeof categoryMerit);
        if (key) RegCloseKey(key);
        return HRESULT_FROM_WIN32(error);
    }

    HRESULT UnregisterFilter(const CLSID* category, LPCOLESTR instance, REFCLSID filter) override {
        const std::u16string path = CategoryKey(category) + u"\\" + (instance ? std::u16string(instance) : Braced(filter));
        return HRESULT_FROM_WIN32(RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str()));
    }

    HRESULT RegisterFilter(REFCLSID filter, LPCWSTR name, IMoniker** moniker, const CLSID* category,
                           LPCOLESTR instance, const REGFILTER2* registration) override {
        if (moniker) *moniker = nullptr;
        if (!name || !registration) return E_POINTER;
        if (registration->dwVersion != 1 && registration->dwVersion != 2) return E_INVALIDARG;
        if (registration->cPins && !registration->rgPins) return E_POINTER;
        const std::vector<BYTE> data = EncodeFilterData(*registration);
        const std::u16string path = CategoryKey(category) + u"\\" + (instance ? std::u16string(instance) : Braced(filter));
        HKEY key = nullptr;
        LONG error = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                     nullptr, &key, nullptr);
        if (!error) error = SetString(key, u"FriendlyName", name);
        if (!error) error = SetString(key, u"CLSID", Braced(filter));
        if (!error) error = RegSetValueExW(key, u"FilterData", 0, REG_BINARY, data.data(), static_cast<DWORD>(data.size()));
        if (key) RegCloseKey(key);
        return HRESULT_FROM_WIN32(error);
    }

    // Matching filters by their pins is not something any caller of this system asks for.
    HRESULT EnumMatchingFilters(IEnumMoniker** filters, DWORD, BOOL, DWORD, BOOL, DWORD, const GUID*,
                                const REGPINMEDIUM*, const CLSID*, BOOL, BOOL, DWORD, const GUID*,
                                const REGPINMEDIUM*, const CLSID*) override {
        if (filters) *filters = nullptr;
        return E_NOTIMPL;
    }
};

struct RegisterMapperClass {
    RegisterMapperClass() { RegisterBuiltinClass(CLSID_FilterMapper2, CreatorFor<CFilterMapper2>()); }
} g_registerMapperClass;

}  // namespace
}  // namespace media
