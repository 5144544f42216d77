// The block engine of the Monte Carlo against the extended-precision
// reference: the same three hit counts and the same generator state
// afterwards, from random states, criteria and subsets of scores, on 1, 2, 3
// and 7 threads, and for cases built to sit on a threshold; each test once on
// every instruction-set path of the processor.
#include "methods/MC_engine.h"
#include "methods/MC_blocks.h"
#include "method_fixtures.h"
#include "mc_paths.h"
#include "message_recorder.h"

#include "numerics/distrib.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>
#include <string>

namespace {

constexpr int thread_counts[] = {1, 2, 3, 7};

struct tOutcome {
    tMC_hits hits;
    tGeneratorState after;
};

tOutcome reference_from(tGeneratorState start, const tMC_setup& setup)
{
    tRandom_generator generator(start);
    const tMC_hits hits = MC_hits_sequential(setup, generator);
    return {hits, generator.State()};
}

tOutcome blocks_from(tGeneratorState start, const tMC_setup& setup, int threads,
                     const tMC_options& options, tMC_fallbacks* fallbacks = nullptr)
{
    tRandom_generator generator(start);
    const tMC_hits hits = MC_hits_blocks(setup, threads, generator, fallbacks, options);
    return {hits, generator.State()};
}

void expect_same(const tOutcome& expected, const tOutcome& actual, const std::string& what)
{
    EXPECT_EQ(actual.hits.low, expected.hits.low) << what;
    EXPECT_EQ(actual.hits.dev, expected.hits.dev) << what;
    EXPECT_EQ(actual.hits.pair, expected.hits.pair) << what;
    EXPECT_EQ(actual.after.s1, expected.after.s1) << what;
    EXPECT_EQ(actual.after.s2, expected.after.s2) << what;
}

// The first trial's extended-precision profile y[1..m] from `start`, drawn as
// the reference draws it.
tVector first_profile(tGeneratorState start, const tMC_setup& setup)
{
    tRandom_generator generator(start);
    tNormal_distribution normal(0.0L, 1.0L);
    tVector u{};
    for (int i = 1; i <= setup.m; ++i)
        u[i] = normal.RandomVariate(generator);
    tVector y{};
    matrix_times_vector(setup.L, setup.m, u, y);
    return y;
}

class MonteCarloBlocks : public tOn_MC_path {};

} // namespace

INSTANTIATE_ON_EVERY_MC_PATH(MonteCarloBlocks);

// 2,000 random generator states, each with a random subset of one to four
// scores, a random criterion and random case counts, on a few thousand trials
// (every tenth run crosses several chunks of candidates).
TEST_P(MonteCarloBlocks, RandomStatesCriteriaAndSubsetsMatchTheReference)
{
    std::mt19937_64 random(20240611);
    std::uniform_int_distribution<std::int32_t> s1_of(1, generator_m1 - 1);
    std::uniform_int_distribution<std::int32_t> s2_of(1, generator_m2 - 1);
    std::uniform_real_distribution<double> cut_of(-2.6, -0.4);
    std::uniform_real_distribution<double> crit_of(0.8, 2.8);
    for (int run = 0; run < 2000; ++run) {
        tBool_vector flags{};
        while (count_true(4, flags) == 0)
            for (int i = 1; i <= 4; ++i)
                flags[i] = random() % 2;
        const int m = count_true(4, flags);
        const long trials = run % 10 == 0 ? 12000 : 1 + static_cast<long>(random() % 3000);
        tMC_setup setup;
        MC_setup_of(normative_R(), 4, flags, cut_of(random), crit_of(random),
                    static_cast<int>(random() % (m + 2)), static_cast<int>(random() % (m + 2)),
                    static_cast<int>(random() % 4), trials, setup);
        const tGeneratorState start{s1_of(random), s2_of(random)};
        const int threads = thread_counts[run % 4];
        std::ostringstream what;
        what << "run " << run << ": state " << start.s1 << "," << start.s2 << ", m " << m
             << ", trials " << trials << ", threads " << threads;
        expect_same(reference_from(start, setup), blocks_from(start, setup, threads, options()), what.str());
        if (HasFailure())
            return;
    }
}

