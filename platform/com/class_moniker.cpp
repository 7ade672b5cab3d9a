#include "platform/com/class_moniker.h"

#include <string>

#include "platform/com/com_runtime.h"
#include "platform/com/moniker_base.h"
#include "platform/com/wide_text.h"

namespace {

constexpr std::u16string_view kPrefix = u"clsid:";

std::u16string DisplayNameOf(REFCLSID clsid) {
    const std::string braced = GuidToString(clsid);
    return std::u16string(kPrefix) + Utf8ToWide(braced.substr(1, 36)) + u":";
}

class ClassMoniker final : public MonikerBase {
public:
    explicit ClassMoniker(REFCLSID clsid) : MonikerBase(CLSID_ClassMoniker, DisplayNameOf(clsid)), clsid_(clsid) {}

    HRESULT BindToObject(IBindCtx*, IMoniker*, REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        return CoCreateInstance(clsid_, nullptr, CLSCTX_ALL, riid, object);
    }

    // As on the platform, a class moniker's "storage" is the object itself.
    HRESULT BindToStorage(IBindCtx* bindContext, IMoniker* left, REFIID riid, void** object) override {
        return BindToObject(bindContext, left, riid, object);
    }

    HRESULT IsSystemMoniker(DWORD* kind) override {
        if (!kind) return E_POINTER;
        *kind = MKSYS_CLASSMONIKER;
        return S_OK;
    }

private:
    CLSID clsid_;
};

// Parses the GUID text at the start of `text` (36 characters, or 38 with braces).
bool ParseGuidText(std::u16string_view text, CLSID* clsid, std::size_t* used) {
    const bool braced = !text.empty() && text.front() == u'{';
    const std::size_t length = braced ? 38 : 36;
    if (text.size() < length) return false;
    std::string ascii;
    for (char16_t c : text.substr(0, length)) {
        if (c > 0x7F) return false;
        ascii.push_back(static_cast<char>(c));
    }
    if (!braced) ascii = "{" + ascii + "}";
    if (!GuidFromString(ascii, clsid)) return false;
    *used = length;
    return true;
}

}  // namespace

HRESULT CreateClassMoniker(REFCLSID clsid, IMoniker** moniker) {
    return CreateComObject<ClassMoniker>(IID_IMoniker, reinterpret_cast<void**>(moniker), clsid);
}

HRESULT ParseClassMonikerName(IBindCtx*, LPCOLESTR name, ULONG* eaten, IMoniker** moniker) {
    if (!eaten || !moniker) return E_POINTER;
    *eaten = 0;
    *moniker = nullptr;
    const std::u16string_view text = WideView(name);
    if (!WideStartsWithIgnoreCase(text, kPrefix)) return MK_E_SYNTAX;
    CLSID clsid;
    std::size_t used = 0;
    if (!ParseGuidText(text.substr(kPrefix.size()), &clsid, &used)) return MK_E_SYNTAX;
    std::size_t total = kPrefix.size() + used;
    if (total < text.size() && text[total] == u':') ++total;
    const HRESULT hr = CreateClassMoniker(clsid, moniker);
    if (SUCCEEDED(hr)) *eaten = static_cast<ULONG>(total);
    return hr;
}
