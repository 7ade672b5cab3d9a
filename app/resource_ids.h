// Command, control and bar ids of the main window, its bars and its menus.
#pragma once

namespace ids {
// Bars (template ids) and their show/hide commands.
inline constexpr int MessageBar = 300;
inline constexpr int InformationBar = 301;
inline constexpr int TvBar = 308;
inline constexpr int ProfileBar = 310;
inline constexpr int MixerBar = 315;
inline constexpr int ViewMessageBar = 32774;
inline constexpr int ViewInformationBar = 32775;
inline constexpr int ViewTvBar = 32776;
inline constexpr int ViewProfileBar = 32778;
inline constexpr int ViewMixerBar = 32780;

// Controls.
inline constexpr int MessageList = 1366;
inline constexpr int DeviceProfileList = 1457;
inline constexpr int ChannelList = 1419;
inline constexpr int TvSoundList = 1533;
inline constexpr int TvLanguageList = 1534;
inline constexpr int InfoClock = 1512;
inline constexpr int InfoCpuUsage = 1511;
inline constexpr int InfoVideoDevice = 1514;
inline constexpr int InfoAudioDevice = 1520;
inline constexpr int MixerVolume = 1535;
inline constexpr int MixerMute = 1536;

// Commands.
inline constexpr int ChannelSettings = 34007;
inline constexpr int AlwaysOnTop = 34010;
inline constexpr int AcceleratorUp = 32814;    // Up arrow: taken, no action
inline constexpr int AcceleratorDown = 32815;  // Down arrow: taken, no action
inline constexpr int SaveProfiles = 34017;
inline constexpr int Size640x480 = 32791;
inline constexpr int Size320x240 = 32792;
inline constexpr int Size720x480 = 32793;
inline constexpr int Size1024x768 = 32794;
inline constexpr int Zoom100 = 32802;
inline constexpr int Zoom50 = 32803;
inline constexpr int Zoom200 = 32804;
inline constexpr int Zoom150 = 32805;
inline constexpr int About = 57664;
inline constexpr int AppExit = 57665;
inline constexpr int HelpFinder = 57667;
inline constexpr int HelpIndex = 57669;  // Shift+F1
inline constexpr int Help = 57670;       // F1

// Timers.
inline constexpr int SplashTimer = 1;
inline constexpr int StatusTimer = 2;
inline constexpr int StatusTimerPeriodMs = 500;
inline constexpr int SplashTimerPeriodMs = 750;
}  // namespace ids
