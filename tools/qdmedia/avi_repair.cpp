#include "tools/qdmedia/avi_repair.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>

#include "platform/com/little_endian.h"
#include "tools/qdmedia/key_frames.h"

namespace qdmedia {
namespace {

constexpr std::uint32_t kAvifHasIndex = 0x10;
constexpr std::uint32_t kAviifKeyFrame = 0x10;
constexpr std::uint32_t kNotKeyFrameBit = 0x80000000u;
constexpr std::uint64_t kMaxChunkSize = 0xFFFFFFFFu;
constexpr std::uint16_t kWaveFormatPcm = 1, kWaveFormatFloat = 3, kWaveFormatExtensible = 0xFFFE;

// Little-endian bytes appended to a buffer.
class Bytes {
public:
    void U8(std::uint8_t v) { data_.push_back(v); }
    void U16(std::uint16_t v) { Put(v); }
    void U32(std::uint32_t v) { Put(v); }
    void U64(std::uint64_t v) { Put(v); }
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

std::vector<std::uint8_t> U32Bytes(std::uint32_t v) {
    Bytes b;
    b.U32(v);
    return std::move(b.Data());
}

std::string Number(std::size_t n) { return std::to_string(n); }

// A surviving index entry that names a chunk where it lies: its key-frame flag.
using KeyFlags = std::map<std::uint64_t, bool>;

// The standard index of one stream in one part, found or to be written.
struct PartIndex {
    std::uint64_t offset = 0;  // its chunk header (for a new one: filled when placed)
    std::uint32_t bytes = 0;   // with its header
    std::uint32_t duration = 0;
    bool present = false;  // a valid one lies in the file
};

class Planner {
public:
    Planner(const ByteSource& file, AviScan scan) : file_(file), scan_(std::move(scan)) {
        plan_.oldSize = scan_.fileSize;
    }

    RepairPlan Run() {
        if (!scan_.error.empty()) {
            plan_.error = scan_.error;
            return plan_;
        }
        ReadSurvivingFlags();
        plan_.parts = scan_.parts.size();
        if (Complete()) {
            Report();
            return plan_;
        }
        plan_.needed = true;
        DropEmptyTrailingParts();
        plan_.parts = scan_.parts.size();
        MarkKeyFrames();
        if (scan_.parts.size() == 1 ? CloseSinglePart() : CloseOpenDmlParts()) PatchCounts();
        Report();
        return plan_;
    }

private:
    // --- What is there ---

    bool Read(std::uint64_t at, void* into, std::size_t n) const {
        return at <= scan_.fileSize && n <= scan_.fileSize - at && file_.Read(at, into, n);
    }

    std::uint64_t PartEnd(std::size_t i) const {
        return i + 1 < scan_.parts.size() ? scan_.parts[i + 1].start : scan_.fileSize;
    }

    bool Complete() const {
        if (scan_.usableEnd != scan_.fileSize) return false;
        for (std::size_t i = 0; i < scan_.parts.size(); ++i) {
            const AviPart& part = scan_.parts[i];
            if (!part.moviClosed || std::uint64_t{part.declaredSize} + 8 != PartEnd(i) - part.start) return false;
        }
        if (scan_.parts.size() == 1) return scan_.parts[0].idx1 != 0;
        // Without room for a super index, closed parts are all a repair can give.
        if (!SuperIndexRoom()) return true;
        for (std::size_t s = 0; s < scan_.streams.size(); ++s)
            if (!scan_.streams[s].superIndexInUse && ChunksAfterFirstPart(s)) return false;
        return true;
    }

    bool ChunksAfterFirstPart(std::size_t stream) const {
        for (std::size_t i = 1; i < scan_.parts.size(); ++i)
            for (const AviChunk& c : scan_.parts[i].chunks)
                if (c.stream == stream) return true;
        return false;
    }

