#include "platform/com/wide_text.h"

#include <glib.h>

#include <cstring>

#include "platform/com/task_memory.h"

std::string WideCaseFolded(std::u16string_view text) {
    const std::string utf8 = WideToUtf8(text);
    gchar* folded = g_utf8_casefold(utf8.data(), static_cast<gssize>(utf8.size()));
    std::string result = folded ? folded : "";
    g_free(folded);
    return result;
}

std::u16string_view WideView(LPCOLESTR text) { return text ? std::u16string_view(text) : std::u16string_view(); }

std::string WideToUtf8(std::u16string_view text) {
    glong written = 0;
    gchar* utf8 = g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(text.data()), static_cast<glong>(text.size()),
                                  nullptr, &written, nullptr);
    if (!utf8) {
        // Unpaired surrogates: keep what can be said, replacing each bad unit.
        std::u16string cleaned(text);
        for (auto& unit : cleaned)
            if (unit >= 0xD800 && unit <= 0xDFFF) unit = u'\uFFFD';
        return WideToUtf8(cleaned);
    }
    std::string result(utf8, static_cast<std::size_t>(written));
    g_free(utf8);
    return result;
}

std::u16string Utf8ToWide(std::string_view text) {
    glong written = 0;
    gunichar2* utf16 =
        g_utf8_to_utf16(text.data(), static_cast<glong>(text.size()), nullptr, &written, nullptr);
    if (!utf16) return {};
    std::u16string result(reinterpret_cast<const char16_t*>(utf16), static_cast<std::size_t>(written));
    g_free(utf16);
    return result;
}

bool WideEqualsIgnoreCase(std::u16string_view a, std::u16string_view b) { return WideCaseFolded(a) == WideCaseFolded(b); }

bool WideStartsWithIgnoreCase(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() && WideEqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

LPOLESTR CoTaskMemDupWide(std::u16string_view text) {
    auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
    if (!copy) return nullptr;
    if (!text.empty()) std::memcpy(copy, text.data(), text.size() * sizeof(OLECHAR));
    copy[text.size()] = 0;
    return copy;
}
