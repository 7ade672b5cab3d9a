// Writing a whole file so that a crash never leaves a half-written file in place of a good one.
#pragma once

#include <cstddef>
#include <string>

#include "platform/com/types.h"

// Writes `size` bytes to a temporary file beside `path`, flushes it to the disk, renames it
// over `path` and flushes the directory. On failure the old file is untouched, the temporary
// file is removed, `*errorText` (when given) says which step failed and false is returned.
bool WriteFileAtomically(const std::string& path, const void* data, std::size_t size,
                         std::string* errorText = nullptr);
