#include "app/mixer_bar.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QSlider>
#include <QStyle>
#include <QToolButton>

#include "app/resource_ids.h"
#include "app/ui_texts.h"

namespace {
// The speaker icon: crossed out while checked (muted).
QIcon SpeakerIcon(const QStyle* style) {
    QIcon icon;
    icon.addPixmap(style->standardPixmap(QStyle::SP_MediaVolume), QIcon::Normal, QIcon::Off);
    icon.addPixmap(style->standardPixmap(QStyle::SP_MediaVolumeMuted), QIcon::Normal, QIcon::On);
    return icon;
}
}  // namespace

CMixerBar::CMixerBar(QWidget* parent) : QDockWidget(texts::MixerBarTitle(), parent) {
    setObjectName(QStringLiteral("MixerBar"));
    setAllowedAreas(Qt::TopDockWidgetArea | Qt::BottomDockWidgetArea);
    auto* body = new QWidget(this);
    auto* layout = new QHBoxLayout(body);
    layout->setContentsMargins(4, 2, 4, 2);

    mute_ = new QToolButton(body);
    mute_->setObjectName(QStringLiteral("MixerMute"));
    mute_->setProperty("controlId", ids::MixerMute);
    mute_->setCheckable(true);
    mute_->setIcon(SpeakerIcon(style()));
    layout->addWidget(mute_);

    volume_ = new QSlider(Qt::Horizontal, body);
    volume_->setObjectName(QStringLiteral("MixerVolume"));
    volume_->setProperty("controlId", ids::MixerVolume);
    volume_->setRange(0, 100);
    volume_->setTickPosition(QSlider::NoTicks);
    volume_->setMinimumWidth(110);
    layout->addWidget(volume_, 1);
    setWidget(body);

    connect(mute_, &QToolButton::clicked, this, [this] { emit MuteClicked(); });
    volume_->installEventFilter(this);
}

bool CMixerBar::eventFilter(QObject* watched, QEvent* event) {
    // The slider tracks the mouse, so its value is final when the button comes up, whether the
    // handle was dragged or the groove clicked.
    if (watched == volume_ && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        emit VolumeReleased(volume_->value());
    return QDockWidget::eventFilter(watched, event);
}

void CMixerBar::Show(const MixerBarView& view) {
    if (view.muted) mute_->setChecked(*view.muted);
    if (view.volume) volume_->setValue(static_cast<int>(*view.volume));
}
