#include "platform/registry/hive_store.h"

#include <cstdio>

#include "platform/com/hresult.h"

namespace registry {
namespace {

std::unique_ptr<HiveKey> EmptyHive(HiveRoot root) { return std::make_unique<HiveKey>(std::string(HiveRootName(root))); }

// Parses the text into a fresh hive; the error when the text is damaged.
std::optional<HiveLoadError> BuildHive(HiveRoot root, const std::string& text, std::unique_ptr<HiveKey>* tree) {
    RegFileParseResult parsed = ParseRegFile(text);
    if (!parsed.document) return HiveLoadError{parsed.errorLine, parsed.error};
    auto hive = EmptyHive(root);
    if (auto error = FillHive(*parsed.document, hive.get())) return error;
    *tree = std::move(hive);
    return std::nullopt;
}

}  // namespace

std::string_view HiveRootName(HiveRoot root) {
    switch (root) {
        case HiveRoot::ClassesRoot: return "HKEY_CLASSES_ROOT";
        case HiveRoot::CurrentUser: return "HKEY_CURRENT_USER";
        case HiveRoot::LocalMachine: return "HKEY_LOCAL_MACHINE";
    }
    return "HKEY_CURRENT_USER";
}

std::filesystem::path HiveFilePath(HiveRoot root) { return RegistryDirectory() / (std::string(HiveRootName(root)) + ".reg"); }

HiveStore& HiveStore::Instance() {
    static auto* store = new HiveStore;  // outlives every static destructor that may still call in
    return *store;
}

FileSignature HiveStore::LastSignature(HiveRoot root) const { return caches_[static_cast<int>(root)].signature; }

LONG HiveStore::Read(HiveRoot root, const std::function<LONG(const HiveKey&)>& fn) {
    const std::filesystem::path directory = RegistryDirectory();
    HiveLock lock;
    if (const int error = lock.Acquire(directory, false)) return Win32ErrorFromErrno(error);
    bool needsExclusive = false;
    LONG result = Refresh(root, false, &needsExclusive);
    if (result == ERROR_SUCCESS && needsExclusive) {
        lock.Release();
        if (const int error = lock.Acquire(directory, true)) return Win32ErrorFromErrno(error);
        result = Refresh(root, true, nullptr);
    }
    if (result != ERROR_SUCCESS) return result;
    return fn(*Cache(root).tree);
}

LONG HiveStore::Modify(HiveRoot root, const std::function<LONG(HiveKey&, bool* changed)>& fn) {
    HiveLock lock;
    if (const int error = lock.Acquire(RegistryDirectory(), true)) return Win32ErrorFromErrno(error);
    if (const LONG error = Refresh(root, true, nullptr)) return error;
    bool changed = false;
    const LONG result = fn(*Cache(root).tree, &changed);
    if (!changed) return result;
    if (result != ERROR_SUCCESS) {
        Cache(root).loaded = false;  // a half-made change is dropped: read the file again
        return result;
    }
    return Save(root);
}

LONG HiveStore::Refresh(HiveRoot root, bool exclusive, bool* needsExclusive) {
    CachedHive& cache = Cache(root);
    const std::filesystem::path file = HiveFilePath(root);
    FileSignature signature;
    if (const int error = StatFile(file, &signature)) return Win32ErrorFromErrno(error);
    if (cache.loaded && cache.file == file && cache.signature == signature && !IsRecentlyModified(signature))
        return ERROR_SUCCESS;

    cache.loaded = false;
    cache.file = file;
    cache.signature = signature;
    if (!signature.exists) {
        cache.tree = EmptyHive(root);
        cache.loaded = true;
        return ERROR_SUCCESS;
    }
    std::string text;
    if (const int error = ReadWholeFile(file, &text)) return Win32ErrorFromErrno(error);
    std::unique_ptr<HiveKey> tree;
    if (auto damage = BuildHive(root, text, &tree)) {
        if (!exclusive) {
            *needsExclusive = true;
            return ERROR_SUCCESS;
        }
        return LoadDamagedAsEmpty(root, *damage);
    }
    cache.tree = std::move(tree);
    cache.loaded = true;
    return ERROR_SUCCESS;
}

LONG HiveStore::LoadDamagedAsEmpty(HiveRoot root, const HiveLoadError& damage) {
    CachedHive& cache = Cache(root);
    const auto asidePath = SetDamagedFileAside(cache.file);
    if (!asidePath) {
        // Starting empty would overwrite the file at the next change: refuse instead.
        std::fprintf(stderr, "Quilldeck registry: %s:%d: %s; the file could not be set aside\n", cache.file.c_str(),
                     damage.line, damage.message.c_str());
        return ERROR_REGISTRY_CORRUPT;
    }
    std::fprintf(stderr, "Quilldeck registry: %s:%d: %s; the file was set aside as %s and the hive starts empty\n",
                 cache.file.c_str(), damage.line, damage.message.c_str(), asidePath->c_str());
    if (const int error = StatFile(cache.file, &cache.signature)) return Win32ErrorFromErrno(error);
    cache.tree = EmptyHive(root);
    cache.loaded = true;
    return ERROR_SUCCESS;
}

LONG HiveStore::Save(HiveRoot root) {
    CachedHive& cache = Cache(root);
    const std::string text = WriteRegFile(HiveToDocument(*cache.tree));
    if (const int error = WriteFileAtomically(cache.file, text)) {
        cache.loaded = false;
        return Win32ErrorFromErrno(error);
    }
    if (StatFile(cache.file, &cache.signature) != 0) cache.loaded = false;
    return ERROR_SUCCESS;
}

}  // namespace registry