    // The legacy index of the first part: flags of the entries that name a chunk where it lies,
    // and whether it indexes every chunk of the part.
    bool ReadIdx1() {
        const AviPart& part = scan_.parts[0];
        if (!part.idx1) return false;
        const std::size_t entries = part.idx1Size / 16;
        std::vector<std::uint8_t> bytes(entries * 16);
        if (!Read(part.idx1 + 8, bytes.data(), bytes.size())) return false;
        std::map<std::uint64_t, const AviChunk*> chunks;
        for (const AviChunk& c : part.chunks) chunks[c.offset] = &c;
        // Offsets count from the 'movi' code, or, in some writers' files, from the file's start.
        std::uint64_t base = part.movi + 8;
        if (entries && !part.chunks.empty() && LoadLittleEndian<std::uint32_t>(bytes.data() + 8) == part.chunks[0].offset)
            base = 0;
        std::size_t matched = 0;
        for (std::size_t e = 0; e < entries; ++e) {
            const std::uint8_t* entry = bytes.data() + 16 * e;
            const auto found = chunks.find(base + LoadLittleEndian<std::uint32_t>(entry + 8));
            if (found == chunks.end() || found->second->id != LoadLittleEndian<std::uint32_t>(entry) ||
                found->second->size != LoadLittleEndian<std::uint32_t>(entry + 12))
                continue;
            flags_[found->first] = (LoadLittleEndian<std::uint32_t>(entry + 4) & kAviifKeyFrame) != 0;
            ++matched;
        }
        return matched == part.chunks.size() && entries == part.chunks.size();
    }

    // A standard index of `stream` in part `p` that names every chunk of the stream there.
    std::optional<PartIndex> ReadStandardIndex(std::size_t p, std::size_t stream) {
        const AviPart& part = scan_.parts[p];
        std::vector<const AviChunk*> chunks;
        for (const AviChunk& c : part.chunks)
            if (c.stream == stream) chunks.push_back(&c);
        for (const AviChunk& ix : part.indexChunks) {
            if (ix.stream != stream || ix.size < 24) continue;
            std::uint8_t header[24];
            if (!Read(ix.offset + 8, header, sizeof header)) continue;
            const std::uint32_t count = LoadLittleEndian<std::uint32_t>(header + 4);
            const std::uint64_t base = LoadLittleEndian<std::uint64_t>(header + 12);
            if (LoadLittleEndian<std::uint16_t>(header) != 2 || header[3] != 1 || count != chunks.size() ||
                24 + 8 * std::uint64_t{count} > ix.size)
                continue;
            std::vector<std::uint8_t> entries(8 * std::size_t{count});
            if (!Read(ix.offset + 32, entries.data(), entries.size())) continue;
            bool matches = true;
            for (std::uint32_t e = 0; e < count && matches; ++e) {
                const std::uint32_t offset = LoadLittleEndian<std::uint32_t>(entries.data() + 8 * e);
                const std::uint32_t size = LoadLittleEndian<std::uint32_t>(entries.data() + 8 * e + 4);
                matches = base + offset == chunks[e]->offset + 8 && (size & ~kNotKeyFrameBit) == chunks[e]->size;
            }
            if (!matches) continue;
            for (std::uint32_t e = 0; e < count; ++e)
                flags_[chunks[e]->offset] = !(LoadLittleEndian<std::uint32_t>(entries.data() + 8 * e + 4) & kNotKeyFrameBit);
            return PartIndex{ix.offset, ix.size + 8, Duration(p, stream), true};
        }
        return std::nullopt;
    }

    void ReadSurvivingFlags() {
        idx1Whole_ = ReadIdx1();
        found_.assign(scan_.parts.size(), std::vector<std::optional<PartIndex>>(scan_.streams.size()));
        for (std::size_t p = 0; p < scan_.parts.size(); ++p)
            for (std::size_t s = 0; s < scan_.streams.size(); ++s) found_[p][s] = ReadStandardIndex(p, s);
    }

    // --- Key frames ---

    void MarkKeyFrames() {
        key_.clear();
        std::vector<bool> seen(scan_.streams.size());
        std::vector<KeyFrameRule> rules;
        for (const AviStream& s : scan_.streams)
            rules.push_back(s.type == FourCC("vids") ? KeyFrameRuleFor(s.compression, s.handler) : KeyFrameRule::EveryFrame);
        std::vector<bool> guessed(scan_.streams.size());
        std::vector<std::uint8_t> probe;
        for (const AviPart& part : scan_.parts) {
            for (const AviChunk& c : part.chunks) {
                const bool first = !seen[c.stream] && c.size > 0;
                if (c.size > 0) seen[c.stream] = true;
                if (const auto flag = flags_.find(c.offset); flag != flags_.end()) {
                    key_[c.offset] = flag->second;
                    continue;
                }
                const KeyFrameRule rule = rules[c.stream];
                std::optional<bool> key;
                if (c.size == 0) {
                    key = false;  // a null frame repeats the picture before it
                } else if (rule == KeyFrameRule::EveryFrame) {
                    key = true;
                } else if (rule != KeyFrameRule::FirstFrameOnly) {
                    probe.resize(std::min<std::size_t>(c.size, kKeyFrameProbeBytes));
                    if (Read(c.offset + 8, probe.data(), probe.size())) key = IsKeyFrame(rule, probe);
                }
                if (!key && c.size > 0) guessed[c.stream] = guessed[c.stream] || !first;
                key_[c.offset] = key.value_or(first);
            }
        }
        for (std::size_t s = 0; s < scan_.streams.size(); ++s) {
            if (!guessed[s]) continue;
            const AviStream& stream = scan_.streams[s];
            plan_.notes.push_back("stream " + Number(s) + " (" + FourCCText(stream.compression ? stream.compression : stream.handler) +
                                  "): key frames unknown, only the first frame is marked as one");
        }
    }

