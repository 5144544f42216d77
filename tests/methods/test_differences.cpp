// Reliability and abnormality of differences, and the sequential Bonferroni
// procedure.
#include "methods/psychometrics.h"
#include "method_fixtures.h"

#include "common/format_ext.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr extended TOL_EXACT = 1e-15L;

// SEMs for SD 15 and reliabilities 0.96, 0.95, 0.94, 0.90.
tVector four_SEMs()
{
    tVector sem{};
    get_SE_vector(4, vector_of({15, 15, 15, 15}), vector_of({0.96L, 0.95L, 0.94L, 0.90L}), sem);
    return sem;
}

// Four scores, all correlations r, ones on the diagonal.
tMatrix equicorrelated(int n, extended r)
{
    tMatrix R{};
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j)
            R[i][j] = i == j ? 1.0L : r;
    return R;
}

void fill_matrix(tMatrix& A, extended value)
{
    for (int i = 1; i <= max_dim; ++i)
        for (int j = 1; j <= max_dim; ++j)
            A[i][j] = value;
}

} // namespace

// --- Standard errors of differences ----------------------------------------

// Hand calculation: sum of squared SEMs 9 + 11.25 + 13.5 + 22.5 = 56.25;
// first: sqrt(0.5 * 9 + 56.25 / 16) = sqrt(8.015625) = 2.83119;
// fourth: sqrt(0.5 * 22.5 + 3.515625) = sqrt(14.765625) = 3.84260.
TEST(Reliability, SEMOfDeviationFromTheMean)
{
    tVector out{};
    get_SEM_Diffs_Mean(four_SEMs(), 4, out);
    EXPECT_EQ(format_ext("%.4Lf", out[1]), "2.8312");
    EXPECT_NEAR(out[1], std::sqrt(8.015625L), TOL_EXACT);
    EXPECT_NEAR(out[4], std::sqrt(14.765625L), TOL_EXACT);
}

// Hand calculation: sqrt(9 + 11.25) = 4.5.
TEST(Reliability, SEOfPairwiseDifference)
{
    const tVector sem = four_SEMs();
    EXPECT_NEAR(SE_of_difference(sem[1], sem[2]), 4.5L, TOL_EXACT);
    EXPECT_NEAR(SE_of_difference(3.0L, 4.0L), 5.0L, TOL_EXACT);
}

// Only pairs of flagged scores, only above the diagonal; everything else 0.
TEST(Reliability, PairwiseSEsFillTheUpperTriangleOnly)
{
    tMatrix out;
    fill_matrix(out, -1.0L);
    tBool_vector flags{};
    flags[1] = flags[2] = flags[4] = 1;
    get_SEMdiff_pairwise(20, four_SEMs(), flags, out);
    EXPECT_NEAR(out[1][2], 4.5L, TOL_EXACT);
    EXPECT_NEAR(out[2][4], std::sqrt(11.25L + 22.5L), TOL_EXACT);
    EXPECT_EQ(out[1][3], 0.0L); // score 3 not flagged
    EXPECT_EQ(out[2][1], 0.0L);
    EXPECT_EQ(out[1][1], 0.0L);
    EXPECT_EQ(out[20][20], 0.0L);
}

// 100 vs 91 with an SE of difference 4.5: d = 9, z = 2, one-tailed
// p = 1 - Phi(2) = 0.02275; limits 9 -/+ 1.959964 * 4.5 = 0.18 and 17.82.
TEST(Reliability, PairwiseDifferencePValueAndLimits)
{
    tMatrix rel, lim;
    fill_matrix(rel, -1.0L);
    fill_matrix(lim, -1.0L);
    pairwise_reliability(20, vector_of({100, 91}), four_SEMs(), first_flags(2), 95.0L, rel, lim);
    EXPECT_NEAR(rel[2][1], 9.0L, TOL_EXACT);
    EXPECT_EQ(format_ext("%.4Lf", rel[1][2]), "0.0228");
    EXPECT_EQ(format_ext("%.2Lf", lim[2][1]), "0.18");
    EXPECT_EQ(format_ext("%.2Lf", lim[1][2]), "17.82");
    EXPECT_EQ(rel[3][3], 0.0L); // both outputs are cleared entirely
    EXPECT_EQ(lim[20][1], 0.0L);
}

// The difference is the earlier score minus the later one; the p value is
// that of its size.
TEST(Reliability, NegativeDifferenceHasTheSamePValue)
{
    tMatrix rel, lim;
    pairwise_reliability(20, vector_of({91, 100}), four_SEMs(), first_flags(2), 95.0L, rel, lim);
    EXPECT_NEAR(rel[2][1], -9.0L, TOL_EXACT);
    EXPECT_EQ(format_ext("%.4Lf", rel[1][2]), "0.0228");
    EXPECT_EQ(format_ext("%.2Lf %.2Lf", lim[2][1], lim[1][2]), "-17.82 -0.18");
}

// --- Sequential Bonferroni ---------------------------------------------------

