// The IUnknown conformance suite over the runtime's own classes and the test module's class.
#include <dlfcn.h>

#include "platform/com/class_moniker.h"
#include "platform/com/com_runtime.h"
#include "platform/com/device_moniker.h"
#include "platform/com/property_bag.h"
#include "tests/platform/com/test_module.h"
#include "tests/support/unknown_conformance.h"

namespace {

template <typename I>
ComPtr<IUnknown> AsUnknown(I* itf) {
    return ComPtr<IUnknown>::Attach(itf);  // takes over the creator's reference
}

long LivePlatformObjects() { return PlatformObjectCounter().Count(); }

ComPtr<IUnknown> NewStream() {
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    return AsUnknown(stream);
}

ComPtr<IUnknown> NewPropertyBag() {
    IPropertyBag* bag = nullptr;
    CreatePropertyBag(&bag);
    return AsUnknown(bag);
}

ComPtr<IUnknown> NewBindContext() {
    IBindCtx* context = nullptr;
    CreateBindCtx(0, &context);
    return AsUnknown(context);
}

ComPtr<IUnknown> NewClassMoniker() {
    IMoniker* moniker = nullptr;
    CreateClassMoniker(CLSID_TestAdder, &moniker);
    return AsUnknown(moniker);
}

ComPtr<IUnknown> NewDeviceMoniker() {
    DeviceMonikerInfo info;
    info.DisplayName = u"@device:virtual:tv-card";
    info.Properties = {{u"FriendlyName", std::u16string(u"Virtual TV Card")}};
    IMoniker* moniker = nullptr;
    CreateDeviceMoniker(info, &moniker);
    return AsUnknown(moniker);
}

ComPtr<IUnknown> NewClassFactory() {
    auto creator = [](IUnknown*, REFIID riid, void** object) {
        IPropertyBag* bag = nullptr;
        const HRESULT hr = CreatePropertyBag(&bag);
        if (FAILED(hr)) return hr;
        const HRESULT answer = bag->QueryInterface(riid, object);
        bag->Release();
        return answer;
    };
    return AsUnknown(MakeComObject<ClassFactory>(creator).Detach()->GetUnknown());
}

void* TestModule() {
    static void* module = dlopen(QD_TEST_MODULE_PATH, RTLD_NOW | RTLD_NODELETE);
    return module;
}

ComPtr<IUnknown> NewTestAdder() {
    auto getClassObject = reinterpret_cast<DllGetClassObjectFunction>(dlsym(TestModule(), "DllGetClassObject"));
    if (!getClassObject) return nullptr;
    ComPtr<IClassFactory> factory;
    if (FAILED(getClassObject(CLSID_TestAdder, IID_PPV_ARGS(factory.ReleaseAndGetAddressOf())))) return nullptr;
    ComPtr<IUnknown> adder;
    factory->CreateInstance(nullptr, IID_PPV_ARGS(adder.ReleaseAndGetAddressOf()));
    return adder;
}

long LiveTestAdders() {
    auto count = reinterpret_cast<TestModuleLiveObjectsFunction>(dlsym(TestModule(), kTestModuleLiveObjectsExport));
    return count ? count() : -1;
}

INSTANTIATE_TEST_SUITE_P(
    Runtime, UnknownConformance,
    ::testing::Values(
        UnknownSubject{"MemoryStream", NewStream, {IID_IStream, IID_ISequentialStream}, LivePlatformObjects},
        UnknownSubject{"PropertyBag", NewPropertyBag, {IID_IPropertyBag}, LivePlatformObjects},
        UnknownSubject{"BindContext", NewBindContext, {IID_IBindCtx}, LivePlatformObjects},
        UnknownSubject{"ClassMoniker",
                       NewClassMoniker,
                       {IID_IMoniker, IID_IPersistStream, IID_IPersist},
                       LivePlatformObjects},
        UnknownSubject{"DeviceMoniker",
                       NewDeviceMoniker,
                       {IID_IMoniker, IID_IPersistStream, IID_IPersist},
                       LivePlatformObjects},
        UnknownSubject{"ClassFactory", NewClassFactory, {IID_IClassFactory}, LivePlatformObjects},
        UnknownSubject{"TestModuleAdder", NewTestAdder, {IID_ITestAdder, IID_IPersist}, LiveTestAdders}),
    UnknownSubjectName);

}  // namespace
