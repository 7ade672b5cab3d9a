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
inline QString InfoElapsed() { return QString::fromUtf8("経過時間："); }
inline QString InfoTimeShift() { return QString::fromUtf8("タイムシフト："); }
inline QString InfoEndTime() { return QString::fromUtf8("終了予定時刻："); }
inline QString InfoNextStart() { return QString::fromUtf8("次回開始時刻："); }
inline QString InfoFreeSpace() { return QString::fromUtf8("空き領域："); }
inline QString InfoFileSize() { return QString::fromUtf8("ファイルサイズ："); }
inline QString InfoVideoCompressor() { return QString::fromUtf8("ビデオコンプレッサ："); }
inline QString InfoAudioCompressor() { return QString::fromUtf8("オーディオコンプレッサ："); }
inline QString InfoMux() { return QString::fromUtf8("マルチプレクサ："); }
inline QString InfoFile() { return QString::fromUtf8("ファイル："); }
inline QString InfoDropped() { return QString::fromUtf8("ドロップフレーム数："); }
inline QString InfoNotDropped() { return QString::fromUtf8("非ドロップフレーム数："); }
inline QString InfoAverageSize() { return QString::fromUtf8("平均サイズ："); }
inline QString InfoMuxVideoFrames() { return QString::fromUtf8("ビデオフレーム数："); }
inline QString InfoMuxDropped() { return QString::fromUtf8("ドロップフレーム数："); }
inline QString InfoMuxAudioFrames() { return QString::fromUtf8("オーディオフレーム数："); }
inline QString InfoMuxAudioSamples() { return QString::fromUtf8("オーディオサンプル数："); }
inline QString InfoMuxInserted() { return QString::fromUtf8("挿入フレーム数："); }
inline QString InfoMuxDeleted() { return QString::fromUtf8("削除フレーム数："); }
inline QString InfoMuxVideoFps() { return QString::fromUtf8("ビデオフレームレート："); }
inline QString InfoMuxAudioFrequency() { return QString::fromUtf8("オーディオ周波数："); }

// The naming rule's part of the file pattern (string 55049).
inline constexpr const char* DateTimeSuffix = "日時";
// The compressor names of a Windows Media profile.
inline constexpr const char* WindowsMediaVideo = "Windows Media Video";
inline constexpr const char* WindowsMediaAudio = "Windows Media Audio";

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
