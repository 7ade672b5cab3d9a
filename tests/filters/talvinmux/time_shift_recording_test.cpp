// Time-shift playback in recording graphs on the virtual TV card: the multiplexer's outputs are
// rendered into Null Renderers whose input pads are watched. The card stamps each picture with
// its frame number, so a frame played back is known by its contents, and the file shows which
// frames were recorded.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "filters/talvinmux/talvin_avi_mux.h"
#include "platform/com/wide_text.h"
#include "platform/media/capture_filters/virtual_card.h"
#include "platform/media/gst.h"
#include "platform/media/interfaces/grabber.h"
#include "platform/media/interfaces/gst_filter.h"
#include "platform/media/interfaces/stream_config.h"
#include "tests/filters/talvinmux/avi_file_reader.h"
#include "tests/platform/media/devices/recording_fixture.h"

namespace talvinmux::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using media::test::As;
using media::test::PinNamed;

struct Played {
    std::uint64_t number;  // the frame number in the picture's first bytes
    GstClockTime pts;
    bool discontinuity;
};

// Watches the buffers reaching a renderer's input pad.
class PlayedFrames {
public:
    explicit PlayedFrames(IPin* pin) {
        ComPtr<IGstPin> gst = As<IGstPin>(pin);
        if (!gst) return;
        pad_ = GST_PAD(gst_object_ref(gst->GetPad()));
        probe_ = gst_pad_add_probe(pad_, GST_PAD_PROBE_TYPE_BUFFER, OnBuffer, this, nullptr);
    }
    ~PlayedFrames() {
        if (!pad_) return;
        gst_pad_remove_probe(pad_, probe_);
        gst_object_unref(pad_);
    }
    PlayedFrames(const PlayedFrames&) = delete;
    PlayedFrames& operator=(const PlayedFrames&) = delete;

    bool Attached() const { return pad_ != nullptr; }
    std::size_t Count() const {
        std::lock_guard lock(mutex_);
        return frames_.size();
    }
    // The frames that arrived from the `from`-th on.
    std::vector<Played> Since(std::size_t from) const {
        std::lock_guard lock(mutex_);
        return {frames_.begin() + static_cast<std::ptrdiff_t>(std::min(from, frames_.size())), frames_.end()};
    }

private:
    static GstPadProbeReturn OnBuffer(GstPad*, GstPadProbeInfo* info, gpointer data) {
        auto* self = static_cast<PlayedFrames*>(data);
        GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        std::uint8_t lead[8] = {};
        gst_buffer_extract(buffer, 0, lead, sizeof lead);
        std::uint64_t number = 0;
        for (int i = 7; i >= 0; --i) number = number << 8 | lead[i];
        std::lock_guard lock(self->mutex_);
        self->frames_.push_back({number, GST_BUFFER_PTS(buffer), GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DISCONT)});
        return GST_PAD_PROBE_OK;
    }

    GstPad* pad_ = nullptr;
    gulong probe_ = 0;
    mutable std::mutex mutex_;
    std::vector<Played> frames_;
};

class TimeShiftRecordingTest : public media::test::RecordingTest {
protected:
    void SetUp() override {
        RecordingTest::SetUp();
        HRESULT hr = E_FAIL;
        muxFilter_ = ComPtr<IUnknown>::Attach(CTalvinAviMux::CreateInstance(nullptr, &hr));
        ASSERT_EQ(S_OK, hr);
        timeShift_ = As<ITalvinTimeShift>(muxFilter_.Get());
        ASSERT_TRUE(timeShift_);
        ASSERT_EQ(S_OK, As<ITalvinAVIMux>(muxFilter_.Get())->SetFileLayout(1));
        SetCaptureSize(320, 240);
    }
    void TearDown() override {
        if (control_) control_->Stop();
        if (auto card = media::VirtualCard::Current()) card->StampFrameNumbers(false);
        timeShift_ = nullptr;
        muxFilter_ = nullptr;
        RecordingTest::TearDown();
    }

    std::string File() const { return (dir_ / "shift.avi").string(); }

