// The time-shift bar: six buttons (play backwards fast, play backwards, pause, play, play fast,
// back to live) and the position slider over the recording written so far. The bar shows and
// reports; the main window runs the buttons on the multiplexer.
#pragma once

#include <QDockWidget>
#include <map>

#include "engine/time_shift_commands.h"

class QSlider;
class QToolButton;

class CTimeShiftBar : public QDockWidget {
    Q_OBJECT

public:
    explicit CTimeShiftBar(QWidget* parent);

    // Every control is enabled only while a recording runs (`capturing`) with time shift (`hasControl`);
    // each button further only in the viewing states where it can be pressed.
    void UpdateEnabling(bool capturing, bool hasControl, int viewing);
    // The slider's range (0 to the recorded length, seconds) and position.
    void ShowPosition(int position, int length);

    QToolButton* Button(int controlId) const;
    QSlider* Slider() const { return slider_; }

signals:
    void ButtonPressed(TimeShiftButton button);
    // The user let go of the slider at `seconds`.
    void SeekReleased(int seconds);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::map<int, std::pair<QToolButton*, TimeShiftButton>> buttons_;
    QSlider* slider_;
};
