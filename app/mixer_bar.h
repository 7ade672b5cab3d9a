// The mixer bar: a mute button and a volume slider (0 to 100) for the playback mixer line.
// The bar only shows and reports; the main window decides which line they act on.
#pragma once

#include <QDockWidget>

#include "engine/mixer_bar_commands.h"

class QSlider;
class QToolButton;

class CMixerBar : public QDockWidget {
    Q_OBJECT

public:
    explicit CMixerBar(QWidget* parent);

    // Sets the button and the slider; an empty field leaves its control as it is.
    void Show(const MixerBarView& view);
    QToolButton* MuteButton() const { return mute_; }
    QSlider* VolumeSlider() const { return volume_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // The user clicked the mute button (its checked look has already toggled).
    void MuteClicked();
    // The user let go of the slider (after dragging it or clicking its groove) at `position`;
    // moving it alone, by mouse or key, reports nothing.
    void VolumeReleased(int position);

private:
    QToolButton* mute_;
    QSlider* volume_;
};
