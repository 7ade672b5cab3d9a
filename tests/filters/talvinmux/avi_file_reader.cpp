#include "tests/filters/talvinmux/avi_file_reader.h"

#include <cstdio>
#include <cstring>
#include <fstream>

namespace talvinmux::test {
namespace {

std::uint32_t Le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
bool Is(const unsigned char* p, const char* fourcc) { return std::memcmp(p, fourcc, 4) == 0; }

class Reader {
public:
    explicit Reader(const std::string& path) : in_(path, std::ios::binary) {
        in_.seekg(0, std::ios::end);
        size_ = static_cast<std::uint64_t>(in_.tellg());
    }
    std::uint64_t Size() const { return size_; }
    std::vector<unsigned char> Read(std::uint64_t at, std::uint64_t n) {
        std::vector<unsigned char> bytes(n);
        in_.seekg(static_cast<std::streamoff>(at));
        in_.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(n));
        if (static_cast<std::uint64_t>(in_.gcount()) != n) bytes.clear();
        in_.clear();
        return bytes;
    }

private:
    std::ifstream in_;
    std::uint64_t size_ = 0;
};

void ReadHeaderList(const std::vector<unsigned char>& hdrl, AviContents* out) {
    bool inVideo = false;
    for (std::size_t at = 4; at + 8 <= hdrl.size();) {
        const unsigned char* c = hdrl.data() + at;
        const std::uint32_t size = Le32(c + 4);
        if (Is(c, "LIST")) {
            at += 12;  // descend into strl / odml
            continue;
        }
        const unsigned char* d = c + 8;
        if (at + 8 + size > hdrl.size()) break;
        if (Is(c, "avih")) out->avihFrames = Le32(d + 16);
        if (Is(c, "strh")) {
            inVideo = Is(d, "vids");
            if (inVideo) {
                out->videoHandler = Le32(d + 4);
                out->videoScale = Le32(d + 20);
                out->videoRate = Le32(d + 24);
                out->videoStart = Le32(d + 28);
                out->videoLength = Le32(d + 32);
            } else {
                out->audioScale = Le32(d + 20);
                out->audioRate = Le32(d + 24);
                out->audioLength = Le32(d + 32);
            }
        }
        if (Is(c, "strf") && !inVideo && size >= 8) out->samplesPerSecond = Le32(d + 4);
        if (Is(c, "indx")) (inVideo ? out->videoSuperEntries : out->audioSuperEntries) = Le32(d + 4);
        if (Is(c, "dmlh")) {
            out->hasOdml = true;
            out->dmlhFrames = Le32(d);
        }
        at += 8 + size + (size & 1);
    }
}

bool ReadMovi(Reader& file, std::uint64_t start, std::uint64_t end, AviContents* out) {
    for (std::uint64_t at = start; at + 8 <= end;) {
        const auto head = file.Read(at, 8);
        if (head.empty()) return false;
        const std::uint32_t size = Le32(head.data() + 4);
        if (at + 8 + size > end) return false;
        const unsigned char* id = head.data();
        if (id[2] == 'd' && (id[3] == 'c' || id[3] == 'b')) {
            ++out->videoChunks;
            if (size == 0) ++out->nullVideoChunks;
            if (size >= 8) {
                const auto lead = file.Read(at + 8, 8);
                if (lead.empty()) return false;
                out->videoLeads.push_back(Le32(lead.data()) | std::uint64_t{Le32(lead.data() + 4)} << 32);
            }
        } else if (id[2] == 'w' && id[3] == 'b') {
            ++out->audioChunks;
            out->audioBytes += size;
        } else if (id[0] == 'i' && id[1] == 'x') {
            const auto ix = file.Read(at + 8, 8);
            if (ix.empty()) return false;
            out->standardIndexEntries += Le32(ix.data() + 4);
        }
        at += 8 + size + (size & 1);
    }
    return true;
}

}  // namespace

AviContents ReadAvi(const std::string& path) {
    AviContents out;
    Reader file(path);
    out.fileBytes = file.Size();
    for (std::uint64_t riff = 0; riff + 12 <= file.Size();) {
        const auto head = file.Read(riff, 12);
        if (head.empty() || !Is(head.data(), "RIFF")) {
            out.problem = "no RIFF at " + std::to_string(riff);
            return out;
        }
        const std::uint64_t riffEnd = riff + 8 + Le32(head.data() + 4);
        if (riffEnd > file.Size()) {
            out.problem = "RIFF part past the end of the file";
            return out;
        }
        ++out.riffParts;
        for (std::uint64_t at = riff + 12; at + 8 <= riffEnd;) {
            const auto chunk = file.Read(at, 12);
            if (chunk.size() < 8) break;
            const std::uint32_t size = Le32(chunk.data() + 4);
            if (at + 8 + size > riffEnd) {
                out.problem = "chunk past its RIFF part";
                return out;
            }
            if (Is(chunk.data(), "LIST") && Is(chunk.data() + 8, "hdrl")) {
                ReadHeaderList(file.Read(at + 8, size), &out);
            } else if (Is(chunk.data(), "LIST") && Is(chunk.data() + 8, "movi")) {
                if (!ReadMovi(file, at + 12, at + 8 + size, &out)) {
                    out.problem = "damaged movi list";
                    return out;
                }
            } else if (Is(chunk.data(), "idx1")) {
                const auto index = file.Read(at + 8, size);
                out.idx1Entries = size / 16;
                for (std::uint32_t i = 0; i < out.idx1Entries; ++i) {
                    if (Le32(index.data() + 16 * i + 4) & 0x10) ++out.idx1KeyEntries;
                }
            }
            at += 8 + size + (size & 1);
        }
        riff = riffEnd + ((riffEnd - riff) & 1);
    }
    out.valid = out.riffParts > 0;
    return out;
}

Probed FfprobePackets(const std::string& path) {
    Probed probed;
    const std::string command = "ffprobe -v error -show_entries packet=codec_type,size -of csv=p=0 '" + path + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return probed;
    char line[512];
    bool parsed = true;
    while (std::fgets(line, sizeof line, pipe)) {
        const std::string text(line);
        const auto comma = text.find(',');
        const bool video = text.rfind("video,", 0) == 0, audio = text.rfind("audio,", 0) == 0;
        if (!video && !audio) {
            if (probed.output.size() < 4096) probed.output += text;  // what ffprobe complained about
            parsed = false;
            continue;
        }
        const std::uint64_t size = std::stoull(text.substr(comma + 1));
        if (video) ++probed.videoPackets;
        if (audio) probed.audioBytes += size;
    }
    const int status = pclose(pipe);
    probed.ok = status == 0 && parsed && (probed.videoPackets || probed.audioBytes);
    return probed;
}

}  // namespace talvinmux::test
