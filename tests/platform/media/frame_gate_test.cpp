#include "platform/media/virtual_card/frame_gate.h"

#include <gtest/gtest.h>

namespace media {
namespace {

constexpr std::int64_t kFrame = 33'366'667;

TEST(FrameGate, NumbersFramesAndCountsDeliveries) {
    FrameGate gate(1);
    for (int i = 0; i < 3; ++i) {
        FrameVerdict v = gate.Next(i * kFrame, 100);
        EXPECT_TRUE(v.deliver);
        EXPECT_EQ(v.frameNumber, static_cast<std::uint64_t>(i));
        EXPECT_EQ(v.pts, i * kFrame);
    }
    EXPECT_EQ(gate.Counts().delivered, 3);
    EXPECT_EQ(gate.Counts().dropped, 0);
    EXPECT_EQ(gate.Counts().deliveredBytes, 300);
}

TEST(FrameGate, StampsNumbersOnlyWhileAsked) {
    FrameGate gate(1);
    EXPECT_FALSE(gate.Next(0, 1).stampNumber);
    gate.SetStampNumbers(true);
    EXPECT_TRUE(gate.Next(kFrame, 1).stampNumber);
    gate.SetStampNumbers(false);
    EXPECT_FALSE(gate.Next(2 * kFrame, 1).stampNumber);
}

TEST(FrameGate, DroppedFramesKeepTheirNumbers) {
    FrameGate gate(1);
    gate.Next(0, 1);
    gate.DropFrames(2);
    EXPECT_FALSE(gate.Next(kFrame, 1).deliver);
    EXPECT_FALSE(gate.Next(2 * kFrame, 1).deliver);
    FrameVerdict v = gate.Next(3 * kFrame, 1);
    EXPECT_TRUE(v.deliver);
    EXPECT_EQ(v.frameNumber, 3u);
    EXPECT_EQ(gate.Counts().dropped, 2);
    EXPECT_EQ(gate.Counts().delivered, 2);
    EXPECT_EQ(gate.DroppedFrameNumbers(), (std::vector<std::uint64_t>{1, 2}));
}

TEST(FrameGate, DroppedHistoryIsBounded) {
    FrameGate gate(1);
    gate.DropFrames(FrameGate::kDroppedHistory + 10);
    for (std::size_t i = 0; i < FrameGate::kDroppedHistory + 10; ++i) gate.Next(0, 0);
    auto numbers = gate.DroppedFrameNumbers();
    ASSERT_EQ(numbers.size(), FrameGate::kDroppedHistory);
    EXPECT_EQ(numbers.front(), 10u);
    EXPECT_EQ(gate.Counts().dropped, static_cast<std::int64_t>(FrameGate::kDroppedHistory + 10));
}

TEST(FrameGate, JitterStaysWithinBoundsAndKeepsStampsIncreasing) {
    FrameGate gate(42);
    const std::int64_t jitter = 40'000'000;  // larger than a frame, to force reordering pressure
    gate.SetJitter(jitter);
    std::int64_t last = -1;
    int moved = 0;
    for (int i = 0; i < 500; ++i) {
        const std::int64_t nominal = i * kFrame;
        FrameVerdict v = gate.Next(nominal, 0);
        ASSERT_TRUE(v.deliver);
        EXPECT_GT(v.pts, last);
        EXPECT_GE(v.pts, 0);
        // Clamping to keep order may push a stamp past +jitter only by what order needs.
        EXPECT_GE(v.pts, nominal - jitter);
        if (v.pts != nominal) ++moved;
        last = v.pts;
    }
    EXPECT_GT(moved, 400);
}

TEST(FrameGate, AClockRateStretchesStampsFromTheFirstFrameAfterIt) {
    FrameGate gate(1);
    EXPECT_EQ(gate.Next(0, 0).pts, 0);
    gate.SetClockRate(0.9);
    EXPECT_EQ(gate.Next(1000, 0).pts, 1000);
    EXPECT_EQ(gate.Next(2000, 0).pts, 1900);
    EXPECT_EQ(gate.Next(11000, 0).pts, 10000);
    gate.SetClockRate(5.0);  // out of range: back to the source's pace
    EXPECT_EQ(gate.Next(12000, 0).pts, 12000);
}

TEST(FrameGate, DisappearedDeviceDeliversNothingAndRestartKeepsItGone) {
    FrameGate gate(1);
    gate.Next(0, 1);
    gate.Disappear();
    EXPECT_FALSE(gate.Next(kFrame, 1).deliver);
    EXPECT_EQ(gate.Counts().dropped, 0) << "frames of a vanished device are not dropped frames";
    gate.Restart();
    EXPECT_FALSE(gate.Next(0, 1).deliver);
    EXPECT_EQ(gate.Counts().delivered, 1);  // only the frame from before it vanished
}

TEST(FrameGate, RestartBeginsNumberingAgainAndKeepsCounting) {
    FrameGate gate(1);
    gate.Next(0, 1);
    gate.Next(kFrame, 1);
    gate.Restart();
    FrameVerdict v = gate.Next(5 * kFrame, 1);
    EXPECT_EQ(v.frameNumber, 0u);
    EXPECT_EQ(v.pts, 5 * kFrame);
    EXPECT_EQ(gate.Counts().delivered, 3);
}

}  // namespace
}  // namespace media