    bool Key(const AviChunk& c) const {
        const auto found = key_.find(c.offset);
        return found != key_.end() && found->second;
    }

    // --- Closing the parts ---

    void DropEmptyTrailingParts() {
        while (scan_.parts.size() > 1 && scan_.parts.back().chunks.empty()) {
            scan_.parts.pop_back();
            found_.pop_back();
            plan_.notes.push_back("an empty RIFF part at the end was left out");
        }
    }

    // Sets the file's new length and the bytes appended at it, padded to an even offset.
    void Append(std::uint64_t at, std::vector<std::uint8_t> bytes) {
        plan_.newSize = at;
        if (bytes.empty()) return;
        if (at & 1) bytes.insert(bytes.begin(), 0);
        plan_.appended.push_back({at, std::move(bytes)});
    }
    std::uint64_t AppendedStart() const {
        return plan_.appended.empty() ? plan_.newSize : plan_.newSize + (plan_.newSize & 1);
    }
    std::uint64_t FinalSize() const {
        std::uint64_t size = plan_.newSize;
        for (const FilePatch& p : plan_.appended) size = std::max<std::uint64_t>(size, p.offset + p.bytes.size());
        return size;
    }

    bool SetSize(std::uint64_t chunk, std::uint64_t end, const char* what) {
        const std::uint64_t size = end - chunk - 8;
        if (size > kMaxChunkSize) {
            plan_.error = std::string("the ") + what + " would be larger than 4 GB";
            return false;
        }
        Field(chunk + 4, static_cast<std::uint32_t>(size));
        return true;
    }

    void Field(std::uint64_t at, std::uint32_t value) { Field(at, U32Bytes(value)); }
    void Field(std::uint64_t at, std::vector<std::uint8_t> bytes) {
        std::vector<std::uint8_t> now(bytes.size());
        if (Read(at, now.data(), now.size()) && now == bytes) return;
        plan_.fields.push_back({at, std::move(bytes)});
    }

    bool CloseSinglePart() {
        const AviPart& part = scan_.parts[0];
        if (idx1Whole_ && part.idx1 > part.moviEnd) {
            // A whole legacy index after the movie data: only the sizes are stale.
            plan_.newSize = part.end;
        } else {
            // After what follows the movie data, except a legacy index that does not fit it.
            const bool staleIdx1 = part.idx1 && part.idx1 >= part.moviEnd;
            Append(staleIdx1 ? part.idx1 : part.end, Idx1(part));
        }
        // A pad byte put after an odd last chunk belongs to the movie data.
        const bool padded = !plan_.appended.empty() && plan_.newSize == part.moviEnd;
        const std::uint64_t moviEnd = padded ? AppendedStart() : part.moviEnd;
        if (!SetSize(part.movi, moviEnd, "movi list") || !SetSize(part.start, FinalSize(), "RIFF part")) return false;
        hasIdx1_ = true;
        return true;
    }

    std::vector<std::uint8_t> Idx1(const AviPart& part) {
        Bytes b;
        b.U32(FourCC("idx1"));
        b.U32(static_cast<std::uint32_t>(16 * part.chunks.size()));
        for (const AviChunk& c : part.chunks) {
            b.U32(c.id);
            b.U32(Key(c) ? kAviifKeyFrame : 0);
            b.U32(static_cast<std::uint32_t>(c.offset - (part.movi + 8)));
            b.U32(c.size);
        }
        plan_.indexEntries += part.chunks.size();
        return std::move(b.Data());
    }

    // Whether every stream with chunks has room for one super index entry per part it is in.
    bool SuperIndexRoom() const {
        for (std::size_t s = 0; s < scan_.streams.size(); ++s) {
            std::uint32_t parts = 0;
            for (const AviPart& part : scan_.parts)
                parts += std::any_of(part.chunks.begin(), part.chunks.end(), [&](const AviChunk& c) { return c.stream == s; });
            if (parts > scan_.streams[s].superIndexRoom) return false;
        }
        return true;
    }

