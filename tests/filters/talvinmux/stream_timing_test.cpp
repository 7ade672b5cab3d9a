// Where samples go in the file: gaps filled with null frames, late starts, negative times and
// audio synchronisation by whole frames.
#include <gtest/gtest.h>

#include <cmath>

#include "filters/talvinmux/stream_timing.h"

namespace talvinmux::test {
namespace {

constexpr REFERENCE_TIME kFrame = 400000;  // 25 frames per second
constexpr std::uint32_t kBytesPerSecond = 48000 * 4;

TimingSettings Settings() {
    TimingSettings s;
    s.timePerFrame = kFrame;
    s.audioBytesPerSecond = kBytesPerSecond;
    s.audioBlockAlign = 4;
    return s;
}

VideoSample At(REFERENCE_TIME start, LONGLONG media = 0) { return {start, true, media, true}; }

// Feeds frames at the given starts and returns the null frames written before each.
std::vector<std::uint32_t> NullsFor(StreamTiming& timing, std::initializer_list<REFERENCE_TIME> starts) {
    std::vector<std::uint32_t> nulls;
    for (REFERENCE_TIME start : starts) {
        const VideoPlan plan = timing.PlanVideo(At(start));
        nulls.push_back(plan.nullBefore);
        timing.VideoPlaced(plan.nullBefore + 1 + plan.nullAfter);
    }
    return nulls;
}

TEST(StreamTimingTest, AGapInTheVideoBecomesNullFramesCountedAsDropped) {
    StreamTiming timing(Settings());
    const auto nulls = NullsFor(timing, {0, kFrame, 3 * kFrame, 3 * kFrame + 14 * kFrame / 10, 7 * kFrame});
    EXPECT_EQ((std::vector<std::uint32_t>{0, 0, 1, 0, 2}), nulls);
    const VideoPlan plan = timing.PlanVideo(At(10 * kFrame));
    EXPECT_EQ(2u, plan.dropped);
}

TEST(StreamTimingTest, TheDropThresholdSaysHowLateAFrameMayBe) {
    TimingSettings s = Settings();
    s.dropThreshold = 0.9;
    StreamTiming timing(s);
    EXPECT_EQ((std::vector<std::uint32_t>{0, 0, 1}), NullsFor(timing, {0, 18 * kFrame / 10, 38 * kFrame / 10}));
}

TEST(StreamTimingTest, MediaTimesCountLostFramesWithoutLookingAtTimeStamps) {
    TimingSettings s = Settings();
    s.videoTime = TimeProperty::MediaTime;
    StreamTiming timing(s);
    EXPECT_EQ(0u, timing.PlanVideo(At(0, 10)).nullBefore);
    EXPECT_EQ(2u, timing.PlanVideo(At(kFrame, 13)).nullBefore);
}

TEST(StreamTimingTest, WithoutATimePropertyEverySampleIsTheNextFrame) {
    TimingSettings s = Settings();
    s.videoTime = TimeProperty::None;
    StreamTiming timing(s);
    EXPECT_EQ((std::vector<std::uint32_t>{0, 0, 0}), NullsFor(timing, {0, 5 * kFrame, 50 * kFrame}));
}

TEST(StreamTimingTest, AJumpOfMinutesIsANewTimeBaseNotLostFrames) {
    StreamTiming timing(Settings());
    EXPECT_EQ((std::vector<std::uint32_t>{0, 0, 0}), NullsFor(timing, {0, kFrame, kFrame + 3600LL * 10000000}));
}

TEST(StreamTimingTest, NegativeTimesAreDiscardedOnlyWhenAsked) {
    TimingSettings s = Settings();
    StreamTiming keep(s);
    EXPECT_FALSE(keep.PlanVideo(At(-kFrame)).discard);
    EXPECT_FALSE(keep.PlanAudio(-kFrame, true, 100).discard);
    s.discardNegativeVideo = s.discardNegativeAudio = true;
    StreamTiming discard(s);
    EXPECT_TRUE(discard.PlanVideo(At(-kFrame)).discard);
    EXPECT_TRUE(discard.PlanAudio(-1, true, 100).discard);
    EXPECT_FALSE(discard.PlanVideo(At(0)).discard);
}

struct VideoDelayCase {
    VideoDelay handling;
    bool noDroppedFirstFrame;
    std::uint32_t startFrames, nullBefore, nullAfter, dropped;
};

class VideoDelayTest : public ::testing::TestWithParam<VideoDelayCase> {};

TEST_P(VideoDelayTest, AVideoStreamThatStartsLateIsDelayedAsAsked) {
    TimingSettings s = Settings();
    s.videoDelay = GetParam().handling;
    s.noDroppedFirstFrame = GetParam().noDroppedFirstFrame;
    StreamTiming timing(s);
    const VideoPlan plan = timing.PlanVideo(At(3 * kFrame));
    EXPECT_EQ(GetParam().startFrames, plan.startFrames);
    EXPECT_EQ(GetParam().nullBefore, plan.nullBefore);
    EXPECT_EQ(GetParam().nullAfter, plan.nullAfter);
    EXPECT_EQ(GetParam().dropped, plan.dropped);
}

INSTANTIATE_TEST_SUITE_P(Handlings, VideoDelayTest,
                         ::testing::Values(VideoDelayCase{VideoDelay::DelayTime, true, 3, 0, 0, 0},
                                           VideoDelayCase{VideoDelay::NullFrames, true, 0, 3, 0, 0},
                                           VideoDelayCase{VideoDelay::NullFrames, false, 0, 3, 0, 3},
                                           VideoDelayCase{VideoDelay::FirstThenNull, true, 0, 0, 3, 0},
                                           VideoDelayCase{VideoDelay::ChangeBase, false, 0, 0, 0, 0}));

TEST(StreamTimingTest, AnAudioStreamThatStartsLateIsDelayedAsAsked) {
    TimingSettings s = Settings();
    StreamTiming delayed(s);
    EXPECT_EQ(4800u, delayed.PlanAudio(1000000, true, 100).startBlocks);  // 0.1 s of 48 kHz
    s.audioDelay = AudioDelay::NullFrames;
    StreamTiming padded(s);
    EXPECT_EQ(4800u * 4, padded.PlanAudio(1000000, true, 100).silenceBefore);
    s.audioIsPcm = false;  // no silence to write for a compressed stream: its delay goes into the header
    StreamTiming compressed(s);
    EXPECT_EQ(4800u, compressed.PlanAudio(1000000, true, 100).startBlocks);
}

// A recording of `seconds` where the audio device's clock runs `ratio` times the nominal rate:
// the counts of frames inserted and deleted.
struct SyncResult {
    std::uint32_t inserted = 0, deleted = 0;
    double finalDriftFrames = 0;  // audio minus video in the file at the end, in frames
};

SyncResult Record(TimingSettings s, double ratio, int seconds) {
    StreamTiming timing(s);
    SyncResult result;
    std::uint64_t videoFrames = 0, audioBytes = 0;
    const std::uint32_t chunk = static_cast<std::uint32_t>(kBytesPerSecond / 25 * ratio) & ~3u;
    for (int i = 0; i < seconds * 25; ++i) {
        const REFERENCE_TIME t = i * kFrame;
        const AudioPlan audio = timing.PlanAudio(t, true, chunk);
        const std::uint64_t placedAudio = audio.silenceBefore + chunk - audio.trimBytes;
        timing.AudioPlaced(placedAudio);
        audioBytes += placedAudio;
        result.inserted += audio.inserted;
        result.deleted += audio.deleted;
        const VideoPlan video = timing.PlanVideo(At(t));
        const std::uint32_t placed = video.nullBefore + (video.deleteFrame ? 0 : 1);
        timing.VideoPlaced(placed);
        videoFrames += placed;
        result.inserted += video.inserted;
        result.deleted += video.deleteFrame ? 1 : 0;
    }
    const double audioSeconds = static_cast<double>(audioBytes) / kBytesPerSecond;
    result.finalDriftFrames = audioSeconds * 25 - static_cast<double>(videoFrames);
    return result;
}

class AudioSyncTest : public ::testing::TestWithParam<MasterStream> {};

TEST_P(AudioSyncTest, AFastAudioClockIsFollowedByWholeFrames) {
    TimingSettings s = Settings();
    s.audioSync = true;
    s.master = GetParam();
    s.syncSensitivity = 100;
    const SyncResult fast = Record(s, 1.01, 60);  // 0.6 s more sound than time: 15 frames
    EXPECT_NEAR(15, static_cast<int>(fast.inserted + fast.deleted), 1);
    EXPECT_LE(std::fabs(fast.finalDriftFrames), 1.5);
    const SyncResult slow = Record(s, 0.99, 60);
    EXPECT_NEAR(15, static_cast<int>(slow.inserted + slow.deleted), 1);
    EXPECT_LE(std::fabs(slow.finalDriftFrames), 1.5);
    if (GetParam() == MasterStream::Video) {
        EXPECT_EQ(0u, slow.deleted) << "slow audio is padded";
        EXPECT_EQ(0u, fast.inserted) << "fast audio is trimmed";
    } else {
        EXPECT_EQ(0u, fast.deleted) << "fast audio gets video frames inserted";
        EXPECT_EQ(0u, slow.inserted) << "slow audio gets video frames deleted";
    }
}

INSTANTIATE_TEST_SUITE_P(Masters, AudioSyncTest,
                         ::testing::Values(MasterStream::None, MasterStream::Audio, MasterStream::Video));

TEST(StreamTimingTest, WithoutSynchronisationTheDriftStays) {
    const SyncResult off = Record(Settings(), 1.01, 60);
    EXPECT_EQ(0u, off.inserted + off.deleted);
    EXPECT_NEAR(15, off.finalDriftFrames, 1);
}

TEST(StreamTimingTest, SynchronisationWaitsForItsStartTime) {
    TimingSettings s = Settings();
    s.audioSync = true;
    s.syncSensitivity = 100;
    s.syncStart = 30 * 10000000LL;
    const SyncResult late = Record(s, 1.01, 60);
    EXPECT_NEAR(15, static_cast<int>(late.inserted), 1) << "the drift of the first half is made up at once";
    s.syncStart = 120 * 10000000LL;
    EXPECT_EQ(0u, Record(s, 1.01, 60).inserted);
}

TEST(StreamTimingTest, LowSensitivityWaitsLongerButCorrectsTheSame) {
    TimingSettings s = Settings();
    s.audioSync = true;
    s.syncSensitivity = 1;
    const SyncResult slow = Record(s, 1.01, 60);
    EXPECT_NEAR(15, static_cast<int>(slow.inserted), 2);
    s.syncSensitivity = 0;  // below the range: taken as 1
    EXPECT_EQ(slow.inserted, Record(s, 1.01, 60).inserted);
}

}  // namespace
}  // namespace talvinmux::test
