// The operations on stored bytes, shared by the narrow and the wide registry calls.
#pragma once

#include <string>

#include "platform/registry/registry.h"

namespace registry {

// The type and exact stored bytes of a value (name null or "" for the default value).
LONG QueryValueBytes(HKEY key, LPCSTR valueName, DWORD* type, std::string* data);
LONG SetValueBytes(HKEY key, LPCSTR valueName, DWORD type, std::string data);
// Hands stored bytes to a caller with the platform's buffer contract: data null asks only for
// type and size; a short buffer gives ERROR_MORE_DATA and the size needed.
LONG CopyValueOut(DWORD storedType, const std::string& bytes, DWORD* type, BYTE* data, DWORD* dataSize);
// RegRenameKey on code page 932 names.
LONG RenameKeyBytes(HKEY key, LPCSTR subKey, LPCSTR newName);

}  // namespace registry
