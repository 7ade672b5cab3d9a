// CoCreateInstance and CoGetClassObject: the tables of built-in classes and test overrides,
// then the registered in-process modules.
#include <mutex>
#include <unordered_map>
#include <utility>

#include "platform/com/apartment.h"
#include "platform/com/com_runtime.h"
#include "platform/com/inproc_server.h"

namespace {

struct ClassTables {
    std::mutex mutex;
    std::unordered_map<CLSID, ComPtr<IClassFactory>> overrides;  // a null factory hides the class
    std::unordered_map<CLSID, ComPtr<IClassFactory>> builtins;
};

ClassTables& Tables() {
    static auto* tables = new ClassTables;  // never destroyed: factories may be released late
    return *tables;
}

// Looks in the overrides, then the built-in classes. Sets *found when the CLSID is known there.
ComPtr<IClassFactory> TableFactory(REFCLSID clsid, bool* found) {
    std::lock_guard lock(Tables().mutex);
    if (auto it = Tables().overrides.find(clsid); it != Tables().overrides.end()) {
        *found = true;
        return it->second;
    }
    if (auto it = Tables().builtins.find(clsid); it != Tables().builtins.end()) {
        *found = true;
        return it->second;
    }
    *found = false;
    return nullptr;
}

}  // namespace

HRESULT CoGetClassObject(REFCLSID clsid, DWORD clsContext, void* /*serverInfo*/, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsComUsableOnThisThread()) return CO_E_NOTINITIALIZED;
    if ((clsContext & CLSCTX_INPROC) == 0) return REGDB_E_CLASSNOTREG;
    bool inTables = false;
    if (ComPtr<IClassFactory> factory = TableFactory(clsid, &inTables); inTables) {
        if (!factory) return REGDB_E_CLASSNOTREG;
        return factory->QueryInterface(riid, object);
    }
    if ((clsContext & CLSCTX_INPROC_SERVER) == 0) return REGDB_E_CLASSNOTREG;
    return GetClassObjectFromModule(clsid, riid, object);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsContext, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    ComPtr<IClassFactory> factory;
    const HRESULT hr = CoGetClassObject(clsid, clsContext, nullptr, IID_IClassFactory, factory.ReleaseAndGetVoidAddress());
    if (FAILED(hr)) return hr;
    if (!factory) return E_UNEXPECTED;
    return factory->CreateInstance(outer, riid, object);
}

void CoFreeUnusedLibraries() { FreeUnusedModules(); }

HRESULT RegisterBuiltinClass(REFCLSID clsid, ClassCreator creator, Aggregation aggregation) {
    if (!creator) return E_INVALIDARG;
    ComPtr<ClassFactory> factory = MakeComObject<ClassFactory>(std::move(creator), aggregation);
    if (!factory) return E_OUTOFMEMORY;
    ComPtr<IClassFactory> asFactory(factory.Get());
    std::lock_guard lock(Tables().mutex);
    Tables().builtins[clsid] = std::move(asFactory);
    return S_OK;
}

void UnregisterBuiltinClass(REFCLSID clsid) {
    ComPtr<IClassFactory> removed;  // released after the lock is dropped
    std::lock_guard lock(Tables().mutex);
    if (auto it = Tables().builtins.find(clsid); it != Tables().builtins.end()) {
        removed = std::move(it->second);
        Tables().builtins.erase(it);
    }
}

void OverrideClassFactoryForTesting(REFCLSID clsid, IClassFactory* factory) {
    ComPtr<IClassFactory> replaced;
    std::lock_guard lock(Tables().mutex);
    auto& slot = Tables().overrides[clsid];
    replaced = std::move(slot);
    slot = ComPtr<IClassFactory>(factory);
}

void RemoveClassFactoryOverrideForTesting(REFCLSID clsid) {
    ComPtr<IClassFactory> removed;
    std::lock_guard lock(Tables().mutex);
    if (auto it = Tables().overrides.find(clsid); it != Tables().overrides.end()) {
        removed = std::move(it->second);
        Tables().overrides.erase(it);
    }
}

std::vector<std::string> LoadedModulesForTesting() { return LoadedModulePaths(); }
