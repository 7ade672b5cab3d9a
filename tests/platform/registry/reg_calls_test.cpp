#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/registry/registry.h"
#include "tests/support/temp_environment.h"

namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

class RegistryCalls : public ::testing::Test {
protected:
    ~RegistryCalls() override {
        for (HKEY key : opened_) RegCloseKey(key);
    }

    HKEY Create(const char* path, HKEY root = HKEY_CURRENT_USER, DWORD* disposition = nullptr) {
        HKEY key = nullptr;
        EXPECT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, disposition));
        opened_.push_back(key);
        return key;
    }

    LONG Open(const char* path, HKEY* key, REGSAM access = KEY_ALL_ACCESS, HKEY root = HKEY_CURRENT_USER) {
        const LONG result = RegOpenKeyExA(root, path, 0, access, key);
        if (result == ERROR_SUCCESS) opened_.push_back(*key);
        return result;
    }

    static LONG SetString(HKEY key, const char* name, const std::string& bytes) {
        return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
    }

    static LONG SetDword(HKEY key, const char* name, DWORD value) {
        return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    }

    // The value's bytes, or the error code as text.
    static std::string Query(HKEY key, const char* name, DWORD* type = nullptr) {
        DWORD size = 0;
        LONG result = RegQueryValueExA(key, name, nullptr, type, nullptr, &size);
        if (result != ERROR_SUCCESS) return "error " + std::to_string(result);
        std::string data(size, '\0');
        result = RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(data.data()), &size);
        if (result != ERROR_SUCCESS) return "error " + std::to_string(result);
        data.resize(size);
        return data;
    }

    static std::vector<std::string> SubKeys(HKEY key) {
        std::vector<std::string> names;
        for (DWORD i = 0;; ++i) {
            char name[256];
            DWORD length = sizeof name;
            const LONG result = RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (result == ERROR_NO_MORE_ITEMS) break;
            EXPECT_EQ(ERROR_SUCCESS, result);
            if (result != ERROR_SUCCESS) break;
            names.emplace_back(name, length);
        }
        return names;
    }

    static std::vector<std::string> ValueNames(HKEY key) {
        std::vector<std::string> names;
        for (DWORD i = 0;; ++i) {
            char name[256];
            DWORD length = sizeof name;
            const LONG result = RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (result == ERROR_NO_MORE_ITEMS) break;
            EXPECT_EQ(ERROR_SUCCESS, result);
            if (result != ERROR_SUCCESS) break;
            names.emplace_back(name, length);
        }
        return names;
    }

    std::filesystem::path HiveFile(const char* root = "HKEY_CURRENT_USER") const {
        return env_.ConfigHome() / "quilldeck" / "registry" / (std::string(root) + ".reg");
    }

    TempEnvironment env_;
    std::vector<HKEY> opened_;
};

TEST_F(RegistryCalls, CreatesSetsAndQueriesAndKeepsItInTheHiveFile) {
    DWORD disposition = 0;
    HKEY key = Create("Software\\Talvin\\Quilldeck2\\Device", HKEY_CURRENT_USER, &disposition);
    EXPECT_EQ(REG_CREATED_NEW_KEY, disposition);
    Create("Software\\Talvin\\Quilldeck2\\Device", HKEY_CURRENT_USER, &disposition);
    EXPECT_EQ(REG_OPENED_EXISTING_KEY, disposition);

    ASSERT_EQ(ERROR_SUCCESS, SetString(key, "0", std::string("A\0", 2)));
    DWORD type = 0, size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "0", nullptr, &type, nullptr, &size));
    EXPECT_EQ(REG_SZ, type);
    EXPECT_EQ(2u, size);
    EXPECT_EQ(std::string("A\0", 2), Query(key, "0"));
    EXPECT_NE(std::string::npos,
              ReadFile(HiveFile()).find("[HKEY_CURRENT_USER\\Software\\Talvin\\Quilldeck2\\Device]\n\"0\"=\"A\"\n"));
}

TEST_F(RegistryCalls, StoresStringBytesExactlyAsGiven) {
    HKEY key = Create("Software\\Exact");
    ASSERT_EQ(ERROR_SUCCESS, SetString(key, "NoNul", "abc"));
    ASSERT_EQ(ERROR_SUCCESS, SetString(key, "Empty", ""));
    EXPECT_EQ("abc", Query(key, "NoNul"));
    EXPECT_EQ("", Query(key, "Empty"));
    EXPECT_NE(std::string::npos, ReadFile(HiveFile()).find("\"NoNul\"=hex(1):61,62,63"));
}

