// UTF-16 helpers for the runtime: conversions, the platform's case-insensitive comparison,
// and strings handed out through the task allocator.
#pragma once

#include <string>
#include <string_view>

#include "platform/com/types.h"

std::u16string_view WideView(LPCOLESTR text);  // empty for null
std::string WideToUtf8(std::u16string_view text);
std::u16string Utf8ToWide(std::string_view text);
// Compares as the platform's display-name comparison does: case folded, not only ASCII.
bool WideEqualsIgnoreCase(std::u16string_view a, std::u16string_view b);
// The case-folded UTF-8 form that the comparisons above use (for hashing).
std::string WideCaseFolded(std::u16string_view text);
bool WideStartsWithIgnoreCase(std::u16string_view text, std::u16string_view prefix);
// A NUL-terminated copy from CoTaskMemAlloc (the caller frees it), null when memory runs out.
LPOLESTR CoTaskMemDupWide(std::u16string_view text);
