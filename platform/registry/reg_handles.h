// Open key handles: heap objects naming a hive and a key path, checked against a table of live
// handles so that a closed or made-up handle is refused instead of followed.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/registry/hive_store.h"
#include "platform/registry/registry.h"

namespace registry {

// The one lock of the registry calls: the handle table and the hive cache are used under it.
std::mutex& RegistryMutex();

struct KeyRef {
    HiveRoot root = HiveRoot::CurrentUser;
    std::vector<std::string> path;  // names below the root; empty for the root itself
    REGSAM access = KEY_ALL_ACCESS;
};

// ERROR_INVALID_HANDLE for a null, closed or unknown handle; ERROR_KEY_DELETED when this
// process deleted the key since the handle was opened.
LONG ResolveKey(HKEY key, KeyRef* ref);
HKEY OpenHandle(KeyRef ref);
LONG CloseHandle(HKEY key);
// Marks every open handle on the key at path (when includeKey) and below it as deleted.
void MarkKeysDeleted(HiveRoot root, const std::vector<std::string>& path, bool includeKey);

// The rights a requested access mask stands for (generic and maximum-allowed rights mapped).
REGSAM EffectiveAccess(REGSAM desired);

}  // namespace registry
