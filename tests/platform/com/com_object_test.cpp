#include <gtest/gtest.h>

#include "platform/com/com_object.h"
#include "platform/com/persist.h"
#include "tests/support/unknown_conformance.h"

// Interface declarations live outside the anonymous namespace: their IID traits must.
struct ISample : IUnknown {
    virtual int Value() = 0;
};
QD_DECLARE_IID(ISample, MakeGuid("77031dff-20cd-43f2-bda1-2779fed13ebd"));

struct IExtra : IUnknown {
    virtual int Extra() = 0;
};
QD_DECLARE_IID(IExtra, MakeGuid("a1b2c3d4-0000-4000-8000-000000000001"));

namespace {

ObjectCounter g_Objects;

constexpr IID kTearOffIid = MakeGuid("a1b2c3d4-0000-4000-8000-000000000002");

class CSample : public ComObject<ISample, IPersistStream> {
public:
    CSample() { TrackWith(&g_Objects); }
    int Value() override { return 42; }
    HRESULT GetClassID(CLSID* classId) override {
        *classId = CLSID_NULL;
        return S_OK;
    }
    HRESULT IsDirty() override { return S_FALSE; }
    HRESULT Load(IStream*) override { return E_NOTIMPL; }
    HRESULT Save(IStream*, BOOL) override { return E_NOTIMPL; }
    HRESULT GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }

protected:
    // Answers one more IID with its own ISample part, as a tear-off would.
    HRESULT QueryOtherInterface(REFIID riid, void** object) override {
        if (riid != kTearOffIid) return E_NOINTERFACE;
        *object = static_cast<ISample*>(this);
        AddRef();
        return S_OK;
    }
};

class CExtended : public ComExtend<CSample, IExtra> {
public:
    int Extra() override { return 7; }
};

TEST(ComObject, StartsWithOneReferenceAndDiesAtTheLastRelease) {
    const long before = g_Objects.Count();
    auto* sample = new CSample;
    EXPECT_EQ(before + 1, g_Objects.Count());
    EXPECT_EQ(2u, sample->AddRef());
    EXPECT_EQ(1u, sample->Release());
    EXPECT_EQ(0u, sample->Release());
    EXPECT_EQ(before, g_Objects.Count());
}

TEST(ComObject, AnswersParentsOfListedInterfacesAndTheOtherInterfaceHook) {
    ComPtr<CSample> sample = MakeComObject<CSample>();
    ASSERT_TRUE(sample);
    void* out = nullptr;
    ASSERT_EQ(S_OK, sample->QueryInterface(IID_IPersist, &out));
    EXPECT_EQ(static_cast<IPersist*>(static_cast<IPersistStream*>(sample.Get())), out);
    static_cast<IUnknown*>(out)->Release();
    ASSERT_EQ(S_OK, sample->QueryInterface(kTearOffIid, &out));
    EXPECT_EQ(42, static_cast<ISample*>(out)->Value());
    static_cast<IUnknown*>(out)->Release();
}

TEST(ComObject, CreateComObjectHandsOutTheRequestedInterfaceOrNothing) {
    ComPtr<ISample> sample;
    ASSERT_EQ(S_OK, CreateComObject<CSample>(IID_PPV_ARGS(sample.ReleaseAndGetAddressOf())));
    EXPECT_EQ(42, sample->Value());

    const long before = g_Objects.Count();
    void* out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(E_NOINTERFACE, CreateComObject<CSample>(IID_IExtra, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(before, g_Objects.Count()) << "a refused object must not stay alive";
    EXPECT_EQ(E_POINTER, CreateComObject<CSample>(IID_ISample, nullptr));
}

TEST(ComExtend, AddsInterfacesThatShareCountAndIdentity) {
    ComPtr<CExtended> object = MakeComObject<CExtended>();
    ComPtr<IExtra> extra;
    ASSERT_EQ(S_OK, object->QueryInterface(IID_PPV_ARGS(extra.ReleaseAndGetAddressOf())));
    EXPECT_EQ(7, extra->Extra());
    ComPtr<ISample> sample;
    ASSERT_EQ(S_OK, extra->QueryInterface(IID_PPV_ARGS(sample.ReleaseAndGetAddressOf())));
    EXPECT_EQ(42, sample->Value());
}

ComPtr<IUnknown> NewSample() { return ComPtr<IUnknown>::Attach(MakeComObject<CSample>().Detach()->GetUnknown()); }
ComPtr<IUnknown> NewExtended() {
    return ComPtr<IUnknown>::Attach(MakeComObject<CExtended>().Detach()->GetUnknown());
}
long LiveSamples() { return g_Objects.Count(); }

INSTANTIATE_TEST_SUITE_P(
    ComObjects, UnknownConformance,
    ::testing::Values(UnknownSubject{"Sample", NewSample, {IID_ISample, IID_IPersistStream, IID_IPersist, kTearOffIid},
                                     LiveSamples},
                      UnknownSubject{"Extended", NewExtended,
                                     {IID_ISample, IID_IPersistStream, IID_IPersist, IID_IExtra}, LiveSamples}),
    UnknownSubjectName);

}  // namespace
