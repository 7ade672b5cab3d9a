// An in-process module for the runtime tests: one class (CLSID_TestAdder with ITestAdder)
// and the four exports, registering itself as the filter modules do.
#include <dlfcn.h>

#include <string>

#include "platform/com/class_factory.h"
#include "platform/com/com_runtime.h"
#include "platform/com/persist.h"
#include "platform/com/wide_text.h"
#include "platform/registry/registry.h"
#include "tests/platform/com/test_module.h"

#define QD_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

ObjectCounter g_ModuleObjects;  // live objects and server locks

class CTestAdder final : public ComObject<ITestAdder, IPersist> {
public:
    CTestAdder() { TrackWith(&g_ModuleObjects); }

    HRESULT Add(LONG a, LONG b, LONG* sum) override {
        if (!sum) return E_POINTER;
        *sum = a + b;
        return S_OK;
    }

    HRESULT GetClassID(CLSID* classId) override {
        if (!classId) return E_POINTER;
        *classId = CLSID_TestAdder;
        return S_OK;
    }
};

std::u16string ClassKey() { return u"CLSID\\" + Utf8ToWide(GuidToString(CLSID_TestAdder)); }

std::u16string ModulePath() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&ModulePath), &info) || !info.dli_fname) return {};
    return Utf8ToWide(info.dli_fname);
}

LONG SetString(HKEY key, LPCWSTR name, const std::u16string& value) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(WCHAR)));
}

// Creates subKey under parent and sets its default value.
LONG CreateKeyWithDefault(HKEY parent, const std::u16string& subKey, const std::u16string& value, HKEY* created) {
    if (LONG error = RegCreateKeyExW(parent, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                                     created, nullptr))
        return error;
    return SetString(*created, nullptr, value);
}

LONG WriteRegistration(const std::u16string& path) {
    HKEY classKey = nullptr, serverKey = nullptr;
    LONG error = CreateKeyWithDefault(HKEY_CLASSES_ROOT, ClassKey(), Utf8ToWide(kTestAdderName), &classKey);
    if (!error) error = CreateKeyWithDefault(classKey, u"InprocServer32", path, &serverKey);
    if (!error) error = SetString(serverKey, u"ThreadingModel", u"Both");
    if (serverKey) RegCloseKey(serverKey);
    if (classKey) RegCloseKey(classKey);
    return error;
}

}  // namespace

QD_EXPORT HRESULT DllRegisterServer() {
    const std::u16string path = ModulePath();
    if (path.empty()) return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    return HRESULT_FROM_WIN32(WriteRegistration(path));
}

QD_EXPORT HRESULT DllUnregisterServer() { return HRESULT_FROM_WIN32(RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKey().c_str())); }

QD_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (clsid != CLSID_TestAdder) return CLASS_E_CLASSNOTAVAILABLE;
    return CreateComObject<ClassFactory>(riid, object, CreatorFor<CTestAdder>(), Aggregation::Refused,
                                         &g_ModuleObjects);
}

QD_EXPORT HRESULT DllCanUnloadNow() { return g_ModuleObjects.Count() == 0 ? S_OK : S_FALSE; }

QD_EXPORT long TestModuleLiveObjects() { return g_ModuleObjects.Count(); }
