#include "engine/time_shift_commands.h"

namespace {
constexpr LONG kPlay = 100;
constexpr LONG kFast = 400;
}  // namespace

bool TimeShiftButtonEnabled(TimeShiftButton button, int viewing) {
    switch (button) {
    case TimeShiftButton::Play: return viewing != TimeShiftPlaying;
    case TimeShiftButton::Pause: return viewing != TimeShiftPaused;
    case TimeShiftButton::Live: return viewing != TimeShiftLive;
    // The speeds other than play are changes of a playback that already moves.
    case TimeShiftButton::FastForward:
        return viewing == TimeShiftPlaying || viewing == TimeShiftPlayingBackwards || viewing == TimeShiftFastBackwards;
    case TimeShiftButton::PlayBackwards:
        return viewing == TimeShiftPlaying || viewing == TimeShiftFastForward || viewing == TimeShiftFastBackwards;
    case TimeShiftButton::FastBackwards:
        return viewing == TimeShiftPlaying || viewing == TimeShiftFastForward || viewing == TimeShiftPlayingBackwards;
    }
    return false;
}

int TimeShiftStateAfter(TimeShiftButton button) {
    switch (button) {
    case TimeShiftButton::Play: return TimeShiftPlaying;
    case TimeShiftButton::Pause: return TimeShiftPaused;
    case TimeShiftButton::Live: return TimeShiftLive;
    case TimeShiftButton::FastForward: return TimeShiftFastForward;
    case TimeShiftButton::PlayBackwards: return TimeShiftPlayingBackwards;
    case TimeShiftButton::FastBackwards: return TimeShiftFastBackwards;
    }
    return TimeShiftLive;
}

HRESULT CallTimeShift(ITalvinTimeShift* control, TimeShiftButton button) {
    if (!control) return E_POINTER;
    switch (button) {
    case TimeShiftButton::Play: return control->SetSpeed(kPlay);
    case TimeShiftButton::Pause: return control->PausePlayback();
    case TimeShiftButton::Live: return control->Live();
    case TimeShiftButton::FastForward: return control->SetSpeed(kFast);
    case TimeShiftButton::PlayBackwards: return control->SetSpeed(-kPlay);
    case TimeShiftButton::FastBackwards: return control->SetSpeed(-kFast);
    }
    return E_INVALIDARG;
}

bool StartsTimeShiftPicture(TimeShiftButton button) { return button == TimeShiftButton::Play; }
bool EndsTimeShiftPicture(TimeShiftButton button) { return button == TimeShiftButton::Live; }

HRESULT PressTimeShiftButton(TimeShiftButton button, ITalvinTimeShift* control, int& viewing,
                             const std::function<void(bool timeShiftPicture)>& switchPicture) {
    if (!control || !TimeShiftButtonEnabled(button, viewing)) return S_FALSE;
    const HRESULT hr = CallTimeShift(control, button);
    if (FAILED(hr)) return hr;
    if (switchPicture && StartsTimeShiftPicture(button)) switchPicture(true);
    if (switchPicture && EndsTimeShiftPicture(button)) switchPicture(false);
    viewing = TimeShiftStateAfter(button);
    return S_OK;
}
