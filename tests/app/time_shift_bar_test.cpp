#include "app/time_shift_bar.h"

#include <gtest/gtest.h>

#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <memory>
#include <vector>

#include "app/resource_ids.h"
#include "engine/time_shift_commands.h"
#include "tests/app/app_test_support.h"

namespace {

class TimeShiftBarTest : public testing::Test {
protected:
    void SetUp() override {
        TestApplication();  // before any widget
        bar_ = std::make_unique<CTimeShiftBar>(nullptr);
    }
    std::unique_ptr<CTimeShiftBar> bar_;
};

TEST_F(TimeShiftBarTest, EverythingIsOffWithoutARecordingWithTimeShift) {
    const int buttons[] = {ids::TimeShiftPlay,         ids::TimeShiftPause,         ids::TimeShiftLive,
                           ids::TimeShiftFastForward, ids::TimeShiftPlayBackwards, ids::TimeShiftFastBackwards};
    for (auto [capturing, control] : {std::pair{false, true}, std::pair{true, false}, std::pair{false, false}}) {
        bar_->UpdateEnabling(capturing, control, TimeShiftPlaying);
        for (int id : buttons) EXPECT_FALSE(bar_->Button(id)->isEnabled()) << id;
        EXPECT_FALSE(bar_->Slider()->isEnabled());
    }
    bar_->UpdateEnabling(true, true, TimeShiftPlaying);
    EXPECT_TRUE(bar_->Slider()->isEnabled());
    EXPECT_FALSE(bar_->Button(ids::TimeShiftPlay)->isEnabled());
    for (int id : {ids::TimeShiftPause, ids::TimeShiftLive, ids::TimeShiftFastForward, ids::TimeShiftPlayBackwards,
                   ids::TimeShiftFastBackwards})
        EXPECT_TRUE(bar_->Button(id)->isEnabled()) << id;
    bar_->UpdateEnabling(true, true, TimeShiftLive);
    EXPECT_TRUE(bar_->Button(ids::TimeShiftPlay)->isEnabled());
    EXPECT_FALSE(bar_->Button(ids::TimeShiftLive)->isEnabled());
    EXPECT_FALSE(bar_->Button(ids::TimeShiftFastForward)->isEnabled());
}

TEST_F(TimeShiftBarTest, ButtonsReportWhatTheyAre) {
    bar_->UpdateEnabling(true, true, TimeShiftPlaying);
    std::vector<TimeShiftButton> pressed;
    QObject::connect(bar_.get(), &CTimeShiftBar::ButtonPressed, [&](TimeShiftButton b) { pressed.push_back(b); });
    bar_->Button(ids::TimeShiftFastForward)->click();
    bar_->Button(ids::TimeShiftLive)->click();
    EXPECT_EQ(pressed, (std::vector<TimeShiftButton>{TimeShiftButton::FastForward, TimeShiftButton::Live}));
}

// The slider seeks once, when let go, to where it is.
TEST_F(TimeShiftBarTest, TheSliderSeeksOnRelease) {
    bar_->resize(400, 60);
    bar_->show();
    bar_->UpdateEnabling(true, true, TimeShiftPlaying);
    bar_->ShowPosition(10, 100);
    EXPECT_EQ(bar_->Slider()->maximum(), 100);
    EXPECT_EQ(bar_->Slider()->value(), 10);
    std::vector<int> seeks;
    QObject::connect(bar_.get(), &CTimeShiftBar::SeekReleased, [&](int s) { seeks.push_back(s); });
    bar_->Slider()->setValue(42);
    EXPECT_TRUE(seeks.empty());
    QTest::mouseRelease(bar_->Slider(), Qt::LeftButton, {}, QPoint(2, 2));
    ASSERT_EQ(seeks.size(), 1u);
    EXPECT_EQ(seeks[0], bar_->Slider()->value());
}

}  // namespace
