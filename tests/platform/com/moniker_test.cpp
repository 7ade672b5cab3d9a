#include <gtest/gtest.h>

#include "platform/com/class_moniker.h"
#include "platform/com/com_runtime.h"
#include "platform/com/device_moniker.h"
#include "platform/com/task_memory.h"
#include "platform/com/wide_text.h"

namespace {

constexpr CLSID kBuiltinClass = MakeGuid("5e1f0c2a-7d4b-4a7e-9b1c-2d3e4f506172");

std::u16string DisplayNameOf(IMoniker* moniker) {
    LPOLESTR name = nullptr;
    EXPECT_EQ(S_OK, moniker->GetDisplayName(nullptr, nullptr, &name));
    std::u16string result = name ? name : u"";
    CoTaskMemFree(name);
    return result;
}

class MonikerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(S_OK, CoInitialize(nullptr));
        ASSERT_EQ(S_OK, CreateBindCtx(0, bindContext.ReleaseAndGetAddressOf()));
    }
    void TearDown() override { CoUninitialize(); }

    HRESULT Parse(LPCOLESTR name, ComPtr<IMoniker>* moniker, ULONG* eaten = nullptr) {
        ULONG used = 0;
        const HRESULT hr = MkParseDisplayName(bindContext.Get(), name, &used, moniker->ReleaseAndGetAddressOf());
        if (eaten) *eaten = used;
        return hr;
    }

    ComPtr<IBindCtx> bindContext;
};

DeviceMonikerInfo TvCardInfo() {
    DeviceMonikerInfo info;
    info.DisplayName = u"@device:virtual:tv-card";
    info.Properties = {{u"FriendlyName", std::u16string(u"Virtual TV Card")}, {u"WaveInID", LONG{2}}};
    info.CreateObject = [](REFIID riid, void** object) {
        ComPtr<IPropertyBag> standIn;  // any object will do for a bind
        CreatePropertyBag(standIn.ReleaseAndGetAddressOf());
        return standIn->QueryInterface(riid, object);
    };
    return info;
}

TEST_F(MonikerTest, ClassMonikerRoundTripsItsDisplayNameAndBindsThroughTheRuntime) {
    ASSERT_EQ(S_OK, RegisterBuiltinClass(kBuiltinClass, [](IUnknown*, REFIID riid, void** object) {
                  ComPtr<IPropertyBag> bag;
                  CreatePropertyBag(bag.ReleaseAndGetAddressOf());
                  return bag->QueryInterface(riid, object);
              }));
    ComPtr<IMoniker> moniker;
    ULONG eaten = 0;
    ASSERT_EQ(S_OK, Parse(u"CLSID:5e1f0c2a-7d4b-4a7e-9b1c-2d3e4f506172:", &moniker, &eaten));
    EXPECT_EQ(43u, eaten);
    EXPECT_EQ(u"clsid:5E1F0C2A-7D4B-4A7E-9B1C-2D3E4F506172:", DisplayNameOf(moniker.Get()));
    ComPtr<IPropertyBag> bag;
    EXPECT_EQ(S_OK, moniker->BindToObject(bindContext.Get(), nullptr, IID_PPV_ARGS(bag.ReleaseAndGetAddressOf())));
    EXPECT_TRUE(bag);
    DWORD kind = 0;
    EXPECT_EQ(S_OK, moniker->IsSystemMoniker(&kind));
    EXPECT_EQ(MKSYS_CLASSMONIKER, kind);
    UnregisterBuiltinClass(kBuiltinClass);
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              moniker->BindToObject(bindContext.Get(), nullptr, IID_PPV_ARGS(bag.ReleaseAndGetAddressOf())));
}

TEST_F(MonikerTest, ClassMonikerAcceptsBracesAndAMissingColon) {
    ComPtr<IMoniker> braced, bare;
    ASSERT_EQ(S_OK, Parse(u"clsid:{5E1F0C2A-7D4B-4A7E-9B1C-2D3E4F506172}", &braced));
    ASSERT_EQ(S_OK, Parse(u"clsid:5e1f0c2a-7d4b-4a7e-9b1c-2d3e4f506172", &bare));
    EXPECT_EQ(S_OK, braced->IsEqual(bare.Get()));
}

