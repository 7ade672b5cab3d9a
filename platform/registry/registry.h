// The platform registry: HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT,
// each kept as a text file in the .reg syntax under $XDG_CONFIG_HOME/quilldeck/registry/.
// Names and string values are code-page-932 bytes in the A calls and UTF-16 in the W calls.
// Key and value names compare case-insensitively (ASCII), as on the original platform.
// Every call returns a platform error code (ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ...).
#pragma once

#include <string>

#include "platform/com/hresult.h"
#include "platform/com/types.h"

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using REGSAM = DWORD;

inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000000u));
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u));
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u));

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_MULTI_SZ = 7;
inline constexpr DWORD REG_QWORD = 11;

inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

// A subkey path that starts with "\" or has an empty name inside ("a\\b").
inline constexpr LONG ERROR_BAD_PATHNAME = 161;
// A wide name or string has a character that code page 932, in which the hives keep text,
// cannot hold; nothing is stored rather than a changed text.
inline constexpr LONG ERROR_NO_UNICODE_TRANSLATION = 1113;

inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM desired,
                     void* securityAttributes, PHKEY result, DWORD* disposition);
LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result);
// Same contract as the platform: data may be null to ask only for type and size; a buffer that
// is too small gives ERROR_MORE_DATA with *dataSize set to the size needed. REG_SZ data
// includes its terminating NUL in the size.
LONG RegQueryValueExA(HKEY key, LPCSTR valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataSize);
LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD dataSize);
LONG RegDeleteValueA(HKEY key, LPCSTR valueName);
// Deletes a key that has no subkeys (ERROR_ACCESS_DENIED when it has some, as the platform does).
LONG RegDeleteKeyA(HKEY key, LPCSTR subKey);
// Deletes a key with all its subkeys and values; a null subKey empties the key itself.
LONG RegDeleteTreeA(HKEY key, LPCSTR subKey);
LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, DWORD* nameLength, DWORD* reserved, LPSTR keyClass,
                   DWORD* classLength, void* lastWriteTime);
LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, DWORD* nameLength, DWORD* reserved, DWORD* type,
                   BYTE* data, DWORD* dataSize);
LONG RegCloseKey(HKEY key);

// Wide forms, used by the module registration code (paths and GUID strings come as UTF-16).
// RegRenameKey exists only in this form.
LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options, REGSAM desired,
                     void* securityAttributes, PHKEY result, DWORD* disposition);
LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM desired, PHKEY result);
LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataSize);
LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD dataSize);
LONG RegDeleteValueW(HKEY key, LPCWSTR valueName);
LONG RegDeleteKeyW(HKEY key, LPCWSTR subKey);
LONG RegDeleteTreeW(HKEY key, LPCWSTR subKey);
// Gives a key (subKey below key, or key itself when subKey is null) the name newName, keeping its
// values and subkeys, in one write. ERROR_ALREADY_EXISTS when a sibling has that name.
LONG RegRenameKey(HKEY key, LPCWSTR subKey, LPCWSTR newName);

// The whole hive of a root key (HKEY_CURRENT_USER, ...) as .reg text, as the hive file holds it.
LONG RegExportHiveText(HKEY root, std::string* text);
