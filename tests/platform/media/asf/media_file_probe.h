// Reads a written media file as a player would (GStreamer's discoverer), and counts the video
// frames in it by demultiplexing it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace media::test {

struct ProbedStream {
    std::string caps;  // the stream's caps as text, e.g. "video/x-wmv, wmvversion=(int)2, ..."
    bool video = false;
    bool audio = false;
    int width = 0, height = 0;
    int fpsNumerator = 0, fpsDenominator = 1;
    int sampleRate = 0, channels = 0;
};

struct ProbedFile {
    bool readable = false;
    std::string error;
    double durationSeconds = 0;
    std::vector<ProbedStream> streams;

    const ProbedStream* FirstVideo() const;
    const ProbedStream* FirstAudio() const;
};

ProbedFile ProbeMediaFile(const std::string& path);

// The number of video frames (buffers on the demultiplexer's video output) in an ASF file; -1
// when it cannot be read.
long CountAsfVideoFrames(const std::string& path);

}  // namespace media::test