TEST_F(RegistryCalls, SmallBuffersGetMoreDataAndTheSizeNeeded) {
    HKEY key = Create("Software\\Sizes");
    ASSERT_EQ(ERROR_SUCCESS, SetString(key, "s", std::string("Hello\0", 6)));
    ASSERT_EQ(ERROR_SUCCESS, SetDword(key, "d", 0x12345678));
    const std::string big(5000, 'x');
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "b", 0, REG_BINARY, reinterpret_cast<const BYTE*>(big.data()), 5000));

    BYTE buffer[4] = {};
    DWORD size = sizeof buffer, type = 0;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, "s", nullptr, &type, buffer, &size));
    EXPECT_EQ(6u, size);
    EXPECT_EQ(REG_SZ, type);
    size = 2;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, "d", nullptr, &type, buffer, &size));
    EXPECT_EQ(4u, size);
    size = sizeof buffer;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "d", nullptr, &type, buffer, &size));
    EXPECT_EQ(REG_DWORD, type);
    EXPECT_EQ(0x78, buffer[0]);
    size = sizeof buffer;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, "b", nullptr, nullptr, buffer, &size));
    EXPECT_EQ(5000u, size);
    EXPECT_EQ(big, Query(key, "b"));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExA(key, "s", nullptr, nullptr, buffer, nullptr));
}

TEST_F(RegistryCalls, NumbersMustHaveTheirSize) {
    HKEY key = Create("Software\\Numbers");
    const BYTE bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegSetValueExA(key, "d", 0, REG_DWORD, bytes, 2));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegSetValueExA(key, "d", 0, REG_DWORD, bytes, 8));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegSetValueExA(key, "q", 0, REG_QWORD, bytes, 4));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegSetValueExA(key, "x", 0, REG_BINARY, nullptr, 3));
    EXPECT_EQ("error 2", Query(key, "d"));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "q", 0, REG_QWORD, bytes, 8));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), 8), Query(key, "q"));
}

TEST_F(RegistryCalls, MissingKeysAndValuesAreNotFound) {
    HKEY key = reinterpret_cast<HKEY>(0x1);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Open("Software\\Nowhere", &key));
    EXPECT_EQ(nullptr, key);
    HKEY existing = Create("Software\\Here");
    EXPECT_EQ("error 2", Query(existing, "missing"));
    EXPECT_EQ("error 2", Query(existing, nullptr));  // no default value set
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueA(existing, "missing"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Nowhere"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Nowhere"));
}

TEST_F(RegistryCalls, BadHandlesAreRefused) {
    HKEY key = nullptr;
    const HKEY madeUp = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x1234));
    for (HKEY bad : {static_cast<HKEY>(nullptr), madeUp}) {
        EXPECT_EQ(ERROR_INVALID_HANDLE, RegOpenKeyExA(bad, "x", 0, KEY_READ, &key));
        EXPECT_EQ(ERROR_INVALID_HANDLE, RegCreateKeyExA(bad, "x", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
        EXPECT_EQ(ERROR_INVALID_HANDLE, SetDword(bad, "x", 1));
        EXPECT_EQ("error 6", Query(bad, "x"));
        EXPECT_EQ(ERROR_INVALID_HANDLE, RegDeleteValueA(bad, "x"));
        EXPECT_EQ(ERROR_INVALID_HANDLE, RegDeleteKeyA(bad, "x"));
        EXPECT_EQ(ERROR_INVALID_HANDLE, RegDeleteTreeA(bad, nullptr));
        EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(bad));
    }
    HKEY closed = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Closed", 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &closed, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(closed));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(closed));
    EXPECT_EQ(ERROR_INVALID_HANDLE, SetDword(closed, "x", 1));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_CURRENT_USER));  // predefined keys stay usable
    EXPECT_EQ(ERROR_SUCCESS, Open("Software\\Closed", &key));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, nullptr));
}

