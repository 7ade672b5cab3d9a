// Dialogs from templates without a display: control state, the Win32-style calls and the
// WM_COMMAND notifications of typing and clicking.
#include "platform/ui/dialog.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

ui::DialogTemplate SampleTemplate() {
    using namespace ui;
    DialogTemplate t{1, DS_SETFONT, u"", 100, 40, u"MS UI Gothic", 9, {}};
    t.controls = {{10, ControlKind::CheckBox, u"Check", 0, 0, 50, 10, BS_AUTOCHECKBOX | WS_TABSTOP},
                  {11, ControlKind::Edit, u"initial", 0, 12, 50, 12, ES_AUTOHSCROLL},
                  {12, ControlKind::PushButton, u"Go", 0, 26, 30, 12, WS_TABSTOP},
                  {IDC_STATIC, ControlKind::Static, u"About", 60, 0, 40, 10, SS_LEFT}};
    return t;
}

struct Message {
    UINT message;
    WPARAM wParam;
    bool operator==(const Message&) const = default;
};

class DialogTest : public ::testing::Test {
protected:
    DialogTest()
        : dialog(SampleTemplate(), [this](ui::Dialog*, UINT m, WPARAM w, LPARAM) {
              messages.push_back({m, w});
              return LRESULT{1};
          }) {}
    std::vector<Message> messages;
    ui::Dialog dialog;
};

TEST_F(DialogTest, StartsWithTheTemplatesTextsAndInitialises) {
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(ui::WM_INITDIALOG, messages[0].message);
    WCHAR text[5];
    EXPECT_EQ(4u, ui::GetDlgItemText(&dialog, 11, text, 5));  // truncated to fit with its NUL
    EXPECT_EQ(std::u16string(u"init"), std::u16string(text));
    EXPECT_EQ(0u, ui::GetDlgItemText(&dialog, 99, text, 5));
    EXPECT_EQ(ui::BST_UNCHECKED, ui::IsDlgButtonChecked(&dialog, 10));
}

TEST_F(DialogTest, TypingAndSettingAnEditSendEnChange) {
    messages.clear();
    EXPECT_TRUE(dialog.Type(11, u"42"));
    EXPECT_EQ(TRUE, ui::SetDlgItemText(&dialog, 11, u"43"));
    const WPARAM change = ui::MAKEWPARAM(11, ui::EN_CHANGE);
    EXPECT_EQ((std::vector<Message>{{ui::WM_COMMAND, change}, {ui::WM_COMMAND, change}}), messages);
    EXPECT_EQ(u"43", dialog.Text(11));
    EXPECT_FALSE(dialog.Type(10, u"x"));  // not an edit
}

TEST_F(DialogTest, ClickingTogglesAutoCheckBoxesAndNotifies) {
    messages.clear();
    EXPECT_TRUE(dialog.Click(10));
    EXPECT_EQ(ui::BST_CHECKED, ui::IsDlgButtonChecked(&dialog, 10));
    EXPECT_TRUE(dialog.Click(12));
    EXPECT_EQ((std::vector<Message>{{ui::WM_COMMAND, ui::MAKEWPARAM(10, ui::BN_CLICKED)},
                                    {ui::WM_COMMAND, ui::MAKEWPARAM(12, ui::BN_CLICKED)}}),
              messages);
    // Setting the state from code does not notify.
    messages.clear();
    EXPECT_EQ(TRUE, ui::CheckDlgButton(&dialog, 10, ui::BST_UNCHECKED));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(FALSE, ui::CheckDlgButton(&dialog, 11, ui::BST_CHECKED));
    EXPECT_FALSE(dialog.Click(11));
}

TEST(DialogUnits, ConvertWithTheFontSize) {
    const ui::DialogTemplate t = SampleTemplate();
    const ui::PixelSize size = ui::DialogUnitsToPixels(t, 152, 51);
    EXPECT_EQ(228, size.cx);
    EXPECT_EQ(76, size.cy);
}

}  // namespace
