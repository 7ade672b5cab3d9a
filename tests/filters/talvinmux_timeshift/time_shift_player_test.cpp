#include "filters/talvinmux/timeshift/time_shift_player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include "tests/filters/talvinmux_timeshift/manual_clock.h"
#include "tests/filters/talvinmux_timeshift/test_recording.h"
#include "tests/support/temp_environment.h"

namespace talvinmux::test {
namespace {

struct Delivery {
    StreamKind stream;
    uint32_t number;
    int64_t source;
    int64_t start;
    int64_t stop;
    bool keyFrame;
    bool discontinuity;
    bool preroll;
};

// Collects what the player delivers; checks that every frame's bytes are the frame's own.
class Deliveries {
public:
    void Add(TimeShiftPlayer::Delivered&& delivered) {
        const Payload payload = ReadPayload(delivered.data);
        std::lock_guard lock(mutex_);
        if (payload.stream != delivered.stream || payload.start != delivered.sourceStart) ++wrongBytes_;
        all_.push_back(Delivery{delivered.stream, payload.number, delivered.sourceStart, delivered.start,
                                delivered.stop, delivered.keyFrame, delivered.discontinuity, delivered.preroll});
    }
    std::vector<Delivery> Take() {
        std::lock_guard lock(mutex_);
        return std::exchange(all_, {});
    }
    int WrongBytes() const {
        std::lock_guard lock(mutex_);
        return wrongBytes_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<Delivery> all_;
    int wrongBytes_ = 0;
};

std::vector<Delivery> Only(const std::vector<Delivery>& all, StreamKind stream, bool preroll = false) {
    std::vector<Delivery> some;
    std::copy_if(all.begin(), all.end(), std::back_inserter(some),
                 [&](const Delivery& d) { return d.stream == stream && d.preroll == preroll; });
    return some;
}

bool StartsGrow(const std::vector<Delivery>& frames) {
    return std::is_sorted(frames.begin(), frames.end(), [](const Delivery& a, const Delivery& b) { return a.start < b.start; });
}

class TimeShiftPlayerTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(deliveries.WrongBytes(), 0); }

    void MakePlayer() {
        player = std::make_unique<TimeShiftPlayer>(
            index, [this](TimeShiftPlayer::Delivered&& d) { deliveries.Add(std::move(d)); }, clock);
    }
    // 20 s at 30 fps, every `keyInterval`-th frame a key frame, with audio in 100 ms chunks.
    void RecordTwentySeconds(int keyInterval = 1) {
        recording.WriteVideoFrames(0, 600, keyInterval);
        recording.WriteAudioChunks(0, 20 * kSecond);
    }
    std::pair<LONG, LONG> Position() {
        LONG position = -1, length = -1;
        EXPECT_EQ(player->GetPosition(&position, &length), S_OK);
        return {position, length};
    }

