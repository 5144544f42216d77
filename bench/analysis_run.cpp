// One whole analysis run (set-up, every section, the million-trial Monte
// Carlo estimate, the report into a line sink) next to the four million
// standard-normal draws that the Monte Carlo step needs, alone. The run
// should cost little more than its draws (aim: within 1.2 times).

#include "analysis/analysis_run.h"
#include "methods/worksheet_config.h"
#include "numerics/distrib.h"

#include <benchmark/benchmark.h>

namespace {

void BM_run_analysis(benchmark::State& state)
{
    set_program_strings();
    set_worksheet_configuration();
    tAnalysisInputs inputs;
    inputs.score_texts = {"70", "100", "110.5", "87"};
    inputs.label_captions = {"Verbal Comprehension Index score:", "Perceptual Reasoning Index score:",
                             "Working Memory Index score:", "Processing Speed Index score:"};
    inputs.note_lines = {"benchmark"};
    inputs.app_title = AppTitle;
    for (auto _ : state) {
        tLineSink sink;
        const tAnalysisOutcome outcome = run_analysis(inputs, sink, {});
        benchmark::DoNotOptimize(outcome);
        benchmark::DoNotOptimize(sink.lines.data());
    }
}
BENCHMARK(BM_run_analysis)->Unit(benchmark::kMillisecond);

void BM_four_million_normal_draws(benchmark::State& state)
{
    tNormal_distribution normal(0.0L, 1.0L);
    for (auto _ : state) {
        extended sum = 0;
        for (long i = 0; i < 4000000; ++i)
            sum += normal.RandomVariate();
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_four_million_normal_draws)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
