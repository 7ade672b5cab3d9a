#include "app/splash_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>

#include "app/quilldeck_app.h"
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
    EXPECT_TRUE(press.isAccepted());
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

// Keys typed while the splash is up, through the application's own input filter and Qt's
// real key path (shortcut offer first, then the press to the focused control).
class SplashKeyTest : public SplashTest {
protected:
    void SetUp() override {
        SplashTest::SetUp();
        qApp->installEventFilter(&app_);  // what the application does when it starts
        edit_ = new QLineEdit(&window_);
        shortcut_ = new QAction(&window_);
        shortcut_->setShortcut(QKeySequence(Qt::Key_F5));
        window_.addAction(shortcut_);
        QObject::connect(shortcut_, &QAction::triggered, &window_, [this] { ++shortcutsTriggered_; });
        window_.show();
        Focus();
    }

    // The window active with the focus in its line edit (showing or hiding the splash, a
    // window of its own, may move the activation).
    void Focus() {
        window_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
        edit_->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([this] { return edit_->hasFocus(); }, 2000));
    }

    void ShowSplashOverTheWindow() {
        CSplashWindow::ShowSplash(&window_);
        ASSERT_NE(CSplashWindow::Current(), nullptr);
        Focus();
    }

    QApplication& application_ = TestApplication();  // before the widgets below
    CQuilldeckApp app_;
    QWidget window_;
    QLineEdit* edit_ = nullptr;
    QAction* shortcut_ = nullptr;
    int shortcutsTriggered_ = 0;
};

TEST_F(SplashKeyTest, KeyThatDismissesTheSplashNeverReachesTheFocusedControl) {
    ShowSplashOverTheWindow();
    QTest::keyClick(edit_, Qt::Key_A);
    EXPECT_EQ(CSplashWindow::Current(), nullptr);
    EXPECT_EQ(edit_->text(), QString());
    Focus();
    QTest::keyClick(edit_, Qt::Key_B);  // the splash is gone: typing works again
    EXPECT_EQ(edit_->text(), QStringLiteral("b"));
}

TEST_F(SplashKeyTest, KeyThatDismissesTheSplashTriggersNoShortcut) {
    ShowSplashOverTheWindow();
    QTest::keyClick(edit_, Qt::Key_F5);
    EXPECT_EQ(CSplashWindow::Current(), nullptr);
    EXPECT_EQ(shortcutsTriggered_, 0);
    Focus();
    QTest::keyClick(edit_, Qt::Key_F5);
    EXPECT_EQ(shortcutsTriggered_, 1);
}

}  // namespace
