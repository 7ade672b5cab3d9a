// The recording graph on the virtual TV card: which graph each mode builds, the files it
// writes (read back as a player reads them), the output naming, the sinks and the labelled
// failures of every step.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <thread>

#include "platform/com/class_factory.h"
#include "platform/media/capture_filters/virtual_card.h"
#include "platform/com/com_runtime.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/control.h"
#include "platform/media/interfaces/windows_media.h"
#include "platform/com/wide_text.h"
#include "tests/engine/fault_factories.h"
#include "tests/engine/recording_engine_fixture.h"
#include "tests/engine/recording_mux_fake.h"
#include "tests/platform/media/devices/recording_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using media::test::Discover;

// ---- Output naming ----

class OutputNamingTest : public RecordingEngineTest {
protected:
    // Builds a graph that records nothing (video and audio mode 0) into the AVI multiplexer.
    void BuildNothing(CRecordProfile* reservation) {
        CDeviceProfile device;
        OpenSession(&device);
        ASSERT_EQ(engine_->BuildCaptureGraph(&device, nullptr, nullptr, reservation), S_OK) << LastReport();
    }
};

TEST_F(OutputNamingTest, FixedNameFromTheOptions) {
    BuildNothing(nullptr);
    EXPECT_EQ(engine_->OutputDirectory(), output_.string() + "/");
    EXPECT_EQ(engine_->OutputFileName(), output_.string() + "/movie");
    EXPECT_EQ(engine_->SinkFileName(), output_.string() + "/movie.avi");
}

TEST_F(OutputNamingTest, DatedNameWithAnEmptyFileNameHasNoLeadingHyphen) {
    Options().MovieFile.clear();
    Options().MovieNaming = 1;
    BuildNothing(nullptr);
    const std::string name = engine_->SinkFileName().substr(engine_->OutputDirectory().size());
    EXPECT_TRUE(std::regex_match(name, std::regex(R"(\d{8}-\d{6}\.avi)"))) << name;
}

TEST_F(OutputNamingTest, EmptyFixedNameIsDatedRatherThanLeftAsABareExtension) {
    Options().MovieFile.clear();
    Options().MovieNaming = 0;
    BuildNothing(nullptr);
    const std::string name = engine_->SinkFileName().substr(engine_->OutputDirectory().size());
    EXPECT_TRUE(std::regex_match(name, std::regex(R"(\d{8}-\d{6}\.avi)"))) << name;
}

TEST_F(OutputNamingTest, ReservationDirectoryGetsItsSeparatorAndDatedName) {
    CRecordProfile reservation;
    reservation.Dir = (environment_.Root() / "scheduled").string();  // no trailing separator
    fs::create_directories(reservation.Dir);
    reservation.File = "news";
    reservation.FileMode = 1;
    BuildNothing(&reservation);
    EXPECT_EQ(engine_->OutputDirectory(), reservation.Dir + "/");
    const std::string name = engine_->OutputFileName().substr(engine_->OutputDirectory().size());
    EXPECT_TRUE(std::regex_match(name, std::regex(R"(news-\d{8}-\d{6})"))) << name;
}

TEST_F(OutputNamingTest, OutputFileIsWatchedFromTheBuildUntilTheStop) {
    BuildNothing(nullptr);
    EXPECT_EQ(engine_->PendingHandleCount(), 1u);
    EXPECT_TRUE(fs::exists(output_ / "movie.avi"));
    EXPECT_GT(engine_->FreeSpaceAtBuild(), 0u);
    EXPECT_EQ(engine_->FileSizeAtBuild(), 0u);
    EXPECT_EQ(engine_->StopGraph(), S_OK);  // nothing runs: only the handles close
    EXPECT_EQ(engine_->PendingHandleCount(), 0u);
}

