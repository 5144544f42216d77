// The cost of one Monte Carlo base-rate estimate (one million simulated
// profiles of four scores) beside the cost of its four million standard
// normal draws alone, so that the share of the generator can be read off.
//
// - MC_estimate_normative: the estimate as the program makes it, on the
//   hardware's threads;
// - MC_blocks/threads:N: the block engine on N threads, with how often it fell
//   back to extended precision (per million trials: candidates and trials);
// - MC_reference: the extended-precision trial loop, one deviate at a time;
// - standard_normal_draws_4M: the draws alone.
// Every estimate starts from the same generator state. Each reports the heap
// allocations made while it ran and their total size (the block engine's
// chunk buffers; the reference allocates nothing). Times are wall-clock: the
// block engine works on several threads.
#include "analysis/normative_data.h"
#include "methods/MC_engine.h"
#include "methods/psychometrics.h"
#include "numerics/distrib.h"

#include "allocation_counter.h"

#include <benchmark/benchmark.h>

namespace {

const tGeneratorState seeds{897183450, 1841323562};

tMC_setup normative_setup()
{
    tNormativeData norms;
    SetUpNormativeData(norms);
    tMC_setup setup;
    MC_setup_of(norms.corr_mat, norms.N, norms.required_vec, crit_low_z[default_criterion_item],
                crit_abs_z[default_criterion_item], 1, 1, 1, MC_TRIALS, setup);
    return setup;
}

void report_heap(benchmark::State& state, long allocations, long bytes)
{
    const double n = static_cast<double>(state.iterations());
    state.counters["allocations"] = static_cast<double>(allocations) / n;
    state.counters["heap_MB"] = static_cast<double>(bytes) / n / 1e6;
}

void BM_MC_estimate_normative(benchmark::State& state)
{
    tNormativeData norms;
    SetUpNormativeData(norms);
    long allocations = 0;
    long bytes = 0;
    for (auto _ : state) {
        tRandom_generator generator(seeds);
        extended low = 0, dev = 0, pair = 0;
        const long before = heap_allocations;
        const long bytes_before = heap_bytes;
        get_MC_estimate_percent_abnorm_SUBSET_E(norms.corr_mat, norms.N, norms.required_vec,
                                                crit_low_z[default_criterion_item],
                                                crit_abs_z[default_criterion_item], 1, 1, 1, generator,
                                                low, dev, pair);
        benchmark::DoNotOptimize(low);
        benchmark::DoNotOptimize(dev);
        benchmark::DoNotOptimize(pair);
        allocations += heap_allocations - before;
        bytes += heap_bytes - bytes_before;
    }
    state.SetItemsProcessed(state.iterations() * MC_TRIALS);
    report_heap(state, allocations, bytes);
}
BENCHMARK(BM_MC_estimate_normative)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MC_blocks(benchmark::State& state)
{
    const tMC_setup setup = normative_setup();
    const int threads = static_cast<int>(state.range(0));
    long allocations = 0;
    long bytes = 0;
    tMC_fallbacks total;
    for (auto _ : state) {
        tRandom_generator generator(seeds);
        const long before = heap_allocations;
        const long bytes_before = heap_bytes;
        tMC_fallbacks fallbacks;
        const tMC_hits hits = MC_hits_blocks(setup, threads, generator, &fallbacks);
        benchmark::DoNotOptimize(hits);
        allocations += heap_allocations - before;
        bytes += heap_bytes - bytes_before;
        total.candidates += fallbacks.candidates;
        total.trials += fallbacks.trials;
    }
    state.SetItemsProcessed(state.iterations() * MC_TRIALS);
    report_heap(state, allocations, bytes);
    const double millions = static_cast<double>(state.iterations()) * MC_TRIALS / 1e6;
    state.counters["fallback_candidates_per_M"] = static_cast<double>(total.candidates) / millions;
    state.counters["fallback_trials_per_M"] = static_cast<double>(total.trials) / millions;
}
BENCHMARK(BM_MC_blocks)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(MC_thread_count())
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_MC_reference(benchmark::State& state)
{
    const tMC_setup setup = normative_setup();
    for (auto _ : state) {
        tRandom_generator generator(seeds);
        const tMC_hits hits = MC_hits_sequential(setup, generator);
        benchmark::DoNotOptimize(hits);
    }
    state.SetItemsProcessed(state.iterations() * MC_TRIALS);
}
BENCHMARK(BM_MC_reference)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_standard_normal_draws_4M(benchmark::State& state)
{
    tNormal_distribution normal(0.0L, 1.0L);
    constexpr long draws = 4 * MC_TRIALS;
    long allocations = 0;
    long bytes = 0;
    for (auto _ : state) {
        tRandom_generator generator(seeds);
        extended sum = 0;
        const long before = heap_allocations;
        const long bytes_before = heap_bytes;
        for (long k = 0; k < draws; ++k)
            sum += normal.RandomVariate(generator);
        benchmark::DoNotOptimize(sum);
        allocations += heap_allocations - before;
        bytes += heap_bytes - bytes_before;
    }
    state.SetItemsProcessed(state.iterations() * draws);
    report_heap(state, allocations, bytes);
}
BENCHMARK(BM_standard_normal_draws_4M)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
