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
inline constexpr int TimeShiftSlider = 1561;
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

// Recording and the graph.
inline constexpr int Record = 34000;
inline constexpr int StopRecord = 34001;
inline constexpr int StopKey = 32779;  // Escape
inline constexpr int Length15Minutes = 32785;
inline constexpr int Length30Minutes = 32786;
inline constexpr int Length1Hour = 32787;
inline constexpr int Length90Minutes = 32788;
inline constexpr int Length2Hours = 32789;
inline constexpr int LengthNone = 32790;
inline constexpr int ExtendPlus1 = 32808;
inline constexpr int ExtendPlus5 = 32800;
inline constexpr int ExtendPlus10 = 32782;
inline constexpr int ExtendMinus1 = 32809;
inline constexpr int ExtendMinus5 = 32801;
inline constexpr int ExtendMinus10 = 32781;
inline constexpr int ExternalSync = 32810;
inline constexpr int BuildReleaseGraph = 34015;
inline constexpr int ReleaseGraphMinimize = 34016;
inline constexpr int RebuildPreview = 34003;

// Timers.
inline constexpr int SplashTimer = 1;
inline constexpr int StatusTimer = 2;
inline constexpr int StatusTimerPeriodMs = 500;
inline constexpr int SplashTimerPeriodMs = 750;
}  // namespace ids
