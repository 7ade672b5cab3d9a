// The narrow (code page 932) registry calls.
#include <cstring>

#include "platform/registry/hive_store.h"
#include "platform/registry/reg_handles.h"
#include "platform/registry/reg_value_io.h"
#include "platform/registry/registry.h"

using registry::HiveKey;
using registry::HiveStore;
using registry::KeyRef;

namespace {

// Splits a subkey argument into key names. A trailing '\' is tolerated as on the platform; a
// leading one or an empty name inside is ERROR_BAD_PATHNAME.
LONG SplitSubKey(LPCSTR subKey, std::vector<std::string>* names) {
    names->clear();
    if (!subKey || !*subKey) return ERROR_SUCCESS;
    *names = registry::SplitKeyPath(subKey);
    if (names->back().empty()) names->pop_back();
    for (const std::string& name : *names)
        if (name.empty()) return ERROR_BAD_PATHNAME;
    return ERROR_SUCCESS;
}

std::vector<std::string> Join(const std::vector<std::string>& base, const std::vector<std::string>& more) {
    std::vector<std::string> path = base;
    path.insert(path.end(), more.begin(), more.end());
    return path;
}

// The key a handle names, or the error for a handle whose key is gone.
LONG FindHandleKey(HiveKey& hive, const KeyRef& ref, HiveKey** key) {
    *key = registry::FindKey(hive, ref.path);
    return *key ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

LONG FindHandleKey(const HiveKey& hive, const KeyRef& ref, const HiveKey** key) {
    *key = registry::FindKey(hive, ref.path);
    return *key ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

std::string ValueName(LPCSTR valueName) { return valueName ? std::string(valueName) : std::string(); }

// Copies a name with its NUL into a buffer of *length characters; on success *length is the
// name's length without the NUL.
LONG CopyName(const std::string& name, LPSTR buffer, DWORD* length) {
    if (*length < name.size() + 1) return ERROR_MORE_DATA;
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    *length = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

// The hive file's time as a FILETIME (100 ns units since 1601).
void StoreLastWriteTime(registry::HiveRoot root, void* lastWriteTime) {
    if (!lastWriteTime) return;
    constexpr std::uint64_t kUnixEpochAsFileTime = 116444736000000000ull;
    const registry::FileSignature signature = HiveStore::Instance().LastSignature(root);
    const std::uint64_t fileTime =
        signature.exists ? kUnixEpochAsFileTime + static_cast<std::uint64_t>(signature.modifiedNs / 100) : 0;
    std::memcpy(lastWriteTime, &fileTime, sizeof fileTime);
}

}  // namespace

namespace registry {

LONG QueryValueBytes(HKEY key, LPCSTR valueName, DWORD* type, std::string* data) {
    std::lock_guard lock(RegistryMutex());
    KeyRef ref;
    if (LONG error = ResolveKey(key, &ref)) return error;
    if (!(ref.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    return HiveStore::Instance().Read(ref.root, [&](const HiveKey& hive) {
        const HiveKey* found = nullptr;
        if (LONG error = FindHandleKey(hive, ref, &found)) return error;
        const HiveValue* value = found->Value(ValueName(valueName));
        if (!value) return ERROR_FILE_NOT_FOUND;
        *type = value->type;
        *data = value->data;
        return ERROR_SUCCESS;
    });
}

LONG SetValueBytes(HKEY key, LPCSTR valueName, DWORD type, std::string data) {
    std::lock_guard lock(RegistryMutex());
    KeyRef ref;
    if (LONG error = ResolveKey(key, &ref)) return error;
    if (!(ref.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    return HiveStore::Instance().Modify(ref.root, [&](HiveKey& hive, bool* changed) {
        HiveKey* found = nullptr;
        if (LONG error = FindHandleKey(hive, ref, &found)) return error;
        *changed = found->SetValue(ValueName(valueName), type, std::move(data));
        return ERROR_SUCCESS;
    });
}

LONG CopyValueOut(DWORD storedType, const std::string& bytes, DWORD* type, BYTE* data, DWORD* dataSize) {
    if (type) *type = storedType;
    const DWORD size = static_cast<DWORD>(bytes.size());
    if (!data) {
        if (dataSize) *dataSize = size;
        return ERROR_SUCCESS;
    }
    if (*dataSize < size) {
        *dataSize = size;
        return ERROR_MORE_DATA;
    }
    if (size) std::memcpy(data, bytes.data(), size);
    *dataSize = size;
    return ERROR_SUCCESS;
}

}  // namespace registry

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD options, REGSAM desired, void*, PHKEY result,
                     DWORD* disposition) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::lock_guard lock(registry::RegistryMutex());
    KeyRef ref;
    if (LONG error = registry::ResolveKey(key, &ref)) return error;
    if (!subKey || options != REG_OPTION_NON_VOLATILE) return ERROR_INVALID_PARAMETER;
    std::vector<std::string> names;
    if (LONG error = SplitSubKey(subKey, &names)) return error;
    if (!names.empty() && !(ref.access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;

    bool created = false;
    const LONG error = HiveStore::Instance().Modify(ref.root, [&](HiveKey& hive, bool* changed) {
        HiveKey* current = nullptr;
        if (LONG e = FindHandleKey(hive, ref, &current)) return e;
        for (const std::string& name : names) {
            current = &current->ChildOrCreate(name, &created);
            *changed = *changed || created;
        }
        return ERROR_SUCCESS;
    });
    if (error) return error;
    *result = registry::OpenHandle(KeyRef{ref.root, Join(ref.path, names), desired});
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM desired, PHKEY result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::lock_guard lock(registry::RegistryMutex());
    KeyRef ref;
    if (LONG error = registry::ResolveKey(key, &ref)) return error;
    std::vector<std::string> names;
    if (LONG error = SplitSubKey(subKey, &names)) return error;
    const LONG error = HiveStore::Instance().Read(ref.root, [&](const HiveKey& hive) {
        const HiveKey* base = nullptr;
        if (LONG e = FindHandleKey(hive, ref, &base)) return e;
        return registry::FindKey(*base, names) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
    if (error) return error;
    *result = registry::OpenHandle(KeyRef{ref.root, Join(ref.path, names), desired});
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataSize) {
    if (reserved || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
    DWORD storedType = REG_NONE;
    std::string bytes;
    if (LONG error = registry::QueryValueBytes(key, valueName, &storedType, &bytes)) return error;
    return registry::CopyValueOut(storedType, bytes, type, data, dataSize);
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD dataSize) {
    if (!data && dataSize) return ERROR_INVALID_PARAMETER;
    if ((type == REG_DWORD && dataSize != 4) || (type == REG_QWORD && dataSize != 8)) return ERROR_INVALID_PARAMETER;
    std::string bytes(reinterpret_cast<const char*>(data), data ? dataSize : 0);
    return registry::SetValueBytes(key, valueName, type, std::move(bytes));
}

LONG RegDeleteValueA(HKEY key, LPCSTR valueName) {
    std::lock_guard lock(registry::RegistryMutex());
    KeyRef ref;
    if (LONG error = registry::ResolveKey(key, &ref)) return error;
    if (!(ref.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    return HiveStore::Instance().Modify(ref.root, [&](HiveKey& hive, bool* changed) {
        HiveKey* found = nullptr;
        if (LONG e = FindHandleKey(hive, ref, &found)) return e;
        *changed = found->RemoveValue(ValueName(valueName));
        return *changed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

LONG RegDeleteKeyA(HKEY key, LPCSTR subKey) {
    std::lock_guard lock(registry::RegistryMutex());
    KeyRef ref;
    if (LONG error = registry::ResolveKey(key, &ref)) return error;
    if (!subKey) return ERROR_INVALID_PARAMETER;
    std::vector<std::string> names;
    if (LONG error = SplitSubKey(subKey, &names)) return error;
    const std::vector<std::string> target = Join(ref.path, names);
    if (target.empty()) return ERROR_ACCESS_DENIED;  // a root key cannot go
    const LONG error = HiveStore::Instance().Modify(ref.root, [&](HiveKey& hive, bool* changed) {
        HiveKey* base = nullptr;
        if (LONG e = FindHandleKey(hive, ref, &base)) return e;
        const std::vector<std::string> parentPath(target.begin(), target.end() - 1);
        HiveKey* parent = registry::FindKey(hive, parentPath);
        HiveKey* victim = parent ? parent->Child(target.back()) : nullptr;
        if (!victim) return ERROR_FILE_NOT_FOUND;
        if (!victim->SubKeys().empty()) return ERROR_ACCESS_DENIED;
        parent->TakeChild(target.back());
        *changed = true;
        return ERROR_SUCCESS;
    });
    if (!error) registry::MarkKeysDeleted(ref.root, target, true);
    return error;
}

LONG RegDeleteTreeA(HKEY key, LPCSTR subKey) {
    std::lock_guard lock(registry::RegistryMutex());
    KeyRef ref;
    if (LONG error = registry::ResolveKey(key, &ref)) return error;
    std::vector<std::string> names;
    if (LONG error = SplitSubKey(subKey, &names)) return error;
    const std::vector<std::string> target = Join(ref.path, names);
    const bool emptyOnly = names.empty();  // no subkey: the key itself stays, emptied
    const LONG error = HiveStore::Instance().Modify(ref.root, [&](HiveKey& hive, bool* changed) {
        HiveKey* base = nullptr;
        if (LONG e = FindHandleKey(hive, ref, &base)) return e;
        if (emptyOnly) {
            *changed = base->Clear();
            return ERROR_SUCCESS;
        }
        const std::vector<std::string> parentPath(target.begin(), target.end() - 1);
        HiveKey* parent = registry::FindKey(hive, parentPath);
        if (!parent || !parent->TakeChild(target.back())) return ERROR_FILE_NOT_FOUND;
        *changed = true;
        return ERROR_SUCCESS;
    });
    if (!error) registry::MarkKeysDeleted(ref.root, target, !emptyOnly);
    return error;
}

namespace registry {

LONG RenameKeyBytes(HKEY key, LPCSTR subKey, LPCSTR newName) {
    if (!newName || !*newName || std::strchr(newName, '\\')) return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(RegistryMutex());
    KeyRef ref;
    if (LONG error = ResolveKey(key, &ref)) return error;
    std::vector<std::string> names;
    if (LONG error = SplitSubKey(subKey, &names)) return error;
    const std::vector<std::string> target = Join(ref.path, names);
    if (target.empty()) return ERROR_ACCESS_DENIED;  // a root key keeps its name
    const LONG error = HiveStore::Instance().Modify(ref.root, [&](HiveKey& hive, bool* changed) {
        HiveKey* base = nullptr;
        if (LONG e = FindHandleKey(hive, ref, &base)) return e;
        const std::vector<std::string> parentPath(target.begin(), target.end() - 1);
        HiveKey* parent = FindKey(hive, parentPath);
        if (!parent || !parent->Child(target.back())) return ERROR_FILE_NOT_FOUND;
        if (!parent->RenameChild(target.back(), newName)) return ERROR_ALREADY_EXISTS;
        *changed = true;
        return ERROR_SUCCESS;
    });
    // Handles name keys by path, so handles on the old path now name nothing.
    if (!error) MarkKeysDeleted(ref.root, target, true);
    return error;
}

}  // namespace registry

LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, DWORD* nameLength, DWORD* reserved, LPSTR keyClass,
                   DWORD* classLength, void* lastWriteTime) {
    if (!name || !nameLength || reserved || (keyClass && !classLength)) return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(registry::RegistryMutex());
    KeyRef ref;
    if (LONG error = registry::ResolveKey(key, &ref)) return error;
    if (!(ref.access & KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
    std::string childName;
    const LONG error = HiveStore::Instance().Read(ref.root, [&](const HiveKey& hive) {
        const HiveKey* found = nullptr;
        if (LONG e = FindHandleKey(hive, ref, &found)) return e;
        if (index >= found->SubKeys().size()) return ERROR_NO_MORE_ITEMS;
        auto it = found->SubKeys().begin();
        std::advance(it, index);
        childName = it->second->Name();
        return ERROR_SUCCESS;
    });
    if (error) return error;
    if (LONG e = CopyName(childName, name, nameLength)) return e;
    if (keyClass) {
        if (*classLength > 0) keyClass[0] = '\0';
        *classLength = 0;
    }
    StoreLastWriteTime(ref.root, lastWriteTime);
    return ERROR_SUCCESS;
}

LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, DWORD* nameLength, DWORD* reserved, DWORD* type, BYTE* data,
                   DWORD* dataSize) {
    if (!name || !nameLength || reserved || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(registry::RegistryMutex());
    KeyRef ref;
    if (LONG error = registry::ResolveKey(key, &ref)) return error;
    if (!(ref.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    registry::HiveValue value;
    const LONG error = HiveStore::Instance().Read(ref.root, [&](const HiveKey& hive) {
        const HiveKey* found = nullptr;
        if (LONG e = FindHandleKey(hive, ref, &found)) return e;
        if (index >= found->Values().size()) return ERROR_NO_MORE_ITEMS;
        value = found->Values()[index];
        return ERROR_SUCCESS;
    });
    if (error) return error;
    if (LONG e = CopyName(value.name, name, nameLength)) return e;
    return registry::CopyValueOut(value.type, value.data, type, data, dataSize);
}

LONG RegCloseKey(HKEY key) {
    std::lock_guard lock(registry::RegistryMutex());
    return registry::CloseHandle(key);
}

LONG RegExportHiveText(HKEY root, std::string* text) {
    if (!text) return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(registry::RegistryMutex());
    KeyRef ref;
    if (LONG error = registry::ResolveKey(root, &ref)) return error;
    if (!ref.path.empty()) return ERROR_INVALID_PARAMETER;  // whole hives only
    return HiveStore::Instance().Read(ref.root, [&](const HiveKey& hive) {
        *text = registry::WriteRegFile(registry::HiveToDocument(hive));
        return ERROR_SUCCESS;
    });
}