    TempEnvironment environment;
    FrameIndex index;
    TestRecording recording{index, environment.Root()};
    ManualClock clock;
    Deliveries deliveries;
    std::unique_ptr<TimeShiftPlayer> player;  // last: goes first
};

TEST_F(TimeShiftPlayerTest, PlaysTheTwoSecondsAfterASeek) {
    RecordTwentySeconds();
    MakePlayer();
    ASSERT_EQ(player->Seek(5), S_OK);
    ASSERT_EQ(player->SetSpeed(100), S_OK);
    ASSERT_TRUE(clock.RunFor(2 * kSecond - 1));

    const auto all = deliveries.Take();
    const auto video = Only(all, StreamKind::Video);
    EXPECT_NEAR(static_cast<double>(video.size()), 60.0, 2.0);
    ASSERT_FALSE(video.empty());
    EXPECT_TRUE(video.front().discontinuity);
    EXPECT_EQ(video.front().start, 0);
    for (const Delivery& frame : video) {
        EXPECT_GE(frame.source, 5 * kSecond);
        EXPECT_LT(frame.source, 7 * kSecond);
        EXPECT_EQ(frame.start, frame.source - 5 * kSecond);  // paced by stream time
    }
    const auto audio = Only(all, StreamKind::Audio);
    EXPECT_EQ(audio.size(), 20u);
    for (const Delivery& chunk : audio) EXPECT_EQ(chunk.start, chunk.source - 5 * kSecond);  // aligned by time
    EXPECT_TRUE(Only(all, StreamKind::Video, true).empty());
    EXPECT_EQ(Position(), std::make_pair(LONG{6}, LONG{20}));
}

TEST_F(TimeShiftPlayerTest, ASeekStaysWhereItWasAsked) {
    RecordTwentySeconds();
    MakePlayer();
    ASSERT_EQ(player->Seek(7), S_OK);
    EXPECT_EQ(Position(), std::make_pair(LONG{7}, LONG{20}));
    ASSERT_EQ(player->Pause(), S_OK);
    ASSERT_EQ(player->Seek(3), S_OK);
    ASSERT_TRUE(clock.RunFor(kSecond));
    EXPECT_EQ(Position().first, 3);
    EXPECT_TRUE(deliveries.Take().empty());
    ASSERT_EQ(player->Seek(-5), S_OK);
    EXPECT_EQ(Position().first, 0);
}

TEST_F(TimeShiftPlayerTest, PlayingOnFromASeekBetweenFramesNeverReportsAnEarlierSecond) {
    for (int64_t frame = 0; frame < 300; ++frame)  // 29.97 fps: no frame starts on a whole second
        recording.WriteVideo(frame * 333'667, (frame + 1) * 333'667, frame % 20 == 0);
    MakePlayer();
    ASSERT_EQ(player->Seek(5), S_OK);
    ASSERT_EQ(player->SetSpeed(100), S_OK);
    ASSERT_TRUE(clock.RunFor(kSecond / 20));
    const auto all = deliveries.Take();
    const auto shown = Only(all, StreamKind::Video);
    ASSERT_FALSE(shown.empty());
    EXPECT_GE(shown.front().source, 5 * kSecond);
    EXPECT_EQ(Position().first, 5);
    const auto preroll = Only(all, StreamKind::Video, true);
    ASSERT_EQ(preroll.size(), 10u);  // from key frame 140 up to frame 150, the first at or after 5 s
    EXPECT_TRUE(preroll.front().keyFrame);
}

TEST_F(TimeShiftPlayerTest, ASeekPastTheEndLandsOnTheNewestFrameFromItsKeyFrame) {
    RecordTwentySeconds(15);
    MakePlayer();
    ASSERT_EQ(player->Seek(100), S_OK);
    EXPECT_EQ(Position(), std::make_pair(LONG{19}, LONG{20}));
    ASSERT_EQ(player->SetSpeed(100), S_OK);
    ASSERT_TRUE(clock.RunFor(kSecond));

    const auto all = deliveries.Take();
    const auto preroll = Only(all, StreamKind::Video, true);
    ASSERT_EQ(preroll.size(), 14u);  // key frame 585 up to the newest frame, 599
    EXPECT_EQ(preroll.front().number, 585u);
    EXPECT_TRUE(preroll.front().keyFrame);
    EXPECT_TRUE(preroll.front().discontinuity);
    const auto video = Only(all, StreamKind::Video);
    ASSERT_EQ(video.size(), 1u);  // then it waits for the recording to grow
    EXPECT_EQ(video.front().number, 599u);
    EXPECT_EQ(Position().first, 19);
}

TEST_F(TimeShiftPlayerTest, BackwardsGoesFrameByFrameThroughAnIntraOnlyStream) {
    RecordTwentySeconds();
    MakePlayer();
    ASSERT_EQ(player->Seek(10), S_OK);
    ASSERT_EQ(player->SetSpeed(-100), S_OK);
    ASSERT_TRUE(clock.RunFor(kSecond - 1));

    const auto all = deliveries.Take();
    EXPECT_TRUE(Only(all, StreamKind::Audio).empty());
    const auto video = Only(all, StreamKind::Video);
    ASSERT_EQ(video.size(), 30u);
    for (std::size_t i = 0; i < video.size(); ++i) EXPECT_EQ(video[i].number, 300u - i);
    EXPECT_TRUE(StartsGrow(video));
    EXPECT_EQ(Position().first, 9);
}

TEST_F(TimeShiftPlayerTest, FastBackwardsGoesFromKeyFrameToKeyFrameOfAnInterFrameStream) {
    RecordTwentySeconds(15);
    MakePlayer();
    ASSERT_EQ(player->Seek(10), S_OK);
    ASSERT_EQ(player->SetSpeed(-400), S_OK);
    ASSERT_TRUE(clock.RunFor(kSecond - 1));

    const auto video = Only(deliveries.Take(), StreamKind::Video);
    ASSERT_EQ(video.size(), 8u);  // one key frame every half second of source, four times as fast
    for (std::size_t i = 0; i < video.size(); ++i) {
        EXPECT_EQ(video[i].number, 300u - 15 * i);
        EXPECT_TRUE(video[i].keyFrame);
    }
    EXPECT_TRUE(StartsGrow(video));
}

TEST_F(TimeShiftPlayerTest, BackwardsPausesAtTheFirstFrame) {
    RecordTwentySeconds();
    MakePlayer();
    ASSERT_EQ(player->Seek(1), S_OK);
    ASSERT_EQ(player->SetSpeed(-400), S_OK);
    ASSERT_TRUE(clock.RunFor(5 * kSecond));
    const auto video = Only(deliveries.Take(), StreamKind::Video);
    ASSERT_EQ(video.size(), 31u);
    EXPECT_EQ(video.back().number, 0u);
    EXPECT_EQ(Position().first, 0);

    ASSERT_TRUE(clock.RunFor(5 * kSecond));
    EXPECT_TRUE(deliveries.Take().empty());
    ASSERT_EQ(player->SetSpeed(100), S_OK);
    ASSERT_TRUE(clock.RunFor(kSecond / 10));
    const auto resumed = Only(deliveries.Take(), StreamKind::Video);
    ASSERT_FALSE(resumed.empty());
    EXPECT_EQ(resumed.front().number, 0u);
}

TEST_F(TimeShiftPlayerTest, FastForwardPlaysEveryFrameFourTimesAsFastWithoutAudio) {
    RecordTwentySeconds(15);
    MakePlayer();
    ASSERT_EQ(player->Seek(2), S_OK);
    ASSERT_EQ(player->SetSpeed(400), S_OK);
    ASSERT_TRUE(clock.RunFor(kSecond - 1));
    const auto all = deliveries.Take();
    EXPECT_TRUE(Only(all, StreamKind::Audio).empty());
    const auto video = Only(all, StreamKind::Video);
    ASSERT_EQ(video.size(), 120u);
    for (std::size_t i = 0; i < video.size(); ++i) {
        EXPECT_EQ(video[i].number, 60u + i);
        EXPECT_EQ(video[i].start, (video[i].source - 2 * kSecond) / 4);
    }
}

TEST_F(TimeShiftPlayerTest, PauseHoldsAndResumeGoesOnFromThePausedFrame) {
    RecordTwentySeconds();
    MakePlayer();
    ASSERT_EQ(player->Seek(2), S_OK);
    ASSERT_EQ(player->SetSpeed(100), S_OK);
    ASSERT_TRUE(clock.RunFor(kSecond - 1));
    const auto before = Only(deliveries.Take(), StreamKind::Video);
    ASSERT_EQ(before.size(), 30u);

    ASSERT_EQ(player->Pause(), S_OK);
    ASSERT_TRUE(clock.RunFor(5 * kSecond));
    EXPECT_TRUE(deliveries.Take().empty());
    EXPECT_EQ(Position().first, 2);

    ASSERT_EQ(player->SetSpeed(100), S_OK);
    ASSERT_TRUE(clock.RunFor(kSecond / 2 - 1));
    const auto after = Only(deliveries.Take(), StreamKind::Video);
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(after.front().number, before.back().number);
    EXPECT_TRUE(after.front().discontinuity);
    EXPECT_EQ(after.front().start, 0);
    EXPECT_EQ(after.back().number, before.back().number + 14);
    EXPECT_TRUE(StartsGrow(after));
}

TEST_F(TimeShiftPlayerTest, PausingLiveFreezesTheNewestFrame) {
    RecordTwentySeconds();
    MakePlayer();
    ASSERT_EQ(player->Pause(), S_OK);
    recording.WriteVideoFrames(600, 690);
    EXPECT_EQ(Position(), std::make_pair(LONG{19}, LONG{23}));
    ASSERT_EQ(player->SetSpeed(100), S_OK);
    ASSERT_TRUE(clock.RunFor(kSecond / 10));
    const auto video = Only(deliveries.Take(), StreamKind::Video);
    ASSERT_FALSE(video.empty());
    EXPECT_EQ(video.front().number, 599u);
}

TEST_F(TimeShiftPlayerTest, LiveStopsDeliveriesAndFollowsTheNewestFrame) {
    RecordTwentySeconds();
    MakePlayer();
    ASSERT_EQ(player->Seek(5), S_OK);
    ASSERT_EQ(player->SetSpeed(100), S_OK);
    ASSERT_TRUE(clock.RunFor(kSecond));
    ASSERT_FALSE(deliveries.Take().empty());
    ASSERT_EQ(player->Live(), S_OK);
    ASSERT_TRUE(clock.RunFor(5 * kSecond));
    EXPECT_TRUE(deliveries.Take().empty());
    recording.WriteVideoFrames(600, 630);
    EXPECT_EQ(Position(), std::make_pair(LONG{20}, LONG{21}));
}

TEST_F(TimeShiftPlayerTest, WaitsAtTheNewestFrameAndGoesOnWithoutStampingThePast) {
    recording.WriteVideoFrames(0, 60);
    MakePlayer();
    ASSERT_EQ(player->Seek(0), S_OK);
    ASSERT_EQ(player->SetSpeed(100), S_OK);
    ASSERT_TRUE(clock.RunFor(5 * kSecond));
    EXPECT_EQ(Only(deliveries.Take(), StreamKind::Video).size(), 60u);

    recording.WriteVideoFrames(60, 90);
    ASSERT_TRUE(clock.RunFor(kSecond - 1));
    const auto video = Only(deliveries.Take(), StreamKind::Video);
    ASSERT_EQ(video.size(), 30u);
    EXPECT_EQ(video.front().number, 60u);
    EXPECT_FALSE(video.front().discontinuity);
    EXPECT_EQ(video.front().start, 5 * kSecond);  // when it arrived, not 2 s
    for (const Delivery& frame : video) EXPECT_EQ(frame.start, frame.source + 3 * kSecond);
}

TEST_F(TimeShiftPlayerTest, AtTheNewestFrameVideoWaitsForTheAudioToReachIt) {
    recording.WriteVideoFrames(0, 45);
    recording.WriteAudioChunks(0, kSecond);  // the audio is written half a second behind the video
    MakePlayer();
    ASSERT_EQ(player->Seek(0), S_OK);
    ASSERT_EQ(player->SetSpeed(100), S_OK);
    ASSERT_TRUE(clock.RunFor(5 * kSecond));
    auto all = deliveries.Take();
    EXPECT_EQ(Only(all, StreamKind::Video).size(), 30u);
    EXPECT_EQ(Only(all, StreamKind::Audio).size(), 10u);

    recording.WriteAudioChunks(kSecond, 3 * kSecond / 2);
    ASSERT_TRUE(clock.RunFor(kSecond));
    all = deliveries.Take();
    ASSERT_EQ(all.size(), 15u + 5u);
    for (const Delivery& d : all) EXPECT_EQ(d.start - d.source, 4 * kSecond);  // one shift for both
}

TEST_F(TimeShiftPlayerTest, VideoGoesOnAloneWhenTheAudioStopped) {
    recording.WriteVideoFrames(0, 45);
    recording.WriteAudioChunks(0, kSecond);
    MakePlayer();
    ASSERT_EQ(player->Seek(0), S_OK);
    ASSERT_EQ(player->SetSpeed(100), S_OK);
    ASSERT_TRUE(clock.RunFor(5 * kSecond));
    const auto video = Only(deliveries.Take(), StreamKind::Video);
    ASSERT_EQ(video.size(), 30u);  // up to where the audio ends; then it waits
    recording.WriteVideoFrames(45, 90);  // the video runs two seconds past the last audio
    ASSERT_TRUE(clock.RunFor(5 * kSecond));
    EXPECT_EQ(Only(deliveries.Take(), StreamKind::Video).size(), 60u);
}

TEST_F(TimeShiftPlayerTest, FastForwardFollowsTheGrowingRecording) {
    recording.WriteVideoFrames(0, 300);
    MakePlayer();
    ASSERT_EQ(player->Seek(0), S_OK);
    ASSERT_EQ(player->SetSpeed(400), S_OK);
    constexpr uint32_t kTotal = 900;
    std::thread writer([&] {
        for (int64_t frame = 300; frame < kTotal; ++frame) {
            recording.WriteVideo(VideoTime(frame), VideoTime(frame + 1), true);
            if (frame % 30 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    std::vector<Delivery> video;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (video.size() < kTotal && std::chrono::steady_clock::now() < giveUp) {
        ASSERT_TRUE(clock.RunFor(kSecond / 2));
        for (const Delivery& d : Only(deliveries.Take(), StreamKind::Video)) video.push_back(d);
    }
    writer.join();
    ASSERT_EQ(video.size(), kTotal);
    for (uint32_t i = 0; i < kTotal; ++i) ASSERT_EQ(video[i].number, i);
    EXPECT_TRUE(StartsGrow(video));
    EXPECT_EQ(Position(), std::make_pair(LONG{29}, LONG{30}));
}

TEST_F(TimeShiftPlayerTest, AShortHoleIsHeldForItsLengthInStepWithAudio) {
    recording.WriteVideoFrames(0, 150);
    recording.WriteAudioChunks(0, 5 * kSecond);
    recording.WriteVideoFrames(180, 300);  // one second missing in both streams
    recording.WriteAudioChunks(6 * kSecond, 10 * kSecond);
    MakePlayer();
    ASSERT_EQ(player->Seek(4), S_OK);
    ASSERT_EQ(player->SetSpeed(100), S_OK);
    ASSERT_TRUE(clock.RunFor(4 * kSecond));
    const auto all = deliveries.Take();
    for (const Delivery& d : all) EXPECT_EQ(d.start, d.source - 4 * kSecond);
    EXPECT_EQ(Only(all, StreamKind::Video).size(), 30u + 60u + 1u);
    EXPECT_EQ(Only(all, StreamKind::Audio).size(), 10u + 20u + 1u);
}

TEST_F(TimeShiftPlayerTest, ALongHoleIsShortenedForBothStreamsAlike) {
    recording.WriteVideoFrames(0, 150);
    recording.WriteAudioChunks(0, 5 * kSecond);
    recording.WriteVideoFrames(450, 600);  // ten seconds missing
    recording.WriteAudioChunks(15 * kSecond, 20 * kSecond);
    MakePlayer();
    ASSERT_EQ(player->Seek(4), S_OK);
    ASSERT_EQ(player->SetSpeed(100), S_OK);
    ASSERT_TRUE(clock.RunFor(6 * kSecond));
    const auto all = deliveries.Take();
    const int64_t lastBefore = VideoTime(149) - 4 * kSecond;
    const int64_t shift = VideoTime(450) - (lastBefore + TimeShiftPlayer::kLongestHold);
    std::size_t after = 0;
    for (const Delivery& d : all) {
        if (d.source < 5 * kSecond) {
            EXPECT_EQ(d.start, d.source - 4 * kSecond);
        } else {
            EXPECT_EQ(d.start, d.source - shift);
            ++after;
        }
    }
    EXPECT_GT(after, 0u);
    EXPECT_TRUE(StartsGrow(Only(all, StreamKind::Video)));
    EXPECT_TRUE(StartsGrow(Only(all, StreamKind::Audio)));
}

TEST_F(TimeShiftPlayerTest, PlaysAcrossPiecesInBothDirections) {
    recording.WriteVideoFrames(0, 100);
    recording.StartNextPiece();
    recording.WriteVideoFrames(100, 200);
    recording.StartNextPiece();
    recording.WriteVideoFrames(200, 300);
    MakePlayer();
    ASSERT_EQ(player->Seek(0), S_OK);
    ASSERT_EQ(player->SetSpeed(400), S_OK);
    ASSERT_TRUE(clock.RunFor(3 * kSecond));
    auto video = Only(deliveries.Take(), StreamKind::Video);
    ASSERT_EQ(video.size(), 300u);
    for (uint32_t i = 0; i < 300; ++i) ASSERT_EQ(video[i].number, i);

    ASSERT_EQ(player->SetSpeed(-400), S_OK);
    ASSERT_TRUE(clock.RunFor(3 * kSecond));
    video = Only(deliveries.Take(), StreamKind::Video);
    ASSERT_EQ(video.size(), 300u);
    for (uint32_t i = 0; i < 300; ++i) ASSERT_EQ(video[i].number, 299 - i);
}

TEST_F(TimeShiftPlayerTest, SkipsTheFramesOfAMissingPiece) {
    recording.WriteVideoFrames(0, 100);
    recording.StartNextPiece();
    recording.WriteVideoFrames(100, 200);
    recording.StartNextPiece();
    recording.WriteVideoFrames(200, 300);
    std::filesystem::remove(recording.PiecePath(1));
    MakePlayer();
    ASSERT_EQ(player->Seek(0), S_OK);
    ASSERT_EQ(player->SetSpeed(400), S_OK);
    ASSERT_TRUE(clock.RunFor(3 * kSecond));
    const auto video = Only(deliveries.Take(), StreamKind::Video);
    ASSERT_EQ(video.size(), 200u);
    EXPECT_EQ(video[99].number, 99u);
    EXPECT_EQ(video[100].number, 200u);
    EXPECT_EQ(video[100].start, (video[100].source) / 4);  // the timeline went on through the hole
    EXPECT_EQ(player->ReadFaults(), 100u);
}

TEST_F(TimeShiftPlayerTest, SkipsFramesBeyondTheEndOfAShortenedFile) {
    recording.WriteVideoFrames(0, 100);
    const auto path = recording.PiecePath(0);
    std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2 + 4);  // cuts frame 50 short
    MakePlayer();
    ASSERT_EQ(player->Seek(0), S_OK);
    ASSERT_EQ(player->SetSpeed(400), S_OK);
    ASSERT_TRUE(clock.RunFor(2 * kSecond));
    const auto video = Only(deliveries.Take(), StreamKind::Video);
    ASSERT_EQ(video.size(), 50u);
    EXPECT_EQ(video.back().number, 49u);
    EXPECT_EQ(player->ReadFaults(), 50u);
}

TEST_F(TimeShiftPlayerTest, AnEmptyChunkHoldsThePictureWithoutAnEmptyDelivery) {
    recording.WriteVideoFrames(0, 10);
    recording.WriteEmptyVideo(VideoTime(10), VideoTime(11));
    recording.WriteVideoFrames(11, 20);
    MakePlayer();
    ASSERT_EQ(player->Seek(0), S_OK);
    ASSERT_EQ(player->SetSpeed(100), S_OK);
    ASSERT_TRUE(clock.RunFor(kSecond));
    const auto video = Only(deliveries.Take(), StreamKind::Video);
    ASSERT_EQ(video.size(), 19u);
    EXPECT_EQ(video[10].number, 11u);
    EXPECT_EQ(video[10].start, VideoTime(11));
    EXPECT_EQ(player->ReadFaults(), 0u);
}

TEST_F(TimeShiftPlayerTest, RefusesCallsBeforeAnythingIsRecorded) {
    MakePlayer();
    LONG position = 0, length = 0;
    EXPECT_EQ(player->SetSpeed(100), VFW_E_WRONG_STATE);
    EXPECT_EQ(player->Live(), VFW_E_WRONG_STATE);
    EXPECT_EQ(player->Pause(), VFW_E_WRONG_STATE);
    EXPECT_EQ(player->Seek(1), VFW_E_WRONG_STATE);
    EXPECT_EQ(player->GetPosition(&position, &length), VFW_E_WRONG_STATE);
    EXPECT_EQ(player->GetPosition(nullptr, &length), E_POINTER);
    ASSERT_TRUE(clock.Settle());
    EXPECT_TRUE(deliveries.Take().empty());
}

TEST_F(TimeShiftPlayerTest, RefusesCallsAfterItStopped) {
    RecordTwentySeconds();
    MakePlayer();
    ASSERT_EQ(player->SetSpeed(400), S_OK);
    player->Stop();
    LONG position = 0, length = 0;
    EXPECT_EQ(player->SetSpeed(100), VFW_E_WRONG_STATE);
    EXPECT_EQ(player->Live(), VFW_E_WRONG_STATE);
    EXPECT_EQ(player->Pause(), VFW_E_WRONG_STATE);
    EXPECT_EQ(player->Seek(1), VFW_E_WRONG_STATE);
    EXPECT_EQ(player->GetPosition(&position, &length), VFW_E_WRONG_STATE);
    recording.WriteVideoFrames(600, 601);  // the index no longer calls into the player
}

TEST_F(TimeShiftPlayerTest, RefusesSpeedsItDoesNotPlay) {
    RecordTwentySeconds();
    MakePlayer();
    for (LONG speed : {0, 50, 200, -200, 401, -1})
        EXPECT_EQ(player->SetSpeed(speed), E_INVALIDARG) << speed;
}

// Commands from one thread, appends from another and playback on the player's own thread, on
// the real clock; the destructor then returns promptly even while a frame is due much later.
TEST(TimeShiftPlayerStress, CommandsAppendsAndPlaybackRunTogether) {
    TempEnvironment environment;
    FrameIndex index;
    TestRecording recording(index, environment.Root());
    recording.WriteVideoFrames(0, 300, 10);
    Deliveries deliveries;
    std::atomic<uint64_t> delivered{0};
    auto player = std::make_unique<TimeShiftPlayer>(index, [&](TimeShiftPlayer::Delivered&& d) {
        deliveries.Add(std::move(d));
        ++delivered;
    });
    std::atomic<bool> writing{true};
    std::thread writer([&] {
        for (int64_t frame = 300; frame < 3000; ++frame) {
            recording.WriteVideo(VideoTime(frame), VideoTime(frame + 1), frame % 10 == 0);
            if (frame % 100 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        writing = false;
    });
    const LONG speeds[] = {100, 400, -100, -400};
    LONG position = 0, length = 0;
    for (int round = 0; round < 400; ++round) {
        switch (round % 5) {
            case 0: EXPECT_EQ(player->SetSpeed(speeds[(round / 5) % 4]), S_OK); break;
            case 1: EXPECT_EQ(player->Seek(round % 40), S_OK); break;
            case 2: EXPECT_EQ(player->GetPosition(&position, &length), S_OK); break;
            case 3: EXPECT_EQ(round % 3 ? player->Pause() : player->Live(), S_OK); break;
            default: EXPECT_EQ(player->SetSpeed(400), S_OK); break;
        }
        EXPECT_LE(position, length);
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    writer.join();
    EXPECT_GT(delivered.load(), 0u);
    // A hole far longer than any wait: the player sits on a deadline seconds away.
    recording.WriteVideo(VideoTime(4000), VideoTime(4001), true);
    ASSERT_EQ(player->Seek(100), S_OK);
    ASSERT_EQ(player->SetSpeed(100), S_OK);
    const auto before = std::chrono::steady_clock::now();
    player.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(500));
    EXPECT_EQ(deliveries.WrongBytes(), 0);

    // Within each segment the timeline never went back.
    int64_t last = 0;
    bool monotonic = true;
    for (const Delivery& d : deliveries.Take()) {
        if (d.discontinuity) last = 0;
        monotonic &= d.start >= last;
        last = d.start;
    }
    EXPECT_TRUE(monotonic);
}

}  // namespace
}  // namespace talvinmux::test
