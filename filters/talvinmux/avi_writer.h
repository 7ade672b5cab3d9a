// AviWriter: writes a video and an audio stream as AVI files, either as numbered AVI 1.0
// pieces (base000.avi, base001.avi, ...; each a whole file with its own headers and idx1
// index) or as one OpenDML file (base.avi: a RIFF 'AVI ' part with the legacy idx1 index,
// followed by RIFF 'AVIX' parts; a super index 'indx' per stream in the headers pointing to
// the standard indexes 'ix00'/'ix01' at the end of every part's movi list).
//
// Each piece is laid out as it goes: the headers are written when it opens and rewritten with
// the final counts when it closes. Every chunk is announced to the frame index once its bytes
// are written. The counts of what is in the files are atomics, cheap to read from any thread.
//
// A write that fails (a full disk) closes the current piece as a valid file: chunks are taken
// back from its end until its indexes fit in the space it already has, and the counts follow.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "filters/talvinmux/timeshift/frame_index.h"
#include "platform/com/types.h"
#include "platform/system/output_file.h"

namespace talvinmux {

enum class FileLayout : std::uint32_t { NumberedAvi1 = 0, OpenDml = 1 };
enum class SplitMode : std::uint32_t { Size = 0, FrameCount = 1, KeyFrameCount = 2 };

struct VideoStreamFormat {
    std::vector<std::uint8_t> bitmapInfo;  // BITMAPINFOHEADER and whatever follows it
    std::uint32_t handler = 0;             // strh fccHandler; 0 takes biCompression
    std::uint32_t rate = 30, scale = 1;    // frames per second as rate / scale
    std::uint32_t startFrames = 0;         // strh dwStart: the stream's delay in frames
};

struct AudioStreamFormat {
    std::vector<std::uint8_t> waveFormat;  // WAVEFORMATEX and its extra bytes
    std::uint32_t startBlocks = 0;         // strh dwStart: the stream's delay in blocks
};

struct WriterConfig {
    FileLayout layout = FileLayout::NumberedAvi1;
    std::string baseName;  // the path without the number and ".avi"
    // Numbered pieces only: reaching the last piece's limit ends the recording.
    std::uint32_t maxFiles = 40;
    std::uint64_t maxFileBytes = std::uint64_t{2048} << 20;
    SplitMode splitMode = SplitMode::Size;
    std::uint32_t splitVideoFrames = 0;  // 0: the count does not split
    std::uint32_t splitAudioFrames = 0;
    // OpenDML only: the size of one RIFF part.
    std::uint64_t riffBytes = std::uint64_t{1} << 30;
    // Padding written as zero bytes; otherwise left as a hole of the file (reads as zeros).
    bool zeroFillPadding = true;
    std::optional<VideoStreamFormat> video;
    std::optional<AudioStreamFormat> audio;
};

struct Chunk {
    const std::uint8_t* data = nullptr;
    std::uint32_t size = 0;  // 0: a null frame (a player repeats the previous picture)
    bool keyFrame = true;
    std::int64_t start = 0, stop = 0;
};

class AviWriter {
public:
    // Super index entries reserved per stream: the OpenDML file holds this many RIFF parts.
    static constexpr std::uint32_t kSuperIndexEntries = 256;

    AviWriter(WriterConfig config, FrameIndex* index);
    ~AviWriter();
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    // Creates the first file (an existing one is emptied).
    HRESULT Open();
    // S_OK: written. S_FALSE: the limits end the recording (the files are finished, nothing is
    // written from now on). A failure: the write failed and the current file was finished.
    HRESULT Write(StreamKind stream, const Chunk& chunk);
    // Finishes the open file: indexes and final headers. Repeated calls do nothing.
    HRESULT Close();

    // Rates written into the headers when the current piece closes.
    void SetVideoRate(std::uint32_t rate, std::uint32_t scale);
    void SetAudioSamplingRate(std::uint32_t samplesPerSecond);
    // A stream's delay (strh dwStart: video frames, audio blocks), given in the first piece only.
    void SetStartDelay(StreamKind stream, std::uint32_t delay);

