#include "app/command_table.h"

#include <gtest/gtest.h>

#include <set>

#include "app/resource_ids.h"

namespace {

CommandContext Idle() {
    CommandContext c;
    c.graphRunning = true;
    return c;
}
CommandContext Recording() {
    CommandContext c = Idle();
    c.recording = true;
    return c;
}
CommandContext Released() {
    CommandContext c;
    c.graphRunning = false;
    return c;
}

struct EnablingRow {
    int id;
    bool idle;       // graph built, no recording
    bool recording;  // graph built, recording
    bool released;   // graph released, no recording
};

void PrintTo(const EnablingRow& row, std::ostream* os) { *os << row.id; }

class CommandEnabling : public testing::TestWithParam<EnablingRow> {};

TEST_P(CommandEnabling, FollowsTheRuleWhileIdleRecordingAndReleased) {
    const EnablingRow& row = GetParam();
    EXPECT_EQ(CommandRuleEnables(row.id, Idle()), row.idle);
    EXPECT_EQ(CommandRuleEnables(row.id, Recording()), row.recording);
    EXPECT_EQ(CommandRuleEnables(row.id, Released()), row.released);
}

INSTANTIATE_TEST_SUITE_P(MainWindow, CommandEnabling,
                         testing::Values(EnablingRow{ids::Record, true, false, false},
                                         EnablingRow{ids::Stop, false, true, false},
                                         EnablingRow{ids::StillImage, true, false, false},
                                         EnablingRow{ids::Redraw, true, false, false},
                                         EnablingRow{ids::OptionSettings, true, false, true},
                                         EnablingRow{ids::DeviceSettings, true, false, false},
                                         EnablingRow{ids::CompressorSettings, true, false, false},
                                         EnablingRow{ids::ChannelSettings, true, false, true},
                                         EnablingRow{ids::MuxSettings, true, false, true},
                                         EnablingRow{ids::Reservations, true, true, true},
                                         EnablingRow{ids::AlwaysOnTop, true, true, true},
                                         EnablingRow{ids::FullScreen, true, false, false},
                                         EnablingRow{ids::VideoFilterSettings, true, false, false},
                                         EnablingRow{ids::AudioFilterSettings, true, false, false},
                                         EnablingRow{ids::BuildReleaseGraph, true, false, true},
                                         EnablingRow{ids::ReleaseAndMinimize, true, false, true},
                                         EnablingRow{ids::SaveProfiles, true, true, true},
                                         EnablingRow{ids::About, true, true, true},
                                         EnablingRow{ids::TrayIcon, true, true, true},
                                         EnablingRow{ids::AutoRestoreMinimize, true, true, true},
                                         EnablingRow{ids::CustomizeToolBar, true, true, true},
                                         EnablingRow{ids::Aspect4x3, true, true, true},
                                         EnablingRow{ids::Record30Minutes, true, true, false},
                                         EnablingRow{ids::Extend5Minutes, false, true, false}));

TEST(CommandTable, FullScreenWhileRecordingNeedsTheOption) {
    CommandContext allowed = Recording();
    allowed.fullScreenWhileRecording = true;
    EXPECT_TRUE(CommandRuleEnables(ids::FullScreen, allowed));
    allowed.graphRunning = false;
    EXPECT_FALSE(CommandRuleEnables(ids::FullScreen, allowed));
}

// What has no function yet is never enabled, and says why.
TEST(CommandTable, CommandsWithoutTheirFunctionStayDisabledWithAReason) {
    const std::set<int> unbuilt = {ids::OptionSettings,      ids::DeviceSettings,      ids::CompressorSettings,
                                   ids::MuxSettings,         ids::Reservations,        ids::VideoFilterSettings,
                                   ids::AudioFilterSettings, ids::PowerSaving};
    for (const CommandInfo& command : MainCommands()) {
        const bool listedUnbuilt = unbuilt.count(command.id) != 0;
        if (listedUnbuilt) {
            ASSERT_NE(command.notBuilt, nullptr) << command.id;
            EXPECT_FALSE(IsCommandEnabled(command.id, Idle())) << command.id;
            EXPECT_FALSE(IsCommandEnabled(command.id, Recording())) << command.id;
        } else if (command.notBuilt == nullptr) {
            EXPECT_EQ(IsCommandEnabled(command.id, Idle()), CommandRuleEnables(command.id, Idle())) << command.id;
        }
    }
    EXPECT_TRUE(IsCommandEnabled(ids::ChannelSettings, Idle()));
    EXPECT_FALSE(IsCommandEnabled(ids::ChannelSettings, Recording()));
    EXPECT_TRUE(IsCommandEnabled(ids::AlwaysOnTop, Recording()));
}

TEST(CommandTable, ChecksFollowTheirSwitches) {
    CommandContext c = Idle();
    EXPECT_EQ(CommandCheck(ids::BuildReleaseGraph, c), true);
    EXPECT_EQ(CommandCheck(ids::BuildReleaseGraph, Released()), false);
    EXPECT_EQ(CommandCheck(ids::AlwaysOnTop, c), false);
    c.alwaysOnTop = c.trayIcon = c.autoRestoreMinimize = c.reservationsEnabled = true;
    EXPECT_EQ(CommandCheck(ids::AlwaysOnTop, c), true);
    EXPECT_EQ(CommandCheck(ids::TrayIcon, c), true);
    EXPECT_EQ(CommandCheck(ids::AutoRestoreMinimize, c), true);
    EXPECT_EQ(CommandCheck(ids::Reservations, c), true);
    EXPECT_EQ(CommandCheck(ids::SaveProfiles, c), std::nullopt);
}

TEST(CommandTable, OneAspectIsCheckedForEachRatio) {
    const std::pair<int, std::pair<DWORD, DWORD>> ratios[] = {{ids::AspectFree, {0, 0}}, {ids::Aspect1x1, {1, 1}},
                                                              {ids::Aspect3x2, {3, 2}}, {ids::Aspect4x3, {4, 3}},
                                                              {ids::Aspect16x9, {16, 9}}};
    for (const auto& [command, ratio] : ratios) {
        CommandContext c = Idle();
        c.aspectX = ratio.first;
        c.aspectY = ratio.second;
        for (const auto& [other, unused] : ratios) EXPECT_EQ(CommandCheck(other, c), other == command) << other;
        const auto aspect = AspectOfCommand(command);
        ASSERT_TRUE(aspect);
        EXPECT_EQ(aspect->x, ratio.first);
        EXPECT_EQ(aspect->y, ratio.second);
    }
    CommandContext odd = Idle();
    odd.aspectX = 5;
    odd.aspectY = 4;
    for (const auto& [command, unused] : ratios) EXPECT_EQ(CommandCheck(command, odd), false);
}

TEST(CommandTable, ToolBarButtonsInOrderWithTheirTips) {
    const int expected[] = {34000, 34001, 34002, 34003, 34004, 34005, 34006, 34007, 34008, 34009,
                            34010, 34011, 34012, 34013, 34014, 34015, 34016, 34017, 57664};
    const auto buttons = DefaultToolBarButtons();
    ASSERT_EQ(buttons.size(), std::size(expected));
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        EXPECT_EQ(buttons[i], expected[i]);
        const CommandInfo* command = FindCommand(buttons[i]);
        ASSERT_NE(command, nullptr);
        ASSERT_NE(command->tip, nullptr);
    }
    EXPECT_STREQ(FindCommand(34000)->tip, "録画");
    EXPECT_STREQ(FindCommand(34001)->tip, "停止");
    EXPECT_STREQ(FindCommand(34002)->tip, "静止画");
}

TEST(CommandTable, EveryIdOnce) {
    std::set<int> seen;
    for (const CommandInfo& command : MainCommands()) EXPECT_TRUE(seen.insert(command.id).second) << command.id;
    EXPECT_EQ(FindCommand(12345), nullptr);
}

}  // namespace