// Step-down by hand, alpha 0.05: sorted p 0.01 < 0.0125 passes, 0.02 against
// 0.05/3 = 0.0167 fails, so only the first.
TEST(Bonferroni, DeviationsStopAtTheFirstFailure)
{
    tBool_vector result{};
    seq_bonferroni_deviations(4, first_flags(4), vector_of({0.01L, 0.02L, 0.03L, 0.04L}), 0.05L, result);
    EXPECT_TRUE(result[1]);
    EXPECT_FALSE(result[2]);
    EXPECT_FALSE(result[3]);
    EXPECT_FALSE(result[4]);
}

// 0.012 < 0.0125, 0.016 < 0.0167, 0.024 < 0.025, 0.049 < 0.05: all four.
TEST(Bonferroni, DeviationsAllSignificantOverFourPasses)
{
    tBool_vector result{};
    seq_bonferroni_deviations(4, first_flags(4), vector_of({0.049L, 0.024L, 0.016L, 0.012L}), 0.05L, result);
    for (int i = 1; i <= 4; ++i)
        EXPECT_TRUE(result[i]) << i;
}

// The test is strict: p equal to alpha / k is not significant.
TEST(Bonferroni, DeviationEqualToThresholdIsNotSignificant)
{
    tBool_vector result{};
    const extended alpha = 0.05L;
    seq_bonferroni_deviations(4, first_flags(4), vector_of({alpha / 4, 1, 1, 1}), alpha, result);
    EXPECT_FALSE(result[1]);
}

// Unflagged entries neither count in k nor become significant: with three
// flags the thresholds are 0.05/3, 0.05/2, 0.05 (with four, 0.016 would fail).
TEST(Bonferroni, DeviationsCountOnlyFlaggedEntries)
{
    tBool_vector flags = first_flags(3);
    tBool_vector result{};
    seq_bonferroni_deviations(4, flags, vector_of({0.016L, 0.024L, 0.049L, 0.0001L}), 0.05L, result);
    EXPECT_TRUE(result[1]);
    EXPECT_TRUE(result[2]);
    EXPECT_TRUE(result[3]);
    EXPECT_FALSE(result[4]);
}

// The result may be written over the flag vector itself.
TEST(Bonferroni, DeviationsResultMayBeTheFlagVector)
{
    tBool_vector flags = first_flags(4);
    seq_bonferroni_deviations(4, flags, vector_of({0.049L, 0.024L, 0.016L, 0.012L}), 0.05L, flags);
    for (int i = 1; i <= 4; ++i)
        EXPECT_TRUE(flags[i]) << i;
}

namespace {

// The six pairs of four scores in visiting order (1,2) (1,3) (1,4) (2,3) (2,4) (3,4).
tMatrix pair_p_values(const extended (&p)[6])
{
    tMatrix P{};
    int k = 0;
    for (int i = 1; i <= 4; ++i)
        for (int j = i + 1; j <= 4; ++j)
            P[i][j] = p[k++];
    // The lower triangle holds the signed differences, never read as p values.
    for (int i = 2; i <= 4; ++i)
        for (int j = 1; j < i; ++j)
            P[i][j] = -5.0L;
    return P;
}

} // namespace

// 0.0083 < 0.05/6, 0.0099 < 0.05/5, 0.0124 < 0.05/4, 0.0166 < 0.05/3,
// 0.024 < 0.05/2, 0.049 < 0.05: all six, the last visited first.
TEST(Bonferroni, PairwiseAllSignificantOverSixPasses)
{
    const extended p[6] = {0.049L, 0.024L, 0.0166L, 0.0124L, 0.0099L, 0.0083L};
    tBool_matrix result;
    for (int i = 1; i <= max_dim; ++i)
        for (int j = 1; j <= max_dim; ++j)
            result[i][j] = 1;
    seq_bonferroni_pairwise(4, pair_p_values(p), first_flags(4), 0.05L, result);
    for (int i = 1; i <= 4; ++i)
        for (int j = 1; j <= 4; ++j)
            EXPECT_EQ(result[i][j] != 0, j > i) << i << "," << j;
}

// The smallest p value 0.0084 fails 0.05/6 = 0.008333: nothing is significant.
TEST(Bonferroni, PairwiseSmallestFailingStopsEverything)
{
    const extended p[6] = {0.049L, 0.024L, 0.0166L, 0.0124L, 0.0099L, 0.0084L};
    tBool_matrix result{};
    seq_bonferroni_pairwise(4, pair_p_values(p), first_flags(4), 0.05L, result);
    for (int i = 1; i <= 4; ++i)
        for (int j = 1; j <= 4; ++j)
            EXPECT_FALSE(result[i][j]) << i << "," << j;
}

TEST(Bonferroni, PairwiseEqualToThresholdIsNotSignificant)
{
    const extended alpha = 0.05L;
    const extended p[6] = {alpha / 6.0L, 1, 1, 1, 1, 1};
    tBool_matrix result{};
    seq_bonferroni_pairwise(4, pair_p_values(p), first_flags(4), alpha, result);
    EXPECT_FALSE(result[1][2]);
}

