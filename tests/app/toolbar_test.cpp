#include "app/main_toolbar.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QTimer>

#include "app/command_table.h"
#include "app/main_frame.h"
#include "app/resource_ids.h"
#include "app/splash_window.h"
#include "app/toolbar_customize_dialog.h"
#include "app/toolbar_layout.h"
#include "platform/registry/registry.h"
#include "platform/system/profile_directory.h"
#include "tests/app/app_test_support.h"
#include "tests/support/temp_environment.h"

namespace {

std::vector<int> Defaults() {
    const auto defaults = DefaultToolBarButtons();
    return {defaults.begin(), defaults.end()};
}

TEST(ToolBarLayout, EncodesEachPlaceAsALittleEndianWord) {
    const std::vector<int> layout = {34000, kToolBarSeparator, 57664};
    const std::vector<BYTE> bytes = EncodeToolBarLayout(layout);
    EXPECT_EQ(bytes, (std::vector<BYTE>{0xD0, 0x84, 0, 0, 0, 0, 0, 0, 0x40, 0xE1, 0, 0}));
    EXPECT_EQ(DecodeToolBarLayout(bytes, Defaults()), layout);
}

// A stored layout names only buttons the toolbar has, each once; a value of the wrong length is
// no layout at all.
TEST(ToolBarLayout, DecodingDropsUnknownAndRepeatedButtons) {
    const std::vector<int> stored = {34001, 99999, 34001, kToolBarSeparator, 34000};
    EXPECT_EQ(DecodeToolBarLayout(EncodeToolBarLayout(stored), Defaults()),
              (std::vector<int>{34001, kToolBarSeparator, 34000}));
    std::vector<BYTE> ragged = EncodeToolBarLayout(stored);
    ragged.pop_back();
    EXPECT_FALSE(DecodeToolBarLayout(ragged, Defaults()));
    EXPECT_EQ(DecodeToolBarLayout({}, Defaults()), std::vector<int>{});
}

class ToolBarTest : public testing::Test {
protected:
    void SetUp() override {
        TestApplication();
        CSplashWindow::EnableSplash(false);
        directory_ = ResolveProfileDirectory();
    }

    std::unique_ptr<CMainFrame> NewFrame() {
        auto frame = std::make_unique<CMainFrame>(directory_, QString::fromStdString(directory_ + "Talvin.dat"));
        frame->SetMessageBoxHandler([](const QString&) {});
        EXPECT_TRUE(frame->Create());
        frame->LoadWindowState();
        return frame;
    }

    TempEnvironment environment_;
    std::string directory_;
};

TEST_F(ToolBarTest, FirstStartShowsTheNineteenButtonsWithTheirTips) {
    auto frame = NewFrame();
    EXPECT_EQ(frame->ToolBar()->Layout(), Defaults());
    EXPECT_EQ(frame->Command(ids::Record)->toolTip(), QString::fromUtf8("録画"));
    EXPECT_EQ(frame->Command(ids::Stop)->toolTip(), QString::fromUtf8("停止"));
    EXPECT_EQ(frame->Command(ids::StillImage)->toolTip(), QString::fromUtf8("静止画"));
}

// The layout goes to HKEY_CURRENT_USER\Software\Talvin\Quilldeck2\ "ToolBar" and the next
// window starts with it.
TEST_F(ToolBarTest, LayoutIsSavedToTheRegistryAndRestored) {
    const std::vector<int> chosen = {ids::SaveProfiles, kToolBarSeparator, ids::FullScreen, ids::About};
    {
        auto frame = NewFrame();
        frame->ToolBar()->SetLayout(chosen);
        frame->RunLeavingSequence();
    }
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Talvin\\Quilldeck2", 0, KEY_READ, &key), ERROR_SUCCESS);
    BYTE data[64];
    DWORD type = 0, size = sizeof data;
    ASSERT_EQ(RegQueryValueExA(key, "ToolBar", nullptr, &type, data, &size), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(std::vector<BYTE>(data, data + size), EncodeToolBarLayout(chosen));

    auto next = NewFrame();
    EXPECT_EQ(next->ToolBar()->Layout(), chosen);
}

TEST_F(ToolBarTest, AMalformedStoredLayoutGivesTheDefault) {
    HKEY key = nullptr;
    char emptyClass[] = "";
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kToolBarKey, 0, emptyClass, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const BYTE odd[] = {1, 2, 3};
    ASSERT_EQ(RegSetValueExA(key, "ToolBar", 0, REG_BINARY, odd, sizeof odd), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(NewFrame()->ToolBar()->Layout(), Defaults());
}

// The customisation command opens the dialog; what is accepted there is shown and kept at once.
TEST_F(ToolBarTest, CustomizingChangesAndSavesTheLayout) {
    auto frame = NewFrame();
    bool opened = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CToolBarCustomizeDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        opened = true;
        dialog->Current()->setCurrentRow(0);  // record
        dialog->RemoveSelected();
        dialog->Current()->setCurrentRow(0);  // stop, now first
        dialog->MoveSelected(1);
        dialog->Available()->setCurrentRow(0);  // the separator
        dialog->Current()->setCurrentRow(0);
        dialog->AddSelected();
        dialog->accept();
    });
    frame->Command(ids::CustomizeToolBar)->trigger();
    ASSERT_TRUE(opened);
    std::vector<int> expected = Defaults();
    expected.erase(expected.begin());                     // record removed
    std::swap(expected[0], expected[1]);                  // stop moved down
    expected.insert(expected.begin() + 1, kToolBarSeparator);  // separator after the first place
    EXPECT_EQ(frame->ToolBar()->Layout(), expected);
    EXPECT_EQ(ReadToolBarLayout(Defaults()), expected);
}

TEST_F(ToolBarTest, TheDialogResetsToTheDefault) {
    std::vector<ToolBarButtonChoice> choices;
    for (int id : Defaults()) choices.push_back({id, QIcon(), QString::number(id)});
    CToolBarCustomizeDialog dialog(choices, {ids::About}, Defaults(), nullptr);
    EXPECT_EQ(dialog.Available()->count(), 1 + 18);  // the separator and the buttons not placed
    dialog.Reset();
    EXPECT_EQ(dialog.ChosenLayout(), Defaults());
    EXPECT_EQ(dialog.Available()->count(), 1);
}

// Menu 346 on the bars: the customisation command.
TEST_F(ToolBarTest, TheBarsMenuHoldsTheCustomisation) {
    auto frame = NewFrame();
    std::unique_ptr<QMenu> menu(frame->createPopupMenu());
    ASSERT_TRUE(menu);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->data().toInt(), ids::CustomizeToolBar);
    EXPECT_EQ(menu->actions()[0]->text(), QString::fromUtf8("ユーザー設定..."));
}

}  // namespace
