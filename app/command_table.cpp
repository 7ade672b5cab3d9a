#include "app/command_table.h"

#include <algorithm>
#include <array>

#include "app/resource_ids.h"

namespace {

constexpr const char* kSettingsSheets = "the settings sheets are not built yet";
constexpr const char* kReservationList = "the reservation list is not built yet";
constexpr const char* kPowerSaving = "power saving is not built yet";

constexpr std::array kCommands = {
    // Toolbar buttons, in their default order.
    CommandInfo{ids::Record, "録画を開始する", "録画", nullptr},
    CommandInfo{ids::Stop, "録画を停止する", "停止", nullptr},
    CommandInfo{ids::StillImage, "静止画を撮る", "静止画", nullptr},
    CommandInfo{ids::Redraw, "再描画する", "再描画", nullptr},
    CommandInfo{ids::OptionSettings, "オプション設定", "オプション", kSettingsSheets},
    CommandInfo{ids::DeviceSettings, "デバイスの設定", "デバイス", kSettingsSheets},
    CommandInfo{ids::CompressorSettings, "コンプレッサの設定", "コンプレッサ", kSettingsSheets},
    CommandInfo{ids::ChannelSettings, "チャンネルの設定", "チャンネル", nullptr},
    CommandInfo{ids::MuxSettings, "マルチプレクサの設定", "マルチプレクサ", kSettingsSheets},
    CommandInfo{ids::Reservations, "録画予約の設定", "録画予約", kReservationList},
    CommandInfo{ids::AlwaysOnTop, "常に手前に表示する", "常に手前に表示", nullptr},
    CommandInfo{ids::FullScreen, "フルスクリーンに切り替える", "フルスクリーン", nullptr},
    CommandInfo{ids::VideoFilterSettings, "ビデオフィルタの設定", "ビデオフィルタ", kSettingsSheets},
    CommandInfo{ids::AudioFilterSettings, "オーディオフィルタの設定", "オーディオフィルタ", kSettingsSheets},
    CommandInfo{ids::PowerSaving, "省電力ﾓｰﾄﾞに移行する", "省電力", kPowerSaving},
    CommandInfo{ids::BuildReleaseGraph, "グラフを構築・開放する", "グラフ構築・開放", nullptr},
    CommandInfo{ids::ReleaseAndMinimize, "グラフを開放し、最小化する", "開放・最小化", nullptr},
    CommandInfo{ids::SaveProfiles, "プロファイルを保存する", "保存", nullptr},
    CommandInfo{ids::About, "Quilldeck のﾊﾞｰｼﾞｮﾝ情報(&A)...", "バージョン情報", nullptr},
    // Menu commands.
    CommandInfo{ids::TrayIcon, "タスクトレイにアイコンを表示する", nullptr, nullptr},
    CommandInfo{ids::AutoRestoreMinimize, "自動的に復帰・最小化する", nullptr, nullptr},
    CommandInfo{ids::CustomizeToolBar, "ユーザー設定...", nullptr, nullptr},
    CommandInfo{ids::AspectFree, "フリー", nullptr, nullptr},
    CommandInfo{ids::Aspect1x1, "1 x 1", nullptr, nullptr},
    CommandInfo{ids::Aspect3x2, "3 x 2", nullptr, nullptr},
    CommandInfo{ids::Aspect4x3, "4 x 3", nullptr, nullptr},
    CommandInfo{ids::Aspect16x9, "16 x 9", nullptr, nullptr},
    CommandInfo{ids::ViewMessageBar, "ﾒｯｾｰｼﾞ ﾊﾞｰ(&M)", nullptr, nullptr},
    CommandInfo{ids::ViewInformationBar, "ｲﾝﾌｫﾒｰｼｮﾝ ﾊﾞｰ(&I)", nullptr, nullptr},
    CommandInfo{ids::ViewTvBar, "TV ﾊﾞｰ(&V)", nullptr, nullptr},
    CommandInfo{ids::ViewProfileBar, "ﾌﾟﾛﾌｧｲﾙ ﾊﾞｰ(&P)", nullptr, nullptr},
    CommandInfo{ids::ViewCompressorBar, "ｺﾝﾌﾟﾚｯｻ ﾊﾞｰ(&C)", nullptr, nullptr},
    CommandInfo{ids::ViewMuxBar, "Mux ﾊﾞｰ(&U)", nullptr, nullptr},
    CommandInfo{ids::ViewMixerBar, "ﾐｷｻｰ ﾊﾞｰ(&X)", nullptr, nullptr},
    CommandInfo{ids::ViewTimeShiftBar, "ﾀｲﾑｼﾌﾄ ﾊﾞｰ(&F)", nullptr, nullptr},
    CommandInfo{ids::Record15Minutes, "15分", nullptr, nullptr},
    CommandInfo{ids::Record30Minutes, "30分", nullptr, nullptr},
    CommandInfo{ids::Record1Hour, "1時間", nullptr, nullptr},
    CommandInfo{ids::Record90Minutes, "1時間半", nullptr, nullptr},
    CommandInfo{ids::Record2Hours, "2時間", nullptr, nullptr},
    CommandInfo{ids::RecordNoLimit, "無し", nullptr, nullptr},
    CommandInfo{ids::Extend1Minute, "+1分", nullptr, nullptr},
    CommandInfo{ids::Extend5Minutes, "+5分", nullptr, nullptr},
    CommandInfo{ids::Extend10Minutes, "+10分", nullptr, nullptr},
    CommandInfo{ids::Shorten1Minute, "-1分", nullptr, nullptr},
    CommandInfo{ids::Shorten5Minutes, "-5分", nullptr, nullptr},
    CommandInfo{ids::Shorten10Minutes, "-10分", nullptr, nullptr},
    CommandInfo{ids::ExternalSync, "外部入力同期", nullptr, nullptr},
};

constexpr std::array kToolBarButtons = {
    ids::Record,         ids::Stop,          ids::StillImage,         ids::Redraw,
    ids::OptionSettings, ids::DeviceSettings, ids::CompressorSettings, ids::ChannelSettings,
    ids::MuxSettings,    ids::Reservations,   ids::AlwaysOnTop,        ids::FullScreen,
    ids::VideoFilterSettings, ids::AudioFilterSettings, ids::PowerSaving, ids::BuildReleaseGraph,
    ids::ReleaseAndMinimize,  ids::SaveProfiles, ids::About,
};

constexpr std::array<std::pair<int, AspectRatio>, 5> kAspects = {{
    {ids::AspectFree, {0, 0}},
    {ids::Aspect1x1, {1, 1}},
    {ids::Aspect3x2, {3, 2}},
    {ids::Aspect4x3, {4, 3}},
    {ids::Aspect16x9, {16, 9}},
}};

}  // namespace

