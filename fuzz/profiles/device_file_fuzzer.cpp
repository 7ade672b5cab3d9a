#include "fuzz/profiles/profile_file_fuzzer.h"
#include "profiles/device_profile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return FuzzListFile<CDeviceProfile>(data, size, true);
}
