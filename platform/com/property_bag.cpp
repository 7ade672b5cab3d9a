#include "platform/com/property_bag.h"

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/com/wide_text.h"

namespace {

// A copy of a VARIANT of the supported types; false for an unsupported type or no memory.
bool CopyVariant(const VARIANT& from, VARIANT* to) {
    VariantInit(to);
    switch (from.vt) {
        case VT_BSTR:
            to->bstrVal = SysAllocStringLen(from.bstrVal, SysStringLen(from.bstrVal));
            if (!to->bstrVal) return false;
            break;
        case VT_I4: to->lVal = from.lVal; break;
        case VT_UI4: to->ulVal = from.ulVal; break;
        case VT_BOOL: to->boolVal = from.boolVal; break;
        default: return false;
    }
    to->vt = from.vt;
    return true;
}

bool IsInteger(VARTYPE vt) { return vt == VT_I4 || vt == VT_UI4 || vt == VT_BOOL; }

LONGLONG IntegerOf(const VARIANT& v) {
    switch (v.vt) {
        case VT_I4: return v.lVal;
        case VT_UI4: return v.ulVal;
        default: return v.boolVal ? 1 : 0;
    }
}

// Stored integer as another integer type; false when the value does not fit.
bool ConvertInteger(const VARIANT& from, VARTYPE type, VARIANT* to) {
    const LONGLONG n = IntegerOf(from);
    VariantInit(to);
    switch (type) {
        case VT_I4:
            if (n > 0x7FFFFFFF) return false;
            to->lVal = static_cast<LONG>(n);
            break;
        case VT_UI4:
            if (n < 0) return false;
            to->ulVal = static_cast<ULONG>(n);
            break;
        default: to->boolVal = n ? VARIANT_TRUE : VARIANT_FALSE; break;
    }
    to->vt = type;
    return true;
}

class MemoryPropertyBag final : public ComObject<IPropertyBag> {
public:
    MemoryPropertyBag() { TrackWith(&PlatformObjectCounter()); }
    ~MemoryPropertyBag() override {
        for (auto& entry : entries_) VariantClear(&entry.second);
    }

    HRESULT Read(LPCOLESTR name, VARIANT* value, IErrorLog* /*errorLog*/) override {
        if (!name || !value) return E_POINTER;
        std::lock_guard lock(mutex_);
        const VARIANT* stored = Find(name);
        if (!stored) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        const VARTYPE wanted = value->vt;
        VARIANT result;
        if (wanted == VT_EMPTY || wanted == stored->vt) {
            if (!CopyVariant(*stored, &result)) return E_OUTOFMEMORY;
        } else if (IsInteger(wanted) && IsInteger(stored->vt)) {
            if (!ConvertInteger(*stored, wanted, &result)) return DISP_E_TYPEMISMATCH;
        } else {
            return DISP_E_TYPEMISMATCH;
        }
        *value = result;
        return S_OK;
    }

    HRESULT Write(LPCOLESTR name, VARIANT* value) override {
        if (!name || !value) return E_POINTER;
        VARIANT copy;
        if (!CopyVariant(*value, &copy)) return value->vt == VT_BSTR ? E_OUTOFMEMORY : DISP_E_TYPEMISMATCH;
        std::lock_guard lock(mutex_);
        if (VARIANT* stored = Find(name)) {
            VariantClear(stored);
            *stored = copy;
        } else {
            entries_.emplace_back(std::u16string(name), copy);
        }
        return S_OK;
    }

private:
    VARIANT* Find(LPCOLESTR name) {
        for (auto& entry : entries_)
            if (WideEqualsIgnoreCase(entry.first, name)) return &entry.second;
        return nullptr;
    }

    std::mutex mutex_;
    std::vector<std::pair<std::u16string, VARIANT>> entries_;
};

VARIANT ToVariant(const PropertyValue& value) {
    VARIANT v;
    VariantInit(&v);
    if (auto* text = std::get_if<std::u16string>(&value)) {
        v.vt = VT_BSTR;
        v.bstrVal = SysAllocStringLen(text->data(), static_cast<UINT>(text->size()));
    } else if (auto* i4 = std::get_if<LONG>(&value)) {
        v.vt = VT_I4;
        v.lVal = *i4;
    } else if (auto* ui4 = std::get_if<ULONG>(&value)) {
        v.vt = VT_UI4;
        v.ulVal = *ui4;
    } else {
        v.vt = VT_BOOL;
        v.boolVal = std::get<bool>(value) ? VARIANT_TRUE : VARIANT_FALSE;
    }
    return v;
}

}  // namespace

HRESULT CreatePropertyBag(IPropertyBag** bag) {
    return CreateComObject<MemoryPropertyBag>(IID_IPropertyBag, reinterpret_cast<void**>(bag));
}

HRESULT WriteProperty(IPropertyBag* bag, LPCOLESTR name, const PropertyValue& value) {
    if (!bag) return E_POINTER;
    VARIANT v = ToVariant(value);
    if (v.vt == VT_BSTR && !v.bstrVal) return E_OUTOFMEMORY;
    const HRESULT hr = bag->Write(name, &v);
    VariantClear(&v);
    return hr;
}