TEST_F(MonikerTest, MalformedAndUnknownNamesAreSyntaxErrors) {
    ComPtr<IMoniker> moniker;
    ULONG eaten = 99;
    EXPECT_EQ(MK_E_SYNTAX, Parse(u"@device:pnp:\\\\?\\usb#vid_0000", &moniker, &eaten));
    EXPECT_EQ(0u, eaten);
    EXPECT_FALSE(moniker);
    EXPECT_EQ(MK_E_SYNTAX, Parse(u"clsid:not-a-guid", &moniker));
    EXPECT_EQ(MK_E_SYNTAX, Parse(u"", &moniker));
    EXPECT_EQ(MK_E_SYNTAX, Parse(u"clsid:5e1f0c2a-7d4b-4a7e-9b1c-2d3e4f506172:tail", &moniker, &eaten));
    EXPECT_EQ(43u, eaten) << "says how far the name was understood";
    EXPECT_FALSE(moniker);
    IMoniker* out = nullptr;
    EXPECT_EQ(E_INVALIDARG, MkParseDisplayName(nullptr, u"clsid:", &eaten, &out));
}

TEST_F(MonikerTest, RegisteredParsersAreChosenByTheLongestPrefix) {
    int shortCalls = 0, longCalls = 0;
    auto parserFor = [](int* calls) {
        return [calls](IBindCtx*, LPCOLESTR name, ULONG* eaten, IMoniker** moniker) {
            ++*calls;
            DeviceMonikerInfo info = TvCardInfo();
            info.DisplayName = name;
            *eaten = static_cast<ULONG>(WideView(name).size());
            return CreateDeviceMoniker(info, moniker);
        };
    };
    ASSERT_EQ(S_OK, RegisterMonikerParser(u"@device:", parserFor(&shortCalls)));
    ASSERT_EQ(S_OK, RegisterMonikerParser(u"@device:virtual:", parserFor(&longCalls)));
    ComPtr<IMoniker> moniker;
    EXPECT_EQ(S_OK, Parse(u"@DEVICE:VIRTUAL:tv-card", &moniker));
    EXPECT_EQ(S_OK, Parse(u"@device:v4l2:/dev/video0", &moniker));
    EXPECT_EQ(1, shortCalls);
    EXPECT_EQ(1, longCalls);
    UnregisterMonikerParser(u"@device:virtual:");
    UnregisterMonikerParser(u"@Device:");
    EXPECT_EQ(MK_E_SYNTAX, Parse(u"@device:v4l2:/dev/video0", &moniker));
}

TEST_F(MonikerTest, DeviceMonikerGivesItsBagAndObject) {
    ComPtr<IMoniker> moniker;
    ASSERT_EQ(S_OK, CreateDeviceMoniker(TvCardInfo(), moniker.ReleaseAndGetAddressOf()));
    ComPtr<IPropertyBag> bag;
    ASSERT_EQ(S_OK, moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(bag.ReleaseAndGetAddressOf())));
    VARIANT name;
    VariantInit(&name);
    name.vt = VT_BSTR;
    ASSERT_EQ(S_OK, bag->Read(u"FriendlyName", &name, nullptr));
    EXPECT_EQ(std::u16string(u"Virtual TV Card"), std::u16string(name.bstrVal));
    VariantClear(&name);
    ComPtr<IStream> notStorage;
    EXPECT_EQ(E_NOINTERFACE,
              moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(notStorage.ReleaseAndGetAddressOf())));
    ComPtr<IUnknown> object;
    EXPECT_EQ(S_OK, moniker->BindToObject(nullptr, nullptr, IID_PPV_ARGS(object.ReleaseAndGetAddressOf())));
    EXPECT_TRUE(object);
}

