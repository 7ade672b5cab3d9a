// write_record_profiles DIR: the benchmark profile directory for qdrecord (record_profiles.h).
#include <cstdio>
#include <string>

#include "bench/tools/record_profiles.h"
#include "platform/com/com_runtime.h"
#include "platform/media/devices/device_catalog.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_record_profiles DIR\n");
        return 2;
    }
    if (FAILED(CoInitialize(nullptr))) return 1;
    media::SetRealDevicesHidden(true);
    std::string directory = argv[1];
    if (directory.back() != '/') directory += '/';
    std::string error;
    const bool written = bench::WriteX264RecordProfiles(directory, error);
    if (!written) std::fprintf(stderr, "write_record_profiles: %s\n", error.c_str());
    CoUninitialize();
    return written ? 0 : 1;
}
