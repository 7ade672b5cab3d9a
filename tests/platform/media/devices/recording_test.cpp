// Recording graphs on the virtual TV card: the AVI multiplexer and the file writer behind
// SetOutputFileName, files finished on Stop, writers that fail, and stream control. Files are
// read back the way a player reads them (GstDiscoverer) and by walking their chunks.
#include <gtest/gtest.h>

#include "platform/media/gst.h"

#include <gst/pbutils/pbutils.h>
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
#include "tests/platform/media/devices/device_fixture.h"

namespace media::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

REFERENCE_TIME kNever = 0x7FFFFFFFFFFFFFFF;

// What a player finds in a file.
struct Discovered {
    bool ok = false;
    double seconds = 0;
    int width = 0, height = 0;
    int videoStreams = 0, audioStreams = 0;
};

Discovered Discover(const fs::path& file) {
    Discovered d;
    GError* error = nullptr;
    GstDiscoverer* discoverer = gst_discoverer_new(10 * GST_SECOND, &error);
    if (!discoverer) {
        g_clear_error(&error);
        return d;
    }
    gchar* uri = gst_filename_to_uri(file.c_str(), nullptr);
    GstDiscovererInfo* info = gst_discoverer_discover_uri(discoverer, uri, &error);
    g_free(uri);
    g_clear_error(&error);
    if (info && gst_discoverer_info_get_result(info) == GST_DISCOVERER_OK) {
        d.ok = true;
        d.seconds = static_cast<double>(gst_discoverer_info_get_duration(info)) / GST_SECOND;
        GList* video = gst_discoverer_info_get_video_streams(info);
        GList* audio = gst_discoverer_info_get_audio_streams(info);
        d.videoStreams = static_cast<int>(g_list_length(video));
        d.audioStreams = static_cast<int>(g_list_length(audio));
        if (video) {
            auto* v = GST_DISCOVERER_VIDEO_INFO(video->data);
            d.width = static_cast<int>(gst_discoverer_video_info_get_width(v));
            d.height = static_cast<int>(gst_discoverer_video_info_get_height(v));
        }
        gst_discoverer_stream_info_list_free(video);
        gst_discoverer_stream_info_list_free(audio);
    }
    if (info) gst_discoverer_info_unref(info);
    g_object_unref(discoverer);
    return d;
}

