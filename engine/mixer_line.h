// One line of one mixer device with its mute switch and its volume in percent. An object lives
// for one operation: open, act, close (the destructor closes). Every call returns non-zero
// on success and 0 on failure; failures are silent, the caller goes on with its next step.
#pragma once

#include "platform/mixer/mixer_api.h"

class CMixerLine {
public:
    static constexpr DWORD kNone = 0xFFFFFFFF;
    // The source index that selects the device's wave-out line.
    static constexpr DWORD kWaveOutSource = 0xFFFFFFFF;

    CMixerLine() = default;
    virtual ~CMixerLine();
    CMixerLine(const CMixerLine&) = delete;
    CMixerLine& operator=(const CMixerLine&) = delete;

    // Selects source `source` of destination 0 of mixer device `device`, or the wave-out line
    // for kWaveOutSource. Succeeds at once when a line is already selected.
    BOOL Open(UINT device, DWORD source);
    BOOL Close();
    BOOL GetMute(BOOL* muted);
    BOOL SetMute(BOOL muted);
    BOOL ToggleMute();
    BOOL GetVolume(DWORD* percent);
    BOOL SetVolume(DWORD percent);

    // The volume conversions, in unsigned 32-bit arithmetic with truncating division. A
    // control whose bounds are equal has no percentage: it reads as 0.
    static DWORD PercentFromValue(DWORD value, DWORD minimum, DWORD maximum);
    static DWORD ValueFromPercent(DWORD percent, DWORD minimum, DWORD maximum);

private:
    BOOL FindControl(DWORD type, DWORD* controlId);
    BOOL ReadDetails(DWORD controlId, DWORD* value);
    BOOL WriteDetails(DWORD controlId, DWORD value);

    HMIXER handle_ = nullptr;
    DWORD muteControl_ = kNone;
    DWORD volumeControl_ = kNone;
    DWORD volumeMinimum_ = 0;
    DWORD volumeMaximum_ = 0;
    DWORD line_ = kNone;
};
