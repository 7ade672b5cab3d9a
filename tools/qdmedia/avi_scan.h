// Reads the layout of an AVI file as it lies on disk, trusting none of its sizes until the
// chunks themselves agree with them: a recording cut off by a crash keeps the headers of its
// first moments (zero lengths, a RIFF or movi size covering nothing), and its last chunk may be
// torn. The scan finds each RIFF part ('AVI ', then 'AVIX'), the streams of the header list, every
// complete chunk of each movi list and the indexes that survived.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qdmedia {

// Random access to a file's bytes.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Whether all `size` bytes at `offset` were read.
    virtual bool Read(std::uint64_t offset, void* into, std::size_t size) const = 0;
};

class MemoryBytes : public ByteSource {
public:
    MemoryBytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint64_t Size() const override { return size_; }
    bool Read(std::uint64_t offset, void* into, std::size_t size) const override;

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

constexpr std::uint32_t FourCC(const char (&text)[5]) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[3])) << 24;
}
std::string FourCCText(std::uint32_t code);

struct AviStream {
    std::uint32_t type = 0;         // strh fccType: 'vids', 'auds', ...
    std::uint32_t handler = 0;      // strh fccHandler
    std::uint32_t compression = 0;  // video: the strf biCompression
    std::uint16_t formatTag = 0;    // audio: the strf wFormatTag
    std::uint16_t blockAlign = 0;   // audio: the strf nBlockAlign
    std::uint32_t scale = 0, rate = 0, sampleSize = 0;
    std::uint64_t strh = 0;  // where the strh payload lies
    // A super index ('indx', or the JUNK chunk a writer keeps in its place): its chunk header,
    // how many entries it has room for and how many are in use.
    std::uint64_t superIndex = 0;
    std::uint32_t superIndexRoom = 0, superIndexInUse = 0;
};

struct AviChunk {
    std::uint64_t offset = 0;  // of the chunk header
    std::uint32_t id = 0;
    std::uint32_t size = 0;
    std::uint8_t stream = 0;
};

struct AviPart {
    std::uint64_t start = 0;  // the RIFF header
    std::uint32_t declaredSize = 0;
    std::uint64_t movi = 0;  // the movi LIST header; 0: none
    std::uint32_t declaredMoviSize = 0;
    bool moviClosed = false;     // its declared size holds exactly its chunks
    std::uint64_t moviEnd = 0;   // after its last complete chunk
    std::uint64_t end = 0;       // after the last complete chunk of the part
    std::vector<AviChunk> chunks;       // the streams' data chunks, in file order
    std::vector<AviChunk> indexChunks;  // the standard indexes ('ix##') inside movi
    std::uint64_t idx1 = 0;             // the legacy index's chunk header; 0: none
    std::uint32_t idx1Size = 0;
};

struct AviScan {
    std::string error;  // why the file cannot be repaired; empty when it can
    std::uint64_t fileSize = 0;
    std::uint64_t avih = 0;  // the avih payload
    std::uint64_t dmlh = 0;  // the dmlh payload; 0: none
    std::vector<AviStream> streams;
    std::vector<AviPart> parts;
    // Where the last complete chunk ends: bytes after it belong to a chunk cut off.
    std::uint64_t usableEnd = 0;
};

AviScan ScanAvi(const ByteSource& file);

}  // namespace qdmedia
