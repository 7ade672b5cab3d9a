#include <gtest/gtest.h>

#include <thread>

#include "platform/com/com_runtime.h"
#include "platform/com/property_bag.h"
#include "tests/support/temp_environment.h"

namespace {

constexpr CLSID kBuiltin = MakeGuid("3f2a1b0c-1111-4222-8333-444455556666");
constexpr CLSID kUnknown = MakeGuid("3f2a1b0c-9999-4222-8333-444455556666");

HRESULT CreateBag(IUnknown*, REFIID riid, void** object) {
    ComPtr<IPropertyBag> bag;
    if (HRESULT hr = CreatePropertyBag(bag.ReleaseAndGetAddressOf()); FAILED(hr)) return hr;
    return bag->QueryInterface(riid, object);
}

HRESULT CreateInOnThread(REFCLSID clsid) {
    HRESULT hr = E_UNEXPECTED;
    std::thread([&] {
        ComPtr<IUnknown> object;
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(object.ReleaseAndGetAddressOf()));
    }).join();
    return hr;
}

TEST(Apartment, InitialisationIsCountedPerThread) {
    EXPECT_EQ(S_OK, CoInitialize(nullptr));
    EXPECT_EQ(S_FALSE, CoInitialize(nullptr));
    EXPECT_EQ(RPC_E_CHANGED_MODE, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    CoUninitialize();
    EXPECT_EQ(S_FALSE, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) << "still initialised once";
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED)) << "fully uninitialised: any model again";
    CoUninitialize();
    CoUninitialize();  // one too many does no harm
    int reserved = 0;
    EXPECT_EQ(E_INVALIDARG, CoInitialize(&reserved));
    EXPECT_EQ(E_INVALIDARG, CoInitializeEx(nullptr, 0x100));
}

class RuntimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(S_OK, CoInitialize(nullptr));
        ASSERT_EQ(S_OK, RegisterBuiltinClass(kBuiltin, CreateBag));
    }
    void TearDown() override {
        UnregisterBuiltinClass(kBuiltin);
        CoUninitialize();
    }

    HRESULT Create(REFCLSID clsid, ComPtr<IPropertyBag>* out, IUnknown* outer = nullptr,
                   DWORD context = CLSCTX_INPROC_SERVER) {
        return CoCreateInstance(clsid, outer, context, IID_PPV_ARGS(out->ReleaseAndGetAddressOf()));
    }

    TempEnvironment environment;  // an empty registry: nothing is registered there
};

TEST_F(RuntimeTest, BuiltinClassesAreCreatedByClassIdentifier) {
    ComPtr<IPropertyBag> bag;
    ASSERT_EQ(S_OK, Create(kBuiltin, &bag));
    EXPECT_TRUE(bag);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, CoGetClassObject(kBuiltin, CLSCTX_ALL, nullptr, IID_PPV_ARGS(factory.ReleaseAndGetAddressOf())));
    EXPECT_EQ(S_OK, factory->CreateInstance(nullptr, IID_PPV_ARGS(bag.ReleaseAndGetAddressOf())));
}

TEST_F(RuntimeTest, WithoutInitialisationCreationFails) {
    EXPECT_EQ(CO_E_NOTINITIALIZED, CreateInOnThread(kBuiltin));
    std::thread([] {
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(CO_E_NOTINITIALIZED, CoGetClassObject(kBuiltin, CLSCTX_ALL, nullptr,
                                                        IID_PPV_ARGS(factory.ReleaseAndGetAddressOf())));
    }).join();
}

TEST_F(RuntimeTest, AMultithreadedThreadLetsEveryThreadCreate) {
    std::thread mta([] {
        ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        EXPECT_EQ(S_OK, CreateInOnThread(kBuiltin));
        CoUninitialize();
        EXPECT_EQ(CO_E_NOTINITIALIZED, CreateInOnThread(kBuiltin));
    });
    mta.join();
}

