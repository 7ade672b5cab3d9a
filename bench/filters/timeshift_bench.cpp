// The time-shift frame index: what appending and looking up one frame costs against pushing the
// same record onto a plain vector in the same run (the ratio), and the heap it holds per frame.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <chrono>
#include <vector>

#include "filters/talvinmux/timeshift/frame_index.h"

namespace {

using talvinmux::FrameIndex;
using talvinmux::StreamKind;
using talvinmux::WrittenFrame;

constexpr int64_t kFrame = 333'333;

WrittenFrame Frame(int64_t n) {
    return WrittenFrame{StreamKind::Video, 0, static_cast<uint64_t>(n) * 4096, 4000, n * kFrame, (n + 1) * kFrame,
                        n % 15 == 0};
}

double Nanoseconds(std::chrono::steady_clock::duration duration) {
    return std::chrono::duration<double, std::nano>(duration).count();
}

void BM_IndexAgainstVectorPushBack(benchmark::State& state) {
    const int64_t frames = state.range(0);
    double indexNs = 0, vectorNs = 0, heapBytes = 0;
    for (auto _ : state) {
        const auto heapBefore = mallinfo2().uordblks;
        const auto t0 = std::chrono::steady_clock::now();
        FrameIndex index;
        for (int64_t n = 0; n < frames; ++n) {
            index.Append(Frame(n));
            const auto showing = index.LastStartingAtOrBefore(StreamKind::Video, n * kFrame);
            benchmark::DoNotOptimize(index.KeyAtOrBefore(StreamKind::Video, *showing));
        }
        const auto t1 = std::chrono::steady_clock::now();
        heapBytes += static_cast<double>(mallinfo2().uordblks - heapBefore);

        std::vector<WrittenFrame> plain;
        for (int64_t n = 0; n < frames; ++n) plain.push_back(Frame(n));
        benchmark::DoNotOptimize(plain.data());
        benchmark::ClobberMemory();
        const auto t2 = std::chrono::steady_clock::now();

        indexNs += Nanoseconds(t1 - t0);
        vectorNs += Nanoseconds(t2 - t1);
        state.SetIterationTime(std::chrono::duration<double>(t2 - t0).count());
    }
    const double total = static_cast<double>(frames) * static_cast<double>(state.iterations());
    state.counters["index_ns_per_frame"] = indexNs / total;
    state.counters["vector_ns_per_frame"] = vectorNs / total;
    state.counters["ratio"] = indexNs / vectorNs;
    state.counters["index_bytes_per_frame"] = heapBytes / total;
}
BENCHMARK(BM_IndexAgainstVectorPushBack)
    ->Arg(30 * 3600)
    ->Arg(30 * 3600 * 10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
