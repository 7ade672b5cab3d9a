#include "profiles/registry_mirror.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <vector>

#include "platform/registry/registry.h"
#include "profiles/profile_store.h"
#include "tests/support/temp_environment.h"

namespace {

constexpr const char* kRecordKey = "Software\\Talvin\\Quilldeck2\\Record";

class CollectedMessages : public IProfileMessageSink {
public:
    void ShowMessage(const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

SYSTEMTIME Local(WORD year, WORD month, WORD day, WORD hour, WORD minute) {
    SYSTEMTIME t{};
    t.wYear = year;
    t.wMonth = month;
    t.wDay = day;
    t.wHour = hour;
    t.wMinute = minute;
    return t;
}

// A reservation key as another program writes it.
struct Reservation {
    std::optional<SYSTEMTIME> start = Local(2024, 1, 2, 23, 0);
    std::optional<SYSTEMTIME> stop = Local(2024, 1, 2, 23, 30);
    std::optional<SYSTEMTIME> last = Local(2000, 1, 1, 0, 0);
    std::map<std::string, std::string> strings;
    std::map<std::string, DWORD> numbers;
};

void WriteReservation(int n, const Reservation& r) {
    HKEY key = nullptr;
    const std::string subKey = std::string(kRecordKey) + "\\" + std::to_string(n);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::pair<const char*, const std::optional<SYSTEMTIME>*> times[] = {
        {"startSysTime", &r.start}, {"stopSysTime", &r.stop}, {"lastSysTime", &r.last}};
    for (const auto& [name, time] : times)
        if (*time) RegSetValueExA(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(&**time), sizeof(SYSTEMTIME));
    for (const auto& [name, text] : r.strings)
        RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
    for (const auto& [name, value] : r.numbers)
        RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

bool RecordKeyExists(int n) {
    HKEY key = nullptr;
    const std::string subKey = std::string(kRecordKey) + "\\" + std::to_string(n);
    if (RegOpenKeyExA(HKEY_CURRENT_USER, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

class RegistryMirrorTest : public testing::Test {
protected:
    RegistryMirrorTest() : store_((env_.Root() / "p").string() + "/", &messages_) {
        std::filesystem::create_directories(env_.Root() / "p");
        savedTz_ = std::getenv("TZ") ? std::optional<std::string>(std::getenv("TZ")) : std::nullopt;
        setenv("TZ", "JST-9", 1);
        tzset();
    }
    ~RegistryMirrorTest() override {
        if (savedTz_) setenv("TZ", savedTz_->c_str(), 1);
        else unsetenv("TZ");
        tzset();
    }

    template <class T>
    T* Add(ProfileList<T>& list, const std::string& name) {
        list.push_back(std::make_unique<T>());
        list.back()->Name = name;
        return list.back().get();
    }

    TempEnvironment env_;
    CollectedMessages messages_;
    CProfileStore store_;
    std::optional<std::string> savedTz_;
};

std::vector<std::pair<std::string, std::string>> Values(const char* subKey) {
    std::vector<std::pair<std::string, std::string>> values;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameLength = sizeof name;
        BYTE data[1024];
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
        EXPECT_EQ(type, REG_SZ);
        values.emplace_back(std::string(name, nameLength), std::string(reinterpret_cast<char*>(data), dataSize));
    }
    RegCloseKey(key);
    return values;
}

TEST_F(RegistryMirrorTest, MirrorReplacesTheNamesOfEachList) {
    for (const char* name : {"A", "B", "C"}) Add(store_.DeviceProfiles, name);
    Add(store_.MuxProfiles, "\x82\xA0");
    MirrorProfileNamesToRegistry(store_);
    store_.DeviceProfiles.pop_back();
    MirrorProfileNamesToRegistry(store_);

    using Pairs = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(Values("Software\\Talvin\\Quilldeck2\\Device"), (Pairs{{"0", std::string("A\0", 2)}, {"1", std::string("B\0", 2)}}));
    EXPECT_EQ(Values("Software\\Talvin\\Quilldeck2\\Mux"), (Pairs{{"0", std::string("\x82\xA0\0", 3)}}));
    EXPECT_TRUE(Values("Software\\Talvin\\Quilldeck2\\Compressor").empty());
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Talvin\\Quilldeck2\\Compressor", 0, KEY_READ, &key),
              ERROR_SUCCESS);  // the key exists even for an empty list
    RegCloseKey(key);
}

TEST_F(RegistryMirrorTest, ImportStopsAtTheFirstMissingNumberAndDeletesWhatItImported) {
    for (int n : {0, 1, 3}) WriteReservation(n, {});
    ImportReservationsFromRegistry(store_);
    EXPECT_EQ(store_.RecordProfiles.size(), 2u);
    EXPECT_FALSE(RecordKeyExists(0));
    EXPECT_FALSE(RecordKeyExists(1));
    EXPECT_TRUE(RecordKeyExists(3));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kRecordKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(RegistryMirrorTest, TimesAreLocalAndAStopBeforeTheStartIsOnTheNextDay) {
    Reservation r;
    r.start = Local(2024, 1, 2, 23, 0);
    r.stop = Local(2024, 1, 2, 1, 0);
    WriteReservation(0, r);
    ImportReservationsFromRegistry(store_);
    ASSERT_EQ(store_.RecordProfiles.size(), 1u);
    const CRecordProfile& p = *store_.RecordProfiles[0];
    EXPECT_EQ(p.StartTime, 1704204000);  // 2024-01-02 23:00 in UTC+9
    EXPECT_EQ(p.StopTime, p.StartTime + 2 * 3600);
    EXPECT_EQ(p.LastTime, 946652400);  // 2000-01-01 00:00 in UTC+9
}

TEST_F(RegistryMirrorTest, ValuesAreTakenAndMissingNumbersAreZero) {
    Reservation r;
    r.strings = {{"Comment", "news"}, {"Device", "dev"}, {"Compressor", "comp"}, {"Mux", "mux"},
                 {"Dir", "/rec/"},    {"File", "a.avi"}};
    r.numbers = {{"SpinUp", 10}, {"Channel", 8}, {"Wday", 0x41}};
    WriteReservation(0, r);
    ImportReservationsFromRegistry(store_);
    ASSERT_EQ(store_.RecordProfiles.size(), 1u);
    const CRecordProfile& p = *store_.RecordProfiles[0];
    EXPECT_EQ(p.Comment, "news");
    EXPECT_EQ(p.Device, "dev");
    EXPECT_EQ(p.Compressor, "comp");
    EXPECT_EQ(p.Mux, "mux");
    EXPECT_EQ(p.Dir, "/rec/");
    EXPECT_EQ(p.File, "a.avi");
    EXPECT_EQ(p.SpinUp, 10);
    EXPECT_EQ(p.Channel, 8);
    EXPECT_EQ(p.Wday, 0x41u);
    EXPECT_EQ(p.AudioMode, 0u);
    EXPECT_EQ(p.State, 0u);
    EXPECT_EQ(p.FileMode, 0u);
}

TEST_F(RegistryMirrorTest, EmptyOrTooLongNamesAreFilledFromTheCurrentProfilesAndOptions) {
    store_.CurrentDevice = Add(store_.DeviceProfiles, "current device");
    store_.CurrentMux = Add(store_.MuxProfiles, "current mux");
    store_.Options.MovieDir = "/movies/";
    store_.Options.MovieFile = "movie.avi";
    Reservation r;
    r.strings = {{"Device", std::string(1024, 'd')},  // 1025 bytes with the NUL: the query fails
                 {"Mux", std::string(1023, 'm')},     // exactly fits
                 {"Dir", std::string(260, 'p')},      // too long for 260
                 {"File", ""}};
    WriteReservation(0, r);
    ImportReservationsFromRegistry(store_);
    ASSERT_EQ(store_.RecordProfiles.size(), 1u);
    const CRecordProfile& p = *store_.RecordProfiles[0];
    EXPECT_EQ(p.Device, "current device");
    EXPECT_EQ(p.Mux, std::string(1023, 'm'));
    EXPECT_EQ(p.Compressor, "");  // no current compressor
    EXPECT_EQ(p.Dir, "/movies/");
    EXPECT_EQ(p.File, "movie.avi");
}

// Every value of a numbered key, by name: type and bytes.
std::map<std::string, std::pair<DWORD, std::string>> RecordValues(int n) {
    std::map<std::string, std::pair<DWORD, std::string>> values;
    HKEY key = nullptr;
    const std::string subKey = std::string(kRecordKey) + "\\" + std::to_string(n);
    if (RegOpenKeyExA(HKEY_CURRENT_USER, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameLength = sizeof name;
        BYTE data[1024];
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
        values[std::string(name, nameLength)] = {type, std::string(reinterpret_cast<char*>(data), dataSize)};
    }
    RegCloseKey(key);
    return values;
}

std::vector<std::string> RecordSubKeys() {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRecordKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    RegCloseKey(key);
    return names;
}

// The values another program wrote, without the mark the import adds to a key it reported.
std::map<std::string, std::pair<DWORD, std::string>> WithoutReportMark(
    std::map<std::string, std::pair<DWORD, std::string>> values) {
    values.erase("QuilldeckReported");
    return values;
}

TEST_F(RegistryMirrorTest, KeysWithoutATimeAreReportedOnceAndMovedToTheFrontWithAllTheirValues) {
    WriteReservation(0, {});
    Reservation noStop;
    noStop.stop.reset();
    noStop.strings = {{"Comment", "no stop"}};
    WriteReservation(1, noStop);
    Reservation badStart;
    badStart.start = Local(2024, 2, 30, 0, 0);
    badStart.numbers = {{"Channel", 12}};
    WriteReservation(2, badStart);
    WriteReservation(3, {});
    const auto keptFirst = RecordValues(1);
    const auto keptSecond = RecordValues(2);
    ImportReservationsFromRegistry(store_);

    EXPECT_EQ(store_.RecordProfiles.size(), 2u);
    EXPECT_EQ(RecordSubKeys(), (std::vector<std::string>{"0", "1"}));
    EXPECT_EQ(WithoutReportMark(RecordValues(0)), keptFirst);
    EXPECT_EQ(WithoutReportMark(RecordValues(1)), keptSecond);
    ASSERT_EQ(messages_.texts.size(), 2u);
    EXPECT_NE(messages_.texts[0].find("Record\\1"), std::string::npos);
    EXPECT_NE(messages_.texts[0].find("stopSysTime"), std::string::npos);
    EXPECT_NE(messages_.texts[1].find("Record\\2"), std::string::npos);
    EXPECT_NE(messages_.texts[1].find("startSysTime"), std::string::npos);

    // The next start finds the same two keys and says nothing more about them.
    ImportReservationsFromRegistry(store_);
    EXPECT_EQ(store_.RecordProfiles.size(), 2u);
    EXPECT_EQ(messages_.texts.size(), 2u);
    EXPECT_EQ(WithoutReportMark(RecordValues(0)), keptFirst);
    EXPECT_EQ(WithoutReportMark(RecordValues(1)), keptSecond);
}

TEST_F(RegistryMirrorTest, AnUnreadableFirstKeyStaysAtZeroAndDoesNotHideLaterKeys) {
    Reservation noLast;
    noLast.last.reset();
    noLast.strings = {{"Comment", "unreadable"}, {"Dir", "/keep/"}};
    noLast.numbers = {{"Wday", 0x3E}, {"SpinUp", 15}};
    WriteReservation(0, noLast);
    const auto unreadable = RecordValues(0);
    Reservation first;
    first.strings = {{"Comment", "first"}};
    WriteReservation(1, first);
    Reservation second;
    second.strings = {{"Comment", "second"}};
    WriteReservation(2, second);
    ImportReservationsFromRegistry(store_);

    ASSERT_EQ(store_.RecordProfiles.size(), 2u);
    EXPECT_EQ(store_.RecordProfiles[0]->Comment, "first");
    EXPECT_EQ(store_.RecordProfiles[1]->Comment, "second");
    EXPECT_EQ(RecordSubKeys(), (std::vector<std::string>{"0"}));
    EXPECT_EQ(WithoutReportMark(RecordValues(0)), unreadable);
    ASSERT_EQ(messages_.texts.size(), 1u);
    EXPECT_NE(messages_.texts[0].find("lastSysTime"), std::string::npos);

    // Another program adds a reservation at the next free number; the next start imports it.
    Reservation later;
    later.strings = {{"Comment", "later"}};
    WriteReservation(1, later);
    ImportReservationsFromRegistry(store_);
    ASSERT_EQ(store_.RecordProfiles.size(), 3u);
    EXPECT_EQ(store_.RecordProfiles[2]->Comment, "later");
    EXPECT_EQ(RecordSubKeys(), (std::vector<std::string>{"0"}));
    EXPECT_EQ(WithoutReportMark(RecordValues(0)), unreadable);
    EXPECT_EQ(messages_.texts.size(), 1u);
}

TEST_F(RegistryMirrorTest, AKeptKeyDoesNotMoveOverAnUnimportedKeyBeyondTheGap) {
    WriteReservation(0, {});
    Reservation noStart;
    noStart.start.reset();
    WriteReservation(1, noStart);
    WriteReservation(3, {});
    ImportReservationsFromRegistry(store_);
    EXPECT_EQ(store_.RecordProfiles.size(), 1u);
    EXPECT_EQ(RecordSubKeys(), (std::vector<std::string>{"0", "3"}));
    EXPECT_EQ(RecordValues(0).count("startSysTime"), 0u);
    EXPECT_EQ(RecordValues(3).count("startSysTime"), 1u);
}

TEST_F(RegistryMirrorTest, LoadImportsAfterTheFilesAndSaveMirrors) {
    Add(store_.DeviceProfiles, "from file");
    store_.CurrentDevice = store_.DeviceProfiles[0].get();
    ASSERT_TRUE(store_.SaveProfileFiles());
    WriteReservation(0, {});

    CProfileStore loaded(store_.ProfileDirectory(), &messages_);
    loaded.LoadProfiles();
    ASSERT_EQ(loaded.RecordProfiles.size(), 1u);
    EXPECT_EQ(loaded.RecordProfiles[0]->Device, "from file");
    loaded.SaveProfiles();
    EXPECT_EQ(Values("Software\\Talvin\\Quilldeck2\\Device").size(), 1u);
    EXPECT_TRUE(messages_.texts.empty());
}

}  // namespace
