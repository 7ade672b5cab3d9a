// The system device enumerator (CLSID_SystemDeviceEnum) and the "@device:" display-name
// parser. Both are registered when qdplatform is loaded (devices_registration.cpp).
#pragma once

#include <vector>

#include "platform/com/moniker.h"

namespace media {

HRESULT CreateSystemDeviceEnum(IUnknown* outer, REFIID riid, void** object);

// An IEnumMoniker over the monikers (one reference each).
HRESULT CreateMonikerEnumerator(std::vector<ComPtr<IMoniker>> monikers, IEnumMoniker** enumerator);

// MkParseDisplayName's parser for "@device:<kind>:<id>" (kinds v4l2, pulse, pipewire, alsa,
// virtual; cm for compressors, sw for chain filters, dmo for effects). A device present in the catalogue gives its full moniker; an absent one a
// moniker of that name that cannot bind (MK_E_NOOBJECT), so a caller can tell "not
// installed" from "not a device name". MK_E_SYNTAX for another kind or a missing id.
HRESULT ParseDeviceDisplayName(IBindCtx* bindContext, LPCOLESTR name, ULONG* eaten, IMoniker** moniker);

// Registers the class and the parser; idempotent.
void RegisterDeviceClasses();

}  // namespace media
