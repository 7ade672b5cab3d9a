// The real program ended by SIGTERM leaves through its normal sequence: the profiles and
// "window.dat" are written before it exits.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTest>
#include <filesystem>

#include "platform/system/single_instance.h"
#include "tests/app/app_test_support.h"
#include "tests/support/temp_environment.h"

namespace {

TEST(Termination, SigtermRunsTheLeavingSequence) {
    TempEnvironment environment;
    TestApplication();
    const std::filesystem::path profiles = environment.ConfigHome() / "quilldeck";
    const std::string socket = SingleInstanceLock("quilldeck").SocketPath();

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QUILLDECK_HIDE_REAL_DEVICES"), QStringLiteral("1"));
    // The program's exit code is what is checked here; a sanitizer build of it reports GLib's
    // one-time allocations as leaks at exit, which the test programs keep reachable instead.
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(QD_QUILLDECK_BINARY), {});
    ASSERT_TRUE(program.waitForStarted(5000));
    // The channel listens only once signals are watched.
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(socket); }, 20000));
    EXPECT_FALSE(std::filesystem::exists(profiles / "window.dat"));

    program.terminate();  // SIGTERM
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(QProcess::NormalExit, program.exitStatus());
    EXPECT_EQ(0, program.exitCode());
    ASSERT_TRUE(std::filesystem::exists(profiles / "window.dat"));
    EXPECT_EQ(196u, std::filesystem::file_size(profiles / "window.dat"));
    for (const char* name : {"device.dat", "option.dat", "channel.dat"})
        EXPECT_TRUE(std::filesystem::exists(profiles / name)) << name;
}

}  // namespace
