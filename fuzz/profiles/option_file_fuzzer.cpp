#include "fuzz/profiles/profile_file_fuzzer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return FuzzOptionFile(data, size);
}
