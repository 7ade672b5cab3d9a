#include "filters/talvinmux/avi_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/com/little_endian.h"
#include "platform/media/format_blocks.h"

namespace talvinmux {
namespace {

constexpr std::uint32_t FourCC(const char (&text)[5]) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[3])) << 24;
}

// A chunk id: the stream number as two digits and a two-letter kind ("00dc", "01wb", "ix00").
std::uint32_t ChunkId(std::uint32_t number, const char* kind) {
    const char text[5] = {static_cast<char>('0' + number / 10), static_cast<char>('0' + number % 10), kind[0], kind[1], 0};
    return FourCC(text);
}
std::uint32_t IndexChunkId(std::uint32_t number) {
    const char text[5] = {'i', 'x', static_cast<char>('0' + number / 10), static_cast<char>('0' + number % 10), 0};
    return FourCC(text);
}

constexpr std::uint32_t kAvifHasIndex = 0x10;
constexpr std::uint32_t kAvifIsInterleaved = 0x100;
constexpr std::uint32_t kAvifTrustChunkType = 0x800;
constexpr std::uint32_t kAviifKeyFrame = 0x10;
constexpr std::uint32_t kNotKeyFrameBit = 0x80000000u;
constexpr std::uint32_t kPaddingGranularity = 2048;
constexpr std::uint32_t kStrhBytes = 56;
constexpr std::uint32_t kAvihBytes = 56;
constexpr std::uint32_t kDmlhBytes = 248;
constexpr std::uint32_t kSuperIndexBytes = 24 + 16 * AviWriter::kSuperIndexEntries;
constexpr std::uint32_t kStandardIndexHeader = 8 + 24;
constexpr std::uint32_t kRiffPartHeader = 24;  // RIFF size AVIX LIST size movi

std::uint64_t Padded(std::uint64_t size) { return size + (size & 1); }

// Little-endian bytes appended to a buffer, with sizes patched afterwards.
class Bytes {
public:
    void U8(std::uint8_t v) { data_.push_back(v); }
    void U16(std::uint16_t v) { Put(v); }
    void U32(std::uint32_t v) { Put(v); }
    void U64(std::uint64_t v) { Put(v); }
    void Raw(const std::vector<std::uint8_t>& bytes) { data_.insert(data_.end(), bytes.begin(), bytes.end()); }
    void Zeros(std::size_t n) { data_.insert(data_.end(), n, 0); }
    std::size_t Size() const { return data_.size(); }
    // Opens a LIST (or RIFF) whose size is patched by Close.
    std::size_t OpenList(std::uint32_t kind, std::uint32_t type) {
        U32(kind);
        const std::size_t at = data_.size();
        U32(0);
        U32(type);
        return at;
    }
    void CloseList(std::size_t at) { Patch(at, static_cast<std::uint32_t>(data_.size() - at - 4)); }
    void Patch(std::size_t at, std::uint32_t v) { StoreLittleEndian(data_.data() + at, v); }
    void ChunkHeader(std::uint32_t id, std::uint32_t size) {
        U32(id);
        U32(size);
    }
    std::vector<std::uint8_t>& Data() { return data_; }

private:
    template <typename T>
    void Put(T v) {
        const std::size_t at = data_.size();
        data_.resize(at + sizeof(T));
        StoreLittleEndian(data_.data() + at, v);
    }
    std::vector<std::uint8_t> data_;
};

BITMAPINFOHEADER BitmapOf(const VideoStreamFormat& format) {
    BITMAPINFOHEADER bmi{};
    std::memcpy(&bmi, format.bitmapInfo.data(), std::min(sizeof bmi, format.bitmapInfo.size()));
    return bmi;
}

WAVEFORMATEX WaveOf(const AudioStreamFormat& format) {
    WAVEFORMATEX wfx{};
    std::memcpy(&wfx, format.waveFormat.data(), std::min(sizeof wfx, format.waveFormat.size()));
    if (wfx.nBlockAlign == 0) wfx.nBlockAlign = 1;
    return wfx;
}

}  // namespace

std::string PieceFileName(const std::string& baseName, FileLayout layout, std::uint32_t piece) {
    if (layout == FileLayout::OpenDml) return baseName + ".avi";
    char number[16];
    std::snprintf(number, sizeof number, "%03lu", static_cast<unsigned long>(piece));
    return baseName + number + ".avi";
}

