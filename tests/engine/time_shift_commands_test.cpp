#include "engine/time_shift_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/com/com_object.h"

namespace {

// The multiplexer's time-shift playback as a list of the calls it received.
class FakeTimeShift final : public ComObject<ITalvinTimeShift> {
public:
    HRESULT SetSpeed(LONG percent) override { return Note("speed " + std::to_string(percent)); }
    HRESULT Live() override { return Note("live"); }
    HRESULT PausePlayback() override { return Note("pause"); }
    HRESULT Seek(LONG seconds) override { return Note("seek " + std::to_string(seconds)); }
    HRESULT GetPosition(LONG* position, LONG* length) override {
        *position = 0;
        *length = 0;
        return S_OK;
    }

    std::vector<std::string> calls;
    HRESULT result = S_OK;

private:
    HRESULT Note(std::string call) {
        calls.push_back(std::move(call));
        return result;
    }
};

struct ButtonRow {
    TimeShiftButton button;
    const char* call;
    int stateAfter;
    std::vector<int> enabledIn;
    int picture;  // 1 shows the time-shift picture, -1 the live one, 0 neither
};

void PrintTo(const ButtonRow& row, std::ostream* os) { *os << row.call; }

class TimeShiftButtons : public testing::TestWithParam<ButtonRow> {};

// Each button in each of the six states: pressed where the table allows it, refused elsewhere.
TEST_P(TimeShiftButtons, FollowTheStateTable) {
    const ButtonRow& row = GetParam();
    for (int state = 0; state <= 5; ++state) {
        const bool allowed = std::find(row.enabledIn.begin(), row.enabledIn.end(), state) != row.enabledIn.end();
        EXPECT_EQ(TimeShiftButtonEnabled(row.button, state), allowed) << "state " << state;
        auto fake = MakeComObject<FakeTimeShift>();
        int viewing = state;
        std::vector<bool> pictures;
        const HRESULT hr =
            PressTimeShiftButton(row.button, fake.Get(), viewing, [&](bool show) { pictures.push_back(show); });
        if (!allowed) {
            EXPECT_EQ(hr, S_FALSE);
            EXPECT_TRUE(fake->calls.empty());
            EXPECT_EQ(viewing, state);
            continue;
        }
        EXPECT_EQ(hr, S_OK);
        EXPECT_EQ(fake->calls, std::vector<std::string>{row.call}) << "state " << state;
        EXPECT_EQ(viewing, row.stateAfter);
        if (row.picture == 0) EXPECT_TRUE(pictures.empty());
        else EXPECT_EQ(pictures, std::vector<bool>{row.picture > 0});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Multiplexer, TimeShiftButtons,
    testing::Values(ButtonRow{TimeShiftButton::Play, "speed 100", 2, {0, 1, 3, 4, 5}, 1},
                    ButtonRow{TimeShiftButton::Pause, "pause", 1, {0, 2, 3, 4, 5}, 0},
                    ButtonRow{TimeShiftButton::Live, "live", 0, {1, 2, 3, 4, 5}, -1},
                    ButtonRow{TimeShiftButton::FastForward, "speed 400", 3, {2, 4, 5}, 0},
                    ButtonRow{TimeShiftButton::PlayBackwards, "speed -100", 4, {2, 3, 5}, 0},
                    ButtonRow{TimeShiftButton::FastBackwards, "speed -400", 5, {2, 3, 4}, 0}));

// A call the multiplexer refuses changes neither the state nor the picture.
TEST(TimeShiftCommands, ARefusedCallKeepsTheState) {
    auto fake = MakeComObject<FakeTimeShift>();
    fake->result = static_cast<HRESULT>(0x80040209);  // VFW_E_WRONG_STATE
    int viewing = TimeShiftLive;
    bool switched = false;
    EXPECT_EQ(PressTimeShiftButton(TimeShiftButton::Play, fake.Get(), viewing, [&](bool) { switched = true; }),
              fake->result);
    EXPECT_EQ(viewing, TimeShiftLive);
    EXPECT_FALSE(switched);
    EXPECT_EQ(PressTimeShiftButton(TimeShiftButton::Play, nullptr, viewing, {}), S_FALSE);
}

}  // namespace
