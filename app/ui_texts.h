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

// Recording and graph commands.
inline QString RecordMenu() { return QString::fromUtf8("録画(&R)"); }
inline QString Record() { return QString::fromUtf8("録画を開始する"); }
inline QString StopRecord() { return QString::fromUtf8("録画を停止する"); }
inline QString RecordingLength() { return QString::fromUtf8("録画時間"); }
inline QString ExtendRecording() { return QString::fromUtf8("終了時刻の変更"); }
inline QString ExternalSync() { return QString::fromUtf8("外部入力同期"); }
inline QString BuildReleaseGraph() { return QString::fromUtf8("グラフを構築・開放する"); }
inline QString ReleaseGraphMinimize() { return QString::fromUtf8("グラフを開放し、最小化する"); }
inline QString RebuildPreview() { return QString::fromUtf8("再描画する"); }
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