    bool Ended() const { return ended_; }
    std::uint32_t Files() const { return files_.load(); }
    std::string PiecePath(std::uint32_t piece) const;

    // What the files hold (all pieces), readable from any thread.
    std::uint64_t VideoChunks() const { return videoChunks_.load(std::memory_order_relaxed); }
    std::uint64_t AudioChunks() const { return audioChunks_.load(std::memory_order_relaxed); }
    std::uint64_t AudioBytes() const { return audioBytes_.load(std::memory_order_relaxed); }

private:
    struct IndexEntry {
        std::uint64_t offset;  // of the chunk header
        std::uint32_t size;
        std::uint8_t stream;   // 0 video, 1 audio
        bool keyFrame;
    };
    struct SuperEntry {
        std::uint64_t offset;
        std::uint32_t size;
        std::uint32_t duration;
    };
    struct StreamState {
        bool present = false;
        std::uint32_t number = 0;  // "00", "01"
        std::uint32_t chunkId = 0;
        std::uint64_t chunks = 0, bytes = 0;  // in the file (all RIFF parts)
        std::uint64_t firstRiffChunks = 0;
        std::uint32_t maxChunk = 0;
        std::vector<SuperEntry> superIndex;
    };

    bool OpenDml() const { return config_.layout == FileLayout::OpenDml; }
    StreamState& State(StreamKind stream) { return stream == StreamKind::Video ? video_ : audio_; }
    HRESULT OpenPiece();
    HRESULT FinishPiece();
    HRESULT StartRiffPart();
    HRESULT FinishRiffPart();
    // Whether a chunk of `size` bytes of `stream` must go into a new piece or RIFF part.
    bool PieceFull(StreamKind stream, const Chunk& chunk) const;
    bool RiffFull(std::uint32_t size) const;
    // Index bytes the current part needs for its first `entries` chunks.
    std::uint64_t IndexBytes(std::size_t entries, std::size_t videoEntries, std::size_t audioEntries) const;
    std::uint64_t ChunkEnd(std::size_t entries) const;
    // Takes chunks back from the end of the current part until its indexes fit before `limit`.
    void TakeBackUntilIndexFits(std::uint64_t limit);
    void CountChunk(StreamState& state, const IndexEntry& entry, int sign);

    struct Headers {
        std::vector<std::uint8_t> bytes;  // from the RIFF header to the movi list
        std::size_t junkStart;            // the JUNK chunk that pads them
    };
    Headers BuildHeaders() const;
    HRESULT WriteHeaders();
    HRESULT WriteIdx1();
    HRESULT WriteStandardIndexes();

    WriterConfig config_;
    FrameIndex* index_;
    OutputFile file_;
    StreamState video_, audio_;
    std::uint32_t piece_ = 0;
    std::uint64_t end_ = 0;         // where the next chunk goes
    std::uint64_t riffStart_ = 0;   // the current RIFF header
    std::uint64_t moviStart_ = 0;   // the current 'LIST' movi header
    std::uint32_t riffPart_ = 0;    // 0 for the first (the 'AVI ' part)
    std::vector<IndexEntry> entries_;  // chunks of the current part
    std::size_t partVideo_ = 0, partAudio_ = 0;     // of them, per stream
    std::uint64_t partAudioBytes_ = 0;
    std::uint64_t firstRiffEnd_ = 0;                // where the first RIFF part ends
    // Split counts of the current piece.
    std::uint64_t pieceVideoFrames_ = 0, pieceAudioChunks_ = 0, pieceKeyFrames_ = 0;
    std::uint64_t pieceVideoStart_ = 0, pieceAudioStart_ = 0;  // stream totals when the piece opened
    std::uint64_t pieceAudioBytesStart_ = 0;
    bool ended_ = false;
    bool open_ = false;
    std::atomic<std::uint32_t> files_{0};
    std::atomic<std::uint64_t> videoChunks_{0}, audioChunks_{0}, audioBytes_{0};
};

// The file name of piece `piece`: base + three digits + ".avi" for numbered pieces, base +
// ".avi" for the OpenDML file.
std::string PieceFileName(const std::string& baseName, FileLayout layout, std::uint32_t piece);

}  // namespace talvinmux
