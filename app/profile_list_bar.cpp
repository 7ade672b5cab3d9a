#include "app/profile_list_bar.h"

#include <QComboBox>

#include "app/resource_ids.h"
#include "app/ui_texts.h"
#include "platform/system/codepage.h"

CProfileListBar::CProfileListBar(const QString& title, const QString& name, int listId, QWidget* parent)
    : QDockWidget(title, parent) {
    setObjectName(name);
    setAllowedAreas(Qt::TopDockWidgetArea | Qt::BottomDockWidgetArea);
    list_ = new QComboBox(this);
    list_->setObjectName(name + QStringLiteral("List"));
    list_->setProperty("controlId", listId);
    list_->setMinimumContentsLength(24);
    setWidget(list_);
    connect(list_, &QComboBox::activated, this, [this](int row) {
        if (refilling_ || row < 0) return;
        bool ok = false;
        const int index = list_->itemData(row).toInt(&ok);
        if (ok) emit ProfileChosen(index);
    });
}

void CProfileListBar::Refill(const std::vector<std::string>& names, int current) {
    refilling_ = true;
    list_->clear();
    for (std::size_t i = 0; i < names.size(); ++i)
        list_->addItem(QString::fromStdString(Cp932ToDisplay(names[i])), static_cast<int>(i));
    list_->setCurrentIndex(current >= 0 && current < list_->count() ? current : -1);
    refilling_ = false;
}

CProfileListBar* CreateCompressorBar(QWidget* parent) {
    return new CProfileListBar(texts::CompressorBarTitle(), QStringLiteral("CompressorBar"), ids::CompressorProfileList,
                               parent);
}

CProfileListBar* CreateMuxBar(QWidget* parent) {
    return new CProfileListBar(texts::MuxBarTitle(), QStringLiteral("MuxBar"), ids::MuxProfileList, parent);
}
