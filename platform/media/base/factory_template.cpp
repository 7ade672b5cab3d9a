#include "platform/media/base/factory_template.h"

#include <dlfcn.h>

#include <cerrno>
#include <string>

#include "platform/com/com_runtime.h"
#include "platform/com/wide_text.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/registry/registry.h"
#include "platform/media/interfaces/filter_registration.h"

namespace {

constexpr CLSID CLSID_FilterMapper = MakeGuid("e436ebb2-524f-11ce-9f53-0020af0ba770");

// Keeps the module loaded while it hands out class objects and objects: the template's
// creation function is called through this factory.
class CTemplateFactory final : public ComObject<IClassFactory> {
public:
    CTemplateFactory(const CFactoryTemplate* entry, ObjectCounter* objects) : entry_(entry), objects_(objects) {
        TrackWith(objects);
    }

    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        // None of the module classes can be aggregated.
        if (outer) return CLASS_E_NOAGGREGATION;
        HRESULT hr = S_OK;
        IUnknown* created = entry_->CreateInstance(outer, &hr);
        if (!created) return FAILED(hr) ? hr : E_OUTOFMEMORY;
        if (SUCCEEDED(hr)) hr = created->QueryInterface(riid, object);
        created->Release();
        return hr;
    }

    HRESULT LockServer(BOOL lock) override {
        if (lock) objects_->Increment();
        else objects_->Decrement();
        return S_OK;
    }

private:
    const CFactoryTemplate* entry_;
    ObjectCounter* objects_;
};

std::u16string ClassKey(REFCLSID clsid) { return u"CLSID\\" + Utf8ToWide(GuidToString(clsid)); }

LONG SetString(HKEY key, LPCWSTR name, const std::u16string& value) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(WCHAR)));
}

LONG CreateKeyWithDefault(HKEY parent, const std::u16string& subKey, const std::u16string& value, HKEY* created) {
    if (LONG error = RegCreateKeyExW(parent, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                                     created, nullptr))
        return error;
    return SetString(*created, nullptr, value);
}

LONG RegisterServer(const CFactoryTemplate& entry, const std::u16string& modulePath) {
    HKEY classKey = nullptr, serverKey = nullptr;
    LONG error = CreateKeyWithDefault(HKEY_CLASSES_ROOT, ClassKey(*entry.m_ClsID), entry.m_Name, &classKey);
    if (!error) error = CreateKeyWithDefault(classKey, u"InprocServer32", modulePath, &serverKey);
    if (!error) error = SetString(serverKey, u"ThreadingModel", u"Both");
    if (serverKey) RegCloseKey(serverKey);
    if (classKey) RegCloseKey(classKey);
    return error;
}

// The newer mapper first, else the older one.
HRESULT RegisterWithMapper(const CFactoryTemplate* templates, int count, bool registering) {
    ComPtr<IFilterMapper2> mapper2;
    ComPtr<IFilterMapper> mapper;
    HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(mapper2.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) {
        hr = CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(mapper.ReleaseAndGetAddressOf()));
        if (FAILED(hr)) return hr;
    }
    for (int i = 0; i < count && SUCCEEDED(hr); ++i) {
        const AMOVIESETUP_FILTER* setup = templates[i].m_pAMovieSetup_Filter;
        if (!setup) continue;
        hr = mapper2 ? RegisterFilterSetup(mapper2.Get(), *setup, registering)
                     : RegisterFilterSetup(mapper.Get(), *setup, registering);
    }
    return hr;
}

}  // namespace

HRESULT ModuleGetClassObject(const CFactoryTemplate* templates, int count, ObjectCounter* objects, REFCLSID clsid,
                             REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    for (int i = 0; i < count; ++i) {
        if (!templates[i].IsClassID(clsid)) continue;
        return CreateComObject<CTemplateFactory>(riid, object, &templates[i], objects);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT ModuleCanUnloadNow(ObjectCounter* objects) { return objects->Count() == 0 ? S_OK : S_FALSE; }

HRESULT AMovieDllRegisterServer2(BOOL doRegister, const CFactoryTemplate* templates, int count,
                                 const void* moduleAddress) {
    Dl_info info{};
    if (!dladdr(moduleAddress, &info) || !info.dli_fname || !*info.dli_fname)
        return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    const std::u16string modulePath = Utf8ToWide(info.dli_fname);

    if (doRegister) {
        for (int i = 0; i < count; ++i) {
            if (LONG error = RegisterServer(templates[i], modulePath)) return HRESULT_FROM_WIN32(error);
        }
        return RegisterWithMapper(templates, count, true);
    }
    HRESULT hr = RegisterWithMapper(templates, count, false);
    if (FAILED(hr)) return hr;
    for (int i = 0; i < count; ++i) {
        const LONG error = RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKey(*templates[i].m_ClsID).c_str());
        if (error && error != ERROR_FILE_NOT_FOUND) return HRESULT_FROM_WIN32(error);
    }
    return S_OK;
}
