#include "platform/com/variant.h"

#include <cstring>

void VariantInit(VARIANT* value) {
    if (!value) return;
    std::memset(value, 0, sizeof *value);
    value->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* value) {
    if (!value) return E_INVALIDARG;
    switch (value->vt) {
        case VT_BSTR: SysFreeString(value->bstrVal); break;
        case VT_EMPTY:
        case VT_I4:
        case VT_UI4:
        case VT_BOOL: break;
        default: return E_INVALIDARG;
    }
    VariantInit(value);
    return S_OK;
}
