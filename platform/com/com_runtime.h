// The COM runtime: apartment initialisation, creation of objects by class identifier from
// the platform's built-in classes and from registered in-process modules, and the exports
// a module offers.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/com/class_factory.h"

inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
inline constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
inline constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
inline constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;
inline constexpr DWORD CLSCTX_ALL = CLSCTX_INPROC | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

inline constexpr DWORD COINIT_MULTITHREADED = 0x0;
inline constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;
inline constexpr DWORD COINIT_DISABLE_OLE1DDE = 0x4;
inline constexpr DWORD COINIT_SPEED_OVER_MEMORY = 0x8;

// Per thread and counted: the first call gives S_OK, later ones S_FALSE, each needs its
// CoUninitialize. Asking for the other threading model while initialised is RPC_E_CHANGED_MODE.
// While any thread holds the multithreaded model, every thread may create objects (as on the
// platform, where such threads belong to the process-wide apartment).
HRESULT CoInitialize(void* reserved);
HRESULT CoInitializeEx(void* reserved, DWORD coInit);
void CoUninitialize();

// Creation by class identifier, in this order: a test override, a built-in class, a module
// registered under HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32 (default value = module
// path). Failures: CO_E_NOTINITIALIZED (no CoInitialize on this thread), REGDB_E_CLASSNOTREG
// (unknown class, or no in-process context asked for), CO_E_DLLNOTFOUND (module path empty,
// missing or not loadable), CO_E_ERRORINDLL (module without DllGetClassObject),
// CLASS_E_NOAGGREGATION (an outer object for a class that cannot be aggregated).
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsContext, REFIID riid, void** object);
HRESULT CoGetClassObject(REFCLSID clsid, DWORD clsContext, void* serverInfo, REFIID riid, void** object);
// Asks every loaded module's DllCanUnloadNow and forgets those answering S_OK. Modules stay
// mapped (they are loaded with RTLD_NODELETE, so types they registered outlive them); a
// forgotten module is loaded and asked afresh on the next creation.
void CoFreeUnusedLibraries();

// Classes the platform provides itself (filter graph, devices, ...). Registering a class
// again replaces its creator.
HRESULT RegisterBuiltinClass(REFCLSID clsid, ClassCreator creator, Aggregation aggregation = Aggregation::Refused);
void UnregisterBuiltinClass(REFCLSID clsid);

// The four exports of an in-process module.
using DllGetClassObjectFunction = HRESULT (*)(REFCLSID clsid, REFIID riid, void** object);
using DllCanUnloadNowFunction = HRESULT (*)();
using DllRegisterServerFunction = HRESULT (*)();
using DllUnregisterServerFunction = HRESULT (*)();

// The module file registered as clsid's in-process server (the default value of
// HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32); nothing when there is none.
std::optional<std::string> RegisteredServerModule(REFCLSID clsid);
// Loads the module at `path` (kept mapped, as modules always are) and calls its
// DllRegisterServer, or DllUnregisterServer when `unregister` is set, inside CoInitialize.
// CO_E_DLLNOTFOUND when it cannot be loaded (`loadError`, when given, says why),
// HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND) without the export; otherwise the export's result.
HRESULT CallServerRegistration(const std::string& path, bool unregister, std::string* loadError = nullptr);

// Test hooks. An override wins over every other source of the class; a null factory makes
// the class look unregistered (REGDB_E_CLASSNOTREG).
void OverrideClassFactoryForTesting(REFCLSID clsid, IClassFactory* factory);
void RemoveClassFactoryOverrideForTesting(REFCLSID clsid);
// Paths of the modules currently loaded (and not forgotten by CoFreeUnusedLibraries).
std::vector<std::string> LoadedModulesForTesting();

// Keeps an override for the lifetime of a test scope.
class ScopedClassFactoryOverride {
public:
    ScopedClassFactoryOverride(REFCLSID clsid, IClassFactory* factory) : clsid_(clsid) {
        OverrideClassFactoryForTesting(clsid, factory);
    }
    ~ScopedClassFactoryOverride() { RemoveClassFactoryOverrideForTesting(clsid_); }
    ScopedClassFactoryOverride(const ScopedClassFactoryOverride&) = delete;
    ScopedClassFactoryOverride& operator=(const ScopedClassFactoryOverride&) = delete;

private:
    CLSID clsid_;
};