TEST_F(RegistryCalls, HandlesOfDeletedKeysReportKeyDeleted) {
    HKEY key = Create("Software\\Gone\\Child");
    HKEY parent = Create("Software\\Gone");
    ASSERT_EQ(ERROR_SUCCESS, SetDword(key, "v", 1));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Gone"));
    EXPECT_EQ("error 1018", Query(key, "v"));
    EXPECT_EQ(ERROR_KEY_DELETED, SetDword(parent, "v", 1));
    // A key of the same name made again is another key: the old handles stay dead.
    Create("Software\\Gone\\Child");
    EXPECT_EQ(ERROR_KEY_DELETED, SetDword(key, "v", 1));
    HKEY created = nullptr;
    EXPECT_EQ(ERROR_KEY_DELETED, RegCreateKeyExA(parent, "x", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    opened_.erase(std::find(opened_.begin(), opened_.end(), key));
}

TEST_F(RegistryCalls, DeleteKeyRefusesSubkeysAndDeleteTreeTakesThem) {
    HKEY key = Create("Software\\Tree\\A\\B");
    ASSERT_EQ(ERROR_SUCCESS, SetDword(key, "v", 1));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Tree"));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Tree\\A\\B"));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Tree"));
    HKEY gone = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Open("Software\\Tree", &gone));
    HKEY software = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, Open("Software", &software));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_CURRENT_USER, ""));  // a root stays
}

TEST_F(RegistryCalls, DeleteTreeWithoutSubkeyEmptiesTheKey) {
    HKEY key = Create("Software\\Full");
    HKEY child = Create("Software\\Full\\Child");
    ASSERT_EQ(ERROR_SUCCESS, SetDword(key, "v", 1));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeA(key, nullptr));
    EXPECT_TRUE(SubKeys(key).empty());
    EXPECT_TRUE(ValueNames(key).empty());
    EXPECT_EQ(ERROR_SUCCESS, SetDword(key, "again", 2));
    EXPECT_EQ(ERROR_KEY_DELETED, SetDword(child, "v", 1));
}

TEST_F(RegistryCalls, RenameKeyMovesValuesAndSubkeysInOneWriteAndRefusesATakenName) {
    HKEY parent = Create("Software\\Ren");
    HKEY moved = Create("Software\\Ren\\2");
    ASSERT_EQ(ERROR_SUCCESS, SetString(moved, "Comment", std::string("kept\0", 5)));
    ASSERT_EQ(ERROR_SUCCESS, SetDword(Create("Software\\Ren\\2\\Child"), "v", 7));
    Create("Software\\Ren\\1");

    EXPECT_EQ(ERROR_ALREADY_EXISTS, RegRenameKey(parent, u"2", u"1"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegRenameKey(parent, u"5", u"6"));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegRenameKey(parent, u"2", u"a\\b"));
    ASSERT_EQ(ERROR_SUCCESS, RegRenameKey(parent, u"2", u"0"));

    EXPECT_EQ((std::vector<std::string>{"0", "1"}), SubKeys(parent));
    HKEY renamed = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, Open("Software\\Ren\\0", &renamed));
    EXPECT_EQ(std::string("kept\0", 5), Query(renamed, "Comment"));
    HKEY child = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, Open("Software\\Ren\\0\\Child", &child));
    EXPECT_EQ(std::string("\x07\0\0\0", 4), Query(child, "v"));
    EXPECT_EQ(ERROR_KEY_DELETED, SetDword(moved, "v", 1));  // the old path names nothing now
    EXPECT_NE(std::string::npos, ReadFile(HiveFile()).find("[HKEY_CURRENT_USER\\Software\\Ren\\0\\Child]"));
}

TEST_F(RegistryCalls, EnumeratesSubkeysInNameOrderAndValuesInSetOrder) {
    HKEY key = Create("Software\\Enum");
    Create("Software\\Enum\\beta");
    Create("Software\\Enum\\Alpha");
    Create("Software\\Enum\\GAMMA");
    ASSERT_EQ(ERROR_SUCCESS, SetDword(key, "z", 1));
    ASSERT_EQ(ERROR_SUCCESS, SetDword(key, "a", 2));
    ASSERT_EQ(ERROR_SUCCESS, SetDword(key, nullptr, 3));
    EXPECT_EQ((std::vector<std::string>{"Alpha", "beta", "GAMMA"}), SubKeys(key));
    EXPECT_EQ((std::vector<std::string>{"z", "a", ""}), ValueNames(key));

    char name[4];
    DWORD length = 3;  // "beta" needs 5 with its NUL
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumKeyExA(key, 1, name, &length, nullptr, nullptr, nullptr, nullptr));
    DWORD type = 0;
    BYTE data[2];
    DWORD size = sizeof data;
    length = sizeof name;
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumValueA(key, 0, name, &length, nullptr, &type, data, &size));
    EXPECT_EQ(4u, size);
    EXPECT_EQ(REG_DWORD, type);
    length = sizeof name;
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumValueA(key, 3, name, &length, nullptr, nullptr, nullptr, nullptr));
    std::uint64_t fileTime = 0;
    char longName[16];
    length = sizeof longName;
    EXPECT_EQ(ERROR_SUCCESS, RegEnumKeyExA(key, 0, longName, &length, nullptr, nullptr, nullptr, &fileTime));
    EXPECT_GT(fileTime, 116444736000000000ull);  // after 1970
}

