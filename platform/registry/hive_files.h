// The files behind the hives: where they live, the lock that orders processes, atomic
// replacement and setting a damaged file aside.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace registry {

// $XDG_CONFIG_HOME/quilldeck/registry, or $HOME/.config/quilldeck/registry without it. Read
// from the environment at every call.
std::filesystem::path RegistryDirectory();

// What tells one version of a file from another without reading it.
struct FileSignature {
    bool exists = false;
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t modifiedNs = 0, changedNs = 0;  // since 1970
    bool operator==(const FileSignature&) const = default;
};

// The signature of path, or the errno of a failing stat (a missing file is no failure).
int StatFile(const std::filesystem::path& path, FileSignature* signature);

// True when the file may have been changed again within the same time-stamp tick, so an equal
// signature does not prove equal content.
bool IsRecentlyModified(const FileSignature& signature);

// flock on "registry.lock" in the hive directory: shared for reading, exclusive for a change.
// Other processes of this system use the same lock; released when the object dies.
class HiveLock {
public:
    HiveLock() = default;
    ~HiveLock();
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;

    // errno on failure. A shared lock on a directory that does not exist yet holds nothing:
    // there is nothing to read.
    int Acquire(const std::filesystem::path& directory, bool exclusive);
    void Release();

private:
    int fd_ = -1;
};

// The whole content, or the errno.
int ReadWholeFile(const std::filesystem::path& path, std::string* content);

// Writes a temporary file beside path, flushes it to disk and renames it over path, so a crash
// leaves either the old or the new content. Creates the directory. Returns 0 or the errno.
int WriteFileAtomically(const std::filesystem::path& path, const std::string& content);

// Renames path to "<name>.damaged-YYYYMMDD-HHMMSS" (with "-2", "-3"... when taken); the new
// path, or nothing when the rename failed.
std::optional<std::filesystem::path> SetDamagedFileAside(const std::filesystem::path& path);

}  // namespace registry
