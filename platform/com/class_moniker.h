// The class moniker, "clsid:XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX:", which binds by creating
// an object of its class with CoCreateInstance.
#pragma once

#include "platform/com/moniker.h"

inline constexpr CLSID CLSID_ClassMoniker = MakeGuid("0000031a-0000-0000-c000-000000000046");

HRESULT CreateClassMoniker(REFCLSID clsid, IMoniker** moniker);
// The parser that MkParseDisplayName uses for "clsid:" (the GUID with or without braces,
// the closing ':' optional).
HRESULT ParseClassMonikerName(IBindCtx* bindContext, LPCOLESTR name, ULONG* eaten, IMoniker** moniker);
