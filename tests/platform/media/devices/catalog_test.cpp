#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/com/wide_text.h"
#include "platform/media/devices/device_catalog.h"
#include "platform/media/devices/system_device_enum.h"
#include "tests/platform/media/devices/device_fixture.h"
#include "tests/support/real_devices.h"
#include "tests/support/unknown_conformance.h"
#include "platform/media/interfaces/device_enum.h"

namespace media::test {
namespace {

class CatalogTest : public DeviceTest {};

std::vector<std::u16string> Names(const std::vector<ComPtr<IMoniker>>& monikers) {
    std::vector<std::u16string> names;
    for (const auto& m : monikers) names.push_back(DisplayName(m.Get()));
    return names;
}

TEST_F(CatalogTest, WithRealDevicesHiddenTheVirtualDevicesAreAllThereIs) {
    const auto video = Monikers(CLSID_VideoInputDeviceCategory);
    EXPECT_EQ((std::vector<std::u16string>{u"@device:virtual:tv-card", u"@device:virtual:dv-camcorder"}), Names(video));
    ASSERT_EQ(2u, video.size());
    EXPECT_EQ(u"Quilldeck Virtual TV Card", FriendlyName(video[0].Get()));
    EXPECT_EQ(u"Quilldeck Virtual DV Camcorder", FriendlyName(video[1].Get()));
    const auto audio = Monikers(CLSID_AudioInputDeviceCategory);
    EXPECT_EQ((std::vector<std::u16string>{u"@device:virtual:tv-card-audio"}), Names(audio));
}

// Enumerates the machine's own devices.
QD_REAL_DEVICE_TEST_F(CatalogTest, VirtualDevicesComeLastWhenRealOnesAreShown) {
    SetRealDevicesHidden(false);
    const auto names = Names(Monikers(CLSID_VideoInputDeviceCategory));
    ASSERT_GE(names.size(), 2u);
    EXPECT_EQ(u"@device:virtual:tv-card", names[names.size() - 2]);
    EXPECT_EQ(u"@device:virtual:dv-camcorder", names.back());
    for (std::size_t i = 0; i + 2 < names.size(); ++i)
        EXPECT_FALSE(WideStartsWithIgnoreCase(names[i], u"@device:virtual:")) << WideToUtf8(names[i]);
}

TEST_F(CatalogTest, TheEnvironmentSwitchHidesRealDevices) {
    // The function's answer wins over the environment; back to "ask the environment".
    SetRealDevicesHidden(false);
    EXPECT_FALSE(RealDevicesHidden());
    SetRealDevicesHidden(true);
    EXPECT_TRUE(RealDevicesHidden());
}

// The compressor, filter and effect categories are the codec tests'.
TEST_F(CatalogTest, UnknownCategoriesAnswerSFalseWithoutAnEnumerator) {
    ComPtr<ICreateDevEnum> devices;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                     devices.ReleaseAndGetVoidAddress()));
    for (const GUID* category : {&MEDIATYPE_Video, &MEDIATYPE_Audio, &GUID_NULL}) {
        IEnumMoniker* monikers = reinterpret_cast<IEnumMoniker*>(0x1);
        EXPECT_EQ(S_FALSE, devices->CreateClassEnumerator(*category, &monikers, 0)) << GuidToString(*category);
        EXPECT_EQ(nullptr, monikers);
    }
    EXPECT_EQ(E_POINTER, devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, nullptr, 0));
}

TEST_F(CatalogTest, TheEnumeratorSkipsResetsAndClones) {
    ComPtr<ICreateDevEnum> devices;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                     devices.ReleaseAndGetVoidAddress()));
    ComPtr<IEnumMoniker> monikers;
    ASSERT_EQ(S_OK, devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers.ReleaseAndGetAddressOf(), 0));
    IMoniker* batch[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(S_FALSE, monikers->Next(3, batch, &fetched));
    EXPECT_EQ(2u, fetched);
    for (ULONG i = 0; i < fetched; ++i) batch[i]->Release();
    EXPECT_EQ(S_OK, monikers->Reset());
    EXPECT_EQ(S_OK, monikers->Skip(1));
    ComPtr<IEnumMoniker> clone;
    ASSERT_EQ(S_OK, monikers->Clone(clone.ReleaseAndGetAddressOf()));
    IMoniker* second = nullptr;
    ASSERT_EQ(S_OK, clone->Next(1, &second, nullptr));
    EXPECT_EQ(u"@device:virtual:dv-camcorder", DisplayName(second));
    second->Release();
    EXPECT_EQ(S_FALSE, monikers->Skip(5));
}

TEST_F(CatalogTest, DisplayNamesParseBackToTheCatalogueEntry) {
    ComPtr<IBindCtx> context;
    ASSERT_EQ(S_OK, CreateBindCtx(0, context.ReleaseAndGetAddressOf()));
    for (const CLSID* category : {&CLSID_VideoInputDeviceCategory, &CLSID_AudioInputDeviceCategory}) {
        const auto catalogue = Monikers(*category);
        for (const auto& entry : catalogue) {
            const std::u16string name = DisplayName(entry.Get());
            SCOPED_TRACE(WideToUtf8(name));
            ULONG eaten = 0;
            ComPtr<IMoniker> parsed;
            ASSERT_EQ(S_OK, MkParseDisplayName(context.Get(), name.c_str(), &eaten, parsed.ReleaseAndGetAddressOf()));
            EXPECT_EQ(name.size(), eaten);
            // The first catalogue entry that is equal is the device itself.
            const ComPtr<IMoniker>* match = nullptr;
            for (const auto& candidate : catalogue)
                if (!match && parsed->IsEqual(candidate.Get()) == S_OK) match = &candidate;
            ASSERT_NE(nullptr, match);
            EXPECT_EQ(name, DisplayName(match->Get()));
            EXPECT_EQ(FriendlyName(entry.Get()), FriendlyName(parsed.Get()));
        }
    }
}

