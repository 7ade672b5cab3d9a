// Writing and setting aside whole files so that a crash never leaves a half-written file in
// place of a good one, and a damaged file is never overwritten.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "platform/com/types.h"

enum class DirectorySync { Yes, No };

// Writes `size` bytes to a temporary file beside `path`, flushes it to the disk and renames it
// over `path`; with DirectorySync::Yes the directory is flushed too, so a power cut cannot undo
// the rename. A new file gets mode 0644, a replaced one keeps its mode. Returns 0, or the errno
// of the step that failed (named in *failedStep when given); the old file is then untouched
// and the temporary file removed.
int WriteFileAtomically(const std::string& path, const void* data, std::size_t size,
                        std::string* failedStep = nullptr, DirectorySync sync = DirectorySync::Yes);

// Renames `path` to "<path>.damaged-YYYYMMDD-HHMMSS" (local time), with "-2", "-3", ... when
// that name is taken; another file is never replaced. The new path, or nothing when the file
// could not be moved.
std::optional<std::string> SetFileAside(const std::string& path);
