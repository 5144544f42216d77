// The cost of one Monte Carlo base-rate estimate (one million simulated
// profiles of four scores) beside the cost of its four million standard
// normal draws alone, so that the share of the generator can be read off.
// Each also reports the heap allocations made while it ran (the estimate
// keeps everything in fixed arrays: none are expected).
#include "methods/Metrics_Papers.h"
#include "numerics/distrib.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <new>

namespace {
long heap_allocations = 0;
} // namespace

// Counting replacements of the global allocation functions. GCC takes the
// free() of a pointer from a replaced operator new for a mismatch.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size)
{
    ++heap_allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
#pragma GCC diagnostic pop

namespace {

tMatrix normative_R()
{
    tMatrix R{};
    const extended r[4][4] = {{1.0L, 0.61L, 0.64L, 0.45L},
                              {0.61L, 1.0L, 0.62L, 0.52L},
                              {0.64L, 0.62L, 1.0L, 0.51L},
                              {0.45L, 0.52L, 0.51L, 1.0L}};
    for (int i = 1; i <= 4; ++i)
        for (int j = 1; j <= 4; ++j)
            R[i][j] = r[i - 1][j - 1];
    return R;
}

void BM_MC_estimate_normative(benchmark::State& state)
{
    const tMatrix R = normative_R();
    tBool_vector flags{};
    for (int i = 1; i <= 4; ++i)
        flags[i] = 1;
    long allocations = 0;
    for (auto _ : state) {
        extended low = 0, dev = 0, pair = 0;
        const long before = heap_allocations;
        get_MC_estimate_percent_abnorm_SUBSET_E(R, 4, flags, -1.644854L, 1.959964L, 1, 1, 1, low, dev,
                                                pair);
        benchmark::DoNotOptimize(low);
        benchmark::DoNotOptimize(dev);
        benchmark::DoNotOptimize(pair);
        allocations += heap_allocations - before;
    }
    state.SetItemsProcessed(state.iterations() * MC_TRIALS);
    state.counters["allocations"] = static_cast<double>(allocations);
}
BENCHMARK(BM_MC_estimate_normative)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_standard_normal_draws_4M(benchmark::State& state)
{
    tNormal_distribution normal(0.0L, 1.0L);
    constexpr long draws = 4 * MC_TRIALS;
    long allocations = 0;
    for (auto _ : state) {
        extended sum = 0;
        const long before = heap_allocations;
        for (long k = 0; k < draws; ++k)
            sum += normal.RandomVariate();
        benchmark::DoNotOptimize(sum);
        allocations += heap_allocations - before;
    }
    state.SetItemsProcessed(state.iterations() * draws);
    state.counters["allocations"] = static_cast<double>(allocations);
}
BENCHMARK(BM_standard_normal_draws_4M)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
