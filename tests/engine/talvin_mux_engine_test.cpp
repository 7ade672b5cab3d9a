// The engine recording through the splitting AVI multiplexer module itself (registered in the
// test's private registry like the other two modules): numbered pieces up to the file limit and
// the event that ends the recording, one OpenDML file read to its end, time-shift playback
// rendered while recording, and the card's jittered stamps as the written file shows them.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>
#include <thread>

#include "common/module_interfaces.h"
#include "platform/com/com_runtime.h"
#include "platform/media/capture_filters/virtual_card.h"
#include "platform/media/interfaces/control.h"
#include "tests/engine/recording_engine_fixture.h"
#include "tests/filters/talvinmux/avi_file_reader.h"
#include "tests/platform/media/devices/recording_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class TalvinMuxEngineTest : public RecordingEngineTest {
protected:
    void SetUp() override {
        RecordingEngineTest::SetUp();
        std::string error;
        ASSERT_EQ(CallServerRegistration(QD_TALVINMUX_MODULE, false, &error), S_OK) << error;
    }

    // A profile a user could have saved: every setting within the multiplexer's ranges.
    static CMuxProfile Profile(DWORD muxMode) {
        CMuxProfile mux;
        mux.MuxMode = muxMode;
        mux.SplitMaxFiles = 0;
        mux.SplitMaxFileSizeMB = 2000;
        mux.DropThreshold = 2.5;
        mux.MaxConcurrentWrites = 4;
        mux.AudioSyncThreshold = 2;
        mux.AvgTimePerFrame = 333667;
        mux.SetAvgTimePerFrame = 0;
        return mux;
    }

    // Builds the recording graph and starts it; the recording's own failures are reported on
    // the message bar, so none may be there.
    void Start(CDeviceProfile* device, CCompressorProfile* compressor, CMuxProfile* mux) {
        OpenSession(device);
        if (compressor) {
            ASSERT_EQ(engine_->BindCompressors(compressor), S_OK) << LastReport();
        }
        ASSERT_EQ(engine_->BuildCaptureGraph(device, compressor, mux, nullptr), S_OK) << LastReport();
        ASSERT_TRUE(Session().AviMuxControl);
        ASSERT_EQ(engine_->StartCapture(device, mux), S_OK) << LastReport();
        EXPECT_TRUE(bar_.lines.empty()) << LastReport();
    }

    // The card's picture and sound recorded through `compressorName` into one OpenDML file.
    void StartOpenDml(const char* compressorName) {
        CMuxProfile mux = Profile(2);
        CCompressorProfile compressor;
        compressor.VideoCompressorName = compressorName;
        CDeviceProfile device;
        device.CaptureVideoMode = 3;
        device.CaptureAudioMode = 2;
        Start(&device, &compressor, &mux);
    }

    bool WaitForEvent(LONG wanted, std::chrono::milliseconds time) {
        const auto end = std::chrono::steady_clock::now() + time;
        while (std::chrono::steady_clock::now() < end) {
            LONG code = 0;
            LONG_PTR p1 = 0, p2 = 0;
            if (Session().MediaEvent->GetEvent(&code, &p1, &p2, 50) != S_OK) continue;
            Session().MediaEvent->FreeEventParams(code, p1, p2);
            if (code == wanted) return true;
        }
        return false;
    }
};

TEST_F(TalvinMuxEngineTest, SplitLayoutRecordsThreeNumberedPlayablePiecesThenTheLimitEvent) {
    CMuxProfile mux = Profile(1);
    mux.SplitMaxFiles = 3;
    mux.SplitMaxFileSizeMB = 1;
    CCompressorProfile compressor;
    compressor.VideoCompressorName = "Motion JPEG";
    CDeviceProfile device;
    device.CaptureVideoMode = 3;
    device.CaptureAudioMode = 2;
    ASSERT_NO_FATAL_FAILURE(Start(&device, &compressor, &mux));
    EXPECT_TRUE(WaitForEvent(EC_TALVINMUX_FINISHED, 60s)) << "no 0x8001 when the third piece was full";
    EXPECT_EQ(engine_->StopGraph(), S_OK);
    engine_->TearDownGraph();

    EXPECT_FALSE(fs::exists(output_ / "movie-003.avi"));
    for (const char* name : {"movie-000.avi", "movie-001.avi", "movie-002.avi"}) {
        const fs::path file = output_ / name;
        ASSERT_TRUE(fs::exists(file)) << name;
        EXPECT_LE(fs::file_size(file), std::uintmax_t{1} << 20) << name;
        const media::test::Discovered found = media::test::Discover(file);
        ASSERT_TRUE(found.ok) << name;
        EXPECT_EQ(found.videoStreams, 1) << name;
        EXPECT_EQ(found.audioStreams, 1) << name;
        EXPECT_TRUE(media::test::CapsAgree(found.videoCaps, "image/jpeg")) << found.videoCaps;
        EXPECT_GT(found.seconds, 0.1) << name;
    }
}

