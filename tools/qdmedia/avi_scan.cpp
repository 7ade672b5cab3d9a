#include "tools/qdmedia/avi_scan.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/com/little_endian.h"

namespace qdmedia {
namespace {

constexpr std::uint32_t kRiff = FourCC("RIFF");
constexpr std::uint32_t kList = FourCC("LIST");
constexpr std::uint32_t kJunk = FourCC("JUNK");
constexpr std::size_t kMaxStreams = 100;  // stream numbers are two digits in chunk ids
constexpr std::uint32_t kStrhBytes = 56;
constexpr std::uint32_t kSuperIndexHeader = 24;

bool IsDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }
bool IsLowerOrDigit(std::uint8_t c) { return (c >= 'a' && c <= 'z') || IsDigit(c); }
std::uint8_t Byte(std::uint32_t id, int i) { return static_cast<std::uint8_t>(id >> (8 * i)); }

// The stream number of a data chunk id ("00dc", "01wb"), or -1.
int DataChunkStream(std::uint32_t id) {
    if (!IsDigit(Byte(id, 0)) || !IsDigit(Byte(id, 1)) || !IsLowerOrDigit(Byte(id, 2)) || !IsLowerOrDigit(Byte(id, 3)))
        return -1;
    if (Byte(id, 2) == 'i' && Byte(id, 3) == 'x') return -1;
    return (Byte(id, 0) - '0') * 10 + (Byte(id, 1) - '0');
}

// The stream number of a standard index chunk id ("ix00"), or -1.
int IndexChunkStream(std::uint32_t id) {
    if (Byte(id, 0) != 'i' || Byte(id, 1) != 'x' || !IsDigit(Byte(id, 2)) || !IsDigit(Byte(id, 3))) return -1;
    return (Byte(id, 2) - '0') * 10 + (Byte(id, 3) - '0');
}

bool IsPrintable(std::uint32_t id) {
    for (int i = 0; i < 4; ++i)
        if (Byte(id, i) < 0x20 || Byte(id, i) > 0x7E) return false;
    return true;
}

// Where a chunk of `size` bytes at `at` ends with its pad byte; the pad of a chunk that ends
// the file may be missing.
std::uint64_t ChunkEnd(std::uint64_t at, std::uint32_t size, std::uint64_t fileSize) {
    const std::uint64_t end = at + 8 + size;
    return (size & 1) && end < fileSize ? end + 1 : end;
}

class Scanner {
public:
    explicit Scanner(const ByteSource& file) : file_(file) { scan_.fileSize = file.Size(); }

    AviScan Run() {
        std::uint32_t size = 0, type = 0;
        if (!U32(4, &size) || !U32(8, &type) || Id(0) != kRiff || type != FourCC("AVI ")) {
            return Fail("not an AVI file (no RIFF 'AVI ' header)");
        }
        std::uint64_t next = ScanPart(0, size);
        while (scan_.error.empty() && next) {
            if (!U32(next + 4, &size) || !U32(next + 8, &type)) break;  // a part header cut off
            if (type != FourCC("AVIX")) return Fail("an unknown RIFF part at byte " + std::to_string(next));
            next = ScanPart(next, size);
        }
        if (!scan_.error.empty()) return scan_;
        if (!scan_.avih) return Fail("no main AVI header (avih)");
        if (scan_.streams.empty()) return Fail("no stream headers (strl)");
        if (!scan_.parts.front().movi) return Fail("no movie data (movi list)");
        return scan_;
    }

private:
    AviScan Fail(std::string why) {
        scan_.error = std::move(why);
        return scan_;
    }

    bool Read(std::uint64_t at, void* into, std::size_t n) const {
        return at <= scan_.fileSize && n <= scan_.fileSize - at && file_.Read(at, into, n);
    }
    bool U32(std::uint64_t at, std::uint32_t* value) const {
        std::uint8_t b[4];
        if (!Read(at, b, 4)) return false;
        *value = LoadLittleEndian<std::uint32_t>(b);
        return true;
    }
    bool U16(std::uint64_t at, std::uint16_t* value) const {
        std::uint8_t b[2];
        if (!Read(at, b, 2)) return false;
        *value = LoadLittleEndian<std::uint16_t>(b);
        return true;
    }
    std::uint32_t Id(std::uint64_t at) const {
        std::uint32_t id = 0;
        return U32(at, &id) ? id : 0;
    }