TEST_F(MonikerTest, DeviceMonikerWithoutCreatorHasNoObject) {
    DeviceMonikerInfo info;
    info.DisplayName = u"@device:virtual:gone";
    ComPtr<IMoniker> moniker;
    ASSERT_EQ(S_OK, CreateDeviceMoniker(info, moniker.ReleaseAndGetAddressOf()));
    ComPtr<IUnknown> object;
    EXPECT_EQ(MK_E_NOOBJECT, moniker->BindToObject(nullptr, nullptr, IID_PPV_ARGS(object.ReleaseAndGetAddressOf())));
    EXPECT_EQ(E_POINTER, moniker->BindToObject(nullptr, nullptr, IID_IUnknown, nullptr));
}

TEST_F(MonikerTest, IsEqualComparesClassAndDisplayNameIgnoringCase) {
    DeviceMonikerInfo upper = TvCardInfo();
    upper.DisplayName = u"@DEVICE:VIRTUAL:TV-CARD";
    DeviceMonikerInfo other = TvCardInfo();
    other.DisplayName = u"@device:virtual:radio";
    ComPtr<IMoniker> a, b, c, asClass;
    ASSERT_EQ(S_OK, CreateDeviceMoniker(TvCardInfo(), a.ReleaseAndGetAddressOf()));
    ASSERT_EQ(S_OK, CreateDeviceMoniker(upper, b.ReleaseAndGetAddressOf()));
    ASSERT_EQ(S_OK, CreateDeviceMoniker(other, c.ReleaseAndGetAddressOf()));
    ASSERT_EQ(S_OK, CreateClassMoniker(kBuiltinClass, asClass.ReleaseAndGetAddressOf()));
    EXPECT_EQ(S_OK, a->IsEqual(b.Get()));
    EXPECT_EQ(S_OK, b->IsEqual(a.Get()));
    EXPECT_EQ(S_FALSE, a->IsEqual(c.Get()));
    EXPECT_EQ(S_FALSE, a->IsEqual(asClass.Get()));
    EXPECT_EQ(E_INVALIDARG, a->IsEqual(nullptr));
    DWORD hashA = 0, hashB = 1;
    EXPECT_EQ(S_OK, a->Hash(&hashA));
    EXPECT_EQ(S_OK, b->Hash(&hashB));
    EXPECT_EQ(hashA, hashB) << "equal monikers hash alike";
}

TEST_F(MonikerTest, BindContextHoldsBoundObjectsAndParameters) {
    ComPtr<IPropertyBag> bag;
    ASSERT_EQ(S_OK, CreatePropertyBag(bag.ReleaseAndGetAddressOf()));
    const long before = PlatformObjectCounter().Count();
    IPropertyBag* raw = bag.Detach();
    ASSERT_EQ(S_OK, bindContext->RegisterObjectBound(raw));
    raw->Release();
    EXPECT_EQ(before, PlatformObjectCounter().Count()) << "the bind context keeps the object";
    EXPECT_EQ(S_OK, bindContext->ReleaseBoundObjects());
    EXPECT_EQ(before - 1, PlatformObjectCounter().Count());

    ComPtr<IPropertyBag> param;
    ASSERT_EQ(S_OK, CreatePropertyBag(param.ReleaseAndGetAddressOf()));
    OLECHAR key[] = u"Key";
    ASSERT_EQ(S_OK, bindContext->RegisterObjectParam(key, param.Get()));
    ComPtr<IUnknown> found;
    ASSERT_EQ(S_OK, bindContext->GetObjectParam(key, found.ReleaseAndGetAddressOf()));
    EXPECT_EQ(static_cast<IUnknown*>(param.Get()), found.Get());
    EXPECT_EQ(S_OK, bindContext->RevokeObjectParam(key));
    EXPECT_EQ(E_FAIL, bindContext->GetObjectParam(key, found.ReleaseAndGetAddressOf()));
    EXPECT_FALSE(found);

    BIND_OPTS options{sizeof(BIND_OPTS), 0, 0, 0};
    ASSERT_EQ(S_OK, bindContext->GetBindOptions(&options));
    EXPECT_EQ(STGM_READWRITE, options.grfMode);
    IBindCtx* none = reinterpret_cast<IBindCtx*>(0x1);
    EXPECT_EQ(E_INVALIDARG, CreateBindCtx(1, &none));
    EXPECT_EQ(nullptr, none);
}

}  // namespace
