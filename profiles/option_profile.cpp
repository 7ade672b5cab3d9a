#include "profiles/option_profile.h"

namespace {

constexpr DWORD kTrayIconVersion = 2553;
constexpr DWORD kPriorityAndPowerVersion = 2662;

}  // namespace

void COptionProfile::Serialize(CArchive& ar) {
    const DWORD version = ar.TransferVersion();
    const bool hasPriorityAndPower = version >= kPriorityAndPowerVersion;
    const bool hasTrayIcon = version >= kTrayIconVersion;

    ar.Transfer(MovieDir);
    ar.Transfer(MovieFile);
    ar.Transfer(StillDir);
    ar.Transfer(StillFile);
    ar.Transfer(LogFile);
    ar.Transfer(MovieNaming);
    ar.Transfer(StillNaming);
    ar.Transfer(StillNumber);
    ar.Transfer(CaptureTimeLimit);
    ar.Transfer(StopDelay);
    ar.Transfer(WakeMinutesBefore);
    ar.Transfer(StandbyMinMinutes);
    if (hasPriorityAndPower) {
        ar.Transfer(CapturePriority);
        ar.Transfer(OtherPriority);
    }
    ar.Transfer(CaptureTimeLimitEnable);
    ar.Transfer(AllowFullScreenWhileCapturing);
    ar.Transfer(PseudoFileSize);
    ar.Transfer(RestoreWindowOnReservation);
    ar.Transfer(TimeShiftEnable);
    ar.Transfer(WriteLog);
    ar.Transfer(OverwriteLog);
    if (hasPriorityAndPower) {
        ar.Transfer(NoScreenSaverWhileCapturing);
        ar.Transfer(NoScreenSaverWhilePreviewing);
        ar.Transfer(KeepMonitorOnWhileCapturing);
        ar.Transfer(KeepMonitorOnWhilePreviewing);
        ar.Transfer(NoSuspendWhileBuildingGraph);
        ar.Transfer(NoSuspendWhileRunning);
    }
    ar.Transfer(TimeShiftMixer);
    if (hasTrayIcon) {
        ar.Transfer(TrayIcon);
        ar.Transfer(AutoRestoreMinimize);
    }
    ar.Transfer(AspectX);
    ar.Transfer(AspectY);
    ar.Transfer(PowerAction);
    if (hasTrayIcon) {
        ar.Transfer(PowerSavingArmed);
        ar.Transfer(AutoRestoreMinimizeCopy);
    }
    ar.Transfer(GraphRunning);
    ar.Transfer(AlwaysOnTop);
    ar.Transfer(ReservationsEnabled);
}

void COptionProfile::LoadOldBody(CArchive& ar) {
    MovieDir = ar.ReadString();
    MovieFile = ar.ReadString();
    for (DWORD* field : {&MovieNaming, &CaptureTimeLimit, &CaptureTimeLimitEnable}) *field = ar.ReadDword();
    StillDir = ar.ReadString();
    StillFile = ar.ReadString();
    for (DWORD* field : {&StillNaming, &StillNumber, &AlwaysOnTop, &ReservationsEnabled,
                         &AllowFullScreenWhileCapturing, &GraphRunning, &StopDelay, &PseudoFileSize, &AspectX, &AspectY,
                         &WakeMinutesBefore, &StandbyMinMinutes, &TimeShiftEnable, &TimeShiftMixer, &WriteLog,
                         &OverwriteLog})
        *field = ar.ReadDword();
    LogFile = ar.ReadString();
}
