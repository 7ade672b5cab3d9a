// In-process modules: finding a class's module in the registry, loading it and asking its
// exports. Internal to the runtime.
#pragma once

#include <string>
#include <vector>

#include "platform/com/guid.h"

// The class object of clsid from its registered module (see CoGetClassObject for the codes).
HRESULT GetClassObjectFromModule(REFCLSID clsid, REFIID riid, void** object);
void FreeUnusedModules();
std::vector<std::string> LoadedModulePaths();
