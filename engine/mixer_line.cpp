#include "engine/mixer_line.h"

#include <cstring>

CMixerLine::~CMixerLine() { Close(); }

BOOL CMixerLine::Open(UINT device, DWORD source) {
    if (line_ != kNone) return TRUE;
    // A handle left by an earlier Open whose line lookup failed is closed, not leaked.
    Close();
    if (mixerOpen(&handle_, device, 0, 0, MIXER_OBJECTF_MIXER) != MMSYSERR_NOERROR) {
        handle_ = nullptr;
        return FALSE;
    }
    MIXERLINEA line;
    std::memset(&line, 0, sizeof line);
    line.cbStruct = sizeof line;
    DWORD query = MIXER_GETLINEINFOF_SOURCE;
    if (source == kWaveOutSource) {
        line.dwComponentType = MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
        query = MIXER_GETLINEINFOF_COMPONENTTYPE;
    } else {
        line.dwDestination = 0;
        line.dwSource = source;
    }
    if (mixerGetLineInfoA(handle_, &line, MIXER_OBJECTF_HMIXER | query) != MMSYSERR_NOERROR) return FALSE;
    line_ = line.dwLineID;
    return TRUE;
}

BOOL CMixerLine::Close() {
    if (handle_) mixerClose(handle_);
    handle_ = nullptr;
    muteControl_ = volumeControl_ = line_ = kNone;
    return TRUE;
}

BOOL CMixerLine::GetMute(BOOL* muted) {
    DWORD value = 0;
    if (!muted || !FindControl(MIXERCONTROL_CONTROLTYPE_MUTE, &muteControl_) || !ReadDetails(muteControl_, &value))
        return FALSE;
    *muted = value != 0 ? TRUE : FALSE;
    return TRUE;
}

BOOL CMixerLine::SetMute(BOOL muted) {
    if (!FindControl(MIXERCONTROL_CONTROLTYPE_MUTE, &muteControl_)) return FALSE;
    return WriteDetails(muteControl_, muted ? 1 : 0);
}

BOOL CMixerLine::ToggleMute() {
    BOOL muted = FALSE;
    if (!GetMute(&muted)) return FALSE;
    return SetMute(muted ? FALSE : TRUE);
}

BOOL CMixerLine::GetVolume(DWORD* percent) {
    DWORD value = 0;
    if (!percent || !FindControl(MIXERCONTROL_CONTROLTYPE_VOLUME, &volumeControl_) ||
        !ReadDetails(volumeControl_, &value))
        return FALSE;
    *percent = PercentFromValue(value, volumeMinimum_, volumeMaximum_);
    return TRUE;
}

BOOL CMixerLine::SetVolume(DWORD percent) {
    if (!FindControl(MIXERCONTROL_CONTROLTYPE_VOLUME, &volumeControl_)) return FALSE;
    return WriteDetails(volumeControl_, ValueFromPercent(percent, volumeMinimum_, volumeMaximum_));
}

DWORD CMixerLine::PercentFromValue(DWORD value, DWORD minimum, DWORD maximum) {
    const DWORD range = maximum - minimum;
    if (range == 0) return 0;
    return (value * 100u - minimum * 100u) / range;
}

DWORD CMixerLine::ValueFromPercent(DWORD percent, DWORD minimum, DWORD maximum) {
    return (maximum - minimum) * percent / 100u + minimum;
}

// Looks the control up once; later calls keep the ID found.
BOOL CMixerLine::FindControl(DWORD type, DWORD* controlId) {
    if (line_ == kNone) return FALSE;
    if (*controlId != kNone) return TRUE;
    MIXERCONTROLA control;
    std::memset(&control, 0, sizeof control);
    control.cbStruct = sizeof control;
    MIXERLINECONTROLSA controls;
    std::memset(&controls, 0, sizeof controls);
    controls.cbStruct = sizeof controls;
    controls.dwLineID = line_;
    controls.dwControlType = type;
    controls.cControls = 1;
    controls.cbmxctrl = sizeof control;
    controls.pamxctrl = &control;
    if (mixerGetLineControlsA(handle_, &controls, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) !=
        MMSYSERR_NOERROR)
        return FALSE;
    *controlId = control.dwControlID;
    if (type == MIXERCONTROL_CONTROLTYPE_VOLUME) {
        volumeMinimum_ = control.Bounds.s2.dwMinimum;
        volumeMaximum_ = control.Bounds.s2.dwMaximum;
    }
    return TRUE;
}

BOOL CMixerLine::ReadDetails(DWORD controlId, DWORD* value) {
    MIXERCONTROLDETAILS details;
    std::memset(&details, 0, sizeof details);
    details.cbStruct = sizeof details;
    details.dwControlID = controlId;
    details.cChannels = 1;
    details.cbDetails = sizeof(DWORD);
    details.paDetails = value;
    return mixerGetControlDetailsA(handle_, &details, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) ==
                   MMSYSERR_NOERROR
               ? TRUE
               : FALSE;
}

BOOL CMixerLine::WriteDetails(DWORD controlId, DWORD value) {
    MIXERCONTROLDETAILS details;
    std::memset(&details, 0, sizeof details);
    details.cbStruct = sizeof details;
    details.dwControlID = controlId;
    details.cChannels = 1;
    details.cbDetails = sizeof(DWORD);
    details.paDetails = &value;
    return mixerSetControlDetails(handle_, &details, MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
                   MMSYSERR_NOERROR
               ? TRUE
               : FALSE;
}
