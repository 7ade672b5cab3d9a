// The multiplexer in recording graphs on the virtual TV card: numbered pieces up to the file
// limit and the event that ends the recording, an OpenDML recording, statistics against the
// files' contents, and a write fault. Files are read back by walking their chunks and as a
// player reads them.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>

#include "filters/talvinmux/talvin_avi_mux.h"
#include "platform/com/wide_text.h"
#include "platform/media/capture_filters/virtual_card.h"
#include "platform/media/interfaces/stream_config.h"
#include "platform/media/interfaces/capture_builder.h"
#include "platform/media/interfaces/control.h"
#include "tests/filters/talvinmux/avi_file_reader.h"
#include "tests/platform/media/asf/media_file_probe.h"
#include "tests/platform/media/devices/recording_fixture.h"

namespace talvinmux::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using media::test::As;

struct Statistics {
    DWORD video = 0, audio = 0, dropped = 0, samples = 0, inserted = 0, deleted = 0;
};

class MuxRecordingTest : public media::test::RecordingTest {
protected:
    void SetUp() override {
        RecordingTest::SetUp();
        HRESULT hr = E_FAIL;
        muxFilter_ = ComPtr<IUnknown>::Attach(CTalvinAviMux::CreateInstance(nullptr, &hr));
        ASSERT_EQ(S_OK, hr);
        control_mux_ = As<ITalvinAVIMux>(muxFilter_.Get());
        ASSERT_TRUE(control_mux_);
        SetCaptureSize(320, 240);
    }
    void TearDown() override {
        if (control_) control_->Stop();
        control_mux_ = nullptr;
        muxFilter_ = nullptr;
        RecordingTest::TearDown();
    }

    std::string Base() const { return (dir_ / "rec").string(); }

    void Build() {
        auto filter = As<IBaseFilter>(muxFilter_.Get());
        ASSERT_EQ(S_OK, graph_->AddFilter(filter.Get(), nullptr));
        auto sink = As<IFileSinkFilter2>(muxFilter_.Get());
        ASSERT_EQ(S_OK, sink->SetFileName(Utf8ToWide(Base()).c_str(), nullptr));
        ASSERT_EQ(S_OK, builder_->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, video_.Get(), nullptr, filter.Get()));
        ASSERT_EQ(S_OK, builder_->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, audio_.Get(), nullptr, filter.Get()));
    }

    // Waits for `wanted`; collects the first EC_ERRORABORT's code on the way.
    bool WaitForEvent(LONG wanted, std::chrono::milliseconds time, HRESULT* abort = nullptr) {
        const auto end = std::chrono::steady_clock::now() + time;
        while (std::chrono::steady_clock::now() < end) {
            LONG code = 0;
            LONG_PTR p1 = 0, p2 = 0;
            if (events_->GetEvent(&code, &p1, &p2, 50) != S_OK) continue;
            if (code == EC_ERRORABORT && abort && *abort == S_OK) *abort = static_cast<HRESULT>(p1);
            events_->FreeEventParams(code, p1, p2);
            if (code == wanted) return true;
        }
        return false;
    }

    Statistics Read() {
        Statistics s;
        control_mux_->GetStatistics(&s.video, &s.audio, &s.dropped, &s.samples);
        control_mux_->GetSyncCounts(&s.inserted, &s.deleted);
        return s;
    }

    ComPtr<IUnknown> muxFilter_;
    ComPtr<ITalvinAVIMux> control_mux_;
};

