// Recording graphs on the virtual TV card: the AVI multiplexer and the file writer behind
// SetOutputFileName, files finished on Stop, writers that fail, and stream control. Files are
// read back the way a player reads them (GstDiscoverer) and by walking their chunks.
#include <gtest/gtest.h>

#include "platform/media/gst.h"

#include <sys/resource.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/com/task_memory.h"
#include "platform/com/wide_text.h"
#include "platform/media/devices/virtual_devices.h"
#include "platform/media/interfaces/capture_builder.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/control.h"
#include "platform/media/interfaces/file_writing.h"
#include "platform/media/interfaces/gst_filter.h"
#include "platform/media/interfaces/stream_config.h"
#include "tests/platform/media/devices/recording_fixture.h"
#include "tests/support/file_size_limit.h"

namespace media::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

REFERENCE_TIME kNever = 0x7FFFFFFFFFFFFFFF;

TEST_F(RecordingTest, SetOutputFileNamePutsAConnectedMultiplexerAndWriterInTheGraph) {
    const fs::path file = dir_ / "out.avi";
    ASSERT_EQ(S_OK, builder_->SetOutputFileName(&MEDIASUBTYPE_Avi, Utf8ToWide(file.string()).c_str(),
                                                mux_.ReleaseAndGetAddressOf(), sink_.ReleaseAndGetAddressOf()));
    CLSID clsid{};
    ASSERT_EQ(S_OK, mux_->GetClassID(&clsid));
    EXPECT_EQ(CLSID_AviDest, clsid);
    ComPtr<IBaseFilter> writer = As<IBaseFilter>(sink_.Get());
    ASSERT_EQ(S_OK, writer->GetClassID(&clsid));
    EXPECT_EQ(CLSID_FileWriter, clsid);
    LPOLESTR name = nullptr;
    ASSERT_EQ(S_OK, sink_->GetCurFile(&name, nullptr));
    EXPECT_EQ(file.string(), WideToUtf8(WideView(name)));
    CoTaskMemFree(name);
    ComPtr<IPin> peer;
    ASSERT_EQ(S_OK, PinNamed(mux_.Get(), u"AVI Out")->ConnectedTo(peer.ReleaseAndGetAddressOf()));
    AM_MEDIA_TYPE type{};
    ASSERT_EQ(S_OK, peer->ConnectionMediaType(&type));
    EXPECT_EQ(MEDIATYPE_Stream, type.majortype);
    EXPECT_EQ(MEDIASUBTYPE_Avi, type.subtype);
    FreeMediaType(type);
    // Each connected input leaves a new free one.
    EXPECT_TRUE(PinNamed(mux_.Get(), u"Input 01"));
    EXPECT_FALSE(PinNamed(mux_.Get(), u"Input 02"));
    ASSERT_EQ(S_OK, builder_->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, video_.Get(), nullptr, mux_.Get()));
    ASSERT_TRUE(PinNamed(mux_.Get(), u"Input 02"));
    ComPtr<IPin> unconnected;
    EXPECT_EQ(VFW_E_NOT_CONNECTED, PinNamed(mux_.Get(), u"Input 02")->ConnectedTo(unconnected.ReleaseAndGetAddressOf()));

    EXPECT_EQ(E_POINTER, builder_->SetOutputFileName(&MEDIASUBTYPE_Avi, nullptr, nullptr, nullptr));
    EXPECT_EQ(E_POINTER, builder_->SetOutputFileName(nullptr, u"x.avi", nullptr, nullptr));
}

TEST_F(RecordingTest, AnUncompressedRecordingIsACompleteFileOfBothStreams) {
    const fs::path file = dir_ / "three seconds.avi";
    ASSERT_EQ(S_OK, BuildRecording(file));
    int width = 0, height = 0;
    double fps = 0;
    CaptureFormat(&width, &height, &fps);
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    EXPECT_EQ(S_OK, WatchFor(3000ms));
    // Stopped while the card still streams: the file must still be finished.
    EXPECT_EQ(S_OK, control_->Stop());

    const Discovered found = Discover(file);
    ASSERT_TRUE(found.ok);
    EXPECT_EQ(1, found.videoStreams);
    EXPECT_EQ(1, found.audioStreams);
    EXPECT_EQ(width, found.width);
    EXPECT_EQ(height, found.height);
    EXPECT_NEAR(3.0, found.seconds, 0.3);
    const AviChunks chunks = WalkAvi(file);
    EXPECT_NEAR(90, chunks.videoFrames, 8);
    EXPECT_EQ(static_cast<std::uint32_t>(chunks.videoFrames), chunks.headerFrames) << "header not rewritten";
    EXPECT_TRUE(chunks.legacyIndex);
    const double videoSeconds = chunks.videoFrames / fps;
    const double audioSeconds = static_cast<double>(chunks.audioBytes) / AudioBytesPerSecond();
    EXPECT_NEAR(videoSeconds, audioSeconds, 0.1);
}

