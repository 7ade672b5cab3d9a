// VARIANT with the types that property bags carry: empty, 32-bit integers, BSTR and BOOL.
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/hresult.h"
#include "platform/com/types.h"

using VARTYPE = WORD;
using VARIANT_BOOL = std::int16_t;

inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_BSTR = 8;
inline constexpr VARTYPE VT_BOOL = 11;
inline constexpr VARTYPE VT_UI4 = 19;

inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONGLONG llVal;
        LONG lVal;
        ULONG ulVal;
        VARIANT_BOOL boolVal;
        BSTR bstrVal;
    };
};

void VariantInit(VARIANT* value);
// Frees what the value owns (the BSTR) and leaves it VT_EMPTY. E_INVALIDARG for null or an
// unknown type (the value is then left as it is).
HRESULT VariantClear(VARIANT* value);
