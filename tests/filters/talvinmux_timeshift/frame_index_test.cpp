#include "filters/talvinmux/timeshift/frame_index.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <thread>

#if defined(__SANITIZE_ADDRESS__)
// The address sanitizer's allocator replaces malloc's, so mallinfo2 does not see its blocks.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace talvinmux {
namespace {

constexpr int64_t kFrame = 333'333;

WrittenFrame Video(int64_t n, bool key, uint32_t piece = 0) {
    return WrittenFrame{StreamKind::Video, piece, static_cast<uint64_t>(n) * 1000 + 8, 992, n * kFrame, (n + 1) * kFrame, key};
}

class FrameIndexLookups : public ::testing::Test {
protected:
    void SetUp() override {
        for (int64_t n = 0; n < 100; ++n) index.Append(Video(n, n % 10 == 0));
        index.Append(WrittenFrame{StreamKind::Audio, 0, 5000, 100, 0, 10 * kFrame, true});
    }
    FrameIndex index;
};

TEST_F(FrameIndexLookups, FindsFramesByTime) {
    EXPECT_EQ(index.Count(StreamKind::Video), 100u);
    EXPECT_EQ(index.LastStartingAtOrBefore(StreamKind::Video, 5 * kFrame), 5u);
    EXPECT_EQ(index.LastStartingAtOrBefore(StreamKind::Video, 5 * kFrame + 1), 5u);
    EXPECT_EQ(index.LastStartingAtOrBefore(StreamKind::Video, -1), std::nullopt);
    EXPECT_EQ(index.LastStartingAtOrBefore(StreamKind::Video, 1'000 * kFrame), 99u);
    EXPECT_EQ(index.FirstStartingAtOrAfter(StreamKind::Video, 5 * kFrame + 1), 6u);
    EXPECT_EQ(index.FirstStartingAtOrAfter(StreamKind::Video, 100 * kFrame), std::nullopt);
    EXPECT_EQ(index.FirstStartingAtOrAfter(StreamKind::Audio, 1), std::nullopt);
}

TEST_F(FrameIndexLookups, FindsKeyFramesAtOrBefore) {
    EXPECT_EQ(index.KeyAtOrBefore(StreamKind::Video, 0), 0u);
    EXPECT_EQ(index.KeyAtOrBefore(StreamKind::Video, 19), 10u);
    EXPECT_EQ(index.KeyAtOrBefore(StreamKind::Video, 20), 20u);
    EXPECT_EQ(index.KeyAtOrBefore(StreamKind::Video, 5'000), 90u);
}

TEST_F(FrameIndexLookups, ReturnsFramesAsWritten) {
    const auto frame = index.At(StreamKind::Video, 42);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->position, 42u);
    EXPECT_EQ(frame->offset, 42'008u);
    EXPECT_EQ(frame->size, 992u);
    EXPECT_EQ(frame->start, 42 * kFrame);
    EXPECT_EQ(frame->stop, 43 * kFrame);
    EXPECT_FALSE(frame->keyFrame);
    EXPECT_FALSE(index.At(StreamKind::Video, 100));
    EXPECT_EQ(index.Length(), 100 * kFrame);
}

TEST(FrameIndex, EmptyIndexFindsNothing) {
    FrameIndex index;
    EXPECT_TRUE(index.Empty());
    EXPECT_EQ(index.Length(), 0);
    EXPECT_FALSE(index.At(StreamKind::Video, 0));
    EXPECT_FALSE(index.LastStartingAtOrBefore(StreamKind::Video, 0));
    EXPECT_FALSE(index.KeyAtOrBefore(StreamKind::Audio, 0));
    EXPECT_EQ(index.PiecePath(3), "");
}

TEST(FrameIndex, KeepsPiecePaths) {
    FrameIndex index;
    index.SetPiecePath(2, "/rec/base002.avi");
    index.SetPiecePath(0, "/rec/base000.avi");
    EXPECT_EQ(index.PiecePath(0), "/rec/base000.avi");
    EXPECT_EQ(index.PiecePath(1), "");
    EXPECT_EQ(index.PiecePath(2), "/rec/base002.avi");
}

TEST(FrameIndex, AFrameThatStepsBackIsKeptAtThePreviousStart) {
    FrameIndex index;
    index.Append(Video(10, true));
    index.Append(WrittenFrame{StreamKind::Video, 0, 99, 1, 5 * kFrame, 6 * kFrame, false});
    ASSERT_EQ(index.Count(StreamKind::Video), 2u);
    EXPECT_EQ(index.At(StreamKind::Video, 1)->start, 10 * kFrame);
    EXPECT_EQ(index.At(StreamKind::Video, 1)->stop, 10 * kFrame);
    EXPECT_EQ(index.LastStartingAtOrBefore(StreamKind::Video, 10 * kFrame), 1u);
}

TEST(FrameIndex, TellsItsListenerOfEveryAppend) {
    FrameIndex index;
    int calls = 0;
    index.SetGrowthListener([&] { ++calls; });
    index.Append(Video(0, true));
    index.Append(Video(1, false));
    index.SetGrowthListener({});
    index.Append(Video(2, false));
    EXPECT_EQ(calls, 2);
}

std::size_t HeapBytesInUse() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

TEST(FrameIndex, TenHoursOfVideoCostAFewDozenBytesPerFrame) {
    constexpr int64_t kFrames = 30 * 3600 * 10;
    const std::size_t before = HeapBytesInUse();
    {
        FrameIndex index;
        for (int64_t n = 0; n < kFrames; ++n) index.Append(Video(n, n % 15 == 0, static_cast<uint32_t>(n / 100'000)));
        const std::size_t grown = HeapBytesInUse() - before;
        const double perFrame = static_cast<double>(grown) / kFrames;
        RecordProperty("bytes_per_frame", std::to_string(perFrame));
        EXPECT_GT(perFrame, 16.0);  // the measurement sees the index at all
        EXPECT_LT(perFrame, 40.0);
        EXPECT_EQ(index.KeyAtOrBefore(StreamKind::Video, kFrames - 1), kFrames - 1 - (kFrames - 1) % 15);
    }
}

TEST(FrameIndex, ReadersSeeAConsistentIndexWhileTheWriterAppends) {
    FrameIndex index;
    constexpr int64_t kFrames = 100'000;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int64_t n = 0; n < kFrames; ++n) index.Append(Video(n, n % 30 == 0));
        done = true;
    });
    std::size_t lastCount = 0;
    bool consistent = true;
    while (!done) {
        const std::size_t count = index.Count(StreamKind::Video);
        consistent &= count >= lastCount;
        lastCount = count;
        if (count == 0) continue;
        const auto newest = index.At(StreamKind::Video, count - 1);
        consistent &= newest && newest->start == static_cast<int64_t>(count - 1) * kFrame;
        consistent &= index.LastStartingAtOrBefore(StreamKind::Video, newest->start) >= count - 1;
        const auto key = index.KeyAtOrBefore(StreamKind::Video, count - 1);
        consistent &= key && *key % 30 == 0 && *key <= count - 1;
    }
    writer.join();
    EXPECT_TRUE(consistent);
    EXPECT_EQ(index.Count(StreamKind::Video), static_cast<std::size_t>(kFrames));
}

}  // namespace
}  // namespace talvinmux
