#include "app/splash_window.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>

#include "tests/app/app_test_support.h"

namespace {

class SplashTest : public testing::Test {
protected:
    void SetUp() override {
        TestApplication();
        CSplashWindow::EnableSplash(true);
    }
    void TearDown() override {
        CSplashWindow::HideSplash();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

TEST_F(SplashTest, ShowsOnlyWhenEnabledAndOnlyOnce) {
    CSplashWindow::EnableSplash(false);
    CSplashWindow::ShowSplash(nullptr);
    EXPECT_EQ(CSplashWindow::Current(), nullptr);
    CSplashWindow::EnableSplash(true);
    CSplashWindow::ShowSplash(nullptr);
    CSplashWindow* first = CSplashWindow::Current();
    ASSERT_NE(first, nullptr);
    CSplashWindow::ShowSplash(nullptr);
    EXPECT_EQ(CSplashWindow::Current(), first);
}

TEST_F(SplashTest, ProgressText) {
    CSplashWindow::SetSplashText(QStringLiteral("nothing shown"));  // no splash: no effect
    CSplashWindow::ShowSplash(nullptr);
    CSplashWindow::SetSplashText(QStringLiteral("Building Preview Graph"));
    EXPECT_EQ(CSplashWindow::Current()->Text(), QStringLiteral("Building Preview Graph"));
}

TEST_F(SplashTest, KeyPressHidesAndIsConsumed) {
    CSplashWindow::ShowSplash(nullptr);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    EXPECT_TRUE(CSplashWindow::FilterSplashMessage(&press));
    EXPECT_EQ(CSplashWindow::Current(), nullptr);
    EXPECT_FALSE(CSplashWindow::FilterSplashMessage(&press));  // nothing to hide: passed on
}

TEST_F(SplashTest, MousePressHidesAndIsConsumed) {
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::NonClientAreaMouseButtonPress}) {
        CSplashWindow::ShowSplash(nullptr);
        QMouseEvent press(type, QPointF(5, 5), QPointF(5, 5), Qt::RightButton, Qt::RightButton, Qt::NoModifier);
        EXPECT_TRUE(CSplashWindow::FilterSplashMessage(&press));
        EXPECT_EQ(CSplashWindow::Current(), nullptr);
    }
}

TEST_F(SplashTest, OtherInputPassesThrough) {
    CSplashWindow::ShowSplash(nullptr);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier);
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    EXPECT_FALSE(CSplashWindow::FilterSplashMessage(&release));
    EXPECT_FALSE(CSplashWindow::FilterSplashMessage(&move));
    EXPECT_NE(CSplashWindow::Current(), nullptr);
}

TEST_F(SplashTest, GoesAwayOnItsTimerOnceEventsRun) {
    CSplashWindow::ShowSplash(nullptr);
    ASSERT_NE(CSplashWindow::Current(), nullptr);
    QTest::qWait(300);
    EXPECT_NE(CSplashWindow::Current(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([] { return CSplashWindow::Current() == nullptr; }, 2000));
}

}  // namespace
