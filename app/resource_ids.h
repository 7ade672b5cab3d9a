// Command, control and bar ids of the main window, its bars and its menus.
#pragma once

namespace ids {
// Bars (template ids) and their show/hide commands.
inline constexpr int MessageBar = 300;
inline constexpr int InformationBar = 301;
inline constexpr int TvBar = 308;
inline constexpr int ProfileBar = 310;
inline constexpr int MixerBar = 315;
inline constexpr int TimeShiftBar = 320;
inline constexpr int CompressorBar = 326;
inline constexpr int MuxBar = 336;
inline constexpr int ViewMessageBar = 32774;
inline constexpr int ViewInformationBar = 32775;
inline constexpr int ViewTvBar = 32776;
inline constexpr int ViewProfileBar = 32778;
inline constexpr int ViewMixerBar = 32780;
inline constexpr int ViewTimeShiftBar = 32784;
inline constexpr int ViewCompressorBar = 32806;
inline constexpr int ViewMuxBar = 32807;

// The toolbar (its buttons are the commands below) and the popup menus.
inline constexpr int ToolBar = 128;
inline constexpr int VideoPopupMenu = 331;
inline constexpr int TrayPopupMenu = 344;
inline constexpr int TrayIconImage = 345;
inline constexpr int BarPopupMenu = 346;

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
inline constexpr int InfoElapsed = 1504;
inline constexpr int InfoTimeShift = 1524;
inline constexpr int InfoEndTime = 1522;
inline constexpr int InfoNextStart = 1537;
inline constexpr int InfoFreeSpace = 1507;
inline constexpr int InfoFileSize = 1648;
inline constexpr int InfoVideoCompressor = 1508;
inline constexpr int InfoAudioCompressor = 1510;
inline constexpr int InfoMux = 1516;
inline constexpr int InfoFile = 1518;
inline constexpr int InfoDropped = 1471;
inline constexpr int InfoNotDropped = 1473;
inline constexpr int InfoAverageSize = 1476;
inline constexpr int InfoMuxVideoFrames = 1479;
inline constexpr int InfoMuxDropped = 1482;
inline constexpr int InfoMuxAudioFrames = 1485;
inline constexpr int InfoMuxAudioSamples = 1488;
inline constexpr int InfoMuxInserted = 1491;
inline constexpr int InfoMuxDeleted = 1493;
inline constexpr int InfoMuxVideoFps = 1496;
inline constexpr int InfoMuxAudioFrequency = 1499;
inline constexpr int MixerVolume = 1535;
inline constexpr int MixerMute = 1536;
inline constexpr int CompressorProfileList = 1576;
inline constexpr int MuxProfileList = 1649;
inline constexpr int TimeShiftSlider = 1561;
inline constexpr int TimeShiftPlay = 1562;           // icon 323
inline constexpr int TimeShiftPause = 1563;          // icon 325
inline constexpr int TimeShiftLive = 1565;           // icon 327
inline constexpr int TimeShiftFastForward = 1567;    // icon 329
inline constexpr int TimeShiftFastBackwards = 1570;  // icon 330
inline constexpr int TimeShiftPlayBackwards = 1573;  // icon 332

// Commands.
inline constexpr int Record = 34000;
inline constexpr int Stop = 34001;
inline constexpr int StillImage = 34002;
inline constexpr int Redraw = 34003;
inline constexpr int OptionSettings = 34004;
inline constexpr int DeviceSettings = 34005;
inline constexpr int CompressorSettings = 34006;
inline constexpr int ChannelSettings = 34007;
inline constexpr int MuxSettings = 34008;
inline constexpr int Reservations = 34009;
inline constexpr int AlwaysOnTop = 34010;
inline constexpr int FullScreen = 34011;  // F11
inline constexpr int VideoFilterSettings = 34012;
inline constexpr int AudioFilterSettings = 34013;
inline constexpr int PowerSaving = 34014;
inline constexpr int BuildReleaseGraph = 34015;
inline constexpr int ReleaseAndMinimize = 34016;
inline constexpr int TrayIcon = 32811;
inline constexpr int AutoRestoreMinimize = 32812;
inline constexpr int CustomizeToolBar = 32813;
inline constexpr int Record15Minutes = 32785;
inline constexpr int Record30Minutes = 32786;
inline constexpr int Record1Hour = 32787;
inline constexpr int Record90Minutes = 32788;
inline constexpr int Record2Hours = 32789;
inline constexpr int RecordNoLimit = 32790;
inline constexpr int Extend1Minute = 32808;
inline constexpr int Extend5Minutes = 32800;
inline constexpr int Extend10Minutes = 32782;
inline constexpr int Shorten1Minute = 32809;
inline constexpr int Shorten5Minutes = 32801;
inline constexpr int Shorten10Minutes = 32781;
inline constexpr int ExternalSync = 32810;
inline constexpr int AspectFree = 32795;
inline constexpr int Aspect4x3 = 32796;
inline constexpr int Aspect16x9 = 32797;
inline constexpr int Aspect1x1 = 32798;
inline constexpr int Aspect3x2 = 32799;
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

inline constexpr int StopKey = 32779;  // Escape

// Timers.
inline constexpr int SplashTimer = 1;
inline constexpr int StatusTimer = 2;
inline constexpr int StatusTimerPeriodMs = 500;
inline constexpr int SplashTimerPeriodMs = 750;
}  // namespace ids
