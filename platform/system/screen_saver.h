// The screen saver and monitor power switches of SystemParametersInfo, carried out through the
// desktop's org.freedesktop.ScreenSaver service on the session bus: switching a saver or the
// monitor power saving off holds an inhibition, switching it on again releases it.
#pragma once

#include "platform/com/types.h"

inline constexpr UINT SPI_SETSCREENSAVEACTIVE = 0x0011;
inline constexpr UINT SPI_SETLOWPOWERACTIVE = 0x0055;
inline constexpr UINT SPI_SETPOWEROFFACTIVE = 0x0056;
inline constexpr UINT SPI_GETSCREENSAVERRUNNING = 0x0072;
inline constexpr UINT SPIF_UPDATEINIFILE = 0x0001;
inline constexpr UINT SPIF_SENDCHANGE = 0x0002;

// The three SET actions take `param` TRUE (allow) or FALSE (suppress); SPI_GETSCREENSAVERRUNNING
// writes a BOOL to `data`. FALSE with the last error set when there is no session bus or the
// service refuses (ERROR_NOT_SUPPORTED), or for an unknown action (ERROR_INVALID_PARAMETER).
BOOL SystemParametersInfo(UINT action, UINT param, void* data, UINT winIni);

// Asks the service to end a running screen saver (SetActive false). FALSE with the last error
// set on failure.
BOOL CloseRunningScreenSaver();

// Releases every inhibition and the bus connection (tests; the program leaves it to exit).
void ResetScreenSaverState();
