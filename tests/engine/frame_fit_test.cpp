#include <gtest/gtest.h>

#include "engine/capture_engine.h"
#include "platform/media/format_blocks.h"
#include "platform/system/profile_directory.h"
#include "tests/engine/engine_test_support.h"
#include "tests/support/temp_environment.h"

namespace {

class FrameFitTest : public testing::Test {
protected:
    FrameFitTest() : engine_(ResolveProfileDirectory(), nullptr) {
        engine_.SetWindows(windows_.pane.handle, windows_.frame.handle);
        engine_.SetMessageBar(&bar_);
    }
    LONG FrameWidth() const { return windows_.frame.rect.right - windows_.frame.rect.left; }
    LONG FrameHeight() const { return windows_.frame.rect.bottom - windows_.frame.rect.top; }

    TempEnvironment environment_;
    FakeFrame windows_;
    RecordingMessageBar bar_;
    CCaptureEngine engine_;
};

TEST_F(FrameFitTest, SizesTheFrameSoThePaneGetsTheSizeKeepingItsCentre) {
    engine_.FitFrameToVideo(320, 240, 1);
    EXPECT_EQ(windows_.pane.clientWidth, 320);
    EXPECT_EQ(windows_.pane.clientHeight, 240);
    EXPECT_EQ(FrameWidth(), 340);
    EXPECT_EQ(FrameHeight(), 320);
    EXPECT_EQ(windows_.frame.rect.left, 100 + (640 - 320) / 2);
    EXPECT_EQ(windows_.frame.rect.top, 100 + (480 - 240) / 2);
    EXPECT_EQ(windows_.frame.lastFlags, static_cast<UINT>(SWP_NOZORDER));
}

TEST_F(FrameFitTest, RetriesOnceWhenTheFrameChangedSize) {
    engine_.FitFrameToVideo(320, 240, 1);
    EXPECT_EQ(windows_.frame.setWindowPosCalls, 2);
    windows_.frame.setWindowPosCalls = 0;
    engine_.FitFrameToVideo(320, 240, 1);  // already that size
    EXPECT_EQ(windows_.frame.setWindowPosCalls, 1);
}

TEST_F(FrameFitTest, ClampsToTheMaximumTrackingSize) {
    windows_.frame.maxTrackX = 1000;
    windows_.frame.maxTrackY = 700;
    engine_.FitFrameToVideo(5000, 5000, 0);
    EXPECT_EQ(FrameWidth(), 1000);
    EXPECT_EQ(FrameHeight(), 700);
    EXPECT_EQ(windows_.pane.clientWidth, 1000 - 20);
}

TEST_F(FrameFitTest, AFrameThatWouldGoAboveTheScreenIsPlacedAtTheTop) {
    engine_.FitFrameToVideo(640, 1200, 0);
    EXPECT_EQ(windows_.frame.rect.top, 0);
    windows_.frame.rect = RECT{100, 100, 760, 660};
    windows_.pane.clientHeight = 480;
    engine_.FitFrameToVideo(640, 678, 0);  // 100 + (480 - 678) / 2 = 1: kept
    EXPECT_EQ(windows_.frame.rect.top, 1);
}

TEST_F(FrameFitTest, DvFormatIs720x480ScaledByPercent) {
    AM_MEDIA_TYPE dv{};
    dv.majortype = MEDIATYPE_Interleaved;
    dv.formattype = FORMAT_DvInfo;
    engine_.FitFrameToMediaType(&dv, 100);
    EXPECT_EQ(windows_.pane.clientWidth, 720);
    EXPECT_EQ(windows_.pane.clientHeight, 480);
    engine_.FitFrameToMediaType(&dv, 50);
    EXPECT_EQ(windows_.pane.clientWidth, 360);
    EXPECT_EQ(windows_.pane.clientHeight, 240);
}

TEST_F(FrameFitTest, VideoInfoUsesTheAbsoluteBitmapSize) {
    VIDEOINFOHEADER info{};
    info.bmiHeader.biWidth = 352;
    info.bmiHeader.biHeight = -288;  // top-down rows
    AM_MEDIA_TYPE type{};
    type.formattype = FORMAT_VideoInfo;
    type.cbFormat = sizeof info;
    type.pbFormat = reinterpret_cast<BYTE*>(&info);
    engine_.FitFrameToMediaType(&type, 150);
    EXPECT_EQ(windows_.pane.clientWidth, 528);
    EXPECT_EQ(windows_.pane.clientHeight, 432);
}

TEST_F(FrameFitTest, ShortOrUnknownFormatsLeaveTheFrameAlone) {
    VIDEOINFOHEADER info{};
    info.bmiHeader.biWidth = 100;
    info.bmiHeader.biHeight = 100;
    AM_MEDIA_TYPE type{};
    type.formattype = FORMAT_VideoInfo;
    type.cbFormat = sizeof info - 1;
    type.pbFormat = reinterpret_cast<BYTE*>(&info);
    engine_.FitFrameToMediaType(&type, 100);
    type.formattype = FORMAT_WaveFormatEx;
    type.cbFormat = sizeof info;
    engine_.FitFrameToMediaType(&type, 100);
    EXPECT_EQ(windows_.frame.setWindowPosCalls, 0);
}

}  // namespace
