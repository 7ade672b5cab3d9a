// The auto-tune table in the registry's local machine hive: key names, overrides and the
// values a tuner must ignore.
#include "platform/media/tuning/auto_tune_table.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/registry/registry.h"
#include "tests/support/temp_environment.h"

namespace media {
namespace {

class AutoTuneTable : public testing::Test {
protected:
    // Writes a raw value into a key as another program could.
    static void WriteRaw(const std::string& keyPath, const char* name, DWORD type, const void* data, DWORD size) {
        HKEY key = nullptr;
        char emptyClass[] = "";
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, emptyClass,
                                                 REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr));
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size));
        RegCloseKey(key);
    }
    static bool KeyExists(const std::string& keyPath) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }

    TempEnvironment environment_;
};

TEST_F(AutoTuneTable, KeyIsNamedByTuningSpaceAndCableAsOne) {
    EXPECT_EQ("Software\\Microsoft\\TV System Services\\TVAutoTune\\TS0-1", AutoTuneKeyPath(0, TunerInputCable));
    EXPECT_EQ("Software\\Microsoft\\TV System Services\\TVAutoTune\\TS0-0", AutoTuneKeyPath(0, TunerInputAntenna));
    EXPECT_EQ("Software\\Microsoft\\TV System Services\\TVAutoTune\\TS12-0", AutoTuneKeyPath(12, TunerInputAntenna));
    EXPECT_EQ("Software\\Microsoft\\TV System Services\\TVAutoTune\\TS-3-1", AutoTuneKeyPath(-3, TunerInputCable));
}

TEST_F(AutoTuneTable, AValueNamedByTheChannelOverridesItsFrequency) {
    const DWORD hz = 187'250'000;
    WriteRaw(AutoTuneKeyPath(2, TunerInputAntenna), "5", REG_DWORD, &hz, sizeof hz);
    EXPECT_EQ(std::optional<LONG>(187'250'000), FrequencyOverride(2, TunerInputAntenna, 5));
    EXPECT_FALSE(FrequencyOverride(2, TunerInputAntenna, 6).has_value()) << "another channel";
    EXPECT_FALSE(FrequencyOverride(2, TunerInputCable, 5).has_value()) << "the cable table is another key";
    EXPECT_FALSE(FrequencyOverride(3, TunerInputAntenna, 5).has_value()) << "another tuning space";
}

TEST_F(AutoTuneTable, ValuesThatAreNoFrequencyAreIgnored) {
    const std::string key = AutoTuneKeyPath(0, TunerInputAntenna);
    const DWORD zero = 0;
    const DWORD aboveLong = 0x8000'0000u;
    const DWORD highest = 0xFFFF'FFFFu;
    const DWORD largest = static_cast<DWORD>(std::numeric_limits<LONG>::max());
    WriteRaw(key, "1", REG_DWORD, &zero, sizeof zero);
    WriteRaw(key, "2", REG_DWORD, &aboveLong, sizeof aboveLong);
    WriteRaw(key, "3", REG_DWORD, &highest, sizeof highest);
    WriteRaw(key, "4", REG_SZ, "95250000", 9);
    WriteRaw(key, "5", REG_BINARY, "\x01\x02", 2);
    WriteRaw(key, "6", REG_DWORD, &largest, sizeof largest);
    for (LONG channel : {1, 2, 3, 4, 5}) EXPECT_FALSE(FrequencyOverride(0, TunerInputAntenna, channel).has_value()) << channel;
    EXPECT_EQ(std::optional<DWORD>(0x8000'0000u), ReadAutoTuneEntry(0, TunerInputAntenna, 2)) << "kept as stored";
    EXPECT_FALSE(ReadAutoTuneEntry(0, TunerInputAntenna, 4).has_value());
    EXPECT_EQ(std::optional<LONG>(std::numeric_limits<LONG>::max()), FrequencyOverride(0, TunerInputAntenna, 6));
}

TEST_F(AutoTuneTable, StoringWritesADwordAndClearingKeepsTheKey) {
    const std::string key = AutoTuneKeyPath(4, TunerInputCable);
    EXPECT_FALSE(KeyExists(key));
    ASSERT_EQ(ERROR_SUCCESS, StoreAutoTuneEntry(4, TunerInputCable, 13, std::nullopt)) << "clearing a missing value";
    EXPECT_TRUE(KeyExists(key)) << "the key is made even when nothing is written";
    ASSERT_EQ(ERROR_SUCCESS, StoreAutoTuneEntry(4, TunerInputCable, 13, 110'000'000u));
    EXPECT_EQ(std::optional<DWORD>(110'000'000u), ReadAutoTuneEntry(4, TunerInputCable, 13));
    ASSERT_EQ(ERROR_SUCCESS, StoreAutoTuneEntry(4, TunerInputCable, 13, std::nullopt));
    EXPECT_FALSE(ReadAutoTuneEntry(4, TunerInputCable, 13).has_value());
    EXPECT_TRUE(KeyExists(key));
}

}  // namespace
}  // namespace media
