#include "app/time_shift_bar.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QSlider>
#include <QToolButton>

#include "app/resource_ids.h"
#include "app/toolbar_icons.h"
#include "app/ui_texts.h"

CTimeShiftBar::CTimeShiftBar(QWidget* parent) : QDockWidget(texts::TimeShiftBarTitle(), parent) {
    setObjectName(QStringLiteral("TimeShiftBar"));
    setAllowedAreas(Qt::TopDockWidgetArea | Qt::BottomDockWidgetArea);
    auto* body = new QWidget(this);
    auto* layout = new QHBoxLayout(body);
    layout->setContentsMargins(4, 2, 4, 2);
    const std::pair<int, TimeShiftButton> order[] = {
        {ids::TimeShiftFastBackwards, TimeShiftButton::FastBackwards},
        {ids::TimeShiftPlayBackwards, TimeShiftButton::PlayBackwards},
        {ids::TimeShiftPause, TimeShiftButton::Pause},
        {ids::TimeShiftPlay, TimeShiftButton::Play},
        {ids::TimeShiftFastForward, TimeShiftButton::FastForward},
        {ids::TimeShiftLive, TimeShiftButton::Live},
    };
    for (const auto& [id, button] : order) {
        auto* tool = new QToolButton(body);
        tool->setObjectName(QStringLiteral("TimeShift%1").arg(id));
        tool->setProperty("controlId", id);
        tool->setIcon(TimeShiftIcon(id));
        tool->setAutoRaise(true);
        layout->addWidget(tool);
        buttons_[id] = {tool, button};
        connect(tool, &QToolButton::clicked, this, [this, b = button] { emit ButtonPressed(b); });
    }
    slider_ = new QSlider(Qt::Horizontal, body);
    slider_->setObjectName(QStringLiteral("TimeShiftSlider"));
    slider_->setProperty("controlId", ids::TimeShiftSlider);
    slider_->setRange(0, 0);
    slider_->setMinimumWidth(160);
    layout->addWidget(slider_, 1);
    setWidget(body);
    slider_->installEventFilter(this);
    UpdateEnabling(false, false, TimeShiftLive);
}

void CTimeShiftBar::UpdateEnabling(bool capturing, bool hasControl, int viewing) {
    const bool active = capturing && hasControl;
    for (const auto& [id, entry] : buttons_) entry.first->setEnabled(active && TimeShiftButtonEnabled(entry.second, viewing));
    slider_->setEnabled(active);
}

void CTimeShiftBar::ShowPosition(int position, int length) {
    slider_->setRange(0, length);
    if (!slider_->isSliderDown()) slider_->setValue(position);
}

QToolButton* CTimeShiftBar::Button(int controlId) const {
    auto it = buttons_.find(controlId);
    return it == buttons_.end() ? nullptr : it->second.first;
}

bool CTimeShiftBar::eventFilter(QObject* watched, QEvent* event) {
    // The slider tracks the mouse, so its value is final when the button comes up.
    if (watched == slider_ && slider_->isEnabled() && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        emit SeekReleased(slider_->value());
    return QDockWidget::eventFilter(watched, event);
}
