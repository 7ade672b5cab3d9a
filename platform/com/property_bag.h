// IPropertyBag (named VARIANT values, as device monikers give them) and an in-memory bag.
#pragma once

#include <string>
#include <variant>

#include "platform/com/com_object.h"
#include "platform/com/variant.h"

struct EXCEPINFO;

struct IErrorLog : IUnknown {
    virtual HRESULT AddError(LPCOLESTR propertyName, EXCEPINFO* error) = 0;
};
QD_DECLARE_IID(IErrorLog, MakeGuid("3127ca40-446e-11ce-8135-00aa004bb851"));

struct IPropertyBag : IUnknown {
    // `value->vt` says the type wanted: VT_EMPTY takes the stored type. The caller owns what
    // is returned (VariantClear).
    virtual HRESULT Read(LPCOLESTR propertyName, VARIANT* value, IErrorLog* errorLog) = 0;
    virtual HRESULT Write(LPCOLESTR propertyName, VARIANT* value) = 0;
};
QD_DECLARE_IID(IPropertyBag, MakeGuid("55272a00-42cb-11ce-8135-00aa004bb851"));

// A property value in C++ terms: VT_BSTR, VT_I4, VT_UI4 or VT_BOOL.
using PropertyValue = std::variant<std::u16string, LONG, ULONG, bool>;

// An empty bag kept in memory. Names compare case-insensitively. Read answers a missing name
// with HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) and a type it cannot give with
// DISP_E_TYPEMISMATCH (the 32-bit integer and BOOL types convert into one another).
HRESULT CreatePropertyBag(IPropertyBag** bag);
// Writes a C++ value through IPropertyBag::Write.
HRESULT WriteProperty(IPropertyBag* bag, LPCOLESTR name, const PropertyValue& value);
