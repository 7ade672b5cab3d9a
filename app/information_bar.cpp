#include "app/information_bar.h"

#include <QFormLayout>
#include <QLabel>

#include "app/resource_ids.h"
#include "app/ui_texts.h"

CInformationBar::CInformationBar(QWidget* parent) : QDockWidget(texts::InformationBarTitle(), parent) {
    setObjectName(QStringLiteral("InformationBar"));
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    auto* body = new QWidget(this);
    auto* form = new QFormLayout(body);
    const std::pair<int, QString> rows[] = {
        {ids::InfoClock, texts::InfoClock()},
        {ids::InfoCpuUsage, texts::InfoCpuUsage()},
        {ids::InfoVideoDevice, texts::InfoVideoDevice()},
        {ids::InfoAudioDevice, texts::InfoAudioDevice()},
    };
    for (const auto& [id, label] : rows) {
        auto* value = new QLabel(body);
        value->setObjectName(QStringLiteral("Field%1").arg(id));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(label, value);
        fields_[id] = value;
    }
    setWidget(body);
}

void CInformationBar::SetField(int id, const QString& text) {
    if (auto it = fields_.find(id); it != fields_.end()) it->second->setText(text);
}

QString CInformationBar::Field(int id) const {
    auto it = fields_.find(id);
    return it == fields_.end() ? QString() : it->second->text();
}