TEST_F(CatalogTest, DisplayNamesCompareWithoutRegardToCase) {
    ComPtr<IBindCtx> context;
    ASSERT_EQ(S_OK, CreateBindCtx(0, context.ReleaseAndGetAddressOf()));
    ULONG eaten = 0;
    ComPtr<IMoniker> parsed;
    ASSERT_EQ(S_OK, MkParseDisplayName(context.Get(), u"@DEVICE:Virtual:TV-Card", &eaten, parsed.ReleaseAndGetAddressOf()));
    const auto video = Monikers(CLSID_VideoInputDeviceCategory);
    EXPECT_EQ(S_OK, parsed->IsEqual(video[0].Get()));
    EXPECT_EQ(S_FALSE, parsed->IsEqual(video[1].Get()));
}

TEST_F(CatalogTest, AnAbsentDeviceParsesButMatchesNothingAndCannotBind) {
    ComPtr<IBindCtx> context;
    ASSERT_EQ(S_OK, CreateBindCtx(0, context.ReleaseAndGetAddressOf()));
    ULONG eaten = 0;
    ComPtr<IMoniker> parsed;
    ASSERT_EQ(S_OK, MkParseDisplayName(context.Get(), u"@device:v4l2:/dev/video99", &eaten, parsed.ReleaseAndGetAddressOf()));
    for (const auto& entry : Monikers(CLSID_VideoInputDeviceCategory)) EXPECT_EQ(S_FALSE, parsed->IsEqual(entry.Get()));
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(MK_E_NOOBJECT, parsed->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress()));
}

TEST_F(CatalogTest, MalformedDeviceNamesAreSyntaxErrors) {
    ComPtr<IBindCtx> context;
    ASSERT_EQ(S_OK, CreateBindCtx(0, context.ReleaseAndGetAddressOf()));
    for (const char16_t* name : {u"@device:", u"@device:virtual", u"@device::tv-card", u"@device:virtual:",
                                 u"@device:pnp:\\\\?\\usb#vid_0000"}) {
        ULONG eaten = 0;
        ComPtr<IMoniker> parsed;
        EXPECT_EQ(MK_E_SYNTAX, MkParseDisplayName(context.Get(), name, &eaten, parsed.ReleaseAndGetAddressOf()))
            << WideToUtf8(name);
        EXPECT_FALSE(parsed);
    }
}

TEST_F(CatalogTest, EveryInputDeviceBindsToAFilterWhoseClassTheMonikerNames) {
    for (const CLSID* category : {&CLSID_VideoInputDeviceCategory, &CLSID_AudioInputDeviceCategory}) {
        for (const auto& moniker : Monikers(*category)) {
            SCOPED_TRACE(WideToUtf8(DisplayName(moniker.Get())));
            ComPtr<IBaseFilter> filter;
            ASSERT_EQ(S_OK, moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress()));
            CLSID filterClass{};
            ASSERT_EQ(S_OK, filter->GetClassID(&filterClass));
            ComPtr<IPropertyBag> bag;
            ASSERT_EQ(S_OK, moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReleaseAndGetVoidAddress()));
            VARIANT value;
            VariantInit(&value);
            ASSERT_EQ(S_OK, bag->Read(u"CLSID", &value, nullptr));
            EXPECT_EQ(GuidToString(filterClass), WideToUtf8(WideView(value.bstrVal)));
            VariantClear(&value);
        }
    }
}

// ---- IUnknown conformance of the enumerator and the monikers ----

long PlatformObjects() { return PlatformObjectCounter().Count(); }

struct ComApartment {
    ComApartment() { CoInitialize(nullptr); }
    ~ComApartment() { CoUninitialize(); }
};

ComPtr<IUnknown> NewDeviceEnum() {
    ComApartment apartment;
    ComPtr<IUnknown> object;
    CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.ReleaseAndGetVoidAddress());
    return object;
}

ComPtr<IUnknown> NewVideoMonikers() {
    SetRealDevicesHidden(true);
    ComPtr<ICreateDevEnum> devices;
    CreateSystemDeviceEnum(nullptr, IID_ICreateDevEnum, devices.ReleaseAndGetVoidAddress());
    ComPtr<IEnumMoniker> monikers;
    devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers.ReleaseAndGetAddressOf(), 0);
    return ComPtr<IUnknown>(monikers.Get());
}

ComPtr<IUnknown> NewTvCardMoniker() {
    ComPtr<IEnumMoniker> monikers;
    NewVideoMonikers()->QueryInterface(IID_IEnumMoniker, monikers.ReleaseAndGetVoidAddress());
    IMoniker* first = nullptr;
    monikers->Next(1, &first, nullptr);
    return ComPtr<IUnknown>::Attach(first);
}

INSTANTIATE_TEST_SUITE_P(Devices, UnknownConformance,
                         ::testing::Values(UnknownSubject{"SystemDeviceEnum", NewDeviceEnum, {IID_ICreateDevEnum}, PlatformObjects},
                                           UnknownSubject{"DeviceMonikerEnumerator", NewVideoMonikers, {IID_IEnumMoniker},
                                                          PlatformObjects},
                                           UnknownSubject{"DeviceMoniker", NewTvCardMoniker,
                                                          {IID_IMoniker, IID_IPersistStream, IID_IPersist},
                                                          PlatformObjects}),
                         UnknownSubjectName);

}  // namespace
}  // namespace media::test
