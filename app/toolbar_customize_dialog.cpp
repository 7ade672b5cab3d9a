#include "app/toolbar_customize_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/toolbar_layout.h"
#include "app/ui_texts.h"

CToolBarCustomizeDialog::CToolBarCustomizeDialog(std::vector<ToolBarButtonChoice> choices, const std::vector<int>& layout,
                                                 std::vector<int> defaultLayout, QWidget* parent)
    : QDialog(parent), choices_(std::move(choices)), defaultLayout_(std::move(defaultLayout)) {
    setWindowTitle(texts::CustomizeToolBarTitle());
    setObjectName(QStringLiteral("CustomizeToolBar"));
    available_ = new QListWidget(this);
    available_->setObjectName(QStringLiteral("AvailableButtons"));
    current_ = new QListWidget(this);
    current_->setObjectName(QStringLiteral("CurrentButtons"));

    auto* add = new QPushButton(texts::AddButton(), this);
    auto* remove = new QPushButton(texts::RemoveButton(), this);
    auto* up = new QPushButton(texts::MoveUpButton(), this);
    auto* down = new QPushButton(texts::MoveDownButton(), this);
    auto* reset = new QPushButton(texts::ResetButton(), this);
    connect(add, &QPushButton::clicked, this, &CToolBarCustomizeDialog::AddSelected);
    connect(remove, &QPushButton::clicked, this, &CToolBarCustomizeDialog::RemoveSelected);
    connect(up, &QPushButton::clicked, this, [this] { MoveSelected(-1); });
    connect(down, &QPushButton::clicked, this, [this] { MoveSelected(1); });
    connect(reset, &QPushButton::clicked, this, &CToolBarCustomizeDialog::Reset);
    connect(available_, &QListWidget::itemDoubleClicked, this, &CToolBarCustomizeDialog::AddSelected);
    connect(current_, &QListWidget::itemDoubleClicked, this, &CToolBarCustomizeDialog::RemoveSelected);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {add, remove, up, down, reset}) buttons->addWidget(button);
    buttons->addStretch();
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);

    for (QListWidget* list : {available_, current_}) list->setIconSize(QSize(16, 15));
    auto* availableLabel = new QLabel(texts::AvailableButtons(), this);
    availableLabel->setBuddy(available_);
    auto* currentLabel = new QLabel(texts::CurrentButtons(), this);
    currentLabel->setBuddy(current_);
    auto* grid = new QGridLayout(this);
    grid->addWidget(availableLabel, 0, 0);
    grid->addWidget(currentLabel, 0, 2);
    grid->addWidget(available_, 1, 0);
    grid->addLayout(buttons, 1, 1);
    grid->addWidget(current_, 1, 2);
    grid->addWidget(box, 2, 0, 1, 3);
    Fill(layout);
}

QListWidgetItem* CToolBarCustomizeDialog::MakeItem(int id) const {
    auto* item = new QListWidgetItem;
    item->setData(Qt::UserRole, id);
    if (id == kToolBarSeparator) {
        item->setText(texts::SeparatorItem());
        return item;
    }
    const auto it = std::find_if(choices_.begin(), choices_.end(), [id](const auto& c) { return c.id == id; });
    if (it != choices_.end()) {
        item->setIcon(it->icon);
        item->setText(it->text);
    }
    return item;
}

// The separator stays first on the left, so any number of them can be added.
void CToolBarCustomizeDialog::Fill(const std::vector<int>& layout) {
    available_->clear();
    current_->clear();
    available_->addItem(MakeItem(kToolBarSeparator));
    for (const ToolBarButtonChoice& choice : choices_)
        if (std::find(layout.begin(), layout.end(), choice.id) == layout.end()) available_->addItem(MakeItem(choice.id));
    for (int id : layout) current_->addItem(MakeItem(id));
}

std::vector<int> CToolBarCustomizeDialog::ChosenLayout() const {
    std::vector<int> layout;
    for (int row = 0; row < current_->count(); ++row) layout.push_back(current_->item(row)->data(Qt::UserRole).toInt());
    return layout;
}

void CToolBarCustomizeDialog::AddSelected() {
    const int row = available_->currentRow();
    if (row < 0) return;
    const int id = available_->item(row)->data(Qt::UserRole).toInt();
    const int at = current_->currentRow() < 0 ? current_->count() : current_->currentRow() + 1;
    if (id == kToolBarSeparator) {
        current_->insertItem(at, MakeItem(id));
    } else {
        current_->insertItem(at, available_->takeItem(row));
    }
    current_->setCurrentRow(at);
}

void CToolBarCustomizeDialog::RemoveSelected() {
    const int row = current_->currentRow();
    if (row < 0) return;
    QListWidgetItem* item = current_->takeItem(row);
    if (item->data(Qt::UserRole).toInt() == kToolBarSeparator) {
        delete item;
        return;
    }
    available_->addItem(item);
}

void CToolBarCustomizeDialog::MoveSelected(int step) {
    const int row = current_->currentRow();
    const int to = row + step;
    if (row < 0 || to < 0 || to >= current_->count()) return;
    current_->insertItem(to, current_->takeItem(row));
    current_->setCurrentRow(to);
}

void CToolBarCustomizeDialog::Reset() { Fill(defaultLayout_); }
