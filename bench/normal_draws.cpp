// Cost of the Monte Carlo's load: 4,000,000 standard normal draws.
//
// Three loops in one run:
// - ClassVirtual: RandomVariate through a tDistribution reference, as a caller
//   that holds the base type does;
// - Class: the same through the tNormal_distribution object;
// - Bare: the same arithmetic (L'Ecuyer's generator with Schrage's
//   decomposition, the ratio-of-uniforms draw with its quadratic bounds)
//   written as plain functions over a local generator state.
// Each reports the time per draw and the heap allocations made during the
// draws (there must be none).
#include "numerics/distrib.h"

#include "allocation_counter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

namespace {

constexpr int draws_per_iteration = 4000000;


void report(benchmark::State& state, long allocations)
{
    const double draws = static_cast<double>(state.iterations()) * draws_per_iteration;
    state.SetItemsProcessed(static_cast<std::int64_t>(draws));
    // Seconds per draw, shown with an SI prefix (n for nanoseconds).
    state.counters["time_per_draw"] =
        benchmark::Counter(draws, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["allocations"] = static_cast<double>(allocations);
}

// The bare loop: the same steps, no classes, no globals.
struct tBareGenerator {
    std::int32_t s1 = 897183450;
    std::int32_t s2 = 1841323562;
};

inline extended bare_uniform(tBareGenerator& g)
{
    std::int32_t k = g.s1 / 53668;
    g.s1 = 40014 * (g.s1 - k * 53668) - k * 12211;
    if (g.s1 < 0)
        g.s1 += 2147483563;
    k = g.s2 / 52774;
    g.s2 = 40692 * (g.s2 - k * 52774) - k * 3791;
    if (g.s2 < 0)
        g.s2 += 2147483399;
    std::int32_t z = g.s1 - g.s2;
    if (z < 1)
        z += 2147483562;
    return static_cast<extended>(z) * 4.656613e-10L;
}

inline extended bare_normal(tBareGenerator& g, extended mean, extended sd, extended root_2_over_e)
{
    extended x;
    for (;;) {
        const extended u = bare_uniform(g);
        const extended v = (2 * bare_uniform(g) - 1) * root_2_over_e;
        x = v / u;
        const extended q = x * x;
        if (q <= 6 - 8 * u + 2 * u * u)
            break;
        if (q >= 2 / u - 2 * u)
            continue;
        if (q <= -4 * std::log(u))
            break;
    }
    return mean + sd * x;
}

void BM_NormalDraws_ClassVirtual(benchmark::State& state)
{
    tNormal_distribution normal(0, 1);
    tRandom_generator generator;
    tDistribution* d = &normal;
    benchmark::DoNotOptimize(d); // keep the call virtual
    long allocations = 0;
    for (auto _ : state) {
        const long before = heap_allocations;
        extended sum = 0;
        for (int i = 0; i < draws_per_iteration; ++i)
            sum += d->RandomVariate(generator);
        benchmark::DoNotOptimize(sum);
        allocations += heap_allocations - before;
    }
    report(state, allocations);
}

void BM_NormalDraws_Class(benchmark::State& state)
{
    tNormal_distribution normal(0, 1);
    tRandom_generator generator;
    long allocations = 0;
    for (auto _ : state) {
        const long before = heap_allocations;
        extended sum = 0;
        for (int i = 0; i < draws_per_iteration; ++i)
            sum += normal.RandomVariate(generator);
        benchmark::DoNotOptimize(sum);
        allocations += heap_allocations - before;
    }
    report(state, allocations);
}

void BM_NormalDraws_Bare(benchmark::State& state)
{
    tBareGenerator g;
    extended mean = 0;
    extended sd = 1;
    extended root_2_over_e = std::sqrt(2 / std::exp(1.0L));
    // Held in memory, as the object's fields are.
    benchmark::DoNotOptimize(mean);
    benchmark::DoNotOptimize(sd);
    benchmark::DoNotOptimize(root_2_over_e);
    long allocations = 0;
    for (auto _ : state) {
        const long before = heap_allocations;
        extended sum = 0;
        for (int i = 0; i < draws_per_iteration; ++i)
            sum += bare_normal(g, mean, sd, root_2_over_e);
        benchmark::DoNotOptimize(sum);
        allocations += heap_allocations - before;
    }
    report(state, allocations);
}

} // namespace

BENCHMARK(BM_NormalDraws_ClassVirtual)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_NormalDraws_Class)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_NormalDraws_Bare)->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();
