// Cost of one Stampfix Transform call on a reused sample (constant, no allocation) and of
// one GetTime on the adjustable clock.
#include <benchmark/benchmark.h>

#include "filters/metronel/talvin_clock.h"
#include "filters/stampfix/stampfix_filter.h"
#include "tests/filters/filter_harness.h"

namespace {

void BM_StampfixTransform(benchmark::State& state) {
    auto filter = MakeComObject<CStampfixFilter>();
    auto sample = MakeComObject<filters::test::FakeSample>();
    sample->start = 0;
    LONGLONG media = 0;
    sample->mediaStart = media;
    filter->Transform(sample.Get());
    for (auto _ : state) {
        sample->mediaStart = ++media;
        benchmark::DoNotOptimize(filter->Transform(sample.Get()));
    }
    state.counters["ns/call"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_StampfixTransform);

void BM_TalvinClockGetTime(benchmark::State& state) {
    HRESULT hr = S_OK;
    auto clock = ComPtr<CTalvinClock>::Attach(new CTalvinClock(&hr));
    clock->put_Speed(1.25, TRUE);
    REFERENCE_TIME now = 0;
    for (auto _ : state) benchmark::DoNotOptimize(clock->GetTime(&now));
}
BENCHMARK(BM_TalvinClockGetTime);

}  // namespace

BENCHMARK_MAIN();