    // The card's capture into the multiplexer; with `outputs`, its two outputs into renderers.
    void Build(bool outputs) {
        auto filter = As<IBaseFilter>(muxFilter_.Get());
        ASSERT_EQ(S_OK, graph_->AddFilter(filter.Get(), u"Talvin AVI Mux"));
        ASSERT_EQ(S_OK, As<IFileSinkFilter2>(muxFilter_.Get())->SetFileName(Utf8ToWide(File()).c_str(), nullptr));
        ASSERT_EQ(S_OK, builder_->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, video_.Get(), nullptr, filter.Get()));
        ASSERT_EQ(S_OK, builder_->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, audio_.Get(), nullptr, filter.Get()));
        if (outputs) {
            videoIn_ = Render(filter.Get(), u"Video Out", u"Video Null");
            audioIn_ = Render(filter.Get(), u"Audio Out", u"Audio Null");
        }
        auto card = media::VirtualCard::Current();
        ASSERT_TRUE(card);
        card->StampFrameNumbers(true);
        int width = 0, height = 0;
        CaptureFormat(&width, &height, &fps_);
        ASSERT_GT(fps_, 0);
    }

    ComPtr<IPin> Render(IBaseFilter* filter, const char16_t* output, const char16_t* name) {
        ComPtr<IBaseFilter> sink;
        EXPECT_EQ(S_OK, CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                         sink.ReleaseAndGetVoidAddress()));
        EXPECT_EQ(S_OK, graph_->AddFilter(sink.Get(), name));
        ComPtr<IPin> in = PinNamed(sink.Get(), u"In");
        EXPECT_EQ(S_OK, graph_->Connect(PinNamed(filter, output).Get(), in.Get()));
        return in;
    }

    // Waits until the recording is `seconds` long (by the player's own report).
    bool WaitForLength(LONG seconds) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds + 10);
        while (std::chrono::steady_clock::now() < end) {
            LONG position = 0, length = 0;
            if (timeShift_->GetPosition(&position, &length) == S_OK && length >= seconds) return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }

    LONG Position() {
        LONG position = -1, length = -1;
        EXPECT_EQ(S_OK, timeShift_->GetPosition(&position, &length));
        return position;
    }

    LONG Length() {
        LONG position = -1, length = -1;
        EXPECT_EQ(S_OK, timeShift_->GetPosition(&position, &length));
        return length;
    }

    // Plays at `speed` for `time`, then pauses; the video frames shown meanwhile.
    std::vector<Played> PlayFor(PlayedFrames& frames, LONG speed, std::chrono::milliseconds time) {
        const std::size_t before = frames.Count();
        EXPECT_EQ(S_OK, timeShift_->SetSpeed(speed));
        std::this_thread::sleep_for(time);
        EXPECT_EQ(S_OK, timeShift_->PausePlayback());
        std::this_thread::sleep_for(100ms);  // a frame on its way when the pause came
        return frames.Since(before);
    }

    std::uint64_t FrameAt(double seconds) const { return static_cast<std::uint64_t>(std::llround(seconds * fps_)); }

    ComPtr<IUnknown> muxFilter_;
    ComPtr<ITalvinTimeShift> timeShift_;
    ComPtr<IPin> videoIn_, audioIn_;
    double fps_ = 0;
};

// One twenty-second recording played back while it is written: a seek and two seconds at
// normal speed, backwards, fast forwards past the length known when it began, back to live.
TEST_F(TimeShiftRecordingTest, PlaysTheRecordingBackWhileItIsWritten) {
    ASSERT_NO_FATAL_FAILURE(Build(true));
    PlayedFrames video(videoIn_.Get()), audio(audioIn_.Get());
    ASSERT_TRUE(video.Attached() && audio.Attached());
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    ASSERT_TRUE(WaitForLength(8));
    EXPECT_EQ(0u, video.Count()) << "live: nothing is played back";

    ASSERT_EQ(S_OK, timeShift_->Seek(5));
    EXPECT_EQ(5, Position()) << "a seek stays where it was asked";
    // Two seconds of the playback timeline (a loaded machine may hand them on a little late).
    std::vector<Played> forwards = PlayFor(video, 100, 2500ms);
    ASSERT_FALSE(forwards.empty());
    const GstClockTime segmentStart = forwards.front().pts;
    const std::uint64_t lastShown = forwards.back().number;
    std::erase_if(forwards, [segmentStart](const Played& frame) { return frame.pts >= segmentStart + 2 * GST_SECOND; });
    EXPECT_NEAR(60.0, static_cast<double>(forwards.size()), 2.0);
    EXPECT_NEAR(static_cast<double>(FrameAt(5)), static_cast<double>(forwards.front().number), 2.0);
    EXPECT_NEAR(static_cast<double>(FrameAt(7)), static_cast<double>(forwards.back().number), 2.0);
    EXPECT_TRUE(forwards.front().discontinuity) << "a playback segment begins with a break";
    for (std::size_t i = 1; i < forwards.size(); ++i) {
        EXPECT_FALSE(forwards[i].discontinuity) << "frame " << i;
        EXPECT_EQ(forwards[i - 1].number + 1, forwards[i].number) << "frame " << i << " played out of order";
        EXPECT_GT(forwards[i].pts, forwards[i - 1].pts) << "frame " << i;
    }
    EXPECT_NEAR(7.5, Position(), 1);

    const std::size_t audioBeforeBackwards = audio.Count();
    EXPECT_GT(audioBeforeBackwards, 0u) << "sound plays along at normal speed";
    const std::vector<Played> backwards = PlayFor(video, -100, 1000ms);
    ASSERT_GT(backwards.size(), 10u);
    EXPECT_LE(backwards.front().number, lastShown) << "backwards starts from the picture paused on";
    EXPECT_TRUE(backwards.front().discontinuity);
    for (std::size_t i = 1; i < backwards.size(); ++i) {
        EXPECT_LT(backwards[i].number, backwards[i - 1].number) << "backwards, frame " << i;
        EXPECT_GT(backwards[i].pts, backwards[i - 1].pts) << "the playback timeline grows backwards too";
    }

    // Fast forwards from about six seconds catches up with the recording and follows it.
    const LONG knownLength = Length();
    const std::vector<Played> fast = PlayFor(video, 400, 4000ms);
    ASSERT_FALSE(fast.empty());
    EXPECT_EQ(audioBeforeBackwards, audio.Count()) << "silent at any speed but 100";
    std::uint64_t newest = 0;
    for (const Played& frame : fast) newest = std::max(newest, frame.number);
    EXPECT_GT(newest, FrameAt(knownLength + 1.0)) << "playback stopped at the length known when it began";

    ASSERT_EQ(S_OK, timeShift_->Live());
    std::this_thread::sleep_for(100ms);
    const std::size_t afterLive = video.Count();
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(afterLive, video.Count()) << "frames played after going live";

    std::this_thread::sleep_until(started + 20s);
    ASSERT_TRUE(SUCCEEDED(control_->Stop()));

    // Every captured frame is in the file, in order.
    const AviContents avi = ReadAvi(File());
    ASSERT_TRUE(avi.valid) << avi.problem;
    ASSERT_GT(avi.videoLeads.size(), FrameAt(19));
    for (std::size_t i = 0; i < avi.videoLeads.size(); ++i) {
        ASSERT_EQ(i, avi.videoLeads[i]) << "the recording lost frame " << i;
    }
    ComPtr<IAMDroppedFrames> captured;
    ASSERT_EQ(S_OK, builder_->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, video_.Get(), IID_IAMDroppedFrames,
                                            captured.ReleaseAndGetVoidAddress()));
    LONG delivered = 0;
    captured->GetNumNotDropped(&delivered);
    EXPECT_EQ(static_cast<std::size_t>(delivered), avi.videoLeads.size());
}