AviWriter::AviWriter(WriterConfig config, FrameIndex* index) : config_(std::move(config)), index_(index) {
    std::uint32_t number = 0;
    if (config_.video) {
        video_.present = true;
        video_.number = number++;
        const BITMAPINFOHEADER bmi = BitmapOf(*config_.video);
        const bool uncompressed = bmi.biCompression == BI_RGB || bmi.biCompression == BI_BITFIELDS;
        video_.chunkId = ChunkId(video_.number, uncompressed ? "db" : "dc");
    }
    if (config_.audio) {
        audio_.present = true;
        audio_.number = number++;
        audio_.chunkId = ChunkId(audio_.number, "wb");
    }
    if (config_.maxFiles == 0) config_.maxFiles = 1;
}

AviWriter::~AviWriter() { Close(); }

std::string AviWriter::PiecePath(std::uint32_t piece) const { return PieceFileName(config_.baseName, config_.layout, piece); }

void AviWriter::SetVideoRate(std::uint32_t rate, std::uint32_t scale) {
    if (!config_.video || rate == 0 || scale == 0) return;
    config_.video->rate = rate;
    config_.video->scale = scale;
}

void AviWriter::SetAudioSamplingRate(std::uint32_t samplesPerSecond) {
    if (!config_.audio || samplesPerSecond == 0 || config_.audio->waveFormat.size() < sizeof(WAVEFORMATEX) - 2) return;
    WAVEFORMATEX wfx = WaveOf(*config_.audio);
    wfx.nSamplesPerSec = samplesPerSecond;
    wfx.nAvgBytesPerSec = samplesPerSecond * wfx.nBlockAlign;
    std::memcpy(config_.audio->waveFormat.data(), &wfx, std::min(sizeof wfx, config_.audio->waveFormat.size()));
}

void AviWriter::SetStartDelay(StreamKind stream, std::uint32_t delay) {
    if (stream == StreamKind::Video && config_.video) config_.video->startFrames = delay;
    if (stream == StreamKind::Audio && config_.audio) config_.audio->startBlocks = delay;
}

HRESULT AviWriter::Open() {
    if (open_ || ended_) return E_UNEXPECTED;
    return OpenPiece();
}

HRESULT AviWriter::OpenPiece() {
    const std::string path = PiecePath(piece_);
    HRESULT hr = file_.Create(path);
    if (FAILED(hr)) {
        ended_ = true;
        return hr;
    }
    open_ = true;
    files_.store(piece_ + 1);
    if (index_) index_->SetPiecePath(OpenDml() ? 0 : piece_, path);
    pieceVideoFrames_ = pieceAudioChunks_ = pieceKeyFrames_ = 0;
    pieceVideoStart_ = video_.chunks;
    pieceAudioStart_ = audio_.chunks;
    pieceAudioBytesStart_ = audio_.bytes;
    video_.firstRiffChunks = audio_.firstRiffChunks = 0;
    riffPart_ = 0;
    riffStart_ = 0;
    entries_.clear();

    partVideo_ = partAudio_ = 0;
    partAudioBytes_ = 0;
    moviStart_ = BuildHeaders().bytes.size();
    firstRiffEnd_ = moviStart_ + 12;
    Bytes movi;
    movi.OpenList(FourCC("LIST"), FourCC("movi"));
    movi.Patch(4, 4);
    hr = WriteHeaders();
    if (SUCCEEDED(hr)) hr = file_.WriteAt(moviStart_, movi.Data().data(), movi.Size());
    if (FAILED(hr)) {
        file_.Close();
        open_ = false;
        ended_ = true;
        return hr;
    }
    end_ = moviStart_ + 12;
    return S_OK;
}

