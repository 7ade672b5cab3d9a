#include "tests/support/temp_environment.h"

#include <cstdlib>
#include <stdexcept>

namespace {
bool Save(const char* name, std::string* value) {
    const char* v = std::getenv(name);
    if (v) *value = v;
    return v != nullptr;
}
void Restore(const char* name, bool had, const std::string& value) {
    if (had) setenv(name, value.c_str(), 1);
    else unsetenv(name);
}
}  // namespace

TempEnvironment::TempEnvironment() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quilldeck-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    std::filesystem::create_directories(ConfigHome());
    std::filesystem::create_directories(RuntimeDir());
    hadConfig_ = Save("XDG_CONFIG_HOME", &savedConfig_);
    hadRuntime_ = Save("XDG_RUNTIME_DIR", &savedRuntime_);
    setenv("XDG_CONFIG_HOME", ConfigHome().c_str(), 1);
    setenv("XDG_RUNTIME_DIR", RuntimeDir().c_str(), 1);
}

TempEnvironment::~TempEnvironment() {
    Restore("XDG_CONFIG_HOME", hadConfig_, savedConfig_);
    Restore("XDG_RUNTIME_DIR", hadRuntime_, savedRuntime_);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}