TEST_F(TalvinMuxEngineTest, OpenDmlLayoutWritesOneFileReadToItsEndWithBothStreamsOfTheRecordedLength) {
    ASSERT_NO_FATAL_FAILURE(StartOpenDml("Motion JPEG"));
    const auto started = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(3s);
    EXPECT_EQ(engine_->StopGraph(), S_OK);
    const double recorded = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    DWORD video = 0, audio = 0, dropped = 0, samples = 0;
    ASSERT_EQ(Session().AviMuxControl->GetStatistics(&video, &audio, &dropped, &samples), S_OK);
    double fps = 0, frequency = 0;
    ASSERT_EQ(Session().AviMuxControl->GetMeasuredRates(&fps, &frequency), S_OK);
    engine_->TearDownGraph();

    const fs::path file = output_ / "movie.avi";
    ASSERT_TRUE(fs::exists(file));
    EXPECT_FALSE(fs::exists(output_ / "movie000.avi"));
    const talvinmux::test::AviContents avi = talvinmux::test::ReadAvi(file.string());
    ASSERT_TRUE(avi.valid) << avi.problem;
    EXPECT_TRUE(avi.hasOdml);
    const talvinmux::test::Probed probed = talvinmux::test::FfprobePackets(file.string());
    ASSERT_TRUE(probed.ok) << probed.output;
    EXPECT_EQ(probed.videoPackets, avi.videoChunks - avi.nullVideoChunks);
    EXPECT_EQ(probed.audioBytes, avi.audioBytes);
    EXPECT_EQ(avi.videoChunks, video);
    ASSERT_GT(fps, 0);
    ASSERT_GT(avi.samplesPerSecond, 0u);
    const double videoSeconds = static_cast<double>(avi.videoChunks) / fps;
    const double audioSeconds = static_cast<double>(samples) / avi.samplesPerSecond;
    EXPECT_NEAR(videoSeconds, recorded, 0.6);
    EXPECT_NEAR(audioSeconds, recorded, 0.6);
    EXPECT_NEAR(videoSeconds, audioSeconds, 0.2);
}

// x264 moves its timestamps and its segment 1000 hours on; the picture's stream must still
// start with the recording rather than 1000 hours into it.
TEST_F(TalvinMuxEngineTest, AnEncoderThatShiftsItsTimestampsStillStartsThePictureWithTheRecording) {
    ASSERT_NO_FATAL_FAILURE(StartOpenDml("H.264 (x264)"));
    std::this_thread::sleep_for(2s);
    EXPECT_EQ(engine_->StopGraph(), S_OK);
    engine_->TearDownGraph();

    const talvinmux::test::AviContents avi = talvinmux::test::ReadAvi((output_ / "movie.avi").string());
    ASSERT_TRUE(avi.valid) << avi.problem;
    ASSERT_GT(avi.videoChunks, 0u);
    EXPECT_LT(avi.videoStart, 30u) << "the picture's stream starts more than a second after the recording";
}

