// The wide (UTF-16) registry calls: names and string data are converted to the code page 932
// bytes the hives keep, and the narrow calls do the work. A name with a character that code
// page 932 cannot hold cannot exist in a hive: looking it up finds nothing and creating it fails
// with ERROR_NO_UNICODE_TRANSLATION.
#include <cstring>
#include <optional>

#include "platform/registry/reg_value_io.h"
#include "platform/registry/registry.h"
#include "platform/system/codepage.h"

namespace {

// A narrow form of an optional wide text: null stays null.
struct NarrowText {
    bool converted = true;
    bool null = false;
    std::string bytes;
    LPCSTR Get() const { return null ? nullptr : bytes.c_str(); }
};

NarrowText Narrow(LPCWSTR wide) {
    NarrowText text;
    if (!wide) {
        text.null = true;
        return text;
    }
    auto bytes = Utf16ToCp932(std::u16string(wide));
    text.converted = bytes.has_value();
    if (bytes) text.bytes = std::move(*bytes);
    return text;
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

std::string WideBytes(const std::u16string& wide) {
    return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(char16_t));
}

}  // namespace

LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR, DWORD options, REGSAM desired,
                     void* securityAttributes, PHKEY result, DWORD* disposition) {
    const NarrowText name = Narrow(subKey);
    if (!name.converted) {
        if (result) *result = nullptr;
        return ERROR_NO_UNICODE_TRANSLATION;
    }
    return RegCreateKeyExA(key, name.Get(), reserved, nullptr, options, desired, securityAttributes, result,
                           disposition);
}

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM desired, PHKEY result) {
    const NarrowText name = Narrow(subKey);
    if (!name.converted) {
        if (result) *result = nullptr;
        return ERROR_FILE_NOT_FOUND;
    }
    return RegOpenKeyExA(key, name.Get(), options, desired, result);
}

LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataSize) {
    if (reserved || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
    const NarrowText name = Narrow(valueName);
    if (!name.converted) return ERROR_FILE_NOT_FOUND;
    DWORD storedType = REG_NONE;
    std::string bytes;
    if (LONG error = registry::QueryValueBytes(key, name.Get(), &storedType, &bytes)) return error;
    if (IsStringType(storedType)) bytes = WideBytes(AnsiToWide(bytes));
    return registry::CopyValueOut(storedType, bytes, type, data, dataSize);
}

LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD dataSize) {
    const NarrowText name = Narrow(valueName);
    if (!name.converted) return ERROR_NO_UNICODE_TRANSLATION;
    if (!IsStringType(type) || !data) return RegSetValueExA(key, name.Get(), reserved, type, data, dataSize);
    // An odd last byte is no character; it is dropped.
    std::u16string wide(dataSize / sizeof(char16_t), u'\0');
    std::memcpy(wide.data(), data, wide.size() * sizeof(char16_t));
    auto narrow = Utf16ToCp932(wide);
    if (!narrow) return ERROR_NO_UNICODE_TRANSLATION;
    return RegSetValueExA(key, name.Get(), reserved, type, reinterpret_cast<const BYTE*>(narrow->data()),
                          static_cast<DWORD>(narrow->size()));
}

LONG RegDeleteValueW(HKEY key, LPCWSTR valueName) {
    const NarrowText name = Narrow(valueName);
    if (!name.converted) return ERROR_FILE_NOT_FOUND;
    return RegDeleteValueA(key, name.Get());
}

LONG RegDeleteKeyW(HKEY key, LPCWSTR subKey) {
    const NarrowText name = Narrow(subKey);
    if (!name.converted) return ERROR_FILE_NOT_FOUND;
    return RegDeleteKeyA(key, name.Get());
}

LONG RegDeleteTreeW(HKEY key, LPCWSTR subKey) {
    const NarrowText name = Narrow(subKey);
    if (!name.converted) return ERROR_FILE_NOT_FOUND;
    return RegDeleteTreeA(key, name.Get());
}

LONG RegRenameKey(HKEY key, LPCWSTR subKey, LPCWSTR newName) {
    const NarrowText from = Narrow(subKey);
    if (!from.converted) return ERROR_FILE_NOT_FOUND;
    const NarrowText to = Narrow(newName);
    if (!to.converted) return ERROR_NO_UNICODE_TRANSLATION;
    return registry::RenameKeyBytes(key, from.Get(), to.Get());
}