    bool CloseOpenDmlParts() {
        const std::size_t last = scan_.parts.size() - 1;
        hasIdx1_ = scan_.parts[0].idx1 != 0;
        if (!idx1Whole_) plan_.notes.push_back("the first RIFF part has no whole legacy index (idx1); players read the OpenDML index");
        const bool room = SuperIndexRoom();
        std::vector<std::uint8_t> newIndexes;
        if (room) newIndexes = MissingStandardIndexes();
        else plan_.notes.push_back("no room for an OpenDML super index: the RIFF parts after the first are closed but not indexed");

        const AviPart& tail = scan_.parts[last];
        if (newIndexes.empty() && tail.moviClosed) {
            plan_.newSize = tail.end;
        } else {
            Append(tail.moviEnd, std::move(newIndexes));
        }
        // The new indexes lie at the end of the last movi list.
        const std::uint64_t indexStart = AppendedStart();
        for (auto& streams : found_)
            for (auto& index : streams)
                if (index && !index->present) index->offset += indexStart;
        if (room) FillSuperIndexes();

        for (std::size_t i = 0; i < scan_.parts.size(); ++i) {
            const AviPart& part = scan_.parts[i];
            const bool grown = i == last && !plan_.appended.empty();
            if (!SetSize(part.movi, grown ? FinalSize() : part.moviEnd, "movi list")) return false;
            if (!SetSize(part.start, i == last ? FinalSize() : PartEnd(i), "RIFF part")) return false;
        }
        return true;
    }

    // The standard indexes the parts lack, one after the other; their offsets are filled in
    // `found_` relative to the start of the bytes returned.
    std::vector<std::uint8_t> MissingStandardIndexes() {
        Bytes b;
        for (std::size_t p = 0; p < scan_.parts.size(); ++p) {
            const AviPart& part = scan_.parts[p];
            for (std::size_t s = 0; s < scan_.streams.size(); ++s) {
                if (found_[p][s]) continue;
                std::vector<const AviChunk*> chunks;
                for (const AviChunk& c : part.chunks)
                    if (c.stream == s) chunks.push_back(&c);
                if (chunks.empty()) continue;
                const std::uint64_t at = b.Data().size();
                b.U32(FourCC("ix00") + ((s / 10) << 16) + ((s % 10) << 24));
                b.U32(static_cast<std::uint32_t>(24 + 8 * chunks.size()));
                b.U16(2);
                b.U8(0);
                b.U8(1);  // an index of chunks
                b.U32(static_cast<std::uint32_t>(chunks.size()));
                b.U32(chunks[0]->id);
                b.U64(part.movi);
                b.U32(0);
                for (const AviChunk* c : chunks) {
                    b.U32(static_cast<std::uint32_t>(c->offset + 8 - part.movi));
                    b.U32(c->size | (Key(*c) ? 0 : kNotKeyFrameBit));
                }
                plan_.indexEntries += chunks.size();
                found_[p][s] = PartIndex{at, static_cast<std::uint32_t>(b.Data().size() - at), Duration(p, s), false};
            }
        }
        return std::move(b.Data());
    }

    void FillSuperIndexes() {
        for (std::size_t s = 0; s < scan_.streams.size(); ++s) {
            const AviStream& stream = scan_.streams[s];
            Bytes entries;
            std::uint32_t used = 0;
            std::uint32_t chunkId = 0;
            for (std::size_t p = 0; p < scan_.parts.size(); ++p) {
                const std::optional<PartIndex>& index = found_[p][s];
                if (!index) continue;
                entries.U64(index->offset);
                entries.U32(index->bytes);
                entries.U32(index->duration);
                ++used;
                for (const AviChunk& c : scan_.parts[p].chunks)
                    if (c.stream == s && !chunkId) chunkId = c.id;
            }
            if (!used) continue;
            Field(stream.superIndex, U32Bytes(FourCC("indx")));
            Field(stream.superIndex + 12, used);
            Field(stream.superIndex + 16, chunkId);
            Field(stream.superIndex + 32, std::move(entries.Data()));
        }
    }

    // --- Counts ---

    bool Pcm(const AviStream& s) const {
        return s.type == FourCC("auds") && s.blockAlign &&
               (s.formatTag == kWaveFormatPcm || s.formatTag == kWaveFormatFloat || s.formatTag == kWaveFormatExtensible);
    }