class StopWhilePlayingTest : public TimeShiftRecordingTest, public ::testing::WithParamInterface<bool> {};

// Stopping joins the player: with the graph running, and with it paused first, so the renderers
// hold back the samples pushed into them.
TEST_P(StopWhilePlayingTest, StoppingTheGraphEndsPlaybackAtOnce) {
    ASSERT_NO_FATAL_FAILURE(Build(true));
    PlayedFrames video(videoIn_.Get());
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    ASSERT_TRUE(WaitForLength(2));
    ASSERT_EQ(S_OK, timeShift_->Seek(0));
    ASSERT_EQ(S_OK, timeShift_->SetSpeed(100));
    std::this_thread::sleep_for(500ms);
    ASSERT_GT(video.Count(), 5u);
    if (GetParam()) {
        ASSERT_TRUE(SUCCEEDED(control_->Pause()));
        std::this_thread::sleep_for(500ms);
    }
    const auto before = std::chrono::steady_clock::now();
    ASSERT_TRUE(SUCCEEDED(control_->Stop()));
    EXPECT_LT(std::chrono::steady_clock::now() - before, 5s);
    const std::size_t atStop = video.Count();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(atStop, video.Count()) << "a frame was played after the graph stopped";
    EXPECT_EQ(VFW_E_WRONG_STATE, timeShift_->SetSpeed(100));
    LONG position = 0, length = 0;
    EXPECT_EQ(VFW_E_WRONG_STATE, timeShift_->GetPosition(&position, &length));
    EXPECT_TRUE(ReadAvi(File()).valid);
}

INSTANTIATE_TEST_SUITE_P(GraphStates, StopWhilePlayingTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& param) { return param.param ? "Paused" : "Running"; });

// Without an output rendered there is no time shift: every call says so, the recording goes on.
TEST_F(TimeShiftRecordingTest, CallsWithoutTimeShiftAnswerWrongState) {
    ASSERT_NO_FATAL_FAILURE(Build(false));
    LONG position = 0, length = 0;
    EXPECT_EQ(VFW_E_WRONG_STATE, timeShift_->Seek(1)) << "before the recording runs";
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(VFW_E_WRONG_STATE, timeShift_->SetSpeed(100));
    EXPECT_EQ(VFW_E_WRONG_STATE, timeShift_->Live());
    EXPECT_EQ(VFW_E_WRONG_STATE, timeShift_->PausePlayback());
    EXPECT_EQ(VFW_E_WRONG_STATE, timeShift_->Seek(1));
    EXPECT_EQ(VFW_E_WRONG_STATE, timeShift_->GetPosition(&position, &length));
    EXPECT_EQ(E_INVALIDARG, timeShift_->SetSpeed(200));
    ASSERT_TRUE(SUCCEEDED(control_->Stop()));
    const AviContents avi = ReadAvi(File());
    ASSERT_TRUE(avi.valid) << avi.problem;
    EXPECT_GT(avi.videoChunks, 20u);
}

}  // namespace
}  // namespace talvinmux::test
