// The application object in this process: start-up with its window, the end of the desktop
// session, and the filter modules registered at start-up.
#include "app/quilldeck_app.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QSessionManager>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/instance_channel.h"
#include "app/main_frame.h"
#include "app/message_bar.h"
#include "app/splash_window.h"
#include "app/window_state.h"
#include "common/module_interfaces.h"
#include "platform/com/com_runtime.h"
#include "platform/com/unknown.h"
#include "platform/system/profile_directory.h"
#include "platform/system/single_instance.h"
#include "tests/app/app_test_support.h"
#include "tests/support/temp_environment.h"

namespace fs = std::filesystem;

namespace {

class QuilldeckAppTest : public testing::Test {
protected:
    void SetUp() override {
        TestApplication();
        profiles_ = ResolveProfileDirectory();
        ASSERT_FALSE(profiles_.empty());
    }
    void TearDown() override {
        CSplashWindow::HideSplash();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    TempEnvironment environment_;
    std::string profiles_;
};

std::vector<BYTE> ReadBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST_F(QuilldeckAppTest, WindowLeftMinimisedComesBackIconifiedAndCanBeRaised) {
    {
        // The run before (the instance lock of a process lasts as long as the process).
        CMainFrame before(profiles_, QString::fromStdString(profiles_ + "Talvin.dat"));
        ASSERT_TRUE(before.Create());
        before.RunStartupSequence();
        before.LoadWindowState();
        before.show();
        before.showMinimized();
        ASSERT_TRUE(before.isMinimized());
        before.RunLeavingSequence();  // stores the minimised placement
    }
    const auto saved = ParseWindowState(ReadBytes(profiles_ + "window.dat"));
    ASSERT_TRUE(saved);
    ASSERT_EQ(saved->Placement.showCmd, static_cast<UINT>(SW_SHOWMINIMIZED));

    CQuilldeckApp app;
    ASSERT_TRUE(app.InitInstance());
    CMainFrame* frame = app.MainFrame();
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(frame->isMinimized());

    // Another copy started by the user brings it back.
    const QString socket = QString::fromStdString(SingleInstanceLock(CQuilldeckApp::InstanceName().toStdString()).SocketPath());
    ASSERT_TRUE(CInstanceChannel::RequestRaise(socket, 2000));
    EXPECT_TRUE(QTest::qWaitFor([frame] { return !frame->isMinimized(); }, 5000));
    EXPECT_TRUE(frame->isVisible());
}

TEST_F(QuilldeckAppTest, LogoutQueryLeavesThePreviewRunningAndSavesNothing) {
    CQuilldeckApp app;
    ASSERT_TRUE(app.InitInstance());
    CMainFrame* frame = app.MainFrame();
    ASSERT_EQ(frame->Engine().Session().Previewing, 1u);

    // The desktop asks whether the session may end; the user may still cancel the logout.
    auto* sessionManager = qApp->findChild<QSessionManager*>();
    ASSERT_NE(sessionManager, nullptr);
    emit qApp->commitDataRequest(*sessionManager);
    QTest::qWait(50);

    EXPECT_FALSE(frame->HasLeft());
    EXPECT_EQ(frame->Engine().Session().Previewing, 1u);
    EXPECT_FALSE(fs::exists(profiles_ + "window.dat"));
    EXPECT_FALSE(fs::exists(profiles_ + "device.dat"));

    // The session really ends: the application quits, and the leaving sequence runs once.
    ASSERT_TRUE(QMetaObject::invokeMethod(qApp, "aboutToQuit", Qt::DirectConnection));
    EXPECT_TRUE(frame->HasLeft());
    EXPECT_EQ(frame->Engine().Session().Previewing, 0u);
    EXPECT_TRUE(fs::exists(profiles_ + "window.dat"));
    EXPECT_TRUE(fs::exists(profiles_ + "device.dat"));
}

// Start-up registers the modules lying beside the program when the user's registry lacks them.
TEST_F(QuilldeckAppTest, StartUpRegistersTheModulesBesideTheProgram) {
    ASSERT_EQ(ExecutableDirectory(), fs::path(QD_STAMPFIX_PATH).parent_path().string() + "/");
    CQuilldeckApp app;
    ASSERT_TRUE(app.InitInstance());
    for (REFCLSID clsid : {CLSID_Stampfix, CLSID_TalvinClock}) {
        ComPtr<IUnknown> object;
        EXPECT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                         object.ReleaseAndGetVoidAddress()));
    }
    QComboBox* reports = app.MainFrame()->MessageBar()->Reports();
    for (int i = 0; i < reports->count(); ++i) {
        EXPECT_FALSE(reports->itemText(i).contains(QStringLiteral("LoadLibrary")));
        EXPECT_FALSE(reports->itemText(i).contains(QStringLiteral("DllRegisterServer")));
    }
}

}  // namespace
