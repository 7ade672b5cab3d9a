// The program's own texts: window titles, menu entries, field labels.
#pragma once

#include <QString>

namespace texts {
inline QString MainWindowTitle() { return QStringLiteral("Quilldeck"); }
inline QString ApplicationTitle() { return QStringLiteral("Quilldeck2"); }
inline QString Version() { return QStringLiteral("2.5.6.3"); }

inline QString MessageBarTitle() { return QString::fromUtf8("ﾒｯｾｰｼﾞ ﾊﾞｰ"); }
inline QString InformationBarTitle() { return QString::fromUtf8("ｲﾝﾌｫﾒｰｼｮﾝ ﾊﾞｰ"); }
inline QString ProfileBarTitle() { return QString::fromUtf8("ﾌﾟﾛﾌｧｲﾙ ﾊﾞｰ"); }
inline QString MixerBarTitle() { return QString::fromUtf8("ﾐｷｻｰ ﾊﾞｰ"); }
inline QString TvBarTitle() { return QString::fromUtf8("TV ﾊﾞｰ"); }

// Menus.
inline QString FileMenu() { return QString::fromUtf8("ﾌｧｲﾙ(&F)"); }
inline QString ViewMenu() { return QString::fromUtf8("表示(&V)"); }
inline QString VideoMenu() { return QString::fromUtf8("ﾋﾞﾃﾞｵ(&S)"); }
inline QString SettingsMenu() { return QString::fromUtf8("設定(&O)"); }
inline QString HelpMenu() { return QString::fromUtf8("ﾍﾙﾌﾟ(&H)"); }
inline QString ViewMessageBar() { return QString::fromUtf8("ﾒｯｾｰｼﾞ ﾊﾞｰ(&M)"); }
inline QString ViewInformationBar() { return QString::fromUtf8("ｲﾝﾌｫﾒｰｼｮﾝ ﾊﾞｰ(&I)"); }
inline QString ViewProfileBar() { return QString::fromUtf8("ﾌﾟﾛﾌｧｲﾙ ﾊﾞｰ(&P)"); }
inline QString ViewMixerBar() { return QString::fromUtf8("ﾐｷｻｰ ﾊﾞｰ(&X)"); }
inline QString ViewTvBar() { return QString::fromUtf8("TV ﾊﾞｰ(&V)"); }
inline QString AlwaysOnTop() { return QString::fromUtf8("常に手前に表示する"); }
inline QString ChannelSettings() { return QString::fromUtf8("チャンネルの設定"); }
inline QString SaveProfiles() { return QString::fromUtf8("プロファイルを保存する"); }
inline QString AppExit() { return QString::fromUtf8("ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)"); }
inline QString HelpFinder() { return QString::fromUtf8("ﾄﾋﾟｯｸの検索(&H)"); }
inline QString About() { return QString::fromUtf8("Quilldeck のﾊﾞｰｼﾞｮﾝ情報(&A)..."); }

// Information bar labels.
inline QString InfoClock() { return QString::fromUtf8("現時刻："); }
inline QString InfoCpuUsage() { return QString::fromUtf8("CPU使用率："); }
inline QString InfoVideoDevice() { return QString::fromUtf8("ビデオデバイス："); }
inline QString InfoAudioDevice() { return QString::fromUtf8("オーディオデバイス："); }

// The TV audio lists, after their empty first item.
inline QString TvSoundMono() { return QString::fromUtf8("モノラル"); }
inline QString TvSoundStereo() { return QString::fromUtf8("ステレオ"); }
inline QString TvLanguageMain() { return QString::fromUtf8("主多言語"); }
inline QString TvLanguageSub() { return QString::fromUtf8("副多言語"); }
inline QString TvLanguageThird() { return QString::fromUtf8("第３言語"); }
inline QString TvLanguageMainAndSub() { return QString::fromUtf8("主 + 副"); }

// A name field without a device.
inline constexpr const char* NoDeviceName = "None";

// Splash progress texts.
inline constexpr const char* SplashInitializingCaptureDevice = "Initializing Capture Device";
inline constexpr const char* SplashInitializingFilterGraph = "Initializing Filter Graph";
inline constexpr const char* SplashApplyingProfile = "Applying Profile";
inline constexpr const char* SplashBuildingPreviewGraph = "Building Preview Graph";
inline constexpr const char* SplashStartingPreview = "Starting Preview";

// Message boxes.
inline constexpr const char* WindowStateOpenFailed = "CFile Open window.dat";
}  // namespace texts
