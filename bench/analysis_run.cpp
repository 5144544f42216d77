// One whole analysis run (set-up, every section, the million-trial Monte
// Carlo estimate on the hardware's threads, the report into a line sink) next
// to the four million standard-normal draws that the Monte Carlo step would
// take one at a time in extended precision. With the block engine the whole
// run should take at most a quarter of the time of those draws (aim: 0.15).
// The run with the built-in normative data and with a set the user entered
// (prepared once, as the desktop program and the batch tool prepare it)
// should take the same time. Times are wall-clock; for the one-thread figure
// run the program on one processor (taskset -c 0).

#include "analysis/analysis_run.h"
#include "analysis/normative_data.h"
#include "common/program_title.h"
#include "numerics/distrib.h"

#include <benchmark/benchmark.h>

namespace {

// Another edition's figures, read from the exported form.
std::shared_ptr<const tNormativeData> user_norms()
{
    tNormativeSet set;
    normative_set_from_text("name: Edition B\nreliabilities: 0.93 0.91 0.92 0.88\ncorrelations:\n1\n"
                            "0.58 1\n0.6 0.55 1\n0.41 0.5 0.47 1\n",
                            set);
    auto norms = std::make_shared<tNormativeData>();
    SetUpNormativeData(set, true, *norms);
    return norms;
}

void BM_run_analysis(benchmark::State& state)
{
    tAnalysisInputs inputs;
    inputs.score_texts = {"70", "100", "110.5", "87"};
    inputs.label_captions = {"Verbal Comprehension Index score:", "Perceptual Reasoning Index score:",
                             "Working Memory Index score:", "Processing Speed Index score:"};
    inputs.note_lines = {"benchmark"};
    inputs.app_title = AppTitle;
    if (state.range(0) == 1)
        inputs.norms = user_norms();
    state.SetLabel(state.range(0) == 1 ? "user's normative data" : "built-in normative data");
    for (auto _ : state) {
        tLineSink sink;
        const tAnalysisOutcome outcome = run_analysis(inputs, sink, {});
        benchmark::DoNotOptimize(outcome);
        benchmark::DoNotOptimize(sink.lines.data());
    }
}
BENCHMARK(BM_run_analysis)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_four_million_normal_draws(benchmark::State& state)
{
    tNormal_distribution normal(0.0L, 1.0L);
    tRandom_generator generator;
    for (auto _ : state) {
        extended sum = 0;
        for (long i = 0; i < 4000000; ++i)
            sum += normal.RandomVariate(generator);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_four_million_normal_draws)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
