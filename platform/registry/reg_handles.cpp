#include "platform/registry/reg_handles.h"

#include <unordered_set>

struct HKEY__ {
    registry::KeyRef ref;
    bool deleted = false;
};

namespace registry {
namespace {

std::unordered_set<HKEY>& LiveHandles() {
    static auto* handles = new std::unordered_set<HKEY>;  // outlives every static destructor
    return *handles;
}

bool PredefinedRoot(HKEY key, HiveRoot* root) {
    if (key == HKEY_CLASSES_ROOT) *root = HiveRoot::ClassesRoot;
    else if (key == HKEY_CURRENT_USER) *root = HiveRoot::CurrentUser;
    else if (key == HKEY_LOCAL_MACHINE) *root = HiveRoot::LocalMachine;
    else return false;
    return true;
}

// True when path starts with prefix (names compared as the registry compares them).
bool IsAtOrBelow(const std::vector<std::string>& path, const std::vector<std::string>& prefix) {
    if (path.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (FoldName(path[i]) != FoldName(prefix[i])) return false;
    return true;
}

}  // namespace

std::mutex& RegistryMutex() {
    static std::mutex mutex;
    return mutex;
}

REGSAM EffectiveAccess(REGSAM desired) {
    constexpr REGSAM kGenericRead = 0x80000000u, kGenericWrite = 0x40000000u, kGenericAll = 0x10000000u;
    constexpr REGSAM kMaximumAllowed = 0x02000000u;
    REGSAM access = desired;
    if (desired & (kGenericAll | kMaximumAllowed)) access |= KEY_ALL_ACCESS;
    if (desired & kGenericRead) access |= KEY_READ;
    if (desired & kGenericWrite) access |= KEY_WRITE;
    return access;
}

LONG ResolveKey(HKEY key, KeyRef* ref) {
    HiveRoot root;
    if (PredefinedRoot(key, &root)) {
        *ref = KeyRef{root, {}, KEY_ALL_ACCESS};
        return ERROR_SUCCESS;
    }
    if (!key || !LiveHandles().count(key)) return ERROR_INVALID_HANDLE;
    if (key->deleted) return ERROR_KEY_DELETED;
    *ref = key->ref;
    return ERROR_SUCCESS;
}

HKEY OpenHandle(KeyRef ref) {
    ref.access = EffectiveAccess(ref.access);
    HKEY key = new HKEY__{std::move(ref), false};
    LiveHandles().insert(key);
    return key;
}

LONG CloseHandle(HKEY key) {
    HiveRoot root;
    if (PredefinedRoot(key, &root)) return ERROR_SUCCESS;
    if (!key || LiveHandles().erase(key) == 0) return ERROR_INVALID_HANDLE;
    delete key;
    return ERROR_SUCCESS;
}

void MarkKeysDeleted(HiveRoot root, const std::vector<std::string>& path, bool includeKey) {
    for (HKEY key : LiveHandles()) {
        if (key->ref.root != root || !IsAtOrBelow(key->ref.path, path)) continue;
        if (includeKey || key->ref.path.size() > path.size()) key->deleted = true;
    }
}

}  // namespace registry
