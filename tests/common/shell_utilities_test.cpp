#include <gtest/gtest.h>

#include <cstring>

#include "common/friendly_name.h"
#include "common/object_state.h"
#include "platform/com/device_moniker.h"
#include "platform/com/persist.h"

namespace {

constexpr CLSID kStateClass = MakeGuid("5e0b8a31-6c2f-4a8e-9d1b-2f4c6a8e0b13");

// Keeps a byte string as its persisted state; can be told to fail.
class CStateObject : public ComObject<IPersistStream> {
public:
    std::string State;
    bool Dirty = true;
    HRESULT LoadResult = S_OK;

    HRESULT GetClassID(CLSID* id) override {
        if (!id) return E_POINTER;
        *id = kStateClass;
        return S_OK;
    }
    HRESULT IsDirty() override { return Dirty ? S_OK : S_FALSE; }
    HRESULT Load(IStream* stream) override {
        if (FAILED(LoadResult)) return LoadResult;
        char buffer[256];
        ULONG read = 0;
        HRESULT hr = stream->Read(buffer, sizeof buffer, &read);
        State.assign(buffer, read);
        return hr;
    }
    HRESULT Save(IStream* stream, BOOL clearDirty) override {
        if (clearDirty) Dirty = false;
        return State.empty() ? S_OK : stream->Write(State.data(), static_cast<ULONG>(State.size()), nullptr);
    }
    HRESULT GetSizeMax(ULARGE_INTEGER* size) override {
        size->QuadPart = State.size();
        return S_OK;
    }
};

TEST(ObjectState, SavesAndLoadsTheBytesAndClearsTheDirtyFlag) {
    auto source = MakeComObject<CStateObject>();
    source->State = std::string("codec\0state", 11);
    std::vector<BYTE> data = {1, 2, 3};
    ASSERT_EQ(S_OK, SaveObjectState(source->GetUnknown(), &data));
    EXPECT_EQ(11u, data.size());
    EXPECT_FALSE(source->Dirty);

    auto target = MakeComObject<CStateObject>();
    ASSERT_EQ(S_OK, LoadObjectState(target->GetUnknown(), data.data(), static_cast<DWORD>(data.size())));
    EXPECT_EQ(source->State, target->State);
}

TEST(ObjectState, AnEmptyStateGivesSuccessAndNoBytes) {
    auto object = MakeComObject<CStateObject>();
    std::vector<BYTE> data = {9, 9};
    EXPECT_EQ(S_OK, SaveObjectState(object->GetUnknown(), &data));
    EXPECT_TRUE(data.empty());
}

TEST(ObjectState, MissingObjectsAndInterfacesAreRefused) {
    std::vector<BYTE> data = {7};
    EXPECT_EQ(E_POINTER, SaveObjectState(nullptr, &data));
    EXPECT_TRUE(data.empty());
    EXPECT_EQ(E_POINTER, LoadObjectState(nullptr, data.data(), 0));

    ComPtr<IStream> notPersistable;
    ASSERT_EQ(S_OK, CreateStreamOnHGlobal(nullptr, TRUE, notPersistable.ReleaseAndGetAddressOf()));
    EXPECT_EQ(E_NOINTERFACE, SaveObjectState(notPersistable.Get(), &data));
    const BYTE byte = 1;
    EXPECT_EQ(E_NOINTERFACE, LoadObjectState(notPersistable.Get(), &byte, 1));
}

TEST(ObjectState, NullDataLoadsNothingAndALoadFailureIsReturned) {
    auto object = MakeComObject<CStateObject>();
    object->State = "kept";
    EXPECT_EQ(S_OK, LoadObjectState(object->GetUnknown(), nullptr, 5));
    EXPECT_EQ("kept", object->State);
    object->LoadResult = VFW_E_INVALID_FILE_FORMAT;
    const BYTE byte = 1;
    EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, LoadObjectState(object->GetUnknown(), &byte, 1));
}

ComPtr<IMoniker> MakeDevice(std::vector<std::pair<std::u16string, PropertyValue>> properties) {
    DeviceMonikerInfo info;
    info.DisplayName = u"@device:test:card";
    info.Properties = std::move(properties);
    ComPtr<IMoniker> moniker;
    EXPECT_EQ(S_OK, CreateDeviceMoniker(std::move(info), moniker.ReleaseAndGetAddressOf()));
    return moniker;
}

TEST(FriendlyName, ReadsTheNameAsCodePage932Text) {
    auto moniker = MakeDevice({{u"FriendlyName", std::u16string(u"仮想TVカード")}});
    std::string name = "old";
    ASSERT_EQ(S_OK, GetFriendlyName(moniker.Get(), &name));
    EXPECT_EQ("\x89\xBC\x91\x7A" "TV" "\x83\x4A\x81\x5B\x83\x68", name);
}

TEST(FriendlyName, AMissingNameFailsWithAnEmptyText) {
    auto moniker = MakeDevice({{u"DevicePath", std::u16string(u"/dev/video9")}});
    std::string name = "old";
    EXPECT_TRUE(FAILED(GetFriendlyName(moniker.Get(), &name)));
    EXPECT_EQ("", name);
    EXPECT_EQ(E_POINTER, GetFriendlyName(nullptr, &name));
}

}  // namespace
