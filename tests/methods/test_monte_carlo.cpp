// Monte Carlo base rates of abnormal scores and differences. Each simulation
// draws from a generator of its own, started from the fixed seeds as a
// program's first simulation is.
#include "methods/psychometrics.h"
#include "method_fixtures.h"

#include "common/format_ext.h"
#include "numerics/distrib.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

void run_MC(const tMatrix& R, int n, const tBool_vector& flags, extended cut, extended crit,
            int k_low, int k_dev, int k_pair, extended& pct_low, extended& pct_dev,
            extended& pct_pair)
{
    tRandom_generator generator;
    get_MC_estimate_percent_abnorm_SUBSET_E(R, n, flags, cut, crit, k_low, k_dev, k_pair, generator,
                                            pct_low, pct_dev, pct_pair);
}

tMatrix identity_R(int n)
{
    tMatrix R{};
    for (int i = 1; i <= n; ++i)
        R[i][i] = 1.0L;
    return R;
}

// The 5 % criterion: the lower 5 % point and the two-tailed 5 % point of the
// standard normal (published quantiles).
constexpr extended CUT_5 = -1.644854L;
constexpr extended CRIT_5 = 1.959964L;

// One million trials: the standard error of a percentage p is
// 100 * sqrt(p (1 - p) / 1e6), at most 0.05 points; four of them allowed.
constexpr extended MC_FOUR_SE = 0.2L;

} // namespace

// The first simulation of a process with the normative matrix, the 5 %
// criterion and one low score: 13.74 % of the normative population show one
// or more abnormally low scores. This pins the generator, the order of the
// draws and the loop to the last printed digit.
TEST(MonteCarlo, FirstCallWithNormativeMatrixGives1374)
{
    extended low = -1, dev = -1, pair = -1;
    run_MC(normative_R(), 4, first_flags(4), CUT_5, CRIT_5, 1, 1, 1, low, dev, pair);
    EXPECT_EQ(format_ext("%3.2Lf", low), "13.74");
}

// Independent scores: P(at least one of four below the 5 % point) is
// 1 - 0.95^4 = 18.549375 %.
TEST(MonteCarlo, IdentityMatrixMatchesIndependentScores)
{
    extended low = -1, dev = -1, pair = -1;
    run_MC(identity_R(4), 4, first_flags(4), CUT_5, CRIT_5, 1, 1, 1, low, dev, pair);
    const extended expected = 100.0L * (1.0L - std::pow(0.95L, 4));
    EXPECT_NEAR(low, expected, MC_FOUR_SE);
}

// A count of 0 is reached by every trial: exactly 100 %. More low scores than
// scores is reached by none: exactly 0 %.
TEST(MonteCarlo, CountsOfZeroAndAboveTheNumberOfScores)
{
    extended low = -1, dev = -1, pair = -1;
    run_MC(normative_R(), 4, first_flags(4), CUT_5, CRIT_5, 0, 0, 0, low, dev, pair);
    EXPECT_EQ(low, 100.0L);
    EXPECT_EQ(dev, 100.0L);
    EXPECT_EQ(pair, 100.0L);
    run_MC(normative_R(), 4, first_flags(4), CUT_5, CRIT_5, 5, 5, 7, low, dev, pair);
    EXPECT_EQ(low, 0.0L);
    EXPECT_EQ(dev, 0.0L);
    EXPECT_EQ(pair, 0.0L);
}

// Two of the four scores (VC and WM, r = 0.64): their standardised difference
// is standard normal whatever the correlation, so it exceeds 1.959964 in 5 %
// of profiles; with two scores both deviations from their mean are that same
// difference, so two abnormal deviations occur as often. Three low scores
// out of two never occur.
TEST(MonteCarlo, SubsetOfScoresUsesItsOwnCorrelations)
{
    tBool_vector flags{};
    flags[1] = flags[3] = 1;
    extended low = -1, dev = -1, pair = -1;
    run_MC(normative_R(), 4, flags, CUT_5, CRIT_5, 3, 2, 1, low, dev, pair);
    EXPECT_EQ(low, 0.0L);
    EXPECT_NEAR(pair, 5.0L, MC_FOUR_SE);
    EXPECT_EQ(dev, pair);
}

// The criterion is taken by its size: a negative crit counts the same.
TEST(MonteCarlo, CriticalValueByItsSize)
{
    tBool_vector flags{};
    flags[1] = flags[3] = 1;
    extended low = -1, dev = -1, pair = -1;
    run_MC(normative_R(), 4, flags, CUT_5, -CRIT_5, 0, 1, 1, low, dev, pair);
    EXPECT_NEAR(pair, 5.0L, MC_FOUR_SE);
    EXPECT_EQ(dev, pair);
}
