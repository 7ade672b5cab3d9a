// The toolbar's customisation dialog: the buttons not on the toolbar (and a separator) on the
// left, the toolbar's places on the right; add, remove, move up and down, reset to the default.
#pragma once

#include <QDialog>
#include <QIcon>
#include <vector>

class QListWidget;
class QListWidgetItem;

struct ToolBarButtonChoice {
    int id;
    QIcon icon;
    QString text;
};

class CToolBarCustomizeDialog : public QDialog {
    Q_OBJECT

public:
    CToolBarCustomizeDialog(std::vector<ToolBarButtonChoice> choices, const std::vector<int>& layout,
                            std::vector<int> defaultLayout, QWidget* parent);

    // The places as the dialog shows them (separators as 0).
    std::vector<int> ChosenLayout() const;

    QListWidget* Available() const { return available_; }
    QListWidget* Current() const { return current_; }
    void AddSelected();
    void RemoveSelected();
    void MoveSelected(int step);
    void Reset();

private:
    void Fill(const std::vector<int>& layout);
    QListWidgetItem* MakeItem(int id) const;

    std::vector<ToolBarButtonChoice> choices_;
    std::vector<int> defaultLayout_;
    QListWidget* available_;
    QListWidget* current_;
};
