// write_record_profiles DIR [--size WIDTHxHEIGHT] [--mux-mode 0|1|2]: the benchmark profile
// directory for qdrecord (record_profiles.h); 1280x720 through the platform's AVI multiplexer
// unless told otherwise.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/tools/record_profiles.h"
#include "platform/com/com_runtime.h"
#include "platform/media/devices/device_catalog.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: write_record_profiles DIR [--size WIDTHxHEIGHT] [--mux-mode 0|1|2]\n");
    return 2;
}

bool ParseSize(const char* text, bench::RecordSetup& setup) {
    char* end = nullptr;
    const long width = std::strtol(text, &end, 10);
    if (!end || *end != 'x') return false;
    const long height = std::strtol(end + 1, &end, 10);
    if (*end || width < 16 || height < 16 || width > 4096 || height > 4096 || width % 2) return false;
    setup.width = static_cast<int>(width);
    setup.height = static_cast<int>(height);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc % 2 != 0) return Usage();
    bench::RecordSetup setup;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--size")) {
            if (!ParseSize(argv[i + 1], setup)) return Usage();
        } else if (!std::strcmp(argv[i], "--mux-mode")) {
            const std::string mode = argv[i + 1];
            if (mode != "0" && mode != "1" && mode != "2") return Usage();
            setup.muxMode = std::stoul(mode);
        } else {
            return Usage();
        }
    }
    if (FAILED(CoInitialize(nullptr))) return 1;
    media::SetRealDevicesHidden(true);
    std::string directory = argv[1];
    if (directory.back() != '/') directory += '/';
    std::string error;
    const bool written = bench::WriteX264RecordProfiles(directory, setup, error);
    if (!written) std::fprintf(stderr, "write_record_profiles: %s\n", error.c_str());
    CoUninitialize();
    return written ? 0 : 1;
}
