// qdmedia repair FILE: makes an AVI file cut off by a crash readable to its last complete chunk.
// The file is changed in place: a torn last chunk is cut off, the new indexes are appended and
// flushed to disk first, and only then are the header fields patched, so a repair that is itself
// cut off leaves a file the next repair still recognises.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/qdmedia/avi_repair.h"
#include "tools/qdmedia/commands.h"

namespace qdmedia {
namespace {

class FileBytes : public ByteSource {
public:
    FileBytes(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    std::uint64_t Size() const override { return size_; }
    bool Read(std::uint64_t offset, void* into, std::size_t size) const override {
        auto* out = static_cast<char*>(into);
        while (size) {
            const ssize_t n = pread(fd_, out, size, static_cast<off_t>(offset));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            out += n;
            offset += static_cast<std::uint64_t>(n);
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }

private:
    int fd_;
    std::uint64_t size_;
};

// Whether another process has the file open (a recording still writing it, a player): a write
// lease is granted only to the file's sole opener. A file system without leases does not say.
bool OpenElsewhere(int fd) {
    if (fcntl(fd, F_SETLEASE, F_WRLCK) == 0) {
        fcntl(fd, F_SETLEASE, F_UNLCK);
        return false;
    }
    return errno == EAGAIN || errno == EBUSY;
}

bool WriteAll(int fd, const FilePatch& patch) {
    const std::uint8_t* data = patch.bytes.data();
    std::size_t size = patch.bytes.size();
    off_t offset = static_cast<off_t>(patch.offset);
    while (size) {
        const ssize_t n = pwrite(fd, data, size, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        offset += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Cuts, appends, flushes, then patches the headers and flushes again; the error text, or empty.
std::string Carry(int fd, const RepairPlan& plan) {
    if (plan.newSize < plan.oldSize && ftruncate(fd, static_cast<off_t>(plan.newSize)) != 0)
        return std::string("cannot cut the torn chunk off: ") + std::strerror(errno);
    for (const FilePatch& patch : plan.appended)
        if (!WriteAll(fd, patch)) return std::string("cannot append the index: ") + std::strerror(errno);
    if (fsync(fd) != 0) return std::string("cannot flush the index: ") + std::strerror(errno);
    for (const FilePatch& patch : plan.fields)
        if (!WriteAll(fd, patch)) return std::string("cannot patch the headers: ") + std::strerror(errno);
    if (fsync(fd) != 0) return std::string("cannot flush the headers: ") + std::strerror(errno);
    return {};
}

std::string StreamKind(const StreamReport& s) {
    if (s.type == FourCC("vids")) return "video " + (s.codec ? FourCCText(s.codec) : std::string("uncompressed"));
    if (s.type == FourCC("auds")) {
        char tag[16];
        std::snprintf(tag, sizeof tag, "0x%04x", s.formatTag);
        return std::string("audio ") + (s.formatTag == 1 ? "PCM" : tag);
    }
    return FourCCText(s.type) + " " + FourCCText(s.codec);
}

void PrintStreams(const RepairPlan& plan) {
    double seconds = 0;
    std::uint64_t frames = 0;
    bool video = false;
    for (std::size_t i = 0; i < plan.streams.size(); ++i) {
        const StreamReport& s = plan.streams[i];
        std::printf("stream %zu: %s, %llu chunks, length %llu, %.3f s", i, StreamKind(s).c_str(),
                    static_cast<unsigned long long>(s.chunks), static_cast<unsigned long long>(s.length), s.seconds);
        if (plan.needed && s.type == FourCC("vids")) std::printf(", %llu key frames", static_cast<unsigned long long>(s.keyFrames));
        std::printf("\n");
        if (s.seconds > seconds) seconds = s.seconds;
        if (s.type == FourCC("vids") && !video) {
            frames = s.chunks;
            video = true;
        }
    }
    std::printf("frames: %llu\nseconds: %.3f\n", static_cast<unsigned long long>(frames), seconds);
}

}  // namespace

int Repair(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        std::fprintf(stderr, "qdmedia repair: %s: %s\n", path.c_str(), std::strerror(errno));
        return 1;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        std::fprintf(stderr, "qdmedia repair: %s: not a regular file\n", path.c_str());
        close(fd);
        return 1;
    }
    if (OpenElsewhere(fd)) {
        std::fprintf(stderr, "qdmedia repair: %s: the file is open in another program (still being recorded?)\n",
                     path.c_str());
        close(fd);
        return 1;
    }
    const RepairPlan plan = PlanRepair(FileBytes(fd, static_cast<std::uint64_t>(info.st_size)));
    if (!plan.error.empty()) {
        std::fprintf(stderr, "qdmedia repair: %s: %s\n", path.c_str(), plan.error.c_str());
        close(fd);
        return 1;
    }
    if (!plan.needed) {
        std::printf("%s: nothing to repair\n", path.c_str());
        PrintStreams(plan);
        close(fd);
        return 0;
    }
    const std::string failed = Carry(fd, plan);
    const bool closed = close(fd) == 0;
    if (!failed.empty() || !closed) {
        std::fprintf(stderr, "qdmedia repair: %s: %s\n", path.c_str(), failed.empty() ? "cannot close the file" : failed.c_str());
        return 1;
    }
    std::printf("%s: repaired\nRIFF parts: %zu\n", path.c_str(), plan.parts);
    if (plan.newSize < plan.oldSize)
        std::printf("cut off: %llu bytes after the last complete chunk\n",
                    static_cast<unsigned long long>(plan.oldSize - plan.newSize));
    std::printf("index entries written: %llu\nheader fields patched: %zu\n",
                static_cast<unsigned long long>(plan.indexEntries), plan.fields.size());
    PrintStreams(plan);
    for (const std::string& note : plan.notes) std::printf("note: %s\n", note.c_str());
    return 0;
}

}  // namespace qdmedia