TEST_F(MuxRecordingTest, ThreeNumberedPiecesThenTheLimitEndsTheRecording) {
    ASSERT_EQ(S_OK, control_mux_->SetSplitMaxFiles(3));
    ASSERT_EQ(S_OK, control_mux_->SetSplitMaxFileSize(1));
    ASSERT_NO_FATAL_FAILURE(Build());
    int width = 0, height = 0;
    double fps = 0;
    CaptureFormat(&width, &height, &fps);
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    EXPECT_TRUE(WaitForEvent(EC_TALVINMUX_FINISHED, 30s)) << "no 0x8001 at the file limit";
    ASSERT_TRUE(SUCCEEDED(control_->Stop()));
    const Statistics stats = Read();

    EXPECT_FALSE(fs::exists(Base() + "003.avi"));
    std::uint64_t video = 0, audio = 0, audioBytes = 0, nulls = 0;
    double seconds = 0, heldSeconds = 0;
    for (const char* number : {"000", "001", "002"}) {
        const std::string path = Base() + number + ".avi";
        const AviContents avi = ReadAvi(path);
        ASSERT_TRUE(avi.valid) << path << ": " << avi.problem;
        EXPECT_LE(avi.fileBytes, std::uint64_t{1} << 20);
        const media::test::ProbedFile probed = media::test::ProbeMediaFile(path);
        ASSERT_TRUE(probed.readable) << path << ": " << probed.error;
        ASSERT_TRUE(probed.FirstVideo() && probed.FirstAudio()) << path;
        seconds += probed.durationSeconds;
        // A piece lasts as long as its longer stream: a player reads that much of it.
        const double rate = probed.FirstAudio()->sampleRate > 0 ? probed.FirstAudio()->sampleRate : 48000;
        heldSeconds += std::max(static_cast<double>(avi.videoChunks) / fps, static_cast<double>(avi.audioBytes) / 4 / rate);
        video += avi.videoChunks;
        audio += avi.audioChunks;
        audioBytes += avi.audioBytes;
        nulls += avi.nullVideoChunks;
    }
    EXPECT_EQ(video, stats.video);
    EXPECT_EQ(audio, stats.audio);
    EXPECT_EQ(audioBytes / 4, stats.samples);  // 16-bit stereo
    EXPECT_EQ(nulls, stats.dropped + stats.inserted);
    EXPECT_NEAR(heldSeconds, seconds, 1.0 / fps);
    DWORD files = 0;
    control_mux_->GetFileCount(&files);
    EXPECT_EQ(3u, files);
}

TEST_F(MuxRecordingTest, AnOpenDmlRecordingMatchesItsStatistics) {
    ASSERT_EQ(S_OK, control_mux_->SetFileLayout(1));
    ASSERT_EQ(S_OK, control_mux_->SetVideoHandler(0x30323449));  // "I420" stands in for a codec's code
    ASSERT_NO_FATAL_FAILURE(Build());
    int width = 0, height = 0;
    double fps = 0;
    CaptureFormat(&width, &height, &fps);
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    EXPECT_EQ(S_OK, WatchFor(2500ms));
    ASSERT_TRUE(SUCCEEDED(control_->Stop()));
    const Statistics stats = Read();
    double measuredFps = 0, frequency = 0;
    control_mux_->GetMeasuredRates(&measuredFps, &frequency);

    const std::string path = Base() + ".avi";
    const AviContents avi = ReadAvi(path);
    ASSERT_TRUE(avi.valid) << avi.problem;
    EXPECT_TRUE(avi.hasOdml);
    EXPECT_EQ(avi.videoChunks, avi.dmlhFrames);
    EXPECT_EQ(0x30323449u, avi.videoHandler);
    EXPECT_GT(stats.video, fps * 1.5);
    EXPECT_EQ(avi.videoChunks, stats.video);
    EXPECT_EQ(avi.audioChunks, stats.audio);
    EXPECT_EQ(avi.audioBytes / 4, stats.samples);
    EXPECT_NEAR(fps, measuredFps, fps * 0.1);
    EXPECT_NEAR(static_cast<double>(avi.samplesPerSecond), frequency, avi.samplesPerSecond * 0.1);
    const Probed probed = FfprobePackets(path);
    ASSERT_TRUE(probed.ok) << probed.output;
    EXPECT_EQ(avi.audioBytes, probed.audioBytes);
    EXPECT_EQ(avi.videoChunks - avi.nullVideoChunks, probed.videoPackets - 0 * avi.nullVideoChunks)
        << "ffprobe leaves out null frames";
}