// A deviation, a score and a pairwise difference exactly at their criterion
// in the first trial (the extended comparison is strict, so it does not
// count), and just inside it (it counts): the double-precision margins must
// send those trials to extended precision.
TEST_P(MonteCarloBlocks, ValuesExactlyAtTheCriterionAreDecidedInExtendedPrecision)
{
    const tGeneratorState start{897183450, 1841323562};
    tMC_setup setup;
    MC_setup_of(normative_R(), 4, first_flags(4), -1.644854L, 1.959964L, 1, 1, 1, 400, setup);
    const tVector y = first_profile(start, setup);
    const extended ybar = vector_mean(4, y);
    const extended at_dev = std::fabs((y[1] - ybar) / setup.sdDev[1]);
    const extended at_pair = std::fabs((y[2] - y[4]) / setup.sdPair[2][4]);

    for (const extended crit : {at_dev, at_pair}) {
        for (const extended nudged : {crit, std::nextafter(crit, 0.0L)}) {
            tMC_setup s = setup;
            s.abs_crit = nudged;
            s.k_low = 0;
            s.k_dev = 1;
            s.k_pair = 1;
            const tOutcome expected = reference_from(start, s);
            for (int threads : thread_counts) {
                tMC_fallbacks fallbacks;
                expect_same(expected, blocks_from(start, s, threads, options(), &fallbacks), "at criterion");
                EXPECT_GE(fallbacks.trials, 1);
            }
        }
    }
    tMC_setup s = setup;
    s.cut = y[3];
    tMC_fallbacks fallbacks;
    expect_same(reference_from(start, s), blocks_from(start, s, 2, options(), &fallbacks), "at the cut");
    EXPECT_GE(fallbacks.trials, 1);
}

// Candidates whose decision in double precision goes wrong without one part
// of the engine's test. From each state (found by a search over candidates
// next to -4 ln u and its series bounds, then over generator states) the
// first candidate pair has the outputs given; decided the other way, it
// would shift every deviate after it.
//   On the logarithm itself (395805747, 473670796): q lies within 10^-15 of
// -4 ln u, below it in double precision and above it in extended precision,
// which rejects it; only extended precision can decide it.
//   On the logarithm's own margin (2147354564, 1054336720): u = 0.99994, so
// -4 ln u, q and q's error bound are all small, and of the margin
// 8 + 8L + eq (times the safety factor) the constant 8 (the error u carries
// into the logarithm) is nearly all. Without it the double-precision
// comparison would reject the candidate the extended one accepts.
//   Near u = 1 (u = 1 - 7.7e-4 and 1 - 4.0e-4) the series bounds come within
// rounding error of -4 ln u: q lies above the upper one in double precision
// (by 0.2 and 3.2 units of 2^-53) and below the logarithm in extended
// precision, which accepts. There the logarithm must decide, from
// u = 1 - 7.7e-4 on at least.
//   At small u (0.0013 and 0.0060) q's own error bound eq is nearly all of the
// logarithm's margin: q lies 416 units of 2^-53 below -4 ln u in double
// precision and 5083 above in extended (rejected), and 512 above and 870
// below (accepted).
TEST_P(MonteCarloBlocks, CandidatesNeedingEachPartOfTheTestMatchTheReference)
{
    struct tCase {
        tGeneratorState start;
        std::int32_t z_u, z_v;
        bool accepted;
        bool extended_decides;
    };
    const tCase cases[] = {{{1152110313, 834572375}, 395805747, 473670796, false, true},
                           {{1815259107, 995724240}, 2147354564, 1054336720, true, true},
                           {{856524222, 838506044}, 2145821617, 1143349433, true, false},
                           {{2122323347, 972583833}, 2146619320, 1123951843, true, false},
                           {{232651096, 1907624087}, 2785352, 1065369446, false, false},
                           {{1210559998, 349592688}, 12887824, 1107725232, true, false}};
    tMC_setup setup;
    MC_setup_of(normative_R(), 4, first_flags(4), -1.644854L, 1.959964L, 1, 1, 1, 500, setup);
    for (const tCase& c : cases) {
        const std::string what = "z_u " + std::to_string(c.z_u);
        std::int32_t s1 = c.start.s1;
        std::int32_t s2 = c.start.s2;
        ASSERT_EQ(generator_step(s1, s2), c.z_u) << what;
        ASSERT_EQ(generator_step(s1, s2), c.z_v) << what;
        extended x = 0;
        EXPECT_EQ(tNormal_distribution(0, 1).AcceptCandidate(c.z_u, c.z_v, x), c.accepted) << what;
        const tOutcome expected = reference_from(c.start, setup);
        for (int threads : thread_counts) {
            tMC_fallbacks fallbacks;
            expect_same(expected, blocks_from(c.start, setup, threads, options(), &fallbacks), what);
            if (c.extended_decides) {
                EXPECT_GE(fallbacks.candidates, 1) << what;
            }
        }
    }
}

