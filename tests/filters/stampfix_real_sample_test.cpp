// The timestamp repair filter on the platform's own sample over a GStreamer buffer: what it
// stamps is what downstream elements see, and an interval no buffer can carry never gets in.
#include "platform/media/gst.h"
#include <gtest/gtest.h>

#include "filters/stampfix/stampfix_filter.h"
#include "platform/media/base/buffer_sample.h"
#include "tests/filters/filter_harness.h"

namespace {

using filters::test::FilterHarness;
using filters::test::VideoType;

constexpr REFERENCE_TIME kInterval = 333667;
constexpr GstClockTime kNsPerUnit = 100;

class StampfixRealSampleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { gst_init(nullptr, nullptr); }

    StampfixRealSampleTest()
        : harness(MakeComObject<CStampfixFilter>(), ComPtr<CTransformFilter>(MakeComObject<CStampfixFilter>().Get())) {}

    void ConnectWithAverage(REFERENCE_TIME average) {
        AM_MEDIA_TYPE type = VideoType(average);
        harness.Connect(type);
        FreeMediaType(type);
    }

    // Runs a buffer with frame number `frame` and start `start` (100 ns) through the filter.
    HRESULT Push(guint64 frame, REFERENCE_TIME start) {
        gst_buffer_replace(&buffer, nullptr);
        buffer = gst_buffer_new_allocate(nullptr, 16, nullptr);
        GST_BUFFER_OFFSET(buffer) = frame;
        GST_BUFFER_PTS(buffer) = static_cast<GstClockTime>(start) * kNsPerUnit;
        auto sample = MakeComObject<CBufferSample>();
        sample->Bind(buffer, true, SampleRowLayout{});
        const HRESULT hr = harness->Receive(sample.Get());
        sample->Unbind();
        return hr;
    }

    void ExpectStamped(REFERENCE_TIME start, REFERENCE_TIME interval) {
        ASSERT_NE(nullptr, buffer);
        EXPECT_EQ(static_cast<GstClockTime>(start) * kNsPerUnit, GST_BUFFER_PTS(buffer));
        EXPECT_EQ(static_cast<GstClockTime>(interval) * kNsPerUnit, GST_BUFFER_DURATION(buffer));
    }

    REFERENCE_TIME Interval() {
        REFERENCE_TIME interval = 0;
        BOOL fixed = FALSE;
        harness->get_TimePerFrame(&interval, &fixed);
        return interval;
    }

    ~StampfixRealSampleTest() override { gst_buffer_replace(&buffer, nullptr); }

    FilterHarness<CStampfixFilter> harness;
    GstBuffer* buffer = nullptr;
};

TEST_F(StampfixRealSampleTest, StampsTheBufferFromTheAnchorAndTheFrameNumbers) {
    ConnectWithAverage(kInterval);
    harness->Pause();
    ASSERT_EQ(S_OK, Push(10, 5000000));
    ExpectStamped(5000000, kInterval);
    ASSERT_EQ(S_OK, Push(13, 1));  // two frames skipped; the buffer's own time is ignored
    ExpectStamped(5000000 + 3 * kInterval, kInterval);
    EXPECT_TRUE(harness.Events().empty());
}

TEST_F(StampfixRealSampleTest, ZeroIntervalGivesStartAndStopAtTheAnchor) {
    ConnectWithAverage(kInterval);
    ASSERT_EQ(S_OK, harness->put_TimePerFrame(0, TRUE));
    harness->Pause();
    ASSERT_EQ(S_OK, Push(1, 777));
    ASSERT_EQ(S_OK, Push(4, 0));
    ExpectStamped(777, 0);
}

TEST_F(StampfixRealSampleTest, NegativeIntervalIsRefusedWhereItIsEnteredAndStampingGoesOn) {
    ConnectWithAverage(kInterval);
    ASSERT_EQ(S_OK, harness->put_TimePerFrame(400000, TRUE));
    EXPECT_EQ(E_INVALIDARG, harness->put_TimePerFrame(-10, TRUE));
    EXPECT_EQ(400000, Interval());
    harness->Pause();
    ASSERT_EQ(S_OK, Push(1, 100));
    EXPECT_EQ(E_INVALIDARG, harness->put_TimePerFrame(-400000, FALSE));  // also while streaming
    ASSERT_EQ(S_OK, Push(2, 0));
    ExpectStamped(100 + 400000, 400000);
    EXPECT_TRUE(harness.Events().empty());
}

TEST_F(StampfixRealSampleTest, NegativeAverageInTheFormatLeavesTheIntervalAsItWas) {
    ConnectWithAverage(-400000);
    harness->Pause();
    EXPECT_EQ(kInterval, Interval());
    ASSERT_EQ(S_OK, Push(1, 0));
    ASSERT_EQ(S_OK, Push(2, 0));
    ExpectStamped(kInterval, kInterval);
    EXPECT_TRUE(harness.Events().empty());
}

}  // namespace
