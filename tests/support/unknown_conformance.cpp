#include "tests/support/unknown_conformance.h"

namespace {

constexpr IID kUnclaimedIid = MakeGuid("24e826a1-9e97-45d4-8387-afaf296cdd53");

IUnknown* Query(IUnknown* from, REFIID iid) {
    void* out = nullptr;
    if (from->QueryInterface(iid, &out) != S_OK) return nullptr;
    return static_cast<IUnknown*>(out);
}

// The object's identity as IUnknown, without keeping a reference.
IUnknown* IdentityOf(IUnknown* itf) {
    IUnknown* identity = Query(itf, IID_IUnknown);
    if (identity) identity->Release();
    return identity;
}

}  // namespace

int LinkUnknownConformance() { return 0; }

std::string UnknownSubjectName(const ::testing::TestParamInfo<UnknownSubject>& info) { return info.param.Name; }

TEST_P(UnknownConformance, EveryClaimedInterfaceIsAnsweredAndLeadsToOneIdentity) {
    ComPtr<IUnknown> object = GetParam().Create();
    ASSERT_TRUE(object);
    IUnknown* identity = IdentityOf(object.Get());
    ASSERT_NE(nullptr, identity);
    for (const IID& iid : GetParam().Interfaces) {
        SCOPED_TRACE(GuidToString(iid));
        ComPtr<IUnknown> itf = ComPtr<IUnknown>::Attach(Query(object.Get(), iid));
        ASSERT_TRUE(itf) << "claimed interface not answered";
        EXPECT_EQ(identity, IdentityOf(itf.Get()));
        // Reflexive: an interface answers its own IID.
        ComPtr<IUnknown> again = ComPtr<IUnknown>::Attach(Query(itf.Get(), iid));
        EXPECT_TRUE(again);
    }
}

TEST_P(UnknownConformance, QueryInterfaceIsSymmetricAndTransitive) {
    ComPtr<IUnknown> object = GetParam().Create();
    ASSERT_TRUE(object);
    const auto& iids = GetParam().Interfaces;
    for (const IID& a : iids) {
        ComPtr<IUnknown> viaA = ComPtr<IUnknown>::Attach(Query(object.Get(), a));
        ASSERT_TRUE(viaA);
        for (const IID& b : iids) {
            SCOPED_TRACE(GuidToString(a) + " -> " + GuidToString(b));
            ComPtr<IUnknown> viaB = ComPtr<IUnknown>::Attach(Query(viaA.Get(), b));
            ASSERT_TRUE(viaB);
            ComPtr<IUnknown> back = ComPtr<IUnknown>::Attach(Query(viaB.Get(), a));
            EXPECT_TRUE(back) << "not symmetric";
            for (const IID& c : iids) {
                ComPtr<IUnknown> viaC = ComPtr<IUnknown>::Attach(Query(viaB.Get(), c));
                EXPECT_TRUE(viaC) << "not transitive towards " << GuidToString(c);
            }
        }
    }
}

TEST_P(UnknownConformance, AnUnclaimedInterfaceIsRefusedWithANullResult) {
    ComPtr<IUnknown> object = GetParam().Create();
    ASSERT_TRUE(object);
    std::vector<IID> from = GetParam().Interfaces;
    from.push_back(IID_IUnknown);
    for (const IID& iid : from) {
        ComPtr<IUnknown> itf = ComPtr<IUnknown>::Attach(Query(object.Get(), iid));
        ASSERT_TRUE(itf);
        void* out = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(E_NOINTERFACE, itf->QueryInterface(kUnclaimedIid, &out));
        EXPECT_EQ(nullptr, out);
    }
}

TEST_P(UnknownConformance, ANullOutPointerIsEPointer) {
    ComPtr<IUnknown> object = GetParam().Create();
    ASSERT_TRUE(object);
    EXPECT_EQ(E_POINTER, object->QueryInterface(IID_IUnknown, nullptr));
    for (const IID& iid : GetParam().Interfaces) EXPECT_EQ(E_POINTER, object->QueryInterface(iid, nullptr));
    EXPECT_EQ(E_POINTER, object->QueryInterface(kUnclaimedIid, nullptr));
}

TEST_P(UnknownConformance, TheObjectDiesExactlyAtTheLastRelease) {
    ASSERT_TRUE(GetParam().LiveObjects) << "the subject needs a live-object count";
    const long before = GetParam().LiveObjects();
    IUnknown* object = GetParam().Create().Detach();
    ASSERT_NE(nullptr, object);
    const long alive = GetParam().LiveObjects();
    EXPECT_GT(alive, before);

    object->AddRef();  // its result is diagnostic only; liveness is what counts
    std::vector<IUnknown*> interfaces;
    for (const IID& iid : GetParam().Interfaces) interfaces.push_back(Query(object, iid));
    for (IUnknown* itf : interfaces) {
        ASSERT_NE(nullptr, itf);
        itf->Release();
        EXPECT_EQ(alive, GetParam().LiveObjects());
    }
    object->Release();
    EXPECT_EQ(alive, GetParam().LiveObjects()) << "destroyed while a reference remains";
    object->Release();
    EXPECT_EQ(before, GetParam().LiveObjects()) << "not destroyed at the last Release";
}