TEST_F(RuntimeTest, UnknownClassesAndOutOfProcessContextsAreNotRegistered) {
    ComPtr<IPropertyBag> bag;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, Create(kUnknown, &bag));
    EXPECT_FALSE(bag);
    EXPECT_EQ(REGDB_E_CLASSNOTREG, Create(kBuiltin, &bag, nullptr, CLSCTX_LOCAL_SERVER));
    EXPECT_EQ(E_POINTER, CoCreateInstance(kBuiltin, nullptr, CLSCTX_ALL, IID_IPropertyBag, nullptr));
}

TEST_F(RuntimeTest, AggregationIsRefusedUnlessTheClassSupportsIt) {
    ComPtr<IPropertyBag> outer;
    ASSERT_EQ(S_OK, Create(kBuiltin, &outer));
    ComPtr<IPropertyBag> bag;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, Create(kBuiltin, &bag, outer.Get()));

    const CLSID aggregatable = MakeGuid("3f2a1b0c-2222-4222-8333-444455556666");
    IUnknown* seenOuter = nullptr;
    ASSERT_EQ(S_OK, RegisterBuiltinClass(
                        aggregatable,
                        [&](IUnknown* o, REFIID riid, void** object) {
                            seenOuter = o;
                            return CreateBag(o, riid, object);
                        },
                        Aggregation::Supported));
    ComPtr<IUnknown> inner;
    EXPECT_EQ(S_OK, CoCreateInstance(aggregatable, outer.Get(), CLSCTX_ALL, IID_PPV_ARGS(inner.ReleaseAndGetAddressOf())));
    EXPECT_EQ(static_cast<IUnknown*>(outer.Get()), seenOuter);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, Create(aggregatable, &bag, outer.Get())) << "an aggregate asks for IUnknown only";
    UnregisterBuiltinClass(aggregatable);
}

TEST_F(RuntimeTest, ATestOverrideReplacesOrHidesAnyClass) {
    ComPtr<ClassFactory> failing =
        MakeComObject<ClassFactory>([](IUnknown*, REFIID, void**) { return E_OUTOFMEMORY; });
    ComPtr<IPropertyBag> bag;
    {
        ScopedClassFactoryOverride override(kBuiltin, failing.Get());
        EXPECT_EQ(E_OUTOFMEMORY, Create(kBuiltin, &bag));
    }
    EXPECT_EQ(S_OK, Create(kBuiltin, &bag)) << "the override ends with its scope";
    {
        ScopedClassFactoryOverride hidden(kBuiltin, nullptr);
        EXPECT_EQ(REGDB_E_CLASSNOTREG, Create(kBuiltin, &bag));
    }
    {
        ScopedClassFactoryOverride supplied(kUnknown, failing.Get());
        EXPECT_EQ(E_OUTOFMEMORY, Create(kUnknown, &bag)) << "overrides also supply unknown classes";
    }
}

TEST_F(RuntimeTest, ClassFactoryLocksCountModuleWideAndOutliveTheFactory) {
    ObjectCounter locks;
    ComPtr<ClassFactory> first = MakeComObject<ClassFactory>(CreateBag, Aggregation::Refused, &locks);
    EXPECT_EQ(S_OK, first->LockServer(TRUE));
    EXPECT_EQ(S_OK, first->LockServer(TRUE));
    first = nullptr;
    EXPECT_EQ(2, locks.Count());
    ComPtr<ClassFactory> second = MakeComObject<ClassFactory>(CreateBag, Aggregation::Refused, &locks);
    EXPECT_EQ(S_OK, second->LockServer(FALSE));
    EXPECT_EQ(S_OK, second->LockServer(FALSE));
    EXPECT_EQ(0, locks.Count());
}

TEST_F(RuntimeTest, RegisteringABuiltinNeedsACreator) { EXPECT_EQ(E_INVALIDARG, RegisterBuiltinClass(kUnknown, nullptr)); }

}  // namespace
