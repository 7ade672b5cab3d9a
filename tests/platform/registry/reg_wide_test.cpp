#include <gtest/gtest.h>

#include <cstring>

#include "platform/registry/registry.h"
#include "tests/support/temp_environment.h"

namespace {

const char16_t kClassKey[] = u"CLSID\\{6C1E9D60-3F2A-4B7E-9B1A-0D5E7C2F4A11}";

LONG SetWideString(HKEY key, LPCWSTR name, const std::u16string& text) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(char16_t)));
}

std::string QueryNarrow(HKEY key, LPCSTR name) {
    char buffer[256];
    DWORD size = sizeof buffer;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS) return "?";
    return std::string(buffer, size);
}

class WideRegistryCalls : public ::testing::Test {
protected:
    TempEnvironment env_;
};

TEST_F(WideRegistryCalls, ModuleRegistrationShapeWritesAndDeletes) {
    HKEY classKey = nullptr, server = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, kClassKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                             KEY_ALL_ACCESS, nullptr, &classKey, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, SetWideString(classKey, nullptr, u"Talvin Clock"));
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(classKey, u"InprocServer32", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &server, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, SetWideString(server, nullptr, u"/opt/quilldeck/Metronel.ax"));
    ASSERT_EQ(ERROR_SUCCESS, SetWideString(server, u"ThreadingModel", u"Both"));
    RegCloseKey(server);
    RegCloseKey(classKey);

    HKEY reader = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CLASSES_ROOT,
                                           "CLSID\\{6c1e9d60-3f2a-4b7e-9b1a-0d5e7c2f4a11}\\InprocServer32", 0,
                                           KEY_READ, &reader));
    EXPECT_EQ(std::string("/opt/quilldeck/Metronel.ax\0", 27), QueryNarrow(reader, nullptr));
    EXPECT_EQ(std::string("Both\0", 5), QueryNarrow(reader, "ThreadingModel"));
    RegCloseKey(reader);

    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeW(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CLASSES_ROOT, kClassKey, 0, KEY_READ, &reader));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteTreeW(HKEY_CLASSES_ROOT, kClassKey));
}

TEST_F(WideRegistryCalls, StringsAreKeptAsCodePage932AndReturnedAsUtf16) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\録画", 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, SetWideString(key, u"名前", u"ビデオ"));
    EXPECT_EQ(std::string("\x83\x72\x83\x66\x83\x49\0", 7), QueryNarrow(key, "\x96\xbc\x91\x4f"));

    DWORD type = 0, size = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, u"名前", nullptr, &type, nullptr, &size));
    EXPECT_EQ(REG_SZ, type);
    EXPECT_EQ(8u, size);
    char16_t small[2];
    size = sizeof small;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExW(key, u"名前", nullptr, nullptr, reinterpret_cast<BYTE*>(small), &size));
    EXPECT_EQ(8u, size);
    char16_t text[8] = {};
    size = sizeof text;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, u"名前", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size));
    EXPECT_EQ(std::u16string(u"ビデオ"), std::u16string(text));

    const DWORD number = 5;
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, u"n", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4));
    DWORD read = 0;
    size = sizeof read;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, u"n", nullptr, &type, reinterpret_cast<BYTE*>(&read), &size));
    EXPECT_EQ(5u, read);
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueW(key, u"名前"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueW(key, u"名前"));
    RegCloseKey(key);
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyW(HKEY_CURRENT_USER, u"Software\\録画"));
}

TEST_F(WideRegistryCalls, TextWithoutACodePage932FormIsRefusedNotChanged) {
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_NO_UNICODE_TRANSLATION, RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\\U0001F3A5", 0, nullptr, 0,
                                                            KEY_ALL_ACCESS, nullptr, &key, nullptr));
    EXPECT_EQ(nullptr, key);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\\U0001F3A5", 0, KEY_READ, &key));
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Wide", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &key, nullptr));
    EXPECT_EQ(ERROR_NO_UNICODE_TRANSLATION, SetWideString(key, u"v", u"caf\u00e9 \U0001F3A5"));
    EXPECT_EQ(ERROR_NO_UNICODE_TRANSLATION, SetWideString(key, u"\U0001F3A5", u"x"));
    EXPECT_EQ("?", QueryNarrow(key, "v"));
    RegCloseKey(key);
}

TEST_F(WideRegistryCalls, BytesThatAreNoTextStillComeBackOnePerCharacter) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Raw", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &key, nullptr));
    const char raw[] = "a\x82";  // a lead byte without its trail byte, then the NUL
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>(raw), 3));
    char16_t text[4] = {};
    DWORD size = sizeof text;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, u"v", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size));
    EXPECT_EQ(6u, size);
    EXPECT_EQ(std::u16string(u"a\u0082"), std::u16string(text));
    RegCloseKey(key);
}

}  // namespace