struct DriftCase {
    const char* name;
    double audioClockRate;  // the pace of the audio stamps against the sound
    bool inserts;           // the sound runs long: video frames are inserted, else deleted
};

class AudioDriftTest : public MuxRecordingTest, public ::testing::WithParamInterface<DriftCase> {};

TEST_P(AudioDriftTest, FramesAreInsertedOrDeletedAndTheFileShowsThem) {
    ASSERT_EQ(S_OK, control_mux_->SetAudioSyncEnable(1));
    ASSERT_EQ(S_OK, control_mux_->SetAudioSyncSensitivity(100));
    ASSERT_NO_FATAL_FAILURE(Build());
    auto card = media::VirtualCard::Current();
    ASSERT_TRUE(card);
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    card->SetAudioClockRate(GetParam().audioClockRate);
    EXPECT_EQ(S_OK, WatchFor(4000ms));
    ASSERT_TRUE(SUCCEEDED(control_->Stop()));
    card->SetAudioClockRate(1.0);
    const Statistics stats = Read();
    // 5% of four seconds at 30 frames per second: about six frames.
    if (GetParam().inserts) {
        EXPECT_GE(stats.inserted, 3u);
        EXPECT_EQ(0u, stats.deleted);
    } else {
        EXPECT_GE(stats.deleted, 3u);
        EXPECT_EQ(0u, stats.inserted);
    }
    const AviContents avi = ReadAvi(Base() + "000.avi");
    ASSERT_TRUE(avi.valid) << avi.problem;
    EXPECT_EQ(avi.videoChunks, stats.video);
    EXPECT_EQ(avi.nullVideoChunks, stats.inserted + stats.dropped) << "every inserted frame is a null frame in the file";
    // Every captured frame is in the file unless it was deleted.
    ComPtr<IAMDroppedFrames> captured;
    ASSERT_EQ(S_OK, builder_->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, video_.Get(), IID_IAMDroppedFrames,
                                            captured.ReleaseAndGetVoidAddress()));
    LONG delivered = 0;
    captured->GetNumNotDropped(&delivered);
    EXPECT_NEAR(static_cast<double>(delivered), static_cast<double>(avi.videoChunks - avi.nullVideoChunks + stats.deleted), 2);
}

INSTANTIATE_TEST_SUITE_P(Clocks, AudioDriftTest,
                         ::testing::Values(DriftCase{"SoundRunsLong", 0.95, true}, DriftCase{"SoundRunsShort", 1.05, false}),
                         [](const ::testing::TestParamInfo<DriftCase>& param) { return std::string(param.param.name); });

// A disk that fills, simulated with the file size limit (writing past it fails with EFBIG).
TEST_F(MuxRecordingTest, AWriteFaultEndsTheRecordingWithAValidFile) {
    ASSERT_NO_FATAL_FAILURE(Build());
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old;
    limit.rlim_cur = 400 << 10;
    setrlimit(RLIMIT_FSIZE, &limit);
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    HRESULT abort = S_OK;
    WaitForEvent(EC_TALVINMUX_FINISHED, 10s, &abort);  // never comes: the abort is collected
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_TRUE(FAILED(abort)) << "no EC_ERRORABORT for the write fault";
    ASSERT_TRUE(SUCCEEDED(control_->Stop()));
    const std::string path = Base() + "000.avi";
    const AviContents avi = ReadAvi(path);
    ASSERT_TRUE(avi.valid) << avi.problem;
    EXPECT_LE(avi.fileBytes, std::uint64_t{400} << 10);
    EXPECT_EQ(avi.videoChunks, Read().video);
    const media::test::ProbedFile probed = media::test::ProbeMediaFile(path);
    EXPECT_TRUE(probed.readable) << probed.error;
}

}  // namespace
}  // namespace talvinmux::test
