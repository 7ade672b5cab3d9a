#include "fuzz/profiles/profile_file_fuzzer.h"
#include "profiles/mux_profile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return FuzzListFile<CMuxProfile>(data, size, true);
}
