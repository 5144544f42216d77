// The cost of one Monte Carlo base-rate estimate (one million simulated
// profiles of four scores) beside the cost of its four million standard
// normal draws alone, so that the share of the generator can be read off.
// Each also reports the heap allocations made while it ran (the estimate
// keeps everything in fixed arrays: none are expected).
#include "analysis/normative_data.h"
#include "methods/Metrics_Papers.h"
#include "numerics/distrib.h"

#include "allocation_counter.h"

#include <benchmark/benchmark.h>

namespace {

void BM_MC_estimate_normative(benchmark::State& state)
{
    tNormativeData norms;
    SetUpNormativeData(norms);
    long allocations = 0;
    for (auto _ : state) {
        extended low = 0, dev = 0, pair = 0;
        const long before = heap_allocations;
        get_MC_estimate_percent_abnorm_SUBSET_E(norms.corr_mat, norms.N, norms.required_vec,
                                                crit_low_z[default_criterion_item],
                                                crit_abs_z[default_criterion_item], 1, 1, 1, low,
                                                dev, pair);
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
