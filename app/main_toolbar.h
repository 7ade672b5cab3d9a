// The main window's toolbar: buttons for the window's command actions in a layout the user can
// change (through its customisation dialog) and that is kept in the registry.
#pragma once

#include <QToolBar>
#include <map>
#include <vector>

class QAction;

class CMainToolBar : public QToolBar {
    Q_OBJECT

public:
    explicit CMainToolBar(QWidget* parent);

    // The action of every command that may be a button, by command id.
    void SetCommands(std::map<int, QAction*> commands);
    // The buttons and separators in order (separators as 0).
    std::vector<int> Layout() const;
    // Places the buttons; unknown ids are left out.
    void SetLayout(const std::vector<int>& layout);
    void ResetLayout();

    // The layout from the registry, else the default one.
    void LoadLayout();
    bool SaveLayout() const;

    // The customisation dialog; a layout accepted there is shown and saved at once.
    void Customize();

    std::vector<int> KnownCommands() const;

private:
    std::map<int, QAction*> commands_;
};
