#include "platform/system/single_instance.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include "app/instance_channel.h"
#include "platform/com/hresult.h"
#include "platform/system/last_error.h"
#include "tests/app/app_test_support.h"
#include "tests/support/temp_environment.h"

namespace {

TEST(SingleInstance, SecondLockIsRefusedWithAlreadyExists) {
    TempEnvironment environment;
    SingleInstanceLock first("quilldeck");
    ASSERT_TRUE(first.Acquire());
    EXPECT_EQ(first.LockPath(), (environment.RuntimeDir() / "quilldeck.lock").string());
    SingleInstanceLock second("quilldeck");
    EXPECT_FALSE(second.Acquire());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    SingleInstanceLock other("another");
    EXPECT_TRUE(other.Acquire());
}

TEST(SingleInstance, RaiseRequestWithoutAFirstCopyFails) {
    TempEnvironment environment;
    TestApplication();
    SingleInstanceLock lock("quilldeck");
    EXPECT_FALSE(CInstanceChannel::RequestRaise(QString::fromStdString(lock.SocketPath()), 200));
}

// The real program started while this process holds the lock ends at once, silently, and its
// request to come to the front arrives here.
TEST(SingleInstance, SecondProgramEndsAtOnceAndRaisesTheFirst) {
    TempEnvironment environment;
    TestApplication();
    SingleInstanceLock lock("quilldeck");
    ASSERT_TRUE(lock.Acquire());
    CInstanceChannel channel;
    ASSERT_TRUE(channel.Listen(QString::fromStdString(lock.SocketPath())));
    QSignalSpy raised(&channel, &CInstanceChannel::RaiseRequested);

    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    second.setProcessEnvironment(env);
    QElapsedTimer elapsed;
    elapsed.start();
    second.start(QStringLiteral(QD_QUILLDECK_BINARY), {});
    ASSERT_TRUE(second.waitForStarted(5000));
    // Keep this event loop turning so the request is received while the second copy waits.
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_LT(elapsed.elapsed(), 8000);
    EXPECT_TRUE(QTest::qWaitFor([&] { return raised.count() >= 1; }, 2000));
    EXPECT_FALSE(std::filesystem::exists(environment.ConfigHome() / "quilldeck" / "window.dat"));
}

}  // namespace