HRESULT AviWriter::Write(StreamKind stream, const Chunk& chunk) {
    if (ended_ || !open_) return S_FALSE;
    StreamState& state = State(stream);
    if (!state.present || (chunk.size && !chunk.data)) return E_INVALIDARG;
    HRESULT hr = S_OK;
    if (!OpenDml() && PieceFull(stream, chunk)) {
        hr = FinishPiece();
        if (FAILED(hr) || piece_ + 1 >= config_.maxFiles) {
            ended_ = true;
            return FAILED(hr) ? hr : S_FALSE;
        }
        ++piece_;
        hr = OpenPiece();
        if (FAILED(hr)) return hr;
    } else if (OpenDml() && RiffFull(chunk.size)) {
        if (video_.superIndex.size() >= kSuperIndexEntries || audio_.superIndex.size() >= kSuperIndexEntries) {
            hr = Close();
            ended_ = true;
            return FAILED(hr) ? hr : S_FALSE;
        }
        hr = FinishRiffPart();
        if (SUCCEEDED(hr)) hr = StartRiffPart();
        if (FAILED(hr)) {
            TakeBackUntilIndexFits(end_);
            FinishPiece();
            ended_ = true;
            return hr;
        }
    }

    const IndexEntry entry{end_, chunk.size, static_cast<std::uint8_t>(stream == StreamKind::Video ? 0 : 1), chunk.keyFrame};
    std::uint8_t header[8];
    StoreLittleEndian(header, state.chunkId);
    StoreLittleEndian(header + 4, chunk.size);
    const std::uint8_t pad = 0;
    hr = file_.WriteAt(end_, {{header, sizeof header}, {chunk.data, chunk.size}, {&pad, chunk.size & 1u}});
    if (FAILED(hr)) {
        // Nothing of this chunk counts; the piece ends with what it could hold.
        TakeBackUntilIndexFits(end_);
        FinishPiece();
        ended_ = true;
        return hr;
    }
    end_ += 8 + Padded(chunk.size);
    entries_.push_back(entry);
    CountChunk(state, entry, +1);
    if (stream == StreamKind::Video) {
        ++pieceVideoFrames_;
        if (chunk.keyFrame && chunk.size) ++pieceKeyFrames_;
    } else {
        ++pieceAudioChunks_;
    }
    if (index_) {
        index_->Append({stream, OpenDml() ? 0 : piece_, entry.offset + 8, chunk.size, chunk.start, chunk.stop,
                        chunk.keyFrame});
    }
    return S_OK;
}

void AviWriter::CountChunk(StreamState& state, const IndexEntry& entry, int sign) {
    const auto one = static_cast<std::uint64_t>(static_cast<std::int64_t>(sign));
    const auto bytes = one * entry.size;
    state.chunks += one;
    state.bytes += bytes;
    if (sign > 0) state.maxChunk = std::max(state.maxChunk, entry.size);
    if (entry.stream == 0) {
        partVideo_ += one;
        videoChunks_.fetch_add(one, std::memory_order_relaxed);
    } else {
        partAudio_ += one;
        partAudioBytes_ += bytes;
        audioChunks_.fetch_add(one, std::memory_order_relaxed);
        audioBytes_.fetch_add(bytes, std::memory_order_relaxed);
    }
}

std::uint64_t AviWriter::ChunkEnd(std::size_t entries) const {
    if (entries == 0) return moviStart_ + 12;
    const IndexEntry& last = entries_[entries - 1];
    return last.offset + 8 + Padded(last.size);
}

std::uint64_t AviWriter::IndexBytes(std::size_t entries, std::size_t videoEntries, std::size_t audioEntries) const {
    std::uint64_t bytes = 0;
    if (!OpenDml() || riffPart_ == 0) bytes += 8 + 16 * static_cast<std::uint64_t>(entries);
    if (OpenDml()) {
        if (videoEntries) bytes += kStandardIndexHeader + 8 * static_cast<std::uint64_t>(videoEntries);
        if (audioEntries) bytes += kStandardIndexHeader + 8 * static_cast<std::uint64_t>(audioEntries);
    }
    return bytes;
}

bool AviWriter::PieceFull(StreamKind stream, const Chunk& chunk) const {
    // A piece always takes at least one chunk, so a chunk larger than the limit cannot make
    // the writer open pieces without end.
    if (entries_.empty()) return false;
    const bool video = stream == StreamKind::Video;
    const std::uint64_t after =
        end_ + 8 + Padded(chunk.size) + IndexBytes(entries_.size() + 1, partVideo_ + video, partAudio_ + !video);
    if (after > config_.maxFileBytes) return true;
    switch (config_.splitMode) {
        case SplitMode::Size:
            return false;
        case SplitMode::FrameCount:
            if (video) return config_.splitVideoFrames && pieceVideoFrames_ >= config_.splitVideoFrames;
            return config_.splitAudioFrames && pieceAudioChunks_ >= config_.splitAudioFrames;
        case SplitMode::KeyFrameCount:
            return video && chunk.keyFrame && chunk.size && config_.splitVideoFrames &&
                   pieceKeyFrames_ >= config_.splitVideoFrames;
    }
    return false;
}

