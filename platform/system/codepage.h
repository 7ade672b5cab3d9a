// Conversion between code page 932 (Shift_JIS as the original platform uses it) and UTF-8/UTF-16.
// Text the system stores is kept as CP932 bytes; a conversion is used only when it converts
// back to exactly the same bytes.
#pragma once

#include <optional>
#include <string>

#include "platform/com/types.h"

using Cp932String = std::string;  // bytes in code page 932

// UTF-8 for these bytes, or nothing when they do not convert back to the very same bytes.
std::optional<std::string> Cp932ToUtf8(const Cp932String& bytes);
// CP932 bytes for UTF-8 text, or nothing when some character has no CP932 form.
std::optional<Cp932String> Utf8ToCp932(const std::string& utf8);

std::optional<std::u16string> Cp932ToUtf16(const Cp932String& bytes);
std::optional<Cp932String> Utf16ToCp932(const std::u16string& utf16);

// Text for places that must always show something (logs, JSON, .reg files): UTF-8 when the
// bytes round-trip, otherwise each byte that is not printable ASCII as "\xNN".
std::string Cp932ToDisplay(const Cp932String& bytes);

// The platform's MultiByteToWideChar/WideCharToMultiByte for the ANSI code page (932).
std::u16string AnsiToWide(const std::string& bytes);
std::string WideToAnsi(const std::u16string& wide);
