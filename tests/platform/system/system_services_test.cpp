#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/system/disk_space.h"
#include "platform/system/last_error.h"
#include "platform/system/local_time.h"
#include "platform/system/message_beep.h"
#include "platform/system/multimedia_timer.h"
#include "platform/system/profile_directory.h"
#include "tests/support/temp_environment.h"

namespace fs = std::filesystem;

namespace {

TEST(ProfileDirectory, PortableCopyUsesItsOwnDirectory) {
    TempEnvironment env;
    const fs::path exeDir = env.Root() / "portable-copy";
    fs::create_directories(exeDir);
    std::ofstream(exeDir / "portable").put('\n');
    EXPECT_EQ(exeDir.string() + "/", ResolveProfileDirectoryFor(exeDir.string()));
}

TEST(ProfileDirectory, InstalledCopyUsesTheConfigDirectoryAndCreatesIt) {
    TempEnvironment env;
    const fs::path exeDir = env.Root() / "installed";
    fs::create_directories(exeDir);
    const std::string dir = ResolveProfileDirectoryFor(exeDir.string());
    EXPECT_EQ(env.ConfigHome().string() + "/quilldeck/", dir);
    EXPECT_TRUE(fs::is_directory(dir));
}

TEST(ProfileDirectory, RelativeConfigHomeIsIgnored) {
    TempEnvironment env;
    setenv("XDG_CONFIG_HOME", "relative/dir", 1);
    setenv("HOME", env.Root().c_str(), 1);
    EXPECT_EQ(env.Root().string() + "/.config/", ConfigHomeDirectory());
}

TEST(MultimediaTimer, CountsMillisecondsForward) {
    const DWORD start = timeGetTime();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const DWORD elapsed = timeGetTime() - start;  // unsigned difference survives the wrap
    EXPECT_GE(elapsed, 29u);
    EXPECT_LT(elapsed, 2000u);
}

TEST(MultimediaTimer, PeriodsMustPairAndBeInRange) {
    TIMECAPS caps{};
    ASSERT_EQ(TIMERR_NOERROR, timeGetDevCaps(&caps, sizeof caps));
    EXPECT_EQ(1u, caps.wPeriodMin);
    EXPECT_EQ(TIMERR_NOCANDO, timeGetDevCaps(&caps, 4));
    EXPECT_EQ(TIMERR_NOCANDO, timeBeginPeriod(0));
    EXPECT_EQ(TIMERR_NOCANDO, timeEndPeriod(7));
    EXPECT_EQ(TIMERR_NOERROR, timeBeginPeriod(7));
    EXPECT_EQ(TIMERR_NOERROR, timeEndPeriod(7));
    EXPECT_EQ(TIMERR_NOCANDO, timeEndPeriod(7));
}

TEST(LastError, IsPerThreadAndMapsToHResult) {
    SetLastError(0);
    EXPECT_EQ(0, HResultFromLastError());
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(0x80070005u, static_cast<std::uint32_t>(HResultFromLastError()));
    SetLastError(0x12345);
    EXPECT_EQ(0x80072345u, static_cast<std::uint32_t>(HResultFromLastError()));
    std::thread([] { EXPECT_EQ(0u, GetLastError()); }).join();
}

TEST(LocalTime, SystemTimeRoundTripsThroughSeconds) {
    const SYSTEMTIME st{2026, 12, 0, 7, 23, 0, 5, 0};
    std::time_t t = 0;
    ASSERT_TRUE(LocalSystemTimeToTime(st, &t));
    SYSTEMTIME back{};
    ASSERT_TRUE(TimeToLocalSystemTime(t, &back));
    EXPECT_EQ(2026, back.wYear);
    EXPECT_EQ(12, back.wMonth);
    EXPECT_EQ(7, back.wDay);
    EXPECT_EQ(1, back.wDayOfWeek);  // a Monday
    EXPECT_EQ(23, back.wHour);
    EXPECT_EQ(5, back.wSecond);
    EXPECT_EQ(FormatLocalTime("%Y-%m-%d %H:%M:%S", t), "2026-12-07 23:00:05");
}

TEST(LocalTime, ImpossibleDatesAreRefused) {
    std::time_t t = 42;
    EXPECT_FALSE(LocalSystemTimeToTime(SYSTEMTIME{2026, 13, 0, 1, 0, 0, 0, 0}, &t));
    EXPECT_FALSE(LocalSystemTimeToTime(SYSTEMTIME{2026, 0, 0, 1, 0, 0, 0, 0}, &t));
    EXPECT_FALSE(LocalSystemTimeToTime(SYSTEMTIME{2026, 1, 0, 1, 24, 0, 0, 0}, &t));
    EXPECT_FALSE(LocalSystemTimeToTime(SYSTEMTIME{2026, 2, 0, 30, 12, 0, 0, 0}, &t));
    EXPECT_EQ(42, t);
}

TEST(DiskSpace, ReportsAnExistingDirectoryAndFailsForAMissingOne) {
    TempEnvironment env;
    ULARGE_INTEGER available{}, total{}, free{};
    ASSERT_TRUE(GetDiskFreeSpaceExA(env.Root().c_str(), &available, &total, &free));
    EXPECT_GT(total.QuadPart, 0u);
    EXPECT_LE(available.QuadPart, total.QuadPart);
    EXPECT_FALSE(GetDiskFreeSpaceExA((env.Root() / "missing").c_str(), &available, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST(MessageBeep, GoesToTheInstalledHandler) {
    UINT heard = 99;
    SetMessageBeepHandler([&](UINT type) { heard = type; });
    EXPECT_TRUE(MessageBeep(0));
    EXPECT_EQ(0u, heard);
    SetMessageBeepHandler(nullptr);
}

}  // namespace
