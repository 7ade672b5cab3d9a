// What the time-shift bar's buttons do to the multiplexer's time-shift playback, and in which
// viewing state each button can be pressed. The viewing state (`TimeShiftViewing`) is 0 live,
// 1 paused, 2 playing, 3 fast forward, 4 playing backwards, 5 fast backwards.
#pragma once

#include <functional>

#include "common/module_interfaces.h"

enum class TimeShiftButton { Play, Pause, Live, FastForward, PlayBackwards, FastBackwards };

enum TimeShiftViewingState : int {
    TimeShiftLive = 0,
    TimeShiftPaused = 1,
    TimeShiftPlaying = 2,
    TimeShiftFastForward = 3,
    TimeShiftPlayingBackwards = 4,
    TimeShiftFastBackwards = 5,
};

inline constexpr TimeShiftButton kTimeShiftButtons[] = {TimeShiftButton::Play,          TimeShiftButton::Pause,
                                                       TimeShiftButton::Live,          TimeShiftButton::FastForward,
                                                       TimeShiftButton::PlayBackwards, TimeShiftButton::FastBackwards};

// Whether the button can be pressed in viewing state `viewing` (the bar itself is enabled only
// while a recording with time shift runs).
bool TimeShiftButtonEnabled(TimeShiftButton button, int viewing);
// The viewing state the button leads to.
int TimeShiftStateAfter(TimeShiftButton button);
// The button's call on the multiplexer: a speed, pause or back to live.
HRESULT CallTimeShift(ITalvinTimeShift* control, TimeShiftButton button);
// Whether pressing the button shows the time-shift picture (and hides the live one), or the
// other way round.
bool StartsTimeShiftPicture(TimeShiftButton button);
bool EndsTimeShiftPicture(TimeShiftButton button);

// Presses a button: nothing (S_FALSE) when it cannot be pressed in `viewing` or there is no
// control; otherwise the multiplexer's call, and only when the multiplexer took it, the switch
// between the live and the time-shift picture (`switchPicture(true)` shows the time-shift one)
// and the new viewing state. A refused call leaves the state and the picture as they were.
HRESULT PressTimeShiftButton(TimeShiftButton button, ITalvinTimeShift* control, int& viewing,
                             const std::function<void(bool timeShiftPicture)>& switchPicture);
