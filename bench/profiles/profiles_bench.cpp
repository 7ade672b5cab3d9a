// Load and save of a profile store with 10,000 device profiles, next to plain copies of
// the same bytes (read device.dat, write a copy; with and without flushing to the disk).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/system/atomic_file.h"
#include "profiles/profile_store.h"

namespace fs = std::filesystem;

namespace {

constexpr int kProfiles = 10000;

// A directory holding the eight files of a store with kProfiles device profiles.
class BenchDirectory {
public:
    BenchDirectory() {
        std::string pattern = (fs::temp_directory_path() / "qdprofiles-bench-XXXXXX").string();
        path_ = mkdtemp(pattern.data()) ? pattern + "/" : "";
        CProfileStore store(path_);
        for (int i = 0; i < kProfiles; ++i) {
            auto profile = std::make_unique<CDeviceProfile>();
            profile->Name = "device profile " + std::to_string(i);
            profile->VideoDeviceMoniker = "@device:v4l2:/dev/video0";
            profile->AudioCaptureFormat.assign(18, static_cast<BYTE>(i));
            profile->PreviewWidth = 640;
            store.DeviceProfiles.push_back(std::move(profile));
        }
        store.CurrentDevice = store.DeviceProfiles[kProfiles / 2].get();
        store.SaveProfileFiles();
    }
    ~BenchDirectory() { fs::remove_all(path_); }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

BenchDirectory& Directory() {
    static BenchDirectory directory;
    return directory;
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    std::string bytes(static_cast<std::size_t>(file.tellg()), '\0');
    file.seekg(0);
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

void BM_LoadDeviceProfiles(benchmark::State& state) {
    for (auto _ : state) {
        CProfileStore store(Directory().Path());
        store.LoadProfileFiles();
        if (store.DeviceProfiles.size() != kProfiles) state.SkipWithError("profiles missing");
    }
    state.SetItemsProcessed(state.iterations() * kProfiles);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(Directory().Path() + "device.dat")));
}
BENCHMARK(BM_LoadDeviceProfiles)->Unit(benchmark::kMillisecond);

void BM_SaveDeviceProfiles(benchmark::State& state) {
    CProfileStore store(Directory().Path());
    store.LoadProfileFiles();
    for (auto _ : state)
        if (!store.SaveProfileFiles()) state.SkipWithError("save failed");
    state.SetItemsProcessed(state.iterations() * kProfiles);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(Directory().Path() + "device.dat")));
}
BENCHMARK(BM_SaveDeviceProfiles)->Unit(benchmark::kMillisecond);

// The baselines: the same bytes read and written without parsing.
void BM_CopyDeviceFile(benchmark::State& state) {
    const std::string source = Directory().Path() + "device.dat";
    const std::string target = Directory().Path() + "copy.dat";
    for (auto _ : state) {
        const std::string bytes = ReadFile(source);
        std::ofstream(target, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    state.SetItemsProcessed(state.iterations() * kProfiles);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(source)));
}
BENCHMARK(BM_CopyDeviceFile)->Unit(benchmark::kMillisecond);

void BM_CopyDeviceFileSynced(benchmark::State& state) {
    const std::string source = Directory().Path() + "device.dat";
    const std::string target = Directory().Path() + "copy.dat";
    for (auto _ : state) {
        const std::string bytes = ReadFile(source);
        if (WriteFileAtomically(target, bytes.data(), bytes.size()) != 0) state.SkipWithError("copy failed");
    }
    state.SetItemsProcessed(state.iterations() * kProfiles);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(source)));
}
BENCHMARK(BM_CopyDeviceFileSynced)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