TEST_F(RegistryCalls, NamesCompareWithoutCaseButKeepTheirFirstCase) {
    HKEY key = Create("Software\\MixedCase");
    HKEY same = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, Open("SOFTWARE\\mixedcase", &same));
    ASSERT_EQ(ERROR_SUCCESS, SetDword(key, "Value", 1));
    ASSERT_EQ(ERROR_SUCCESS, SetDword(same, "VALUE", 2));
    EXPECT_EQ((std::vector<std::string>{"Value"}), ValueNames(key));
    EXPECT_EQ(std::string("\x02\0\0\0", 4), Query(key, "value"));
    HKEY software = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, Open("software", &software));
    EXPECT_EQ((std::vector<std::string>{"MixedCase"}), SubKeys(software));
}

TEST_F(RegistryCalls, JapaneseNamesStayWholeAndDistinct) {
    const std::string hyou = "\x95\x5c\x8e\xa6";  // "表示", second byte is '\'
    const std::string a = "\x83\x41", ya = "\x83\x61";  // "ア" and "ャ" differ only in ASCII case of the second byte
    HKEY key = Create(("Software\\" + hyou).c_str());
    Create(("Software\\" + hyou + "\\" + a).c_str());
    Create(("Software\\" + hyou + "\\" + ya).c_str());
    EXPECT_EQ((std::vector<std::string>{a, ya}), SubKeys(key));
    HKEY software = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, Open("Software", &software));
    EXPECT_EQ((std::vector<std::string>{hyou}), SubKeys(software));
    EXPECT_NE(std::string::npos, ReadFile(HiveFile()).find("[HKEY_CURRENT_USER\\Software\\表示\\ア]"));
}

TEST_F(RegistryCalls, PathsStartingWithBackslashAreBad) {
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_BAD_PATHNAME, RegCreateKeyExA(HKEY_CURRENT_USER, "\\Software", 0, nullptr, 0, KEY_ALL_ACCESS,
                                                  nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_BAD_PATHNAME, Open("\\Software", &key));
    EXPECT_EQ(ERROR_BAD_PATHNAME, RegCreateKeyExA(HKEY_CURRENT_USER, "a\\\\b", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                                  &key, nullptr));
    Create("Software\\Trailing\\");
    EXPECT_EQ(ERROR_SUCCESS, Open("Software\\Trailing", &key));
    EXPECT_EQ(ERROR_INVALID_PARAMETER,
              RegCreateKeyExA(HKEY_CURRENT_USER, nullptr, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
}

TEST_F(RegistryCalls, DefaultValueIsNullOrEmptyName) {
    HKEY key = Create("Software\\Default");
    ASSERT_EQ(ERROR_SUCCESS, SetString(key, nullptr, std::string("x\0", 2)));
    EXPECT_EQ(std::string("x\0", 2), Query(key, ""));
    ASSERT_EQ(ERROR_SUCCESS, SetString(key, "", std::string("y\0", 2)));
    EXPECT_EQ(std::string("y\0", 2), Query(key, nullptr));
    EXPECT_NE(std::string::npos, ReadFile(HiveFile()).find("@=\"y\""));
}

TEST_F(RegistryCalls, AccessRightsOfTheHandleAreChecked) {
    Create("Software\\Rights");
    HKEY reader = nullptr, writer = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, Open("Software\\Rights", &reader, KEY_READ));
    ASSERT_EQ(ERROR_SUCCESS, Open("Software\\Rights", &writer, KEY_WRITE));
    EXPECT_EQ(ERROR_ACCESS_DENIED, SetDword(reader, "v", 1));
    EXPECT_EQ(ERROR_SUCCESS, SetDword(writer, "v", 1));
    EXPECT_EQ("error 5", Query(writer, "v"));
    EXPECT_EQ(std::string("\x01\0\0\0", 4), Query(reader, "v"));
}

TEST_F(RegistryCalls, EachEnvironmentHasItsOwnRegistry) {
    HKEY key = Create("Software\\Mine");
    ASSERT_EQ(ERROR_SUCCESS, SetDword(key, "v", 1));
    {
        TempEnvironment other;
        HKEY missing = nullptr;
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, Open("Software\\Mine", &missing));
    }
    HKEY again = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, Open("Software\\Mine", &again));
}

