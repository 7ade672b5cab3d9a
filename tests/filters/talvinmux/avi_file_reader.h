// Reads back what an AVI file holds, without a player: its RIFF parts, the chunks of every
// movi list, the header counts and the indexes. And what ffprobe reads from it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace talvinmux::test {

struct AviContents {
    bool valid = false;  // every chunk lies within its list and the file
    std::string problem;
    int riffParts = 0;   // 'AVI ' and 'AVIX'
    std::uint64_t videoChunks = 0, nullVideoChunks = 0, keyVideoChunks = 0;
    std::uint64_t audioChunks = 0, audioBytes = 0;
    std::uint32_t avihFrames = 0, videoLength = 0, audioLength = 0, videoStart = 0;
    std::uint32_t videoRate = 0, videoScale = 0, audioRate = 0, audioScale = 0;
    std::uint32_t videoHandler = 0, samplesPerSecond = 0;
    std::uint32_t dmlhFrames = 0;
    bool hasOdml = false;
    std::uint32_t idx1Entries = 0;
    std::uint32_t idx1KeyEntries = 0;
    std::uint32_t videoSuperEntries = 0, audioSuperEntries = 0;
    std::uint64_t standardIndexEntries = 0;  // over all 'ix##' chunks
    std::uint64_t fileBytes = 0;
    // The first eight bytes (little-endian) of every video chunk that has them, in file order:
    // the frame number a source stamped there.
    std::vector<std::uint64_t> videoLeads;
};
AviContents ReadAvi(const std::string& path);

struct Probed {
    bool ok = false;
    std::uint64_t videoPackets = 0, audioBytes = 0;
    std::string output;  // anything but packets that ffprobe printed
};
// ffprobe reading every packet of the file to its end (it may cut audio chunks into several
// packets, so audio is compared by bytes).
Probed FfprobePackets(const std::string& path);

}  // namespace talvinmux::test
