#include <gtest/gtest.h>

#include "platform/com/property_bag.h"

namespace {

class PropertyBagTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(S_OK, CreatePropertyBag(bag.ReleaseAndGetAddressOf())); }

    VARIANT Read(LPCOLESTR name, VARTYPE wanted, HRESULT* hr) {
        VARIANT v;
        VariantInit(&v);
        v.vt = wanted;
        *hr = bag->Read(name, &v, nullptr);
        return v;
    }

    ComPtr<IPropertyBag> bag;
};

TEST_F(PropertyBagTest, StringsComeBackAsCopiesTheCallerOwns) {
    ASSERT_EQ(S_OK, WriteProperty(bag.Get(), u"FriendlyName", std::u16string(u"Virtual TV Card")));
    HRESULT hr;
    VARIANT first = Read(u"FriendlyName", VT_BSTR, &hr);
    ASSERT_EQ(S_OK, hr);
    VARIANT second = Read(u"friendlyname", VT_EMPTY, &hr);
    ASSERT_EQ(S_OK, hr) << "names compare case-insensitively";
    ASSERT_EQ(VT_BSTR, second.vt);
    EXPECT_NE(first.bstrVal, second.bstrVal);
    EXPECT_EQ(std::u16string(u"Virtual TV Card"), std::u16string(first.bstrVal, SysStringLen(first.bstrVal)));
    VariantClear(&first);
    VariantClear(&second);
}

TEST_F(PropertyBagTest, WritingAgainReplacesTheValue) {
    ASSERT_EQ(S_OK, WriteProperty(bag.Get(), u"WaveInID", LONG{1}));
    ASSERT_EQ(S_OK, WriteProperty(bag.Get(), u"WAVEINID", LONG{3}));
    HRESULT hr;
    VARIANT v = Read(u"WaveInID", VT_I4, &hr);
    ASSERT_EQ(S_OK, hr);
    EXPECT_EQ(3, v.lVal);
}

TEST_F(PropertyBagTest, IntegersConvertWhenTheyFit) {
    ASSERT_EQ(S_OK, WriteProperty(bag.Get(), u"Big", ULONG{0x80000000u}));
    ASSERT_EQ(S_OK, WriteProperty(bag.Get(), u"Minus", LONG{-1}));
    ASSERT_EQ(S_OK, WriteProperty(bag.Get(), u"Flag", true));
    HRESULT hr;
    EXPECT_EQ(0, Read(u"Big", VT_I4, &hr).lVal);
    EXPECT_EQ(DISP_E_TYPEMISMATCH, hr);
    EXPECT_EQ(0u, Read(u"Minus", VT_UI4, &hr).ulVal);
    EXPECT_EQ(DISP_E_TYPEMISMATCH, hr);
    EXPECT_EQ(1, Read(u"Flag", VT_I4, &hr).lVal);
    EXPECT_EQ(S_OK, hr);
    EXPECT_EQ(VARIANT_TRUE, Read(u"Minus", VT_BOOL, &hr).boolVal);
    EXPECT_EQ(S_OK, hr);
}

TEST_F(PropertyBagTest, MissingNamesMismatchedTypesAndNullsAreRefused) {
    HRESULT hr;
    VARIANT v = Read(u"FriendlyName", VT_BSTR, &hr);
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), hr);
    EXPECT_EQ(VT_BSTR, v.vt) << "a failed read leaves the variant alone";
    ASSERT_EQ(S_OK, WriteProperty(bag.Get(), u"Number", LONG{5}));
    Read(u"Number", VT_BSTR, &hr);
    EXPECT_EQ(DISP_E_TYPEMISMATCH, hr);
    EXPECT_EQ(E_POINTER, bag->Read(nullptr, &v, nullptr));
    EXPECT_EQ(E_POINTER, bag->Read(u"Number", nullptr, nullptr));
    VARIANT odd;
    VariantInit(&odd);
    odd.vt = 0x4009;
    EXPECT_EQ(DISP_E_TYPEMISMATCH, bag->Write(u"Odd", &odd));
    EXPECT_EQ(E_POINTER, WriteProperty(nullptr, u"x", LONG{1}));
}

}  // namespace