TEST_F(RecordingTest, AFileThatCannotBeCreatedFailsTheStartWithAnAbort) {
    // A parent that is a regular file fails for root too.
    const fs::path parent = dir_ / "plain file";
    std::ofstream(parent) << "x";
    ASSERT_EQ(S_OK, BuildRecording(parent / "out.avi"));
    const HRESULT run = control_->Run();
    EXPECT_TRUE(FAILED(run));
    EXPECT_EQ(STG_E_CANTSAVE, WatchFor(500ms));
    OAFilterState state = State_Running;
    EXPECT_TRUE(SUCCEEDED(control_->GetState(0, &state)));
    EXPECT_EQ(State_Stopped, state);
}

TEST_F(RecordingTest, ADiskThatFillsAbortsAndStopsTheGraphLeavingAPlayableFile) {
    const fs::path file = dir_ / "full.avi";
    ASSERT_EQ(S_OK, BuildRecording(file));
    HRESULT abort = S_OK;
    OAFilterState state = State_Running;
    {
        FileSizeLimit limit(8 * 1024 * 1024);
        ASSERT_TRUE(SUCCEEDED(control_->Run()));
        abort = WatchFor(4000ms);
        // The graph went down by itself.
        control_->GetState(2000, &state);
    }
    EXPECT_EQ(STG_E_WRITEFAULT, abort);
    EXPECT_EQ(State_Stopped, state);
    EXPECT_LE(fs::file_size(file), 8u * 1024 * 1024);
    const Discovered found = Discover(file);
    ASSERT_TRUE(found.ok);
    EXPECT_EQ(1, found.videoStreams);
    EXPECT_GT(found.seconds, 0.0);
}

TEST_F(RecordingTest, AHeldStreamSendsNothingToTheWriterUntilReleased) {
    const fs::path file = dir_ / "held.avi";
    ASSERT_EQ(S_OK, BuildRecording(file));
    ASSERT_EQ(S_OK, builder_->ControlStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, video_.Get(), &kNever, nullptr, 0, 0));
    ComPtr<IAMDroppedFrames> dropped = As<IAMDroppedFrames>(CapturePin(video_.Get(), MEDIATYPE_Video).Get());
    ASSERT_TRUE(dropped);
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    EXPECT_EQ(S_OK, WatchFor(1000ms));
    LONG heldAverage = -1;
    ASSERT_EQ(S_OK, dropped->GetAverageFrameSize(&heldAverage));
    EXPECT_EQ(0, heldAverage) << "frames held back counted as delivered";
    // Released: from here on the video reaches the writer.
    ASSERT_EQ(S_OK, builder_->ControlStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, video_.Get(), nullptr, &kNever, 0, 0));
    EXPECT_EQ(S_OK, WatchFor(1000ms));
    LONG average = 0;
    ASSERT_EQ(S_OK, dropped->GetAverageFrameSize(&average));
    int width = 0, height = 0;
    double fps = 0;
    CaptureFormat(&width, &height, &fps);
    EXPECT_EQ(S_OK, control_->Stop());
    const AviChunks chunks = WalkAvi(file);
    EXPECT_NEAR(30, chunks.videoFrames, 8) << "held video was written";
    EXPECT_NEAR(2.0, static_cast<double>(chunks.audioBytes) / AudioBytesPerSecond(), 0.25);
    EXPECT_GT(average, width * height);  // a whole frame of at least one byte per pixel
}

TEST_F(RecordingTest, AStartTimeDelaysTheStreamByThatMuchStreamTime) {
    const fs::path file = dir_ / "delayed.avi";
    ASSERT_EQ(S_OK, BuildRecording(file));
    REFERENCE_TIME oneSecond = 10'000'000;
    ASSERT_EQ(S_OK, builder_->ControlStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, video_.Get(), &kNever, nullptr, 0, 0));
    ASSERT_EQ(S_OK,
              builder_->ControlStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, video_.Get(), &oneSecond, &kNever, 0, 0));
    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    EXPECT_EQ(S_OK, WatchFor(2000ms));
    EXPECT_EQ(S_OK, control_->Stop());
    const AviChunks chunks = WalkAvi(file);
    EXPECT_NEAR(30, chunks.videoFrames, 8);
    EXPECT_NEAR(2.0, static_cast<double>(chunks.audioBytes) / AudioBytesPerSecond(), 0.25);
}

}  // namespace
}  // namespace media::test