std::uint32_t ReadLe32(const std::vector<char>& bytes, std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

// The chunks of the first RIFF part: video frames and audio bytes in "movi", the frame count
// the header gives, and whether the legacy index follows.
struct AviChunks {
    int videoFrames = 0;
    std::uint64_t audioBytes = 0;
    std::uint32_t headerFrames = 0;
    bool legacyIndex = false;
};

AviChunks WalkAvi(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    AviChunks chunks;
    if (bytes.size() < 64 || std::memcmp(bytes.data(), "RIFF", 4) != 0) return chunks;
    chunks.headerFrames = ReadLe32(bytes, 48);  // avih: dwTotalFrames
    std::size_t at = 12;
    while (at + 12 <= bytes.size()) {
        const std::uint32_t size = ReadLe32(bytes, at + 4);
        if (std::memcmp(bytes.data() + at, "LIST", 4) == 0 && std::memcmp(bytes.data() + at + 8, "movi", 4) == 0) {
            const std::size_t end = std::min<std::size_t>(bytes.size(), at + 8 + size);
            for (std::size_t c = at + 12; c + 8 <= end;) {
                const std::uint32_t chunkSize = ReadLe32(bytes, c + 4);
                if (c + 8 + chunkSize > bytes.size()) break;
                if (bytes[c + 2] == 'd') ++chunks.videoFrames;
                if (bytes[c + 2] == 'w' && bytes[c + 3] == 'b') chunks.audioBytes += chunkSize;
                c += 8 + chunkSize + (chunkSize & 1);
            }
        } else if (std::memcmp(bytes.data() + at, "idx1", 4) == 0) {
            chunks.legacyIndex = true;
        }
        at += 8 + size + (size & 1);
    }
    return chunks;
}

class RecordingTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        char pattern[] = "/tmp/qd-recording-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        dir_ = pattern;
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_ICaptureGraphBuilder2, builder_.ReleaseAndGetVoidAddress()));
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                         graph_.ReleaseAndGetVoidAddress()));
        ASSERT_EQ(S_OK, builder_->SetFiltergraph(graph_.Get()));
        control_ = As<IMediaControl>(graph_.Get());
        events_ = As<IMediaEventEx>(graph_.Get());
        video_ = Bind(kVirtualTvCardName);
        audio_ = Bind(kVirtualTvCardAudioName);
        ASSERT_TRUE(video_ && audio_);
        ASSERT_EQ(S_OK, graph_->AddFilter(video_.Get(), nullptr));
        ASSERT_EQ(S_OK, graph_->AddFilter(audio_.Get(), nullptr));
    }
    void TearDown() override {
        if (control_) control_->Stop();
        control_ = nullptr;
        events_ = nullptr;
        mux_ = nullptr;
        sink_ = nullptr;
        video_ = audio_ = nullptr;
        builder_ = nullptr;
        graph_ = nullptr;
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
        DeviceTest::TearDown();
    }

    // The multiplexer and writer for `file`, with the card's video and audio capture rendered to it.
    HRESULT BuildRecording(const fs::path& file) {
        HRESULT hr = builder_->SetOutputFileName(&MEDIASUBTYPE_Avi, Utf8ToWide(file.string()).c_str(),
                                                 mux_.ReleaseAndGetAddressOf(), sink_.ReleaseAndGetAddressOf());
        if (FAILED(hr)) return hr;
        hr = builder_->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, video_.Get(), nullptr, mux_.Get());
        if (FAILED(hr)) return hr;
        return builder_->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, audio_.Get(), nullptr, mux_.Get());
    }

    // Collects events for `time`; returns the first EC_ERRORABORT's HRESULT (S_OK for none).
    HRESULT WatchFor(std::chrono::milliseconds time) {
        const auto end = std::chrono::steady_clock::now() + time;
        HRESULT abort = S_OK;
        while (std::chrono::steady_clock::now() < end) {
            LONG code = 0;
            LONG_PTR p1 = 0, p2 = 0;
            if (events_->GetEvent(&code, &p1, &p2, 50) != S_OK) continue;
            if (code == EC_ERRORABORT && abort == S_OK) abort = static_cast<HRESULT>(p1);
            events_->FreeEventParams(code, p1, p2);
        }
        return abort;
    }

    ComPtr<IPin> CapturePin(IBaseFilter* filter, const GUID& type) {
        ComPtr<IPin> pin;
        builder_->FindPin(filter, PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, &type, FALSE, 0, pin.ReleaseAndGetAddressOf());
        return pin;
    }

    // The capture format's frame size and rate.
    void CaptureFormat(int* width, int* height, double* fps) {
        AM_MEDIA_TYPE* type = nullptr;
        ASSERT_EQ(S_OK, As<IAMStreamConfig>(CapturePin(video_.Get(), MEDIATYPE_Video).Get())->GetFormat(&type));
        const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
        *width = info->bmiHeader.biWidth;
        *height = std::abs(info->bmiHeader.biHeight);
        *fps = 1e7 / static_cast<double>(info->AvgTimePerFrame);
        DeleteMediaType(type);
    }

    // Audio bytes per second of the card's audio capture.
    double AudioBytesPerSecond() {
        AM_MEDIA_TYPE type{};
        EXPECT_EQ(S_OK, CapturePin(audio_.Get(), MEDIATYPE_Audio)->ConnectionMediaType(&type));
        const double rate = reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat)->nAvgBytesPerSec;
        FreeMediaType(type);
        return rate;
    }

    fs::path dir_;
    ComPtr<ICaptureGraphBuilder2> builder_;
    ComPtr<IGraphBuilder> graph_;
    ComPtr<IMediaControl> control_;
    ComPtr<IMediaEventEx> events_;
    ComPtr<IBaseFilter> video_, audio_, mux_;
    ComPtr<IFileSinkFilter> sink_;
};

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

// A file size limit (RLIMIT_FSIZE, with SIGXFSZ ignored so writes fail with EFBIG) stands for
// a disk that fills; it is lifted again when the test ends.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

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
