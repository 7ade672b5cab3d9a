#include "app/main_toolbar.h"

#include <QAction>

#include "app/command_table.h"
#include "app/toolbar_customize_dialog.h"
#include "app/toolbar_layout.h"
#include "app/ui_texts.h"

CMainToolBar::CMainToolBar(QWidget* parent) : QToolBar(texts::ToolBarTitle(), parent) {
    setObjectName(QStringLiteral("ToolBar"));
    setIconSize(QSize(16, 15));
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setFloatable(true);
    setMovable(true);
}

void CMainToolBar::SetCommands(std::map<int, QAction*> commands) { commands_ = std::move(commands); }

std::vector<int> CMainToolBar::KnownCommands() const {
    std::vector<int> known;
    for (int id : DefaultToolBarButtons())
        if (commands_.count(id)) known.push_back(id);
    return known;
}

std::vector<int> CMainToolBar::Layout() const {
    std::vector<int> layout;
    for (QAction* action : actions()) layout.push_back(action->isSeparator() ? kToolBarSeparator : action->data().toInt());
    return layout;
}

void CMainToolBar::SetLayout(const std::vector<int>& layout) {
    clear();
    for (int id : layout) {
        if (id == kToolBarSeparator) {
            addSeparator();
        } else if (auto it = commands_.find(id); it != commands_.end()) {
            addAction(it->second);
        }
    }
}

void CMainToolBar::ResetLayout() {
    const auto defaults = DefaultToolBarButtons();
    SetLayout(std::vector<int>(defaults.begin(), defaults.end()));
}

void CMainToolBar::LoadLayout() {
    if (auto stored = ReadToolBarLayout(KnownCommands())) {
        SetLayout(*stored);
        return;
    }
    ResetLayout();
}

bool CMainToolBar::SaveLayout() const { return WriteToolBarLayout(Layout()); }

void CMainToolBar::Customize() {
    std::vector<ToolBarButtonChoice> choices;
    for (int id : KnownCommands()) {
        QAction* action = commands_.at(id);
        choices.push_back({id, action->icon(), action->toolTip()});
    }
    const auto defaults = DefaultToolBarButtons();
    CToolBarCustomizeDialog dialog(std::move(choices), Layout(), std::vector<int>(defaults.begin(), defaults.end()),
                                   parentWidget());
    if (dialog.exec() != QDialog::Accepted) return;
    SetLayout(dialog.ChosenLayout());
    SaveLayout();
}