std::span<const CommandInfo> MainCommands() { return kCommands; }

const CommandInfo* FindCommand(int id) {
    const auto it = std::find_if(kCommands.begin(), kCommands.end(), [id](const CommandInfo& c) { return c.id == id; });
    return it == kCommands.end() ? nullptr : &*it;
}

std::span<const int> DefaultToolBarButtons() { return kToolBarButtons; }

bool CommandRuleEnables(int id, const CommandContext& c) {
    const bool idle = !c.recording;
    switch (id) {
    case ids::Record:
    case ids::StillImage:
    case ids::Redraw:
    case ids::DeviceSettings:
    case ids::CompressorSettings:
    case ids::VideoFilterSettings:
    case ids::AudioFilterSettings: return idle && c.graphRunning;
    case ids::Stop:
    case ids::Extend1Minute:
    case ids::Extend5Minutes:
    case ids::Extend10Minutes:
    case ids::Shorten1Minute:
    case ids::Shorten5Minutes:
    case ids::Shorten10Minutes: return c.recording;
    // The recording lengths also start a recording, which needs the graph.
    case ids::Record15Minutes:
    case ids::Record30Minutes:
    case ids::Record1Hour:
    case ids::Record90Minutes:
    case ids::Record2Hours:
    case ids::RecordNoLimit: return c.graphRunning;
    case ids::OptionSettings:
    case ids::ChannelSettings:
    case ids::MuxSettings:
    case ids::BuildReleaseGraph:
    case ids::ReleaseAndMinimize: return idle;
    case ids::FullScreen: return c.graphRunning && (idle || c.fullScreenWhileRecording);
    default: return true;
    }
}

bool IsCommandEnabled(int id, const CommandContext& context) {
    const CommandInfo* command = FindCommand(id);
    if (command && command->notBuilt) return false;
    return CommandRuleEnables(id, context);
}

std::optional<bool> CommandCheck(int id, const CommandContext& c) {
    switch (id) {
    case ids::Reservations: return c.reservationsEnabled;
    case ids::AlwaysOnTop: return c.alwaysOnTop;
    case ids::BuildReleaseGraph: return c.graphRunning;
    case ids::TrayIcon: return c.trayIcon;
    case ids::AutoRestoreMinimize: return c.autoRestoreMinimize;
    case ids::ExternalSync: return c.externalSync;
    default: break;
    }
    if (const auto aspect = AspectOfCommand(id)) return aspect->x == c.aspectX && aspect->y == c.aspectY;
    return std::nullopt;
}

std::optional<AspectRatio> AspectOfCommand(int id) {
    for (const auto& [command, ratio] : kAspects)
        if (command == id) return ratio;
    return std::nullopt;
}