// Margins widened 10^12 times send many candidates and most trials through
// extended precision; the numbers stay the reference's.
TEST_P(MonteCarloBlocks, WideMarginsSendManyCandidatesAndTrialsToExtendedPrecision)
{
    tMC_setup setup;
    MC_setup_of(normative_R(), 4, first_flags(4), -1.281552L, 1.644854L, 1, 2, 2, 30000, setup);
    const tGeneratorState start{123456789, 987654321};
    const tOutcome expected = reference_from(start, setup);
    tMC_options wide = options();
    wide.margin_scale = 1e12;
    for (int threads : thread_counts) {
        tMC_fallbacks fallbacks;
        expect_same(expected, blocks_from(start, setup, threads, wide, &fallbacks), "wide margins");
        EXPECT_GT(fallbacks.candidates, 50) << fallbacks.candidates;
        EXPECT_GT(fallbacks.trials, 1000) << fallbacks.trials;
    }
}

// A correlation matrix that is not positive definite leaves the Choleski
// factor partly computed, its upper triangle still holding correlations: the
// trials use every entry, and so does the block engine.
TEST_P(MonteCarloBlocks, PartlyFactoredMatrixMatchesTheReference)
{
    tMatrix R{};
    const extended r[3][3] = {{1, 0.9L, 0.9L}, {0.9L, 1, -0.9L}, {0.9L, -0.9L, 1}};
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j)
            R[i][j] = r[i - 1][j - 1];
    tMessageRecorder recorder;
    tScopedUserMessages scoped(recorder);
    tMC_setup setup;
    MC_setup_of(R, 3, first_flags(3), -1.0L, 1.4L, 1, 1, 1, 20000, setup);
    ASSERT_EQ(recorder.messages.size(), 1u) << "the matrix is not positive definite";
    const tGeneratorState start{42, 4242};
    const tOutcome expected = reference_from(start, setup);
    for (int threads : thread_counts)
        expect_same(expected, blocks_from(start, setup, threads, options()), "partly factored");
}

// The engine's two ways out, each provoked: no memory for its chunks, and a
// ring of one slot, where the oldest chunk's last trial waits for deviates of
// a chunk there is no room to generate (the scheduler sees that no thread is
// busy and none can start). Either way the whole run goes to the reference,
// from the state the run started at, and gives its numbers.
TEST(MonteCarloBlocksFallback, NoMemoryAndStuckSlotsGiveTheReferencesNumbers)
{
    tMC_setup setup;
    MC_setup_of(normative_R(), 4, first_flags(4), -1.644854L, 1.959964L, 1, 1, 1, 20000, setup);
    const tGeneratorState start{1234567, 7654321};
    const tOutcome expected = reference_from(start, setup);

    tMC_fallbacks normal;
    expect_same(expected, blocks_from(start, setup, 2, {}, &normal), "normal run");
    EXPECT_EQ(normal.whole_runs, 0);

    for (int fault = 0; fault < 2; ++fault) {
        tMC_options faulty;
        if (fault == 0)
            faulty.no_memory = true;
        else
            faulty.slot_count = 1;
        for (int threads : thread_counts) {
            tMC_fallbacks fallbacks;
            const std::string what = std::string(fault == 0 ? "no memory" : "one slot") +
                                     ", threads " + std::to_string(threads);
            expect_same(expected, blocks_from(start, setup, threads, faulty, &fallbacks), what);
            EXPECT_EQ(fallbacks.whole_runs, 1) << what;
        }
    }
}
