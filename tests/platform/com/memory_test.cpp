#include <gtest/gtest.h>

#include <cstring>

#include "platform/com/bstr.h"
#include "platform/com/task_memory.h"
#include "platform/com/variant.h"

namespace {

TEST(TaskMemory, ReallocKeepsContentsAndSizeZeroFrees) {
    auto* block = static_cast<char*>(CoTaskMemAlloc(4));
    ASSERT_NE(nullptr, block);
    std::memcpy(block, "abc", 4);
    block = static_cast<char*>(CoTaskMemRealloc(block, 4096));
    ASSERT_NE(nullptr, block);
    EXPECT_STREQ("abc", block);
    EXPECT_EQ(nullptr, CoTaskMemRealloc(block, 0));
    CoTaskMemFree(nullptr);  // allowed, does nothing
    void* fresh = CoTaskMemRealloc(nullptr, 8);
    EXPECT_NE(nullptr, fresh);
    CoTaskMemFree(fresh);
}

TEST(Bstr, IsLengthPrefixedInBytesAndNulTerminated) {
    BSTR text = SysAllocString(u"Quilldeck");
    ASSERT_NE(nullptr, text);
    EXPECT_EQ(9u, SysStringLen(text));
    DWORD prefix;
    std::memcpy(&prefix, reinterpret_cast<BYTE*>(text) - 4, 4);
    EXPECT_EQ(18u, prefix);
    EXPECT_EQ(u'\0', text[9]);
    EXPECT_EQ(std::u16string(u"Quilldeck"), std::u16string(text));
    SysFreeString(text);
}

TEST(Bstr, LengthFormKeepsEmbeddedNulsAndZeroFillsWithoutSource) {
    const OLECHAR source[] = {u'a', 0, u'b'};
    BSTR text = SysAllocStringLen(source, 3);
    ASSERT_NE(nullptr, text);
    EXPECT_EQ(3u, SysStringLen(text));
    EXPECT_EQ(u'b', text[2]);
    SysFreeString(text);

    BSTR blank = SysAllocStringLen(nullptr, 4);
    ASSERT_NE(nullptr, blank);
    EXPECT_EQ(4u, SysStringLen(blank));
    for (int i = 0; i <= 4; ++i) EXPECT_EQ(u'\0', blank[i]);
    SysFreeString(blank);
}

TEST(Bstr, NullIsAnEmptyString) {
    EXPECT_EQ(nullptr, SysAllocString(nullptr));
    EXPECT_EQ(0u, SysStringLen(nullptr));
    SysFreeString(nullptr);
    EXPECT_EQ(nullptr, SysAllocStringLen(u"x", 0xFFFFFFFFu)) << "an impossible length must fail, not overflow";
}

TEST(Variant, ClearFreesTheStringAndLeavesEmpty) {
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(VT_EMPTY, v.vt);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(u"FriendlyName");
    EXPECT_EQ(S_OK, VariantClear(&v));  // ASan reports a leak if the string were kept
    EXPECT_EQ(VT_EMPTY, v.vt);
    EXPECT_EQ(S_OK, VariantClear(&v));
}

TEST(Variant, ClearRefusesUnknownTypesAndNull) {
    VARIANT v;
    VariantInit(&v);
    v.vt = 0x4009;  // VT_BYREF | VT_DISPATCH: not a type of this platform
    EXPECT_EQ(E_INVALIDARG, VariantClear(&v));
    EXPECT_EQ(0x4009, v.vt);
    EXPECT_EQ(E_INVALIDARG, VariantClear(nullptr));
}

}  // namespace
