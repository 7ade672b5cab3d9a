#include "platform/com/inproc_server.h"

#include <dlfcn.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <optional>

#include "platform/com/com_runtime.h"
#include "platform/com/wide_text.h"
#include "platform/registry/registry.h"

namespace {

struct LoadedModule {
    void* handle = nullptr;
    DllGetClassObjectFunction getClassObject = nullptr;
    DllCanUnloadNowFunction canUnloadNow = nullptr;
};

struct ModuleTable {
    std::mutex mutex;
    std::map<std::string, LoadedModule> modules;  // by the path registered for them
};

ModuleTable& Modules() {
    static auto* table = new ModuleTable;  // never destroyed: modules stay mapped anyway
    return *table;
}

class RegistryKey {
public:
    ~RegistryKey() {
        if (key_) RegCloseKey(key_);
    }
    HKEY* Out() { return &key_; }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

}  // namespace

std::optional<std::string> RegisteredServerModule(REFCLSID clsid) {
    const std::u16string subKey = u"CLSID\\" + Utf8ToWide(GuidToString(clsid)) + u"\\InprocServer32";
    RegistryKey key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_READ, key.Out()) != ERROR_SUCCESS) return {};
    DWORD type = REG_NONE, size = 0;
    if (RegQueryValueExW(key.Get(), nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
    std::u16string path(size / sizeof(WCHAR) + 1, u'\0');
    size = static_cast<DWORD>(path.size() * sizeof(WCHAR));
    if (RegQueryValueExW(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(path.data()), &size) !=
        ERROR_SUCCESS)
        return {};
    path.resize(WideView(path.c_str()).size());
    return WideToUtf8(path);
}

HRESULT CallServerRegistration(const std::string& path, bool unregister, std::string* loadError) {
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_NODELETE);
    if (!module) {
        if (loadError) *loadError = dlerror();
        return CO_E_DLLNOTFOUND;
    }
    auto entry = reinterpret_cast<DllRegisterServerFunction>(
        dlsym(module, unregister ? "DllUnregisterServer" : "DllRegisterServer"));
    if (!entry) return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    // A module may create objects while it registers (the filter mapper, for instance).
    const HRESULT init = CoInitialize(nullptr);
    const HRESULT hr = entry();
    if (SUCCEEDED(init)) CoUninitialize();
    return hr;
}

namespace {

// The loaded module for path, loading it on first use. dlopen runs without the table lock,
// so a module's initialisers may call back into the runtime.
HRESULT LoadModule(const std::string& path, LoadedModule* module) {
    {
        std::lock_guard lock(Modules().mutex);
        if (auto it = Modules().modules.find(path); it != Modules().modules.end()) {
            *module = it->second;
            return S_OK;
        }
    }
    if (path.empty()) return CO_E_DLLNOTFOUND;
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NODELETE);
    if (!handle) return CO_E_DLLNOTFOUND;
    LoadedModule loaded;
    loaded.handle = handle;
    loaded.getClassObject = reinterpret_cast<DllGetClassObjectFunction>(dlsym(handle, "DllGetClassObject"));
    loaded.canUnloadNow = reinterpret_cast<DllCanUnloadNowFunction>(dlsym(handle, "DllCanUnloadNow"));
    if (!loaded.getClassObject) {
        dlclose(handle);
        return CO_E_ERRORINDLL;
    }
    std::lock_guard lock(Modules().mutex);
    auto [it, inserted] = Modules().modules.emplace(path, loaded);
    if (!inserted) dlclose(handle);  // another thread loaded it meanwhile; same mapping
    *module = it->second;
    return S_OK;
}

}  // namespace

HRESULT GetClassObjectFromModule(REFCLSID clsid, REFIID riid, void** object) {
    const std::optional<std::string> path = RegisteredServerModule(clsid);
    if (!path) return REGDB_E_CLASSNOTREG;
    LoadedModule module;
    if (const HRESULT hr = LoadModule(*path, &module); FAILED(hr)) return hr;
    return module.getClassObject(clsid, riid, object);
}

void FreeUnusedModules() {
    std::vector<std::pair<std::string, LoadedModule>> candidates;
    {
        std::lock_guard lock(Modules().mutex);
        for (const auto& entry : Modules().modules)
            if (entry.second.canUnloadNow) candidates.push_back(entry);
    }
    for (const auto& [path, module] : candidates) {
        if (module.canUnloadNow() != S_OK) continue;
        std::lock_guard lock(Modules().mutex);
        auto it = Modules().modules.find(path);
        if (it == Modules().modules.end() || it->second.handle != module.handle) continue;
        Modules().modules.erase(it);
        dlclose(module.handle);  // RTLD_NODELETE: the code stays mapped, only our count drops
    }
}

std::vector<std::string> LoadedModulePaths() {
    std::lock_guard lock(Modules().mutex);
    std::vector<std::string> paths;
    for (const auto& entry : Modules().modules) paths.push_back(entry.first);
    return paths;
}