bool AviWriter::RiffFull(std::uint32_t size) const {
    if (entries_.empty()) return false;
    // Room for this chunk in either stream's standard index.
    const std::uint64_t after = end_ + 8 + Padded(size) + IndexBytes(entries_.size() + 1, partVideo_ + 1, partAudio_ + 1);
    return after - riffStart_ > config_.riffBytes;
}

void AviWriter::TakeBackUntilIndexFits(std::uint64_t limit) {
    std::size_t kept = entries_.size();
    std::size_t videoKept = partVideo_, audioKept = partAudio_;
    while (kept > 0 && ChunkEnd(kept) + IndexBytes(kept, videoKept, audioKept) > limit) {
        --kept;
        (entries_[kept].stream == 0 ? videoKept : audioKept) -= 1;
    }
    for (std::size_t i = kept; i < entries_.size(); ++i) {
        CountChunk(entries_[i].stream == 0 ? video_ : audio_, entries_[i], -1);
    }
    entries_.resize(kept);
    end_ = ChunkEnd(kept);
}

HRESULT AviWriter::WriteIdx1() {
    Bytes b;
    b.ChunkHeader(FourCC("idx1"), static_cast<std::uint32_t>(16 * entries_.size()));
    const std::uint64_t base = moviStart_ + 8;
    for (const IndexEntry& e : entries_) {
        b.U32(e.stream == 0 ? video_.chunkId : audio_.chunkId);
        b.U32(e.keyFrame ? kAviifKeyFrame : 0);
        b.U32(static_cast<std::uint32_t>(e.offset - base));
        b.U32(e.size);
    }
    const HRESULT hr = file_.WriteAt(end_, b.Data().data(), b.Size());
    if (SUCCEEDED(hr)) end_ += b.Size();
    return hr;
}

HRESULT AviWriter::WriteStandardIndexes() {
    for (StreamState* state : {&video_, &audio_}) {
        const std::uint8_t stream = state == &video_ ? 0 : 1;
        const std::size_t count = stream == 0 ? partVideo_ : partAudio_;
        if (!state->present || count == 0) continue;
        Bytes b;
        b.ChunkHeader(IndexChunkId(state->number), static_cast<std::uint32_t>(24 + 8 * count));
        b.U16(2);
        b.U8(0);
        b.U8(1);  // an index of chunks
        b.U32(static_cast<std::uint32_t>(count));
        b.U32(state->chunkId);
        b.U64(moviStart_);
        b.U32(0);
        for (const IndexEntry& e : entries_) {
            if (e.stream != stream) continue;
            b.U32(static_cast<std::uint32_t>(e.offset + 8 - moviStart_));
            b.U32(e.size | (e.keyFrame ? 0 : kNotKeyFrameBit));
        }
        const HRESULT hr = file_.WriteAt(end_, b.Data().data(), b.Size());
        if (FAILED(hr)) return hr;
        std::uint32_t duration = static_cast<std::uint32_t>(count);
        if (stream == 1) duration = static_cast<std::uint32_t>(partAudioBytes_ / WaveOf(*config_.audio).nBlockAlign);
        state->superIndex.push_back({end_, static_cast<std::uint32_t>(b.Size()), duration});
        end_ += b.Size();
    }
    return S_OK;
}

HRESULT AviWriter::FinishRiffPart() {
    HRESULT hr = WriteStandardIndexes();
    std::uint8_t size[4];
    StoreLittleEndian(size, static_cast<std::uint32_t>(end_ - moviStart_ - 8));
    if (SUCCEEDED(hr)) hr = file_.WriteAt(moviStart_ + 4, size, 4);
    if (SUCCEEDED(hr) && riffPart_ == 0) {
        video_.firstRiffChunks = partVideo_;
        audio_.firstRiffChunks = partAudio_;
        hr = WriteIdx1();
        firstRiffEnd_ = end_;
    }
    StoreLittleEndian(size, static_cast<std::uint32_t>(end_ - riffStart_ - 8));
    if (SUCCEEDED(hr) && riffPart_ > 0) hr = file_.WriteAt(riffStart_ + 4, size, 4);
    entries_.clear();
    partVideo_ = partAudio_ = 0;
    partAudioBytes_ = 0;
    return hr;
}