TEST_F(TalvinMuxEngineTest, TimeShiftRendersTheOutputsAndAnswersWhileRecording) {
    Options().TimeShiftEnable = 1;
    CMuxProfile mux = Profile(2);
    CCompressorProfile compressor;
    CDeviceProfile device;
    device.CaptureVideoMode = 3;
    device.CaptureAudioMode = 2;
    ASSERT_NO_FATAL_FAILURE(Start(&device, &compressor, &mux));
    ASSERT_TRUE(Session().TimeShiftControl);
    EXPECT_FALSE(bar_.HasLabel("RenderStream TimeShift Video"));
    EXPECT_FALSE(bar_.HasLabel("RenderStream TimeShift Audio"));

    LONG position = -1, length = -1;
    HRESULT answer = E_FAIL;
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < end) {
        answer = Session().TimeShiftControl->GetPosition(&position, &length);
        if (answer == S_OK && length >= 2) break;
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_EQ(answer, S_OK);
    EXPECT_GE(length, 2);
    EXPECT_EQ(Session().TimeShiftControl->Seek(1), S_OK);
    EXPECT_EQ(Session().TimeShiftControl->SetSpeed(100), S_OK);
    std::this_thread::sleep_for(1s);
    ASSERT_EQ(Session().TimeShiftControl->GetPosition(&position, &length), S_OK);
    EXPECT_GE(position, 1);
    EXPECT_LE(position, 3);
    EXPECT_EQ(engine_->StopGraph(), S_OK);
    EXPECT_EQ(Session().TimeShiftControl->GetPosition(&position, &length), VFW_E_WRONG_STATE)
        << "no time shift once the recording stopped";
    engine_->TearDownGraph();
    EXPECT_TRUE(talvinmux::test::ReadAvi((output_ / "movie.avi").string()).valid);
}

// An AVI file keeps no time stamps: a frame's time is its place in the file. The multiplexer
// places each frame by its stamp and fills a gap of more than DropThreshold frames past the
// expected one with null frames, which a player shows as the previous picture held one frame
// longer. So the card's jitter, reaching the multiplexer, puts null frames into the file and
// moves the frames after them off the even grid as a player times them; through the repair
// filter on the capture path the stamps arrive even and the file is even too.
class WrittenStampsTest : public TalvinMuxEngineTest, public testing::WithParamInterface<bool> {};

TEST_P(WrittenStampsTest, JitteredStampsAreEvenInTheFileOnlyThroughTheRepairFilter) {
    const bool repaired = GetParam();
    CMuxProfile mux = Profile(2);
    mux.VideoTimeProperty = 1;  // frames are placed by their time stamps
    mux.DropThreshold = 0.2;    // a frame a fifth of a frame late counts the frames in between as lost
    CCompressorProfile compressor;
    CDeviceProfile device;
    device.CaptureVideoMode = 3;
    device.CaptureAudioMode = 2;
    device.StreamTimeCorrection = repaired ? 1 : 0;
    device.StreamTimeUseDisplayTime = 1;
    device.StreamTimeDisplayTime = 333667;  // the card's 29.97 frames per second
    ASSERT_NO_FATAL_FAILURE(Start(&device, &compressor, &mux));
    media::VirtualCard::Current()->SetJitter(8'000'000);  // up to 8 ms either way
    std::this_thread::sleep_for(3s);
    EXPECT_EQ(engine_->StopGraph(), S_OK);
    DWORD video = 0, audio = 0, dropped = 0, samples = 0;
    ASSERT_EQ(Session().AviMuxControl->GetStatistics(&video, &audio, &dropped, &samples), S_OK);
    engine_->TearDownGraph();

    const fs::path file = output_ / "movie.avi";
    const talvinmux::test::AviContents avi = talvinmux::test::ReadAvi(file.string());
    ASSERT_TRUE(avi.valid) << avi.problem;
    ASSERT_GE(avi.videoChunks, 60u);
    EXPECT_EQ(dropped, avi.nullVideoChunks);
    const std::vector<std::int64_t> stamps = media::test::DemuxedVideoStamps(file);
    ASSERT_GE(stamps.size(), 60u) << "the file's video cannot be read back";
    const std::int64_t spread = media::test::SpreadFromGrid(stamps);
    if (repaired) {
        EXPECT_EQ(avi.nullVideoChunks, 0u);
        EXPECT_LE(spread, 1'000'000) << "the written frames are not even";
    } else {
        EXPECT_GT(avi.nullVideoChunks, 0u);
        EXPECT_GE(spread, 10'000'000) << "the card's jitter did not reach the file, so the test proves nothing";
    }
}

INSTANTIATE_TEST_SUITE_P(WithAndWithout, WrittenStampsTest, testing::Bool());

}  // namespace