    // A stream's length in its own units over the given chunks.
    std::uint64_t Length(std::size_t stream, std::uint64_t chunks, std::uint64_t bytes) const {
        const AviStream& s = scan_.streams[stream];
        if (Pcm(s)) return bytes / s.blockAlign;
        if (s.sampleSize) return bytes / s.sampleSize;
        return chunks;
    }

    std::uint32_t Duration(std::size_t part, std::size_t stream) const {
        std::uint64_t chunks = 0, bytes = 0;
        for (const AviChunk& c : scan_.parts[part].chunks)
            if (c.stream == stream) {
                ++chunks;
                bytes += c.size;
            }
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(Length(stream, chunks, bytes), kMaxChunkSize));
    }

    std::optional<std::size_t> FirstVideoStream() const {
        for (std::size_t s = 0; s < scan_.streams.size(); ++s)
            if (scan_.streams[s].type == FourCC("vids")) return s;
        return std::nullopt;
    }

    void PatchCounts() {
        std::vector<std::uint64_t> chunks(scan_.streams.size()), bytes(scan_.streams.size());
        for (const AviPart& part : scan_.parts)
            for (const AviChunk& c : part.chunks) {
                ++chunks[c.stream];
                bytes[c.stream] += c.size;
            }
        for (std::size_t s = 0; s < scan_.streams.size(); ++s) {
            const std::uint64_t length = Length(s, chunks[s], bytes[s]);
            Field(scan_.streams[s].strh + 32, static_cast<std::uint32_t>(std::min<std::uint64_t>(length, kMaxChunkSize)));
        }
        if (const std::optional<std::size_t> video = FirstVideoStream()) {
            const auto& first = scan_.parts[0].chunks;
            const auto inFirst = std::count_if(first.begin(), first.end(), [&](const AviChunk& c) { return c.stream == *video; });
            Field(scan_.avih + 16, static_cast<std::uint32_t>(inFirst));
            if (scan_.dmlh) Field(scan_.dmlh, static_cast<std::uint32_t>(std::min<std::uint64_t>(chunks[*video], kMaxChunkSize)));
        }
        if (hasIdx1_) {
            std::uint8_t flags[4];
            if (Read(scan_.avih + 12, flags, 4)) Field(scan_.avih + 12, LoadLittleEndian<std::uint32_t>(flags) | kAvifHasIndex);
        }
    }

    void Report() {
        for (std::size_t s = 0; s < scan_.streams.size(); ++s) {
            const AviStream& stream = scan_.streams[s];
            StreamReport report;
            report.type = stream.type;
            report.codec = stream.type == FourCC("vids") && stream.compression ? stream.compression : stream.handler;
            report.formatTag = stream.formatTag;
            std::uint64_t bytes = 0;
            for (const AviPart& part : scan_.parts) {
                for (const AviChunk& c : part.chunks) {
                    if (c.stream != s) continue;
                    ++report.chunks;
                    bytes += c.size;
                    if (Key(c)) ++report.keyFrames;
                }
            }
            report.length = Length(s, report.chunks, bytes);
            if (stream.rate) report.seconds = static_cast<double>(report.length) * stream.scale / stream.rate;
            plan_.streams.push_back(report);
        }
        if (!plan_.error.empty()) {
            plan_.needed = false;
            plan_.appended.clear();
            plan_.fields.clear();
        }
    }

    const ByteSource& file_;
    AviScan scan_;
    RepairPlan plan_;
    KeyFlags flags_;  // from the surviving indexes
    KeyFlags key_;    // what the new indexes say
    bool idx1Whole_ = false, hasIdx1_ = false;
    std::vector<std::vector<std::optional<PartIndex>>> found_;  // [part][stream]
};

}  // namespace

RepairPlan PlanRepair(const ByteSource& file) { return Planner(file, ScanAvi(file)).Run(); }

std::vector<std::uint8_t> ApplyRepair(std::vector<std::uint8_t> bytes, const RepairPlan& plan) {
    if (!plan.needed) return bytes;
    bytes.resize(plan.newSize);
    for (const std::vector<FilePatch>* patches : {&plan.appended, &plan.fields}) {
        for (const FilePatch& p : *patches) {
            if (p.offset + p.bytes.size() > bytes.size()) bytes.resize(p.offset + p.bytes.size());
            std::copy(p.bytes.begin(), p.bytes.end(), bytes.begin() + static_cast<std::ptrdiff_t>(p.offset));
        }
    }
    return bytes;
}

}  // namespace qdmedia