TEST_F(OutputNamingTest, MissingDirectoryIsRefusedBeforeAnythingJoinsTheGraph) {
    Options().MovieDir = (output_ / "not-there").string();
    CDeviceProfile device;
    device.CaptureVideoMode = 4;
    device.CaptureAudioMode = 3;
    OpenSession(&device);
    const int before = FilterCount();
    EXPECT_EQ(engine_->BuildCaptureGraph(&device, nullptr, nullptr, nullptr), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(bar_.HasLabel("ICaptureGraphBuilder2 SetOutputFileName")) << LastReport();
    EXPECT_EQ(FilterCount(), before);
    EXPECT_FALSE(fs::exists(output_ / "not-there"));
}

TEST_F(OutputNamingTest, DirectoryThatTakesNoFilesIsRefused) {
    Options().MovieDir = "/proc";  // not writable, for root too
    CDeviceProfile device;
    device.CaptureVideoMode = 3;
    OpenSession(&device);
    const int before = FilterCount();
    EXPECT_TRUE(FAILED(engine_->BuildCaptureGraph(&device, nullptr, nullptr, nullptr)));
    EXPECT_TRUE(bar_.HasLabel("ICaptureGraphBuilder2 SetOutputFileName")) << LastReport();
    EXPECT_EQ(FilterCount(), before);
}

// ---- The mode table ----

struct ModeRow {
    DWORD videoMode;
    DWORD audioMode;
};

class CaptureModeTest : public RecordingEngineTest, public testing::WithParamInterface<ModeRow> {};

TEST_P(CaptureModeTest, BuildsTheGraphAndWritesTheStreamsAskedFor) {
    const ModeRow row = GetParam();
    const bool recordsVideo = row.videoMode >= 3;
    const bool previewsVideo = row.videoMode != 0 && row.videoMode != 3;
    const bool recordsAudio = row.audioMode == 2 || row.audioMode == 3;
    const bool previewsAudio = row.audioMode == 1 || row.audioMode == 3;
    CDeviceProfile device;
    device.CaptureVideoMode = row.videoMode;
    device.CaptureAudioMode = row.audioMode;
    OpenSession(&device);
    ASSERT_EQ(engine_->BuildCaptureGraph(&device, nullptr, nullptr, nullptr), S_OK) << LastReport();
    EXPECT_TRUE(Session().CaptureGraphBuilt);
    EXPECT_FALSE(Session().GraphBuildPending);
    // The card has a preview pin of its own: the capture pin is only used to record.
    EXPECT_EQ(Connected(Session().VideoCapturePin.Get()), recordsVideo);
    EXPECT_EQ(Connected(Session().VideoPreviewOut.Get()), previewsVideo);
    EXPECT_EQ(FiltersOfClass(CLSID_OverlayMixer), row.videoMode == 2 || row.videoMode == 5 ? 1 : 0);
    EXPECT_EQ(Connected(Session().AudioCapturePin.Get()), recordsAudio || previewsAudio);
    EXPECT_EQ(Connected(Session().AudioPreviewOut.Get()), previewsAudio);
    EXPECT_TRUE(Session().MediaEvent);
    if (!recordsVideo && !recordsAudio) return;

    ASSERT_EQ(RecordFor(&device, nullptr, 1500ms), S_OK) << LastReport();
    engine_->TearDownGraph();
    const media::test::Discovered found = Discover(engine_->SinkFileName());
    ASSERT_TRUE(found.ok) << engine_->SinkFileName();
    EXPECT_EQ(found.videoStreams, recordsVideo ? 1 : 0);
    EXPECT_EQ(found.audioStreams, recordsAudio ? 1 : 0);
    EXPECT_GT(found.seconds, 0.5);
}

INSTANTIATE_TEST_SUITE_P(Rows, CaptureModeTest,
                         testing::Values(ModeRow{0, 0}, ModeRow{1, 0}, ModeRow{2, 0}, ModeRow{3, 0}, ModeRow{4, 0},
                                         ModeRow{5, 0}, ModeRow{3, 1}, ModeRow{3, 2}, ModeRow{4, 3}, ModeRow{0, 2}),
                         [](const testing::TestParamInfo<ModeRow>& row) {
                             return "Video" + std::to_string(row.param.videoMode) + "Audio" +
                                    std::to_string(row.param.audioMode);
                         });

TEST_F(RecordingEngineTest, WithoutADeviceProfileRecordsBothStreamsAndPreviewsTheVideo) {
    OpenSession(nullptr);
    ASSERT_EQ(engine_->BuildCaptureGraph(nullptr, nullptr, nullptr, nullptr), S_OK) << LastReport();
    EXPECT_TRUE(Connected(Session().VideoPreviewOut.Get()));
    EXPECT_FALSE(Session().AudioSmartTee);
    ASSERT_EQ(RecordFor(nullptr, nullptr, 1500ms), S_OK);
    engine_->TearDownGraph();
    const auto found = Discover(engine_->SinkFileName());
    ASSERT_TRUE(found.ok);
    EXPECT_EQ(found.videoStreams, 1);
    EXPECT_EQ(found.audioStreams, 1);
}

TEST_F(RecordingEngineTest, CompressedRecordingWritesTheCodecsStreams) {
    CCompressorProfile compressor;
    compressor.VideoCompressorName = "Motion JPEG";
    compressor.AudioCompressorName = "MP3 (LAME)";
    CDeviceProfile device;
    device.CaptureVideoMode = 4;
    device.CaptureAudioMode = 2;
    OpenSession(&device);
    ASSERT_EQ(engine_->BindCompressors(&compressor), S_OK) << LastReport();
    ASSERT_EQ(engine_->BuildCaptureGraph(&device, &compressor, nullptr, nullptr), S_OK) << LastReport();
    ASSERT_EQ(RecordFor(&device, nullptr, 1500ms), S_OK);
    engine_->TearDownGraph();
    const auto found = Discover(engine_->SinkFileName());
    ASSERT_TRUE(found.ok);
    EXPECT_TRUE(media::test::CapsAgree(found.videoCaps, "image/jpeg")) << found.videoCaps;
    EXPECT_TRUE(media::test::CapsAgree(found.audioCaps, "audio/mpeg")) << found.audioCaps;
}

TEST_F(RecordingEngineTest, CompressorThatIsNotInstalledRecordsUncompressed) {
    CCompressorProfile compressor;
    compressor.VideoCompressorName = "Not Installed Codec";
    CDeviceProfile device;
    device.CaptureVideoMode = 3;
    OpenSession(&device);
    EXPECT_EQ(engine_->BindCompressors(&compressor), E_FAIL);
    EXPECT_TRUE(bar_.HasLabel("NotFound VideoCompressor"));
    ASSERT_EQ(engine_->BuildCaptureGraph(&device, &compressor, nullptr, nullptr), S_OK) << LastReport();
    ASSERT_EQ(RecordFor(&device, nullptr, 1000ms), S_OK);
    engine_->TearDownGraph();
    const auto found = Discover(engine_->SinkFileName());
    ASSERT_TRUE(found.ok);
    EXPECT_EQ(found.videoStreams, 1);
    EXPECT_TRUE(media::test::CapsAgree(found.videoCaps, "video/x-raw")) << found.videoCaps;
}

TEST_F(RecordingEngineTest, WindowsMediaRecordingWritesAnAsfFile) {
    ASSERT_FALSE(engine_->Catalog().WindowsMediaProfiles().empty()) << "no Windows Media profiles";
    IWMProfile* first = engine_->Catalog().WindowsMediaProfiles().front().Get();
    DWORD length = 0;
    ASSERT_EQ(first->GetName(nullptr, &length), S_OK);
    std::u16string name(length, u'\0');
    ASSERT_EQ(first->GetName(name.data(), &length), S_OK);
    CCompressorProfile compressor;
    compressor.Kind = CCompressorProfile::KindWindowsMedia;
    compressor.WMProfileName = WideToUtf8(WideView(name.c_str()));
    CDeviceProfile device;
    device.CaptureVideoMode = 3;
    device.CaptureAudioMode = 2;
    OpenSession(&device);
    ASSERT_EQ(engine_->BindCompressors(&compressor), S_OK) << LastReport();
    ASSERT_EQ(engine_->BuildCaptureGraph(&device, &compressor, nullptr, nullptr), S_OK) << LastReport();
    EXPECT_THAT(engine_->SinkFileName(), testing::EndsWith(".wmv"));
    ASSERT_EQ(RecordFor(&device, nullptr, 2000ms), S_OK);
    engine_->TearDownGraph();
    const auto found = Discover(engine_->SinkFileName());
    ASSERT_TRUE(found.ok);
    EXPECT_EQ(found.videoStreams, 1);
    EXPECT_EQ(found.audioStreams, 1);
}

TEST_F(RecordingEngineTest, UnknownWindowsMediaProfileIsReported) {
    CCompressorProfile compressor;
    compressor.Kind = CCompressorProfile::KindWindowsMedia;
    compressor.WMProfileName = "No Such Profile";
    OpenSession(nullptr);
    EXPECT_EQ(engine_->BindCompressors(&compressor), E_FAIL);
    EXPECT_EQ(engine_->BuildCaptureGraph(nullptr, &compressor, nullptr, nullptr), E_FAIL);
    EXPECT_TRUE(bar_.HasLabel("NotFound IWMProfile"));
}

TEST_F(RecordingEngineTest, DvCamcorderIsSplitOnTheCapturePathAndGivesTheSound) {
    CDeviceProfile device;
    device.DvType2 = 1;
    device.CaptureVideoMode = 3;
    device.CaptureAudioMode = 2;
    OpenDvSession(&device);
    ASSERT_FALSE(Session().AudioCapturePin) << "the camcorder has no audio pins of its own";
    ASSERT_EQ(engine_->BuildCaptureGraph(&device, nullptr, nullptr, nullptr), S_OK) << LastReport();
    EXPECT_TRUE(Session().CaptureDvSplitter);
    EXPECT_FALSE(Session().SmartTee);
    ASSERT_EQ(RecordFor(&device, nullptr, 1500ms), S_OK);
    engine_->TearDownGraph();
    const auto found = Discover(engine_->SinkFileName());
    ASSERT_TRUE(found.ok);
    EXPECT_EQ(found.videoStreams, 1);
    EXPECT_EQ(found.audioStreams, 1);
}

// ---- Run control ----

TEST_F(RecordingEngineTest, RecordingStartsOnlyOnABuiltGraphAndOnce) {
    CDeviceProfile device;
    device.CaptureVideoMode = 3;
    OpenSession(&device);
    EXPECT_EQ(engine_->StartCapture(&device, nullptr), E_FAIL);
    ASSERT_EQ(engine_->BuildCaptureGraph(&device, nullptr, nullptr, nullptr), S_OK) << LastReport();
    EXPECT_EQ(engine_->BuildCaptureGraph(&device, nullptr, nullptr, nullptr), S_OK);  // built: untouched
    ASSERT_EQ(engine_->StartCapture(&device, nullptr), S_OK);
    EXPECT_TRUE(Session().Capturing);
    EXPECT_EQ(engine_->StartCapture(&device, nullptr), S_OK);
    EXPECT_EQ(engine_->StopGraph(), S_OK);
    EXPECT_FALSE(Session().Capturing);
    EXPECT_EQ(engine_->PendingHandleCount(), 0u);
}

// Modes that only preview and listen still put the sink into the graph, with no input
// connected: it has nothing to finish, so the stop neither waits for it nor fails.
TEST_F(RecordingEngineTest, RecordingThatWritesNoStreamStopsAtOnceAndClean) {
    CDeviceProfile device;
    device.CaptureVideoMode = 1;  // previewed, not recorded
    device.CaptureAudioMode = 1;  // heard, not recorded
    OpenSession(&device);
    ASSERT_EQ(engine_->BuildCaptureGraph(&device, nullptr, nullptr, nullptr), S_OK) << LastReport();
    ASSERT_EQ(engine_->StartCapture(&device, nullptr), S_OK) << LastReport();
    ASSERT_TRUE(Session().Capturing);
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(engine_->StopGraph(), S_OK);
    EXPECT_FALSE(Session().Capturing);
    EXPECT_FALSE(bar_.HasLabel("IMediaControl Stop")) << LastReport();
    LONG code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    while (Session().MediaEvent->GetEvent(&code, &p1, &p2, 0) == S_OK) {
        EXPECT_NE(code, EC_ERRORABORT) << std::hex << p1;
        Session().MediaEvent->FreeEventParams(code, p1, p2);
    }
}

TEST_F(RecordingEngineTest, ClockThatCannotBeMadeLeavesTheDefaultClock) {
    CDeviceProfile device;
    device.CaptureVideoMode = 3;
    device.UseCustomClock = 1;
    OpenSession(&device);
    ASSERT_EQ(engine_->BuildCaptureGraph(&device, nullptr, nullptr, nullptr), S_OK) << LastReport();
    ComPtr<IClassFactory> failing = ComPtr<IClassFactory>::Attach(new FailingFactory);
    ScopedClassFactoryOverride override(CLSID_TalvinClock, failing.Get());
    ASSERT_EQ(engine_->StartCapture(&device, nullptr), S_OK);
    EXPECT_TRUE(bar_.HasLabel("CoCreateInstance CLSID_TalvinClock"));
    EXPECT_FALSE(Session().Clock);
    EXPECT_EQ(engine_->StopGraph(), S_OK);
}

// ---- Stream control, clock, device loss ----

TEST_F(RecordingEngineTest, VideoStartTimeHoldsTheVideoBack) {
    CDeviceProfile device;
    device.CaptureVideoMode = 3;
    device.CaptureAudioMode = 2;
    CMuxProfile mux;
    mux.MSMasterStream = -1;
    mux.VideoStartTime = 10'000'000;  // one second
    OpenSession(&device);
    ASSERT_EQ(engine_->BuildCaptureGraph(&device, nullptr, &mux, nullptr), S_OK) << LastReport();
    ASSERT_EQ(RecordFor(&device, &mux, 2500ms), S_OK);
    engine_->TearDownGraph();
    const auto chunks = media::test::WalkAvi(engine_->SinkFileName());
    const auto found = Discover(engine_->SinkFileName());
    ASSERT_TRUE(found.ok);
    ASSERT_GT(chunks.audioBytes, 0u);
    // The card runs at 29.97 frames per second; the audio covers the whole run.
    const double videoSeconds = chunks.videoFrames / 29.97;
    EXPECT_GT(videoSeconds, 0.8);
    EXPECT_LT(videoSeconds, 2.0) << "the video started with the audio";
}

TEST_F(RecordingEngineTest, AdjustableClockDrivesTheRecordingAtItsSpeed) {
    CDeviceProfile device;
    device.CaptureVideoMode = 3;
    device.UseCustomClock = 1;
    device.AdjustClockSpeed = 1;
    device.ClockSpeed = 1.05;
    device.UseClockDelta = 1;
    OpenSession(&device);
    ASSERT_EQ(engine_->BuildCaptureGraph(&device, nullptr, nullptr, nullptr), S_OK) << LastReport();
    ASSERT_EQ(engine_->StartCapture(&device, nullptr), S_OK) << LastReport();
    ASSERT_TRUE(Session().Clock) << LastReport();
    ComPtr<IReferenceClock> running;
    ASSERT_EQ(Session().MediaFilter->GetSyncSource(running.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_EQ(running.Get(), Session().Clock.Get());
    EXPECT_TRUE(Session().ClockAdjust) << LastReport();
    REFERENCE_TIME first = 0, second = 0;
    ASSERT_TRUE(SUCCEEDED(running->GetTime(&first)));
    const auto wallStart = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(1000ms);
    ASSERT_TRUE(SUCCEEDED(running->GetTime(&second)));
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    EXPECT_NEAR((second - first) / 1e7 / wall, 1.05, 0.01);
    EXPECT_EQ(engine_->StopGraph(), S_OK);
    engine_->TearDownGraph();
    EXPECT_FALSE(Session().Clock);
    EXPECT_FALSE(Session().ClockAdjust);
}

TEST_F(RecordingEngineTest, LostDeviceIsPostedAndTheFileSoFarIsComplete) {
    CDeviceProfile device;
    device.CaptureVideoMode = 3;
    OpenSession(&device);
    ASSERT_EQ(engine_->BuildCaptureGraph(&device, nullptr, nullptr, nullptr), S_OK) << LastReport();
    ASSERT_EQ(engine_->StartCapture(&device, nullptr), S_OK);
    std::this_thread::sleep_for(1000ms);
    media::VirtualCard::Current()->Disappear();
    bool lost = false;
    for (int i = 0; i < 50 && !lost; ++i) {
        LONG code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        if (Session().MediaEvent->GetEvent(&code, &p1, &p2, 100) != S_OK) continue;
        lost = code == EC_DEVICE_LOST;
        Session().MediaEvent->FreeEventParams(code, p1, p2);
    }
    EXPECT_TRUE(lost);
    LONG completion = 0;
    EXPECT_EQ(Session().MediaEvent->WaitForCompletion(0, &completion), S_OK) << "the loss does not end the run";
    EXPECT_EQ(completion, EC_DEVICE_LOST);
    EXPECT_EQ(engine_->StopGraph(), S_OK);
    engine_->TearDownGraph();
    const auto found = Discover(engine_->SinkFileName());
    ASSERT_TRUE(found.ok) << "the file written before the loss cannot be read";
    EXPECT_EQ(found.videoStreams, 1);
    EXPECT_GT(found.seconds, 0.5);
}

TEST_F(RecordingEngineTest, StampfixSitsOnTheCapturePathWithItsFrameTime) {
    CDeviceProfile device;
    device.CaptureVideoMode = 4;
    device.StreamTimeCorrection = 1;
    device.StreamTimeUseDisplayTime = 1;
    device.StreamTimeDisplayTime = 333667;
    OpenSession(&device);
    ASSERT_EQ(engine_->BuildCaptureGraph(&device, nullptr, nullptr, nullptr), S_OK) << LastReport();
    ASSERT_TRUE(Session().StampfixFilter);
    ComPtr<IStampfix> stampfix;
    ASSERT_EQ(Session().StampfixFilter.As(&stampfix), S_OK);
    REFERENCE_TIME perFrame = 0;
    BOOL fixed = FALSE;
    ASSERT_EQ(stampfix->get_TimePerFrame(&perFrame, &fixed), S_OK);
    EXPECT_EQ(perFrame, 333667);
    EXPECT_TRUE(fixed);
    // The capture pin feeds the repair filter, which feeds the tee.
    ComPtr<IPin> peer;
    ASSERT_EQ(Session().VideoCapturePin->ConnectedTo(peer.ReleaseAndGetAddressOf()), S_OK);
    PIN_INFO info{};
    ASSERT_EQ(peer->QueryPinInfo(&info), S_OK);
    EXPECT_EQ(info.pFilter, Session().StampfixFilter.Get());
    info.pFilter->Release();
    engine_->TearDownGraph();
    EXPECT_FALSE(Session().StampfixFilter);
}

// ---- Filter chains ----

TEST_F(RecordingEngineTest, VideoChainRecordsThroughItsFiltersAndTheTeeFollowsIt) {
    CDeviceProfile device;
    device.CaptureVideoMode = 4;
    device.VideoFilterPreview = 1;
    device.CaptureVideoFilterName = "picture";
    AddChain("picture", {"Picture Controls", "Flip and Rotate"}, true);
    OpenSession(&device);
    ASSERT_EQ(engine_->BuildCaptureGraph(&device, nullptr, nullptr, nullptr), S_OK) << LastReport();
    ASSERT_TRUE(Session().SmartTee);
    // The tee's input comes from the chain's last filter, not from the capture pin.
    ComPtr<IPin> teeInput, upstream;
    ASSERT_EQ(Session().CaptureBuilder->FindPin(Session().SmartTee.Get(), PINDIR_INPUT, nullptr, nullptr, FALSE, 0,
                                                teeInput.ReleaseAndGetAddressOf()),
              S_OK);
    ASSERT_EQ(teeInput->ConnectedTo(upstream.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_NE(upstream.Get(), Session().VideoCapturePin.Get());
    ASSERT_EQ(RecordFor(&device, nullptr, 1000ms), S_OK);
    engine_->TearDownGraph();
    EXPECT_FALSE(Session().SmartTee);
    EXPECT_EQ(FilterCount(), 2) << "only the capture filters stay";
    const auto found = Discover(engine_->SinkFileName());
    ASSERT_TRUE(found.ok);
    EXPECT_EQ(found.videoStreams, 1);
}

TEST_F(RecordingEngineTest, ChainFilterThatIsNotInstalledEndsTheBuild) {
    CDeviceProfile device;
    device.CaptureVideoMode = 3;
    device.CaptureVideoFilterName = "missing";
    AddChain("missing", {"Not Installed Effect"}, true);
    OpenSession(&device);
    EXPECT_EQ(engine_->BuildCaptureGraph(&device, nullptr, nullptr, nullptr), E_FAIL);
    EXPECT_TRUE(bar_.HasLabel("NotFound VideoFilter")) << LastReport();
    EXPECT_TRUE(Session().GraphBuildPending);
    engine_->TearDownGraph();
    EXPECT_EQ(FilterCount(), 2);
}

TEST_F(RecordingEngineTest, ChainProfileThatDoesNotExistIsReported) {
    CDeviceProfile device;
    device.CaptureAudioFilterName = "nowhere";
    OpenSession(&device);
    EXPECT_EQ(engine_->BuildCaptureGraph(&device, nullptr, nullptr, nullptr), E_FAIL);
    EXPECT_TRUE(bar_.HasLabel("NotFound AudioFilterProfile"));
    EXPECT_FALSE(Session().GraphBuildPending);
}

// ---- The splitting multiplexer, through a stand-in ----

class SplittingMuxTest : public RecordingEngineTest {
protected:
    void SetUp() override {
        RecordingEngineTest::SetUp();
        factory_ = MakeComObject<RecordingMuxFactory>();
        override_ = std::make_unique<ScopedClassFactoryOverride>(CLSID_TalvinAVIMux, factory_.Get());
    }
    void TearDown() override {
        override_.reset();
        factory_ = nullptr;
        RecordingEngineTest::TearDown();
    }
    std::vector<int> Methods() const {
        std::vector<int> methods;
        for (const MuxCall& call : factory_->fake->calls) methods.push_back(call.method);
        return methods;
    }
    static CMuxProfile Profile(DWORD muxMode) {
        CMuxProfile mux;
        mux.MuxMode = muxMode;
        mux.SplitMaxFiles = 3;
        mux.SplitMaxFileSizeMB = 700;
        mux.DropThreshold = 2.5;
        mux.AvgTimePerFrame = 333667;
        mux.SetAvgTimePerFrame = 1;
        return mux;
    }

    ComPtr<RecordingMuxFactory> factory_;
    std::unique_ptr<ScopedClassFactoryOverride> override_;
};

TEST_F(SplittingMuxTest, SplitLayoutPassesEverySettingInOrderAndWatchesTheNumberedFiles) {
    CMuxProfile mux = Profile(1);
    CCompressorProfile compressor;
    CDeviceProfile device;
    device.CaptureVideoMode = 3;
    OpenSession(&device);
    ASSERT_EQ(engine_->BuildCaptureGraph(&device, &compressor, &mux, nullptr), S_OK) << LastReport();
    EXPECT_THAT(Methods(), testing::ElementsAre(21, 1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 23, 25, 29, 27, 31, 33, 35, 37,
                                                43, 41, 45, 39));
    EXPECT_EQ(factory_->fake->calls.front().arguments, std::vector<double>{0});
    EXPECT_EQ(factory_->fake->calls[1].arguments, std::vector<double>{3});
    EXPECT_EQ(factory_->fake->calls[5].arguments, std::vector<double>{2.5});
    EXPECT_EQ(WideToUtf8(factory_->fake->fileName), output_.string() + "/movie-");
    EXPECT_TRUE(factory_->fake->fileNameTypeGiven);
    for (const char* file : {"movie-000.avi", "movie-001.avi", "movie-002.avi"}) EXPECT_TRUE(fs::exists(output_ / file)) << file;
    EXPECT_EQ(engine_->PendingHandleCount(), 3u);
    EXPECT_TRUE(Session().AviMuxControl);
    EXPECT_FALSE(Session().TimeShiftControl);
    EXPECT_TRUE(Connected(Session().VideoCapturePin.Get()));
}

// A writer that never finishes its files makes the graph's stop run out of time; the graph is
// stopped all the same, and so is the recording.
TEST_F(SplittingMuxTest, StopThatRunsOutOfTimeStillEndsTheRecording) {
    factory_->fake->NeverFinish();
    CMuxProfile mux = Profile(2);
    CCompressorProfile compressor;
    CDeviceProfile device;
    device.CaptureVideoMode = 3;
    OpenSession(&device);
    ASSERT_EQ(engine_->BuildCaptureGraph(&device, &compressor, &mux, nullptr), S_OK) << LastReport();
    ASSERT_EQ(engine_->StartCapture(&device, &mux), S_OK) << LastReport();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(engine_->StopGraph(), VFW_E_TIMEOUT);
    EXPECT_TRUE(bar_.HasLabel("IMediaControl Stop")) << LastReport();
    EXPECT_FALSE(Session().Capturing);
    EXPECT_EQ(engine_->PendingHandleCount(), 0u);
    ComPtr<IMediaControl> control;
    ASSERT_EQ(Session().Graph.As(&control), S_OK);
    OAFilterState state = State_Running;
    EXPECT_EQ(control->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
    EXPECT_EQ(engine_->StopGraph(), S_OK) << "nothing runs any more";
}

TEST_F(SplittingMuxTest, Avi20LayoutLeavesOutTheSplittingSettings) {
    CMuxProfile mux = Profile(2);
    CCompressorProfile compressor;
    CDeviceProfile device;
    OpenSession(&device);
    ASSERT_EQ(engine_->BuildCaptureGraph(&device, &compressor, &mux, nullptr), S_OK) << LastReport();
    EXPECT_THAT(Methods(), testing::ElementsAre(21, 5, 9, 11, 13, 15, 17, 19, 25, 27, 31, 33, 35, 37, 43, 41, 45, 39));
    EXPECT_EQ(factory_->fake->calls.front().arguments, std::vector<double>{1});
    EXPECT_EQ(WideToUtf8(factory_->fake->fileName), output_.string() + "/movie");
    EXPECT_TRUE(fs::exists(output_ / "movie.avi"));
    EXPECT_EQ(engine_->PendingHandleCount(), 1u);
}

TEST_F(SplittingMuxTest, WithoutACompressorProfileTheFilesAreNotWatched) {
    CMuxProfile mux = Profile(1);
    CDeviceProfile device;
    OpenSession(&device);
    ASSERT_EQ(engine_->BuildCaptureGraph(&device, nullptr, &mux, nullptr), S_OK) << LastReport();
    EXPECT_EQ(engine_->PendingHandleCount(), 0u);
}

TEST_F(SplittingMuxTest, CodecHandlerReachesTheMultiplexer) {
    CMuxProfile mux = Profile(2);
    CCompressorProfile compressor;
    compressor.VideoCompressorName = "Motion JPEG";
    CDeviceProfile device;
    device.CaptureVideoMode = 3;
    OpenSession(&device);
    ASSERT_EQ(engine_->BindCompressors(&compressor), S_OK);
    ASSERT_EQ(engine_->BuildCaptureGraph(&device, &compressor, &mux, nullptr), S_OK) << LastReport();
    ASSERT_FALSE(factory_->fake->calls.empty());
    const auto handler = std::find_if(factory_->fake->calls.begin(), factory_->fake->calls.end(),
                                      [](const MuxCall& call) { return call.method == 47; });
    ASSERT_NE(handler, factory_->fake->calls.end());
    EXPECT_EQ(handler->arguments, std::vector<double>{static_cast<double>(0x47504A4D)});  // 'MJPG'
}

TEST_F(SplittingMuxTest, TimeShiftRendersTheMultiplexersOutputsOrSaysWhyNot) {
    Options().TimeShiftEnable = 1;
    CMuxProfile mux = Profile(2);
    CCompressorProfile compressor;
    CDeviceProfile device;
    device.CaptureVideoMode = 3;
    device.CaptureAudioMode = 2;
    OpenSession(&device);
    ASSERT_EQ(engine_->BuildCaptureGraph(&device, &compressor, &mux, nullptr), S_OK) << LastReport();
    EXPECT_TRUE(Session().TimeShiftControl);
    // The stand-in has no playback outputs: both renders are tried and reported, and the
    // recording graph stands.
    EXPECT_TRUE(bar_.HasLabel("RenderStream TimeShift Video"));
    EXPECT_TRUE(bar_.HasLabel("RenderStream TimeShift Audio"));
    EXPECT_TRUE(Session().CaptureGraphBuilt);
}

class StampRepairTest : public SplittingMuxTest, public testing::WithParamInterface<bool> {};

// The card's jittered stamps reach the multiplexer as they are, unless the repair filter sits
// on the capture path.
TEST_P(StampRepairTest, JitteredStampsReachTheMultiplexerEvenOnlyThroughTheRepairFilter) {
    const bool repaired = GetParam();
    CMuxProfile mux = Profile(2);
    CCompressorProfile compressor;
    CDeviceProfile device;
    device.CaptureVideoMode = 3;
    device.CaptureAudioMode = 2;
    device.StreamTimeCorrection = repaired ? 1 : 0;
    device.StreamTimeUseDisplayTime = 1;
    device.StreamTimeDisplayTime = 333667;  // the card's 29.97 frames per second
    OpenSession(&device);
    ASSERT_EQ(engine_->BuildCaptureGraph(&device, &compressor, &mux, nullptr), S_OK) << LastReport();
    ASSERT_EQ(engine_->StartCapture(&device, &mux), S_OK) << LastReport();
    media::VirtualCard::Current()->SetJitter(8'000'000);  // up to 8 ms either way, on the live sources
    std::this_thread::sleep_for(2000ms);
    ASSERT_EQ(engine_->StopGraph(), S_OK);
    const std::vector<std::int64_t> stamps = factory_->fake->VideoStamps();
    ASSERT_GE(stamps.size(), 30u);
    const std::int64_t spread = media::test::SpreadFromGrid(stamps);
    if (repaired)
        EXPECT_LE(spread, 1'000'000) << "the repaired stamps are not even";
    else
        EXPECT_GE(spread, 3'000'000) << "the card's jitter did not reach the multiplexer, so the test proves nothing";
}

INSTANTIATE_TEST_SUITE_P(WithAndWithout, StampRepairTest, testing::Bool());

// ---- Every labelled step with an injected failure ----

enum class Fault { Create, Add };
enum class Setup { Card, DvCamcorder, WindowsMedia, SplittingMux };

struct InjectedFailure {
    const CLSID* clsid;
    const char* label;
    Fault fault;
    Setup setup;
    DWORD videoMode;
    DWORD audioMode;
    DWORD stampfix;
    DWORD useSmartTee = 0;
};

class CaptureFailureTest : public RecordingEngineTest, public testing::WithParamInterface<InjectedFailure> {};

TEST_P(CaptureFailureTest, LabelledStepFailsAndTearDownClearsTheGraph) {
    const InjectedFailure& p = GetParam();
    CDeviceProfile device;
    device.CaptureVideoMode = p.videoMode;
    device.CaptureAudioMode = p.audioMode;
    device.StreamTimeCorrection = p.stampfix;
    device.UseSmartTee = p.useSmartTee;
    CCompressorProfile compressor;
    CMuxProfile mux;
    if (p.setup == Setup::DvCamcorder) {
        device.DvType2 = 1;
        OpenDvSession(&device);
    } else {
        OpenSession(&device);
    }
    if (p.setup == Setup::WindowsMedia) {
        compressor.Kind = CCompressorProfile::KindWindowsMedia;
        IWMProfile* first = engine_->Catalog().WindowsMediaProfiles().front().Get();
        DWORD length = 0;
        first->GetName(nullptr, &length);
        std::u16string name(length, u'\0');
        first->GetName(name.data(), &length);
        compressor.WMProfileName = WideToUtf8(WideView(name.c_str()));
    }
    if (p.setup == Setup::SplittingMux) mux.MuxMode = 2;
    const int capturing = FilterCount();
    {
        ComPtr<IClassFactory> factory;
        if (p.fault == Fault::Create)
            factory = ComPtr<IClassFactory>::Attach(new FailingFactory);
        else
            factory = ComPtr<IClassFactory>::Attach(new ForeignFilterFactory);
        ScopedClassFactoryOverride override(*p.clsid, factory.Get());
        EXPECT_TRUE(FAILED(engine_->BuildCaptureGraph(&device, &compressor, &mux, nullptr)));
    }
    EXPECT_TRUE(bar_.HasLabel(p.label)) << LastReport();
    EXPECT_TRUE(Session().GraphBuildPending);
    EXPECT_FALSE(Session().CaptureGraphBuilt);
    engine_->TearDownGraph();
    EXPECT_EQ(FilterCount(), capturing);
    EXPECT_FALSE(Session().Sink);
    EXPECT_FALSE(Session().GraphBuildPending);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, CaptureFailureTest,
    testing::Values(
        InjectedFailure{&CLSID_AviDest, "ICaptureGraphBuilder2 SetOutputFileName", Fault::Create, Setup::Card, 4, 2, 0},
        InjectedFailure{&CLSID_WMAsfWriter, "CoCreateInstance WMAsfWriter", Fault::Create, Setup::WindowsMedia, 3, 2, 0},
        InjectedFailure{&CLSID_WMAsfWriter, "AddFilter WMAsfWriter", Fault::Add, Setup::WindowsMedia, 3, 2, 0},
        InjectedFailure{&CLSID_TalvinAVIMux, "CoCreateInstance TalvinAVIMux", Fault::Create, Setup::SplittingMux, 3, 2, 0},
        InjectedFailure{&CLSID_TalvinAVIMux, "AddFilter TalvinAVIMux", Fault::Add, Setup::SplittingMux, 3, 2, 0},
        InjectedFailure{&CLSID_Stampfix, "CoCreateInstance Stampfix", Fault::Create, Setup::Card, 4, 2, 1},
        InjectedFailure{&CLSID_Stampfix, "AddFilter Stampfix", Fault::Add, Setup::Card, 4, 2, 1},
        InjectedFailure{&CLSID_SmartTee, "CoCreateInstance SmartTee", Fault::Create, Setup::Card, 4, 2, 1, 1},
        InjectedFailure{&CLSID_SmartTee, "AddFilter SmartTee", Fault::Add, Setup::Card, 4, 2, 0, 1},
        InjectedFailure{&CLSID_SmartTee, "CoCreateInstance SmartTee Audio", Fault::Create, Setup::Card, 3, 3, 0},
        InjectedFailure{&CLSID_SmartTee, "AddFilter SmartTee Audio", Fault::Add, Setup::Card, 3, 3, 0},
        InjectedFailure{&CLSID_DVSplitter, "CoCreateInstance DVSplitter", Fault::Create, Setup::DvCamcorder, 3, 2, 0},
        InjectedFailure{&CLSID_DVSplitter, "AddFilter DVSplitter", Fault::Add, Setup::DvCamcorder, 3, 2, 0},
        InjectedFailure{&CLSID_OverlayMixer, "CoCreateInstance OverlayMixer", Fault::Create, Setup::Card, 5, 2, 0},
        InjectedFailure{&CLSID_OverlayMixer, "AddFilter OverlayMixer", Fault::Add, Setup::Card, 5, 2, 0}));

}  // namespace
