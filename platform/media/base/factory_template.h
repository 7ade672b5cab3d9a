// Factory templates and the four exports of a filter module. A module lists its classes in
// an array of CFactoryTemplate and defines its exports with QD_FILTER_MODULE_EXPORTS:
//
//   const CFactoryTemplate g_Templates[] = {{u"Name", &CLSID_Thing, CThing::CreateInstance, nullptr, &sudThing}};
//   QD_FILTER_MODULE_EXPORTS(g_Templates, ModuleObjects())
//
// The module's objects count themselves in the module's ObjectCounter, which also holds the
// server locks, so DllCanUnloadNow answers S_OK only when neither is left.
#pragma once

#include "platform/com/class_factory.h"
#include "platform/media/base/filter_setup.h"

// Creates an object with one reference owned by the caller; on failure null with *hr set
// (E_OUTOFMEMORY when memory ran out).
using LPFNNewCOMObject = IUnknown* (*)(IUnknown* outer, HRESULT* hr);
using LPFNInitRoutine = void (*)(BOOL loading, const CLSID* clsid);

struct CFactoryTemplate {
    const WCHAR* m_Name;
    const CLSID* m_ClsID;
    LPFNNewCOMObject m_lpfnNew;
    LPFNInitRoutine m_lpfnInit;
    const AMOVIESETUP_FILTER* m_pAMovieSetup_Filter;

    bool IsClassID(REFCLSID clsid) const { return m_ClsID && *m_ClsID == clsid; }
    IUnknown* CreateInstance(IUnknown* outer, HRESULT* hr) const { return m_lpfnNew(outer, hr); }
};

// The class object of `clsid` from the templates; CLASS_E_CLASSNOTAVAILABLE when none has it.
HRESULT ModuleGetClassObject(const CFactoryTemplate* templates, int count, ObjectCounter* objects, REFCLSID clsid,
                             REFIID riid, void** object);
HRESULT ModuleCanUnloadNow(ObjectCounter* objects);

// Writes (TRUE) or removes (FALSE) the module's registration: for every template the key
// "CLSID\{clsid}" under HKEY_CLASSES_ROOT (default value = name) with "InprocServer32"
// (default value = the module's path, "ThreadingModel" = "Both"), and for every template with
// setup data an entry in the default filter category through the filter mapper.
// `moduleAddress` is any address inside the module (its path is found from it).
HRESULT AMovieDllRegisterServer2(BOOL doRegister, const CFactoryTemplate* templates, int count,
                                 const void* moduleAddress);

#define QD_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

#define QD_FILTER_MODULE_EXPORTS(templates, objectCounter)                                               \
    QD_MODULE_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {              \
        return ModuleGetClassObject(templates, static_cast<int>(std::size(templates)), &(objectCounter),   \
                                    clsid, riid, object);                                                \
    }                                                                                                    \
    QD_MODULE_EXPORT HRESULT DllCanUnloadNow() { return ModuleCanUnloadNow(&(objectCounter)); }           \
    QD_MODULE_EXPORT HRESULT DllRegisterServer() {                                                        \
        return AMovieDllRegisterServer2(TRUE, templates, static_cast<int>(std::size(templates)),           \
                                        reinterpret_cast<const void*>(&DllGetClassObject));               \
    }                                                                                                    \
    QD_MODULE_EXPORT HRESULT DllUnregisterServer() {                                                      \
        return AMovieDllRegisterServer2(FALSE, templates, static_cast<int>(std::size(templates)),          \
                                        reinterpret_cast<const void*>(&DllGetClassObject));               \
    }
