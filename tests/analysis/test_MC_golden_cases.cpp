// The Monte Carlo of every golden report, by the block engine and by the
// extended-precision reference: the same hit counts and the same generator
// state afterwards, on 1, 2, 3 and 7 threads. The reports print the
// percentages to two decimals, which would hide a single differing hit; this
// compares the counts themselves. Once on every instruction-set path of the
// processor.
#include "analysis/normative_data.h"
#include "analysis/sections.h"
#include "methods/MC_engine.h"
#include "methods/psychometrics.h"
#include "numerics/distrib.h"

#include "mc_paths.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct tGolden_case {
    const char* name;
    extended scores[4]; // VC, PR, WM, PS
    int criterion_item;
    int runs; // consecutive cases in one process
};

// The scores and criteria of tests/golden/*.args.
const tGolden_case golden_cases[] = {
    {"deviation_bonferroni_10", {125, 101, 98, 80}, 3, 1},
    {"deviation_bonferroni_1_notes", {111, 101, 97, 91}, 6, 1},
    {"deviation_flat_15", {70, 70, 70, 70}, 2, 1},
    {"deviation_one_low_5", {100, 95, 110.5L, 72}, 4, 1},
    {"pairwise_25", {95, 118, 84, 102}, 0, 1},
    {"pairwise_abnormal_5", {130, 70, 100, 100}, 4, 1},
    {"pairwise_bonferroni_1587_note", {112, 101, 97, 90}, 1, 1},
    {"two_cases", {104, 99, 92, 71}, 4, 2},
};

class MonteCarloGolden : public tOn_MC_path {};

} // namespace

INSTANTIATE_ON_EVERY_MC_PATH(MonteCarloGolden);

TEST_P(MonteCarloGolden, EveryGoldenCaseMatchesTheReference)
{
    tNormativeData norms;
    SetUpNormativeData(norms);
    const tGeneratorState seeds{897183450, 1841323562};
    for (const tGolden_case& c : golden_cases) {
        tVector scores{};
        for (int i = 1; i <= 4; ++i)
            scores[i] = c.scores[i - 1];
        const extended zLow = crit_low_z[static_cast<size_t>(c.criterion_item)];
        const extended zAbs = crit_abs_z[static_cast<size_t>(c.criterion_item)];
        tIndexSection index;
        compute_index_section(norms, scores, zLow, index);
        tDeviationSection deviation;
        compute_deviation_section(norms, scores, zAbs, deviation);
        tPairwiseSection pairwise;
        compute_pairwise_section(norms, scores, zAbs, pairwise);
        tMC_setup setup;
        MC_setup_of(norms.corr_mat, norms.N, norms.required_vec, zLow, zAbs, index.n_low,
                    deviation.n_dev_abnormal, pairwise.n_pair_abnormal, MC_TRIALS, setup);

        tGeneratorState start = seeds;
        for (int run = 1; run <= c.runs; ++run) {
            tRandom_generator reference(start);
            const tMC_hits expected = MC_hits_sequential(setup, reference);
            const tGeneratorState after = reference.State();
            for (int threads : {1, 2, 3, 7}) {
                const std::string what = std::string(c.name) + " case " + std::to_string(run) +
                                         ", threads " + std::to_string(threads);
                tRandom_generator generator(start);
                tMC_fallbacks fallbacks;
                const tMC_hits hits = MC_hits_blocks(setup, threads, generator, &fallbacks, options());
                EXPECT_EQ(hits.low, expected.low) << what;
                EXPECT_EQ(hits.dev, expected.dev) << what;
                EXPECT_EQ(hits.pair, expected.pair) << what;
                EXPECT_EQ(generator.State().s1, after.s1) << what;
                EXPECT_EQ(generator.State().s2, after.s2) << what;
            }
            start = after;
        }
    }
}