TEST_F(RegistryCalls, ProfileNamesMirrorIsReplacedAtEverySave) {
    const char* kDevice = "Software\\Talvin\\Quilldeck2\\Device";
    auto mirror = [&](const std::vector<std::string>& names) {
        RegDeleteKeyA(HKEY_CURRENT_USER, kDevice);  // failure ignored, as the profile store does
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kDevice, 0, const_cast<char*>(""),
                                                 REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr));
        for (std::size_t i = 0; i < names.size(); ++i)
            ASSERT_EQ(ERROR_SUCCESS, SetString(key, std::to_string(i).c_str(), names[i] + '\0'));
        ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    };
    mirror({"A", "B", "C"});
    mirror({"A", "B"});
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, Open(kDevice, &key, KEY_READ));
    EXPECT_EQ((std::vector<std::string>{"0", "1"}), ValueNames(key));
    EXPECT_EQ(std::string("B\0", 2), Query(key, "1"));
}

TEST_F(RegistryCalls, ReservationsLeftAsNumberedKeysAreReadAndDeleted) {
    for (const char* n : {"0", "1", "3"}) {
        HKEY key = Create((std::string("Software\\Talvin\\Quilldeck2\\Record\\") + n).c_str());
        ASSERT_EQ(ERROR_SUCCESS, SetString(key, "Comment", std::string("news\0", 5)));
        ASSERT_EQ(ERROR_SUCCESS, SetDword(key, "Channel", 4));
    }
    int imported = 0;
    for (int n = 0;; ++n) {
        HKEY key = nullptr;
        if (Open(("Software\\Talvin\\Quilldeck2\\Record\\" + std::to_string(n)).c_str(), &key) != ERROR_SUCCESS) break;
        EXPECT_EQ(std::string("\x04\0\0\0", 4), Query(key, "Channel"));
        ++imported;
    }
    EXPECT_EQ(2, imported);
    HKEY record = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, Open("Software\\Talvin\\Quilldeck2\\Record", &record));
    for (int n = 0; RegDeleteKeyA(record, std::to_string(n).c_str()) == ERROR_SUCCESS; ++n) {
    }
    EXPECT_EQ((std::vector<std::string>{"3"}), SubKeys(record));
}

TEST_F(RegistryCalls, TheThreeRootsAreSeparateFiles) {
    ASSERT_EQ(ERROR_SUCCESS, SetDword(Create("Software\\Microsoft\\TV System Services\\TVAutoTune\\TS0-1",
                                             HKEY_LOCAL_MACHINE),
                                      "5", 187250000));
    ASSERT_EQ(ERROR_SUCCESS, SetString(Create("CLSID\\{00000000-0000-0000-0000-000000000001}", HKEY_CLASSES_ROOT),
                                       nullptr, std::string("Talvin Clock\0", 13)));
    EXPECT_NE(std::string::npos, ReadFile(HiveFile("HKEY_LOCAL_MACHINE")).find("\"5\"=dword:0b293550"));
    EXPECT_NE(std::string::npos, ReadFile(HiveFile("HKEY_CLASSES_ROOT")).find("@=\"Talvin Clock\""));
    EXPECT_FALSE(std::filesystem::exists(HiveFile()));
    std::string text;
    ASSERT_EQ(ERROR_SUCCESS, RegExportHiveText(HKEY_LOCAL_MACHINE, &text));
    EXPECT_EQ(ReadFile(HiveFile("HKEY_LOCAL_MACHINE")), text);
}

TEST_F(RegistryCalls, ThreadsOfOneProcessShareTheRegistrySafely) {
    HKEY key = Create("Software\\Threads");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([key, t] {
            for (int i = 0; i < 20; ++i) {
                const std::string name = std::to_string(t) + "-" + std::to_string(i);
                HKEY own = nullptr;
                RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Threads", 0, KEY_ALL_ACCESS, &own);
                SetDword(i % 2 ? key : own, name.c_str(), static_cast<DWORD>(i));
                RegCloseKey(own);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(80u, ValueNames(key).size());
}

}  // namespace
