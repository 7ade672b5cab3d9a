// Plans the repair of an AVI file cut off by a crash: the file keeps every complete chunk where it
// lies; a torn last chunk is cut off; what a player needs to read it is appended (the legacy index
// 'idx1' for a file of one RIFF part; the OpenDML standard indexes 'ix##' a part lacks, with the
// super indexes filled in the room the writer reserved, for a file of several parts), and the
// header fields that count what the file holds are patched in place: the RIFF and movi sizes,
// avih dwTotalFrames (and AVIF_HASINDEX once an idx1 is there), each strh dwLength and the
// OpenDML dmlh dwTotalFrames. Nothing else changes. A file whose parts are closed and indexed
// is left as it is.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/qdmedia/avi_scan.h"

namespace qdmedia {

struct FilePatch {
    std::uint64_t offset = 0;
    std::vector<std::uint8_t> bytes;
};

struct StreamReport {
    std::uint32_t type = 0;   // 'vids', 'auds', ...
    std::uint32_t codec = 0;  // biCompression for video, else fccHandler
    std::uint16_t formatTag = 0;
    std::uint64_t chunks = 0;
    std::uint64_t length = 0;  // in the stream's units (frames, audio blocks)
    double seconds = 0;
    std::uint64_t keyFrames = 0;
};

struct RepairPlan {
    std::string error;    // why the file is refused; empty when it is readable
    bool needed = false;  // false: the file is complete, nothing to repair
    std::uint64_t oldSize = 0;
    std::uint64_t newSize = 0;  // the file is cut to this length before `appended` is written
    std::vector<FilePatch> appended;  // written at and after newSize, in order
    std::vector<FilePatch> fields;    // header fields patched in place, below newSize
    std::size_t parts = 0;
    std::uint64_t indexEntries = 0;  // entries written into new indexes
    std::vector<StreamReport> streams;
    std::vector<std::string> notes;  // what the repair could not do as a writer would have
};

RepairPlan PlanRepair(const ByteSource& file);

// The bytes of a file after the plan is carried out (for checking a plan in memory).
std::vector<std::uint8_t> ApplyRepair(std::vector<std::uint8_t> bytes, const RepairPlan& plan);

}  // namespace qdmedia
