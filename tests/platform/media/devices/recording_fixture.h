// Shared set-up for recording graphs on the virtual TV card: a graph with its capture builder,
// the card's video and audio capture filters, a private directory for the files written, and
// the ways a written file is read back (as a player reads it, by decoding it, and by walking
// its AVI chunks).
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/media/interfaces/capture_builder.h"
#include "platform/media/interfaces/control.h"
#include "platform/media/interfaces/file_writing.h"
#include "tests/platform/media/devices/device_fixture.h"

namespace media::test {

// What a player's discoverer finds in a file.
struct Discovered {
    bool ok = false;
    double seconds = 0;
    int width = 0, height = 0;
    int videoStreams = 0, audioStreams = 0;
    std::string videoCaps, audioCaps;  // the first stream's caps of each kind, as text
};
Discovered Discover(const std::filesystem::path& file);

// Whether caps written as text (a Discovered field) can be the codec described by `wanted`.
bool CapsAgree(const std::string& found, const char* wanted);

// The chunks of the first RIFF part: video frames and audio bytes in "movi", the frame count
// the header gives, and whether the legacy index follows.
struct AviChunks {
    int videoFrames = 0;
    std::uint64_t audioBytes = 0;
    std::uint32_t headerFrames = 0;
    bool legacyIndex = false;
};
AviChunks WalkAvi(const std::filesystem::path& file);

// What decoding the whole file gives: the video frames and seconds of audio samples.
struct Decoded {
    bool ok = false;
    int videoFrames = 0;
    double audioSeconds = 0;
    std::string error;
};
Decoded DecodeFile(const std::filesystem::path& file);

// The presentation times (ns) of the first video stream's frames, as the file's demuxer gives
// them, in file order; empty when the file cannot be read to its end.
std::vector<std::int64_t> DemuxedVideoStamps(const std::filesystem::path& file);
// The largest distance of a stamp from the even frame grid through the first and the last, in
// the stamps' unit; 0 for fewer than two.
std::int64_t SpreadFromGrid(const std::vector<std::int64_t>& stamps);

class RecordingTest : public DeviceTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // The multiplexer and writer for `file`, with the card's video and audio capture rendered
    // to it, each through its compressor when one is given.
    HRESULT BuildRecording(const std::filesystem::path& file, IBaseFilter* videoCompressor = nullptr,
                           IBaseFilter* audioCompressor = nullptr);
    // Collects events for `time`; returns the first EC_ERRORABORT's HRESULT (S_OK for none).
    HRESULT WatchFor(std::chrono::milliseconds time);
    ComPtr<IPin> CapturePin(IBaseFilter* filter, const GUID& type);
    // The capture format's frame size and rate.
    void CaptureFormat(int* width, int* height, double* fps);
    // Sets the card's video capture format; the encoding and rate are kept.
    void SetCaptureSize(int width, int height);
    // Audio bytes per second of the card's audio capture.
    double AudioBytesPerSecond();
    // A filter bound from the catalogue entry with this display name, added to the graph.
    ComPtr<IBaseFilter> AddBound(const std::u16string& displayName);

    std::filesystem::path dir_;
    ComPtr<ICaptureGraphBuilder2> builder_;
    ComPtr<IGraphBuilder> graph_;
    ComPtr<IMediaControl> control_;
    ComPtr<IMediaEventEx> events_;
    ComPtr<IBaseFilter> video_, audio_, mux_;
    ComPtr<IFileSinkFilter> sink_;
};

}  // namespace media::test
