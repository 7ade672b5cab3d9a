// MkParseDisplayName and the table of display-name parsers by prefix.
#include <map>
#include <mutex>
#include <utility>

#include "platform/com/class_moniker.h"
#include "platform/com/moniker.h"
#include "platform/com/wide_text.h"

namespace {

struct ParserTable {
    std::mutex mutex;
    std::map<std::u16string, MonikerParser> parsers;  // by case-folded prefix

    ParserTable() { parsers.emplace(u"clsid:", ParseClassMonikerName); }
};

ParserTable& Parsers() {
    static auto* table = new ParserTable;  // never destroyed: parsers may be asked during exit
    return *table;
}

std::u16string FoldedKey(const std::u16string& prefix) { return Utf8ToWide(WideCaseFolded(prefix)); }

MonikerParser ParserFor(std::u16string_view name) {
    std::lock_guard lock(Parsers().mutex);
    const MonikerParser* best = nullptr;
    std::size_t bestLength = 0;
    for (const auto& [prefix, parser] : Parsers().parsers) {
        if (prefix.size() > bestLength && WideStartsWithIgnoreCase(name, prefix)) {
            best = &parser;
            bestLength = prefix.size();
        }
    }
    return best ? *best : MonikerParser();
}

}  // namespace

HRESULT MkParseDisplayName(IBindCtx* bindContext, LPCOLESTR name, ULONG* eaten, IMoniker** moniker) {
    if (!eaten || !moniker) return E_POINTER;
    *eaten = 0;
    *moniker = nullptr;
    if (!bindContext || !name) return E_INVALIDARG;
    const std::u16string_view text = WideView(name);
    const MonikerParser parser = ParserFor(text);
    if (!parser) return MK_E_SYNTAX;  // called without the lock: parsers may use the runtime
    ULONG used = 0;
    IMoniker* parsed = nullptr;
    const HRESULT hr = parser(bindContext, name, &used, &parsed);
    if (FAILED(hr)) {
        if (parsed) parsed->Release();
        *eaten = used;
        return hr;
    }
    if (!parsed || used != text.size()) {
        if (parsed) parsed->Release();
        *eaten = used;
        return MK_E_SYNTAX;
    }
    *eaten = used;
    *moniker = parsed;
    return S_OK;
}

HRESULT RegisterMonikerParser(const std::u16string& prefix, MonikerParser parser) {
    if (prefix.empty() || !parser) return E_INVALIDARG;
    std::lock_guard lock(Parsers().mutex);
    Parsers().parsers[FoldedKey(prefix)] = std::move(parser);
    return S_OK;
}

void UnregisterMonikerParser(const std::u16string& prefix) {
    MonikerParser removed;
    std::lock_guard lock(Parsers().mutex);
    if (auto it = Parsers().parsers.find(FoldedKey(prefix)); it != Parsers().parsers.end()) {
        removed = std::move(it->second);
        Parsers().parsers.erase(it);
    }
}
