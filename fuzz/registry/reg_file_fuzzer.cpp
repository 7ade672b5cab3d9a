// The .reg reader on any bytes: it must never crash, and whatever it accepts must come back
// the same after a write and a second read.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/registry/reg_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const registry::RegFileParseResult first = registry::ParseRegFile(text);
    if (!first.document) return 0;
    const std::string written = registry::WriteRegFile(*first.document);
    const registry::RegFileParseResult second = registry::ParseRegFile(written);
    if (!second.document) {
        std::fprintf(stderr, "written text does not parse: line %d: %s\n%s\n", second.errorLine, second.error.c_str(),
                     written.c_str());
        std::abort();
    }
    if (!(*second.document == *first.document)) {
        std::fprintf(stderr, "document changed by a write and a read:\n%s\n", written.c_str());
        std::abort();
    }
    return 0;
}