// Pairs with an unflagged score are skipped and not counted: with scores 1
// to 3 only, k = 3 and 0.016 < 0.05/3 passes.
TEST(Bonferroni, PairwiseCountsOnlyFlaggedPairs)
{
    const extended p[6] = {0.016L, 0.024L, 0.0001L, 0.049L, 0.0001L, 0.0001L};
    tBool_matrix result{};
    seq_bonferroni_pairwise(4, pair_p_values(p), first_flags(3), 0.05L, result);
    EXPECT_TRUE(result[1][2]);
    EXPECT_TRUE(result[1][3]);
    EXPECT_TRUE(result[2][3]);
    EXPECT_FALSE(result[1][4]);
    EXPECT_FALSE(result[2][4]);
    EXPECT_FALSE(result[3][4]);
}

// --- Abnormality of differences --------------------------------------------

// Hand calculation: sqrt(225 + 225 - 2 * 225 * 0.6) = sqrt(180) = 13.4164;
// a difference of 20 is 1.4907 SDs: 1 - Phi(1.4907) = 0.06802.
TEST(Abnormality, PairwiseDifferenceOfTwentyWithCorrelationPointSix)
{
    EXPECT_EQ(format_ext("%.4Lf", SD_of_difference(15, 15, 0.6L)), "13.4164");
    const tMatrix R = equicorrelated(2, 0.6L);
    tMatrix out;
    fill_matrix(out, -1.0L);
    pairwise_abnormality(20, vector_of({100, 80}), vector_of({15, 15}), first_flags(2), R, out);
    EXPECT_NEAR(out[2][1], 20.0L, TOL_EXACT);
    EXPECT_EQ(format_ext("%.2Lf", out[1][2]), "6.80");
    EXPECT_EQ(out[1][1], 0.0L);
    EXPECT_EQ(out[5][7], 0.0L);
}

// Hand calculation with SD 15 and all r = 0.6: S_ii = 225, mean(S) =
// (4 * 225 + 12 * 135) / 16 = 157.5, row mean (225 + 3 * 135) / 4 = 157.5:
// sqrt(225 + 157.5 - 315) = sqrt(67.5) = 8.2158. A deviation of 10 is
// 1.21716 SDs: 1 - Phi(1.21716) = 0.11177, by the Simpson integration too.
TEST(Abnormality, SDOfDeviationFromTheMean)
{
    tVector out{};
    get_SD_DevMean(4, vector_of({15, 15, 15, 15}), equicorrelated(4, 0.6L), out);
    for (int i = 1; i <= 4; ++i) {
        EXPECT_NEAR(out[i], std::sqrt(67.5L), 1e-14L) << i;
        EXPECT_EQ(format_ext("%.4Lf", out[i]), "8.2158");
    }
    const double pct = 100.0 * (1.0 - normal_cdf_simpson(static_cast<double>(10.0L / out[1])));
    EXPECT_EQ(format_ext("%.2Lf", static_cast<extended>(pct)), "11.18");
}

// Independent scores with unit SDs: Var(y_i - mean) = 1 - 2/n + 1/n = 3/4.
TEST(Abnormality, SDOfDeviationForIndependentScores)
{
    tVector out{};
    get_SD_DevMean(4, vector_of({1, 1, 1, 1}), equicorrelated(4, 0.0L), out);
    EXPECT_NEAR(out[2], std::sqrt(0.75L), TOL_EXACT);
}

// Both SD routines clear the output, write above the diagonal only, and the
// flagged one skips pairs with an unflagged score.
TEST(Abnormality, PairwiseSDsFillTheUpperTriangleOnly)
{
    const tMatrix R = equicorrelated(4, 0.6L);
    const tVector sd = vector_of({15, 15, 15, 15});
    tMatrix all, some;
    fill_matrix(all, -1.0L);
    fill_matrix(some, -1.0L);
    tBool_vector flags{};
    flags[1] = flags[3] = 1;
    get_SD_diff_pairwise_all(4, sd, R, all);
    get_SD_diff_pairwise(20, sd, flags, R, some);
    for (int i = 1; i <= max_dim; ++i) {
        for (int j = 1; j <= max_dim; ++j) {
            const bool pair = i < j && j <= 4;
            EXPECT_EQ(all[i][j] != 0.0L, pair) << i << "," << j;
            EXPECT_EQ(some[i][j] != 0.0L, i == 1 && j == 3) << i << "," << j;
        }
    }
    EXPECT_NEAR(all[2][4], std::sqrt(180.0L), 1e-14L);
    EXPECT_NEAR(some[1][3], std::sqrt(180.0L), 1e-14L);
}

// The output may be the correlation matrix itself.
TEST(Abnormality, PairwiseSDsMayOverwriteTheCorrelations)
{
    tMatrix R = equicorrelated(2, 0.6L);
    get_SD_diff_pairwise_all(2, vector_of({15, 15}), R, R);
    EXPECT_NEAR(R[1][2], std::sqrt(180.0L), 1e-14L);
    EXPECT_EQ(R[1][1], 0.0L);
}
