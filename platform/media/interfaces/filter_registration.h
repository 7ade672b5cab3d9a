// Filter registration: merits, the registration structures, the filter mappers and
// IAMovieSetup.
#pragma once

#include "platform/com/moniker.h"
#include "platform/com/unknown.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/win_types.h"

inline constexpr DWORD MERIT_PREFERRED = 0x800000;
inline constexpr DWORD MERIT_NORMAL = 0x600000;
inline constexpr DWORD MERIT_UNLIKELY = 0x400000;
inline constexpr DWORD MERIT_DO_NOT_USE = 0x200000;
inline constexpr DWORD MERIT_SW_COMPRESSOR = 0x100000;
inline constexpr DWORD MERIT_HW_COMPRESSOR = 0x100050;

struct REGPINTYPES {
    const CLSID* clsMajorType;
    const CLSID* clsMinorType;
};

struct REGFILTERPINS {
    LPWSTR strName;
    BOOL bRendered;
    BOOL bOutput;
    BOOL bZero;
    BOOL bMany;
    const CLSID* clsConnectsToFilter;
    const WCHAR* strConnectsToPin;
    UINT nMediaTypes;
    const REGPINTYPES* lpMediaType;
};

struct REGPINMEDIUM {
    CLSID clsMedium;
    DWORD dw1;
    DWORD dw2;
};

// REGFILTERPINS2::dwFlags
inline constexpr DWORD REG_PINFLAG_B_ZERO = 0x1;
inline constexpr DWORD REG_PINFLAG_B_RENDERER = 0x2;
inline constexpr DWORD REG_PINFLAG_B_MANY = 0x4;
inline constexpr DWORD REG_PINFLAG_B_OUTPUT = 0x8;

struct REGFILTERPINS2 {
    DWORD dwFlags;
    UINT cInstances;
    UINT nMediaTypes;
    const REGPINTYPES* lpMediaType;
    UINT nMediums;
    const REGPINMEDIUM* lpMedium;
    const CLSID* clsPinCategory;
};

// dwVersion 1 uses cPins/rgPins, version 2 cPins2/rgPins2 (the same storage).
struct REGFILTER2 {
    DWORD dwVersion;
    DWORD dwMerit;
    union {
        ULONG cPins;
        ULONG cPins2;
    };
    union {
        const REGFILTERPINS* rgPins;
        const REGFILTERPINS2* rgPins2;
    };
};

struct IEnumRegFilters;

struct IFilterMapper : IUnknown {
    virtual HRESULT RegisterFilter(CLSID clsid, LPCWSTR name, DWORD merit) = 0;
    virtual HRESULT RegisterFilterInstance(CLSID clsid, LPCWSTR name, CLSID* mediaResourceId) = 0;
    virtual HRESULT RegisterPin(CLSID filter, LPCWSTR name, BOOL rendered, BOOL output, BOOL zero, BOOL many,
                                CLSID connectsToFilter, LPCWSTR connectsToPin) = 0;
    virtual HRESULT RegisterPinType(CLSID filter, LPCWSTR pinName, CLSID majorType, CLSID subType) = 0;
    virtual HRESULT UnregisterFilter(CLSID filter) = 0;
    virtual HRESULT UnregisterFilterInstance(CLSID mediaResourceId) = 0;
    virtual HRESULT UnregisterPin(CLSID filter, LPCWSTR name) = 0;
    virtual HRESULT EnumMatchingFilters(IEnumRegFilters** filters, DWORD merit, BOOL inputNeeded,
                                        CLSID inputMajorType, CLSID inputSubType, BOOL render, BOOL outputNeeded,
                                        CLSID outputMajorType, CLSID outputSubType) = 0;
};
QD_DECLARE_IID(IFilterMapper, MakeGuid("56a868a3-0ad4-11ce-b03a-0020af0ba770"));

struct IFilterMapper2 : IUnknown {
    virtual HRESULT CreateCategory(REFCLSID category, DWORD categoryMerit, LPCWSTR description) = 0;
    virtual HRESULT UnregisterFilter(const CLSID* category, LPCOLESTR instance, REFCLSID filter) = 0;
    // A null category means CLSID_LegacyAmFilterCategory; a null instance means the filter's
    // CLSID in text form.
    virtual HRESULT RegisterFilter(REFCLSID filter, LPCWSTR name, IMoniker** moniker, const CLSID* category,
                                   LPCOLESTR instance, const REGFILTER2* registration) = 0;
    virtual HRESULT EnumMatchingFilters(IEnumMoniker** filters, DWORD flags, BOOL exactMatch, DWORD merit,
                                        BOOL inputNeeded, DWORD inputTypeCount, const GUID* inputTypes,
                                        const REGPINMEDIUM* inputMedium, const CLSID* inputPinCategory,
                                        BOOL render, BOOL outputNeeded, DWORD outputTypeCount,
                                        const GUID* outputTypes, const REGPINMEDIUM* outputMedium,
                                        const CLSID* outputPinCategory) = 0;
};
QD_DECLARE_IID(IFilterMapper2, MakeGuid("b79bb0b0-33c1-11d1-abe1-00a0c905f375"));

struct IAMovieSetup : IUnknown {
    virtual HRESULT Register() = 0;
    virtual HRESULT Unregister() = 0;
};
QD_DECLARE_IID(IAMovieSetup, MakeGuid("a3d8cec0-7e5a-11cf-bbc5-00805f6cef20"));
