// What a presenter relies on: combo boxes and group boxes in templates, the change listener
// that mirrors every control change, and the host that hears of a page's dialog.
#include <gtest/gtest.h>

#include <vector>

#include "platform/ui/dialog.h"
#include "platform/ui/dialog_host.h"

namespace {

ui::DialogTemplate ComboTemplate() {
    using namespace ui;
    DialogTemplate t{2, DS_SETFONT, u"", 100, 60, u"MS UI Gothic", 9, {}};
    t.controls = {{20, ControlKind::GroupBox, u"Input", 0, 0, 100, 60, BS_GROUPBOX},
                  {21, ControlKind::ComboBox, u"Tuner\nComposite\nS-Video", 5, 10, 60, 40, CBS_DROPDOWNLIST},
                  {22, ControlKind::CheckBox, u"Fixed", 5, 30, 40, 10, BS_AUTOCHECKBOX},
                  {23, ControlKind::Edit, u"", 5, 45, 40, 12, ES_AUTOHSCROLL}};
    return t;
}

class PresenterSupportTest : public ::testing::Test {
protected:
    PresenterSupportTest()
        : dialog(ComboTemplate(), [this](ui::Dialog*, UINT m, WPARAM w, LPARAM) {
              if (m == ui::WM_COMMAND) commands.push_back(w);
              return LRESULT{1};
          }) {
        dialog.SetChangeListener([this](int id) { changed.push_back(id); });
    }
    std::vector<WPARAM> commands;
    std::vector<int> changed;
    ui::Dialog dialog;
};

TEST_F(PresenterSupportTest, ComboSelectsOnlyItsOwnItems) {
    EXPECT_TRUE(dialog.Text(21).empty());
    EXPECT_TRUE(dialog.Select(21, u"Composite"));
    EXPECT_EQ(u"Composite", dialog.Text(21));
    EXPECT_FALSE(dialog.Select(21, u"Compo"));
    EXPECT_FALSE(dialog.Select(22, u"Fixed"));
    EXPECT_EQ(u"Composite", dialog.Text(21));
    ASSERT_EQ(1u, commands.size());
    EXPECT_EQ(ui::MAKEWPARAM(21, ui::CBN_SELCHANGE), commands[0]);
    EXPECT_EQ(std::vector<int>{21}, changed);
}

TEST_F(PresenterSupportTest, GroupBoxIsNeitherClickedNorTyped) {
    EXPECT_FALSE(dialog.Click(20));
    EXPECT_FALSE(dialog.Type(20, u"x"));
    EXPECT_EQ(u"Input", dialog.Text(20));
    EXPECT_TRUE(commands.empty());
}

TEST_F(PresenterSupportTest, ListenerHearsChangesByThePageAndByTheUser) {
    dialog.Click(22);
    ui::SetDlgItemText(&dialog, 23, u"12");
    ui::CheckDlgButton(&dialog, 22, ui::BST_UNCHECKED);
    dialog.Type(23, u"13");
    EXPECT_EQ((std::vector<int>{22, 23, 22, 23}), changed);
    dialog.SetChangeListener(nullptr);
    dialog.Click(22);
    EXPECT_EQ(4u, changed.size());
}

class RecordingHost : public ui::DialogHost {
public:
    void DialogCreated(ui::Dialog* dialog) override { created.push_back(dialog); }
    void DialogDestroyed(ui::Dialog* dialog) override { destroyed.push_back(dialog); }
    std::vector<ui::Dialog*> created, destroyed;
};

TEST_F(PresenterSupportTest, HostHearsOnlyOfDialogsForItsParent) {
    RecordingHost host;
    const HWND parent = reinterpret_cast<HWND>(std::intptr_t{7});
    const HWND other = reinterpret_cast<HWND>(std::intptr_t{8});
    ui::SetDialogHost(parent, &host);
    ui::AttachDialog(other, &dialog);
    ui::AttachDialog(parent, &dialog);
    ui::DetachDialog(parent, &dialog);
    ui::SetDialogHost(parent, nullptr);
    ui::AttachDialog(parent, &dialog);
    EXPECT_EQ(std::vector<ui::Dialog*>{&dialog}, host.created);
    EXPECT_EQ(std::vector<ui::Dialog*>{&dialog}, host.destroyed);
}

}  // namespace
