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
        {ids::InfoVideoCompressor, texts::InfoVideoCompressor()},
        {ids::InfoAudioCompressor, texts::InfoAudioCompressor()},
        {ids::InfoMux, texts::InfoMux()},
        {ids::InfoFile, texts::InfoFile()},
        {ids::InfoElapsed, texts::InfoElapsed()},
        {ids::InfoTimeShift, texts::InfoTimeShift()},
        {ids::InfoEndTime, texts::InfoEndTime()},
        {ids::InfoNextStart, texts::InfoNextStart()},
        {ids::InfoFreeSpace, texts::InfoFreeSpace()},
        {ids::InfoFileSize, texts::InfoFileSize()},
        {ids::InfoDropped, texts::InfoDropped()},
        {ids::InfoNotDropped, texts::InfoNotDropped()},
        {ids::InfoAverageSize, texts::InfoAverageSize()},
        {ids::InfoMuxVideoFrames, texts::InfoMuxVideoFrames()},
        {ids::InfoMuxDropped, texts::InfoMuxDropped()},
        {ids::InfoMuxAudioFrames, texts::InfoMuxAudioFrames()},
        {ids::InfoMuxAudioSamples, texts::InfoMuxAudioSamples()},
        {ids::InfoMuxInserted, texts::InfoMuxInserted()},
        {ids::InfoMuxDeleted, texts::InfoMuxDeleted()},
        {ids::InfoMuxVideoFps, texts::InfoMuxVideoFps()},
        {ids::InfoMuxAudioFrequency, texts::InfoMuxAudioFrequency()},
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
