// Standard errors of measurement, confidence limits on obtained scores and
// percentile ranks.
#include "methods/psychometrics.h"
#include "method_fixtures.h"

#include "common/format_ext.h"

#include <gtest/gtest.h>

namespace {

// Extended arithmetic on inputs like 0.96 that have no exact binary form.
constexpr extended TOL_EXACT = 1e-15L;

} // namespace

// Hand calculation: 15 * sqrt(1 - 0.96) = 15 * 0.2 = 3; 15 * sqrt(0.1) = 4.74342.
TEST(ScoreLimits, StandardErrorOfMeasurement)
{
    tVector sem{};
    get_SE_vector(2, vector_of({15, 15}), vector_of({0.96L, 0.90L}), sem);
    EXPECT_NEAR(sem[1], 3.0L, TOL_EXACT);
    EXPECT_EQ(format_ext("%6.4Lf", sem[2]), "4.7434");
}

// 95 % limits: score -/+ 1.959964 * SEM (the published two-tailed 5 % point).
// 100 -/+ 5.879892 = 94.12 and 105.88; 100 -/+ 9.297 = 90.70 and 109.30.
TEST(ScoreLimits, NinetyFivePercentLimitsAreCentredOnTheScore)
{
    tVector sem{};
    get_SE_vector(2, vector_of({15, 15}), vector_of({0.96L, 0.90L}), sem);
    tVector lower{}, upper{};
    get_score_CIs(2, vector_of({100, 100}), sem, first_flags(2), 95.0L, lower, upper);
    EXPECT_EQ(format_ext("%.2Lf %.2Lf", lower[1], upper[1]), "94.12 105.88");
    EXPECT_EQ(format_ext("%.2Lf %.2Lf", lower[2], upper[2]), "90.70 109.30");
}

// Percentile ranks of the score and of its limits: Phi(0) = 0.5 and
// Phi(-/+ 5.879892 / 15) = Phi(-/+ 0.391993) = 0.3475 and 0.6525 (normal table).
TEST(ScoreLimits, PercentileRanksOfScoreAndLimits)
{
    const tVector mean = vector_of({100});
    const tVector sd = vector_of({15});
    tVector sem{};
    get_SE_vector(1, sd, vector_of({0.96L}), sem);
    tVector lower{}, upper{};
    const tVector x = vector_of({100});
    get_score_CIs(1, x, sem, first_flags(1), 95.0L, lower, upper);
    tVector pr_score{}, pr_lower{}, pr_upper{};
    get_percentile_ranks(x, mean, sd, 1, first_flags(1), pr_score);
    get_percentile_ranks(lower, mean, sd, 1, first_flags(1), pr_lower);
    get_percentile_ranks(upper, mean, sd, 1, first_flags(1), pr_upper);
    EXPECT_EQ(format_ext("%.2Lf", pr_score[1]), "50.00");
    EXPECT_EQ(format_ext("%.2Lf", pr_lower[1]), "34.75");
    EXPECT_EQ(format_ext("%.2Lf", pr_upper[1]), "65.25");
}

// A score of 70 is two SDs below the mean: z = -2 and Phi(-2) = 0.02275.
TEST(ScoreLimits, ZScoreAndPercentileRankTwoSDsBelow)
{
    const tVector x = vector_of({70});
    const tVector mean = vector_of({100});
    const tVector sd = vector_of({15});
    tVector z{};
    rescale_scores(x, mean, sd, 1, first_flags(1), 0.0L, 1.0L, z);
    EXPECT_NEAR(z[1], -2.0L, TOL_EXACT);
    tVector pr{};
    get_percentile_ranks(x, mean, sd, 1, first_flags(1), pr);
    EXPECT_EQ(format_ext("%.2Lf", pr[1]), "2.28");
}

// Onto another metric: 70 on mean 100, SD 15 is 30 on mean 50, SD 10.
TEST(ScoreLimits, RescaleToAnotherMetric)
{
    tVector out{};
    rescale_scores(vector_of({70, 115}), vector_of({100, 100}), vector_of({15, 15}), 2,
                   first_flags(2), 50.0L, 10.0L, out);
    EXPECT_NEAR(out[1], 30.0L, TOL_EXACT);
    EXPECT_NEAR(out[2], 60.0L, TOL_EXACT);
}

// Entries whose flag is clear keep what the output held before the call.
TEST(ScoreLimits, ClearFlagsLeaveOutputsAlone)
{
    const extended sentinel = -777.0L;
    tBool_vector flags{};
    flags[1] = 1;
    flags[3] = 1;
    const tVector x = vector_of({70, 80, 90});
    const tVector mean = vector_of({100, 100, 100});
    const tVector sd = vector_of({15, 15, 15});
    const tVector sem = vector_of({3, 3, 3});

    tVector z{}, lower{}, upper{}, pr{};
    for (tVector* v : {&z, &lower, &upper, &pr})
        (*v)[2] = sentinel;
    rescale_scores(x, mean, sd, 3, flags, 0.0L, 1.0L, z);
    get_score_CIs(3, x, sem, flags, 95.0L, lower, upper);
    get_percentile_ranks(x, mean, sd, 3, flags, pr);
    for (const tVector* v : {&z, &lower, &upper, &pr}) {
        EXPECT_EQ((*v)[2], sentinel);
        EXPECT_NE((*v)[1], 0.0L);
        EXPECT_NE((*v)[3], 0.0L);
    }
}

// The limits may be written over the scores themselves.
TEST(ScoreLimits, LimitsMayOverwriteTheScores)
{
    tVector x = vector_of({100});
    tVector upper{};
    get_score_CIs(1, x, vector_of({3}), first_flags(1), 95.0L, x, upper);
    EXPECT_EQ(format_ext("%.2Lf %.2Lf", x[1], upper[1]), "94.12 105.88");
}