    // Whether every byte from `at` to the end of the file is zero (space allocated, never written).
    bool ZeroTail(std::uint64_t at) const {
        std::array<std::uint8_t, 65536> block;
        while (at < scan_.fileSize) {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), scan_.fileSize - at));
            if (!Read(at, block.data(), n)) return false;
            if (std::any_of(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(n), [](std::uint8_t b) { return b; }))
                return false;
            at += n;
        }
        return true;
    }

    // Walks one RIFF part; returns where the next part begins, 0 for none.
    std::uint64_t ScanPart(std::uint64_t start, std::uint32_t declaredSize) {
        AviPart& part = scan_.parts.emplace_back();
        part.start = start;
        part.declaredSize = declaredSize;
        const bool first = scan_.parts.size() == 1;
        std::uint64_t at = start + 12;
        std::uint64_t next = 0;
        while (at < scan_.fileSize) {
            std::uint32_t id = 0, size = 0;
            if (!U32(at, &id) || !U32(at + 4, &size)) break;  // a chunk header cut off
            if (id == kRiff) {
                next = at;
                break;
            }
            if (!IsPrintable(id)) {
                if (!ZeroTail(at)) scan_.error = "damaged data at byte " + std::to_string(at);
                break;
            }
            if (id == kList) {
                std::uint32_t type = 0;
                if (!U32(at + 8, &type)) break;
                if (type == FourCC("movi") && !part.movi) {
                    if (first && !scan_.avih) {
                        scan_.error = "no main AVI header (avih) before the movie data";
                        break;
                    }
                    at = ScanMovi(part, at, size);
                    if (!scan_.error.empty()) break;
                    continue;
                }
                if (type == FourCC("hdrl") && first && !scan_.avih) {
                    if (at + 8 + size > scan_.fileSize) {
                        scan_.error = "the AVI headers are cut off";
                        break;
                    }
                    if (!ScanHeaders(at + 12, at + 8 + size)) break;
                }
            }
            if (at + 8 + size > scan_.fileSize) break;  // cut off
            if (id == FourCC("idx1") && first && part.movi && !part.idx1) {
                part.idx1 = at;
                part.idx1Size = size;
            }
            at = ChunkEnd(at, size, scan_.fileSize);
        }
        part.end = std::min(at, scan_.fileSize);
        if (!first && !part.movi && scan_.error.empty()) {
            // A part whose header was cut off before its movie data began holds nothing.
            if (next) {
                scan_.error = "a RIFF part without movie data at byte " + std::to_string(start);
            } else {
                scan_.parts.pop_back();
                scan_.usableEnd = start;
            }
            return 0;
        }
        scan_.usableEnd = next ? next : part.end;
        return next;
    }

    // The movi list at `list`; returns where the walk of the part goes on.
    std::uint64_t ScanMovi(AviPart& part, std::uint64_t list, std::uint32_t declaredSize) {
        part.movi = list;
        part.declaredMoviSize = declaredSize;
        const std::uint64_t declaredEnd = list + 8 + std::uint64_t{declaredSize};
        if (declaredSize >= 4 && declaredEnd <= scan_.fileSize) {
            AviPart closed;
            if (WalkMovi(closed, list + 12, declaredEnd, true) == declaredEnd && !DataFollows(declaredEnd)) {
                part.chunks = std::move(closed.chunks);
                part.indexChunks = std::move(closed.indexChunks);
                part.moviClosed = true;
                part.moviEnd = declaredEnd;
                return ChunkEnd(list, declaredSize, scan_.fileSize);
            }
        }
        part.moviEnd = WalkMovi(part, list + 12, scan_.fileSize, false);
        return part.moviEnd;
    }

    // Whether what lies at `at` is a movie chunk, so a movi size that ends there is stale.
    bool DataFollows(std::uint64_t at) const {
        std::uint32_t id = 0;
        if (U32(at, &id) && MovieChunk(id)) return true;
        return (at & 1) && U32(at + 1, &id) && MovieChunk(id);
    }

    // A data chunk of one of the streams, or a standard index.
    bool MovieChunk(std::uint32_t id) const {
        const int data = DataChunkStream(id);
        return (data >= 0 && static_cast<std::size_t>(data) < scan_.streams.size()) || IndexChunkStream(id) >= 0;
    }

    // Collects the complete chunks from `at` up to `limit`; returns where the last one ends.
    // Within a size the list declares (`bounded`), chunks of other kinds are passed over; in a
    // list whose size is stale, one ends the walk, since what follows may be anything.
    std::uint64_t WalkMovi(AviPart& part, std::uint64_t at, std::uint64_t limit, bool bounded) {
        while (at + 8 <= limit) {
            std::uint32_t id = 0, size = 0;
            if (!U32(at, &id) || !U32(at + 4, &size)) break;
            const std::uint64_t end = at + 8 + std::uint64_t{size};
            if (end > limit) break;
            const int data = DataChunkStream(id);
            if (data >= 0 && static_cast<std::size_t>(data) < scan_.streams.size()) {
                part.chunks.push_back({at, id, size, static_cast<std::uint8_t>(data)});
            } else if (IndexChunkStream(id) >= 0) {
                part.indexChunks.push_back({at, id, size, static_cast<std::uint8_t>(IndexChunkStream(id))});
            } else if (id == kList && size >= 4 && Id(at + 8) == FourCC("rec ")) {
                AviPart inner;
                if (WalkMovi(inner, at + 12, end, bounded) != end) break;
                part.chunks.insert(part.chunks.end(), inner.chunks.begin(), inner.chunks.end());
            } else if (id != kJunk && !(bounded && IsPrintable(id))) {
                break;
            }
            at = ChunkEnd(at, size, limit);
        }
        return at;
    }

    // The hdrl list's payload from `at` to `end`.
    bool ScanHeaders(std::uint64_t at, std::uint64_t end) {
        while (at + 8 <= end) {
            const std::uint32_t id = Id(at);
            std::uint32_t size = 0;
            U32(at + 4, &size);
            const std::uint64_t chunkEnd = at + 8 + std::uint64_t{size};
            if (chunkEnd > end) break;
            if (id == FourCC("avih") && size >= 56) scan_.avih = at + 8;
            if (id == kList && size >= 4 && Id(at + 8) == FourCC("strl") && !ScanStream(at + 12, chunkEnd)) return false;
            if (id == kList && size >= 4 && Id(at + 8) == FourCC("odml")) ScanOdml(at + 12, chunkEnd);
            at = ChunkEnd(at, size, end);
        }
        if (!scan_.avih) scan_.error = "no main AVI header (avih)";
        return scan_.error.empty();
    }

    void ScanOdml(std::uint64_t at, std::uint64_t end) {
        while (at + 8 <= end) {
            std::uint32_t size = 0;
            U32(at + 4, &size);
            if (at + 8 + std::uint64_t{size} > end) return;
            if (Id(at) == FourCC("dmlh") && size >= 4) scan_.dmlh = at + 8;
            at = ChunkEnd(at, size, end);
        }
    }

    bool ScanStream(std::uint64_t at, std::uint64_t end) {
        if (scan_.streams.size() >= kMaxStreams) {
            scan_.error = "more than " + std::to_string(kMaxStreams) + " streams";
            return false;
        }
        AviStream stream;
        while (at + 8 <= end) {
            const std::uint32_t id = Id(at);
            std::uint32_t size = 0;
            U32(at + 4, &size);
            if (at + 8 + std::uint64_t{size} > end) break;
            const std::uint64_t payload = at + 8;
            if (id == FourCC("strh") && size >= kStrhBytes) {
                stream.strh = payload;
                U32(payload, &stream.type);
                U32(payload + 4, &stream.handler);
                U32(payload + 20, &stream.scale);
                U32(payload + 24, &stream.rate);
                U32(payload + 44, &stream.sampleSize);
            } else if (id == FourCC("strf") && stream.type == FourCC("vids") && size >= 20) {
                U32(payload + 16, &stream.compression);
            } else if (id == FourCC("strf") && stream.type == FourCC("auds") && size >= 14) {
                U16(payload, &stream.formatTag);
                U16(payload + 12, &stream.blockAlign);
            } else if ((id == FourCC("indx") || id == kJunk) && size >= kSuperIndexHeader) {
                ScanSuperIndex(stream, at, size, id == kJunk);
            }
            at = ChunkEnd(at, size, end);
        }
        if (!stream.strh) {
            scan_.error = "a stream header list without its strh";
            return false;
        }
        scan_.streams.push_back(stream);
        return true;
    }

    // A super index, or a JUNK chunk laid out as an empty one (room a writer keeps for it).
    void ScanSuperIndex(AviStream& stream, std::uint64_t chunk, std::uint32_t size, bool junk) {
        std::uint8_t header[kSuperIndexHeader];
        if (!Read(chunk + 8, header, sizeof header)) return;
        const bool indexOfIndexes = LoadLittleEndian<std::uint16_t>(header) == 4 && header[3] == 0;
        const std::uint32_t inUse = LoadLittleEndian<std::uint32_t>(header + 4);
        const std::uint32_t room = (size - kSuperIndexHeader) / 16;
        if (!indexOfIndexes || inUse > room || (junk && inUse != 0)) return;
        if (junk) {
            // A reserved chunk names the stream's chunks; it must be this stream's.
            const int number = DataChunkStream(LoadLittleEndian<std::uint32_t>(header + 8));
            if (number != static_cast<int>(scan_.streams.size())) return;
        }
        stream.superIndex = chunk;
        stream.superIndexRoom = room;
        stream.superIndexInUse = inUse;
    }

    const ByteSource& file_;
    AviScan scan_;
};

}  // namespace

bool MemoryBytes::Read(std::uint64_t offset, void* into, std::size_t size) const {
    if (offset > size_ || size > size_ - offset) return false;
    if (size) std::memcpy(into, data_ + offset, size);
    return true;
}

std::string FourCCText(std::uint32_t code) {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        const auto c = static_cast<char>(Byte(code, i));
        text += c >= 0x20 && c <= 0x7E ? c : '?';
    }
    return text;
}

AviScan ScanAvi(const ByteSource& file) { return Scanner(file).Run(); }

}  // namespace qdmedia