HRESULT AviWriter::StartRiffPart() {
    Bytes b;
    b.OpenList(FourCC("RIFF"), FourCC("AVIX"));
    b.OpenList(FourCC("LIST"), FourCC("movi"));
    b.Patch(4, 16);
    b.Patch(16, 4);
    const HRESULT hr = file_.WriteAt(end_, b.Data().data(), b.Size());
    if (FAILED(hr)) return hr;
    riffStart_ = end_;
    moviStart_ = end_ + 12;
    end_ += kRiffPartHeader;
    ++riffPart_;
    return S_OK;
}

HRESULT AviWriter::FinishPiece() {
    if (!open_) return S_OK;
    HRESULT hr = S_OK;
    if (OpenDml()) {
        if (riffPart_ > 0 && entries_.empty()) {
            end_ = riffStart_;  // an empty trailing part is left out
        } else {
            hr = FinishRiffPart();
        }
    } else {
        std::uint8_t size[4];
        StoreLittleEndian(size, static_cast<std::uint32_t>(end_ - moviStart_ - 8));
        hr = file_.WriteAt(moviStart_ + 4, size, 4);
        if (SUCCEEDED(hr)) hr = WriteIdx1();
        firstRiffEnd_ = end_;
    }
    const HRESULT headers = WriteHeaders();
    if (SUCCEEDED(hr)) hr = headers;
    const HRESULT cut = file_.Truncate(end_);
    if (SUCCEEDED(hr)) hr = cut;
    const HRESULT closed = file_.Close();
    if (SUCCEEDED(hr)) hr = closed;
    open_ = false;
    return hr;
}

HRESULT AviWriter::Close() {
    if (!open_) return S_OK;
    return FinishPiece();
}

HRESULT AviWriter::WriteHeaders() {
    const Headers headers = BuildHeaders();
    // Without zero filling, the JUNK payload is never written: a hole of the file.
    const std::size_t length = config_.zeroFillPadding ? headers.bytes.size() : headers.junkStart + 8;
    return file_.WriteAt(0, headers.bytes.data(), length);
}

