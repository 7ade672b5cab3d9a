#include "app/message_bar.h"

#include <QComboBox>

#include "app/resource_ids.h"
#include "app/ui_texts.h"

CMessageBar::CMessageBar(QWidget* parent) : QDockWidget(texts::MessageBarTitle(), parent) {
    setObjectName(QStringLiteral("MessageBar"));
    setAllowedAreas(Qt::TopDockWidgetArea | Qt::BottomDockWidgetArea);
    reports_ = new QComboBox(this);
    reports_->setObjectName(QStringLiteral("MessageList"));
    reports_->setProperty("controlId", ids::MessageList);
    reports_->setEditable(false);
    reports_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    reports_->setMinimumContentsLength(40);
    setWidget(reports_);
}

int CMessageBar::AppendReportLine(const std::string& text) {
    reports_->addItem(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    return reports_->count() - 1;
}

void CMessageBar::SelectReportLine(int index) { reports_->setCurrentIndex(index); }
