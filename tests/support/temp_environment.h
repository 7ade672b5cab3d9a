// Points $XDG_CONFIG_HOME and $XDG_RUNTIME_DIR at a fresh temporary directory for the
// lifetime of the object, so a test gets its own registry, profiles and instance lock.
#pragma once

#include <filesystem>
#include <string>

class TempEnvironment {
public:
    TempEnvironment();
    ~TempEnvironment();
    TempEnvironment(const TempEnvironment&) = delete;
    TempEnvironment& operator=(const TempEnvironment&) = delete;

    const std::filesystem::path& Root() const { return root_; }
    std::filesystem::path ConfigHome() const { return root_ / "config"; }
    std::filesystem::path RuntimeDir() const { return root_ / "runtime"; }

private:
    std::filesystem::path root_;
    std::string savedConfig_, savedRuntime_;
    bool hadConfig_ = false, hadRuntime_ = false;
};