AviWriter::Headers AviWriter::BuildHeaders() const {
    const bool firstPiece = OpenDml() || piece_ == 0;
    const std::uint64_t videoInPiece = OpenDml() ? video_.chunks : video_.chunks - pieceVideoStart_;
    const std::uint64_t audioBytesInPiece = OpenDml() ? audio_.bytes : audio_.bytes - pieceAudioBytesStart_;
    std::uint64_t videoInFirstPart = videoInPiece;
    if (OpenDml()) videoInFirstPart = riffPart_ == 0 ? partVideo_ : video_.firstRiffChunks;

    BITMAPINFOHEADER bmi{};
    if (config_.video) bmi = BitmapOf(*config_.video);
    WAVEFORMATEX wfx{};
    if (config_.audio) wfx = WaveOf(*config_.audio);
    const std::uint32_t width = static_cast<std::uint32_t>(bmi.biWidth);
    const std::uint32_t height = static_cast<std::uint32_t>(bmi.biHeight < 0 ? -bmi.biHeight : bmi.biHeight);

    Bytes b;
    b.OpenList(FourCC("RIFF"), FourCC("AVI "));
    const std::size_t hdrl = b.OpenList(FourCC("LIST"), FourCC("hdrl"));
    b.ChunkHeader(FourCC("avih"), kAvihBytes);
    std::uint64_t microSecondsPerFrame = 0, maxBytesPerSecond = wfx.nAvgBytesPerSec;
    if (config_.video) {
        microSecondsPerFrame = std::uint64_t{1000000} * config_.video->scale / config_.video->rate;
        maxBytesPerSecond += std::uint64_t{video_.maxChunk} * config_.video->rate / config_.video->scale;
    }
    b.U32(static_cast<std::uint32_t>(microSecondsPerFrame));
    b.U32(static_cast<std::uint32_t>(std::min<std::uint64_t>(maxBytesPerSecond, 0xFFFFFFFFu)));
    b.U32(kPaddingGranularity);
    b.U32(kAvifHasIndex | kAvifIsInterleaved | kAvifTrustChunkType);
    b.U32(static_cast<std::uint32_t>(videoInFirstPart));
    b.U32(0);
    b.U32(static_cast<std::uint32_t>(video_.present) + static_cast<std::uint32_t>(audio_.present));
    b.U32(std::max(video_.maxChunk, audio_.maxChunk) + 8);
    b.U32(width);
    b.U32(height);
    b.Zeros(16);

    auto superIndex = [&](const StreamState& state) {
        if (!OpenDml()) return;
        b.ChunkHeader(FourCC("indx"), kSuperIndexBytes);
        b.U16(4);
        b.U8(0);
        b.U8(0);  // an index of indexes
        b.U32(static_cast<std::uint32_t>(state.superIndex.size()));
        b.U32(state.chunkId);
        b.Zeros(12);
        for (const SuperEntry& e : state.superIndex) {
            b.U64(e.offset);
            b.U32(e.size);
            b.U32(e.duration);
        }
        b.Zeros(16 * (kSuperIndexEntries - state.superIndex.size()));
    };

    if (config_.video) {
        const std::size_t strl = b.OpenList(FourCC("LIST"), FourCC("strl"));
        b.ChunkHeader(FourCC("strh"), kStrhBytes);
        b.U32(FourCC("vids"));
        b.U32(config_.video->handler ? config_.video->handler : bmi.biCompression);
        b.U32(0);
        b.U32(0);  // priority and language
        b.U32(0);
        b.U32(config_.video->scale);
        b.U32(config_.video->rate);
        b.U32(firstPiece ? config_.video->startFrames : 0);
        b.U32(static_cast<std::uint32_t>(videoInPiece));
        b.U32(video_.maxChunk);
        b.U32(0xFFFFFFFFu);
        b.U32(0);
        b.U16(0);
        b.U16(0);
        b.U16(static_cast<std::uint16_t>(width));
        b.U16(static_cast<std::uint16_t>(height));
        b.ChunkHeader(FourCC("strf"), static_cast<std::uint32_t>(config_.video->bitmapInfo.size()));
        b.Raw(config_.video->bitmapInfo);
        if (b.Size() & 1) b.U8(0);
        superIndex(video_);
        b.CloseList(strl);
    }
    if (config_.audio) {
        const std::size_t strl = b.OpenList(FourCC("LIST"), FourCC("strl"));
        b.ChunkHeader(FourCC("strh"), kStrhBytes);
        b.U32(FourCC("auds"));
        b.U32(0);
        b.U32(0);
        b.U32(0);
        b.U32(0);
        b.U32(wfx.nBlockAlign);
        b.U32(wfx.nAvgBytesPerSec);
        b.U32(firstPiece ? config_.audio->startBlocks : 0);
        b.U32(static_cast<std::uint32_t>(audioBytesInPiece / wfx.nBlockAlign));
        b.U32(audio_.maxChunk);
        b.U32(0xFFFFFFFFu);
        b.U32(wfx.nBlockAlign);
        b.Zeros(8);
        b.ChunkHeader(FourCC("strf"), static_cast<std::uint32_t>(config_.audio->waveFormat.size()));
        b.Raw(config_.audio->waveFormat);
        if (b.Size() & 1) b.U8(0);
        superIndex(audio_);
        b.CloseList(strl);
    }
    if (OpenDml()) {
        const std::size_t odml = b.OpenList(FourCC("LIST"), FourCC("odml"));
        b.ChunkHeader(FourCC("dmlh"), kDmlhBytes);
        b.U32(static_cast<std::uint32_t>(video_.chunks));
        b.Zeros(kDmlhBytes - 4);
        b.CloseList(odml);
    }
    b.CloseList(hdrl);

    Headers headers;
    headers.junkStart = b.Size();
    const std::size_t total = (headers.junkStart + 8 + kPaddingGranularity - 1) / kPaddingGranularity * kPaddingGranularity;
    b.ChunkHeader(FourCC("JUNK"), static_cast<std::uint32_t>(total - headers.junkStart - 8));
    b.Zeros(total - headers.junkStart - 8);
    b.Patch(4, static_cast<std::uint32_t>(firstRiffEnd_ - 8));
    headers.bytes = std::move(b.Data());
    return headers;
}

}  // namespace talvinmux
