// The three hives as the registry calls see them: each operation works on the hive as it is on
// disk at that moment (another process may have changed it), under the inter-process lock, and
// a change is written back atomically before the lock is released.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/com/types.h"
#include "platform/registry/hive_files.h"
#include "platform/registry/hive_tree.h"

namespace registry {

enum class HiveRoot { ClassesRoot = 0, CurrentUser = 1, LocalMachine = 2 };
inline constexpr int kHiveRootCount = 3;

// "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE".
std::string_view HiveRootName(HiveRoot root);
// RegistryDirectory() / "<root name>.reg"
std::filesystem::path HiveFilePath(HiveRoot root);

// Not thread-safe by itself: the registry calls serialise every use with one mutex.
class HiveStore {
public:
    static HiveStore& Instance();

    // Runs fn on the current hive under a shared lock; returns fn's result or the error that
    // kept the hive from being read.
    LONG Read(HiveRoot root, const std::function<LONG(const HiveKey&)>& fn);
    // Runs fn on the current hive under an exclusive lock. When fn succeeds and sets *changed,
    // the hive is written back; a failing write gives its error and drops the change.
    LONG Modify(HiveRoot root, const std::function<LONG(HiveKey&, bool* changed)>& fn);

    // The signature of the hive file as last read or written.
    FileSignature LastSignature(HiveRoot root) const;

private:
    struct CachedHive {
        bool loaded = false;
        std::filesystem::path file;
        FileSignature signature;
        std::unique_ptr<HiveKey> tree;
    };

    // Brings the cached hive up to the file. A damaged file needs the exclusive lock to be set
    // aside; under a shared lock *needsExclusive is set instead.
    LONG Refresh(HiveRoot root, bool exclusive, bool* needsExclusive);
    LONG LoadDamagedAsEmpty(HiveRoot root, const HiveLoadError& error);
    LONG Save(HiveRoot root);
    CachedHive& Cache(HiveRoot root) { return caches_[static_cast<int>(root)]; }

    CachedHive caches_[kHiveRootCount];
};

}  // namespace registry
