// Property sets: IKsPropertySet and the pin property set through which a pin tells its
// category.
#pragma once

#include "platform/com/unknown.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/win_types.h"

inline constexpr GUID AMPROPSETID_Pin = MakeGuid("9b00f101-1567-11d1-b3f1-00aa003761c5");
// AMPROPERTY_PIN: the pin's category (a GUID, PIN_CATEGORY_*) and medium.
inline constexpr DWORD AMPROPERTY_PIN_CATEGORY = 0;
inline constexpr DWORD AMPROPERTY_PIN_MEDIUM = 1;

inline constexpr DWORD KSPROPERTY_SUPPORT_GET = 1;
inline constexpr DWORD KSPROPERTY_SUPPORT_SET = 2;

struct IKsPropertySet : IUnknown {
    virtual HRESULT Set(REFGUID propertySet, DWORD propertyId, LPVOID instanceData, DWORD instanceDataSize,
                        LPVOID propertyData, DWORD propertyDataSize) = 0;
    virtual HRESULT Get(REFGUID propertySet, DWORD propertyId, LPVOID instanceData, DWORD instanceDataSize,
                        LPVOID propertyData, DWORD propertyDataSize, DWORD* returnedSize) = 0;
    virtual HRESULT QuerySupported(REFGUID propertySet, DWORD propertyId, DWORD* typeSupport) = 0;
};
QD_DECLARE_IID(IKsPropertySet, MakeGuid("31efac30-515c-11d0-a9aa-00aa0061be93"));
