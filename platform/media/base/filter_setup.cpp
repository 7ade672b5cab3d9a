#include "platform/media/base/filter_setup.h"
#include "platform/media/interfaces/device_enum.h"
#include "platform/media/interfaces/filter_registration.h"

namespace {

HRESULT IgnoringMissingEntry(HRESULT hr) { return hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ? S_OK : hr; }

}  // namespace

HRESULT RegisterFilterSetup(IFilterMapper2* mapper, const AMOVIESETUP_FILTER& setup, bool registering) {
    if (!mapper || !setup.clsID) return E_POINTER;
    // The old entry goes first, so registering twice leaves one entry.
    HRESULT hr = IgnoringMissingEntry(mapper->UnregisterFilter(&CLSID_LegacyAmFilterCategory, nullptr, *setup.clsID));
    if (!registering || FAILED(hr)) return hr;
    REGFILTER2 registration{};
    registration.dwVersion = 1;
    registration.dwMerit = setup.dwMerit;
    registration.cPins = setup.nPins;
    registration.rgPins = setup.lpPin;
    return IgnoringMissingEntry(mapper->RegisterFilter(*setup.clsID, setup.strName ? setup.strName : u"", nullptr,
                                                       &CLSID_LegacyAmFilterCategory, nullptr, &registration));
}

HRESULT RegisterFilterSetup(IFilterMapper* mapper, const AMOVIESETUP_FILTER& setup, bool registering) {
    if (!mapper || !setup.clsID) return E_POINTER;
    HRESULT hr = IgnoringMissingEntry(mapper->UnregisterFilter(*setup.clsID));
    if (!registering || FAILED(hr)) return hr;
    hr = mapper->RegisterFilter(*setup.clsID, setup.strName ? setup.strName : u"", setup.dwMerit);
    for (UINT i = 0; SUCCEEDED(hr) && i < setup.nPins; ++i) {
        const AMOVIESETUP_PIN& pin = setup.lpPin[i];
        const LPCWSTR pinName = pin.strName ? pin.strName : u"";
        hr = mapper->RegisterPin(*setup.clsID, pinName, pin.bRendered, pin.bOutput, pin.bZero, pin.bMany,
                                 pin.clsConnectsToFilter ? *pin.clsConnectsToFilter : CLSID{},
                                 pin.strConnectsToPin ? pin.strConnectsToPin : u"");
        for (UINT t = 0; SUCCEEDED(hr) && t < pin.nMediaTypes; ++t) {
            const AMOVIESETUP_MEDIATYPE& type = pin.lpMediaType[t];
            hr = mapper->RegisterPinType(*setup.clsID, pinName, type.clsMajorType ? *type.clsMajorType : GUID{},
                                         type.clsMinorType ? *type.clsMinorType : GUID{});
        }
    }
    return IgnoringMissingEntry(hr);
}
