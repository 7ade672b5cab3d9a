// The option profile: the application-wide settings. Exactly one exists, in the store.
#pragma once

#include <string>

#include "platform/com/types.h"
#include "profiles/archive.h"

// Process priority classes as the option pages list them.
inline constexpr DWORD REALTIME_PRIORITY_CLASS = 256;
inline constexpr DWORD HIGH_PRIORITY_CLASS = 128;
inline constexpr DWORD ABOVE_NORMAL_PRIORITY_CLASS = 32768;
inline constexpr DWORD NORMAL_PRIORITY_CLASS = 32;
inline constexpr DWORD BELOW_NORMAL_PRIORITY_CLASS = 16384;
inline constexpr DWORD IDLE_PRIORITY_CLASS = 64;

class COptionProfile : public CObject {
public:
    static constexpr CRuntimeClass RuntimeClass{"COptionProfile", 0};
    const CRuntimeClass* GetRuntimeClass() const override { return &RuntimeClass; }
    // The body with its own version word (files whose leading word is 2551 or more).
    void Serialize(CArchive& ar) override;
    // The older body without a version word (files whose leading word is below 2551).
    void LoadOldBody(CArchive& ar);
    void Copy(const COptionProfile& other) { *this = other; }
    bool operator==(const COptionProfile&) const = default;

    std::string MovieDir;
    std::string MovieFile;
    std::string StillDir;
    std::string StillFile;
    std::string LogFile = "reclog.txt";
    DWORD MovieNaming = 0;
    DWORD StillNaming = 0;
    DWORD StillNumber = 0;
    DWORD CaptureTimeLimit = 0;
    DWORD StopDelay = 0;
    DWORD WakeMinutesBefore = 2;
    DWORD StandbyMinMinutes = 4;
    DWORD CapturePriority = NORMAL_PRIORITY_CLASS;
    DWORD OtherPriority = NORMAL_PRIORITY_CLASS;
    DWORD CaptureTimeLimitEnable = 0;
    DWORD AllowFullScreenWhileCapturing = 0;
    DWORD PseudoFileSize = 1;
    DWORD RestoreWindowOnReservation = 1;
    DWORD TimeShiftEnable = 0;
    DWORD WriteLog = 0;
    DWORD OverwriteLog = 0;
    DWORD NoScreenSaverWhileCapturing = 0;
    DWORD NoScreenSaverWhilePreviewing = 0;
    DWORD KeepMonitorOnWhileCapturing = 0;
    DWORD KeepMonitorOnWhilePreviewing = 0;
    DWORD NoSuspendWhileBuildingGraph = 0;
    DWORD NoSuspendWhileRunning = 0;
    DWORD TimeShiftMixer = 0;
    DWORD TrayIcon = 0;
    DWORD AutoRestoreMinimize = 0;
    DWORD AspectX = 0;
    DWORD AspectY = 0;
    DWORD PowerAction = 3;  // bit 0: at once; value / 2: 0 hibernate, 1 standby
    DWORD PowerSavingArmed = 0;
    DWORD AutoRestoreMinimizeCopy = 0;
    DWORD GraphRunning = 1;
    DWORD AlwaysOnTop = 0;
    DWORD ReservationsEnabled = 0;
};

// The leading word of option.dat from which the body carries its own version word.
inline constexpr DWORD kOptionBodyVersionedFrom = 2551;
