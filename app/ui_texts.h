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
inline QString CompressorBarTitle() { return QString::fromUtf8("ｺﾝﾌﾟﾚｯｻ ﾊﾞｰ"); }
inline QString MuxBarTitle() { return QString::fromUtf8("Mux ﾊﾞｰ"); }
inline QString TimeShiftBarTitle() { return QString::fromUtf8("ﾀｲﾑｼﾌﾄ ﾊﾞｰ"); }
inline QString ToolBarTitle() { return QString::fromUtf8("ﾂｰﾙ ﾊﾞｰ"); }
inline QString CustomizeToolBarTitle() { return QString::fromUtf8("ツール バーのカスタマイズ"); }
inline QString AvailableButtons() { return QString::fromUtf8("利用できるボタン(&V):"); }
inline QString CurrentButtons() { return QString::fromUtf8("現在のツール バーのボタン(&T):"); }
inline QString AddButton() { return QString::fromUtf8("追加(&A) ->"); }
inline QString RemoveButton() { return QString::fromUtf8("<- 削除(&R)"); }
inline QString MoveUpButton() { return QString::fromUtf8("上へ移動(&U)"); }
inline QString MoveDownButton() { return QString::fromUtf8("下へ移動(&D)"); }
inline QString ResetButton() { return QString::fromUtf8("リセット(&E)"); }
inline QString SeparatorItem() { return QString::fromUtf8("区切り"); }
inline QString RecordMenu() { return QString::fromUtf8("録画(&R)"); }
inline QString AspectMenu() { return QString::fromUtf8("ｱｽﾍﾟｸﾄ比(&A)"); }
inline QString ToolBarMenu() { return QString::fromUtf8("ﾂｰﾙ ﾊﾞｰ(&T)"); }

// Menus.
inline QString FileMenu() { return QString::fromUtf8("ﾌｧｲﾙ(&F)"); }
inline QString ViewMenu() { return QString::fromUtf8("表示(&V)"); }
inline QString VideoMenu() { return QString::fromUtf8("ﾋﾞﾃﾞｵ(&S)"); }
inline QString SettingsMenu() { return QString::fromUtf8("設定(&O)"); }
inline QString HelpMenu() { return QString::fromUtf8("ﾍﾙﾌﾟ(&H)"); }
inline QString AppExit() { return QString::fromUtf8("ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)"); }
inline QString HelpFinder() { return QString::fromUtf8("ﾄﾋﾟｯｸの検索(&H)"); }

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
