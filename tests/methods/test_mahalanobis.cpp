// The Mahalanobis distance of a profile, referred to chi-square.
//
// Expected values: z' R^-1 z with R^-1 by exact rational Gauss-Jordan
// elimination, and for 4 df the closed form of the chi-square upper tail,
// p = exp(-x/2) (1 + x/2).
#include "methods/psychometrics.h"
#include "method_fixtures.h"

#include "common/format_ext.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Within the last digit of the eight-digit reference values below.
constexpr extended TOL_REFERENCE = 1e-6L;

struct tProfile {
    extended x[4];
    extended chi2;
    extended p;
};

void mahalanobis_of(const extended (&scores)[4], extended& chi2, extended& p)
{
    tVector x{}, mean{}, sd{};
    for (int i = 1; i <= 4; ++i) {
        x[i] = scores[i - 1];
        mean[i] = 100.0L;
        sd[i] = 15.0L;
    }
    get_Mahalanobis(4, x, mean, sd, normative_R(), chi2, p);
}

} // namespace

// Reference: chi2 = 6.0385575, p = 0.1962886.
TEST(Mahalanobis, AllFourTwoSDsBelow)
{
    extended chi2 = -1, p = -1;
    mahalanobis_of({70, 70, 70, 70}, chi2, p);
    EXPECT_EQ(format_ext("%3.3Lf / %2.5Lf", chi2, p), "6.039 / 0.19629");
    EXPECT_NEAR(p, std::exp(-chi2 / 2) * (1 + chi2 / 2), TOL_REFERENCE);
}

// Reference: chi2 = 20.756692, p = 0.000353. One score two SDs above and one
// two SDs below is far more unusual than the flat low profile.
TEST(Mahalanobis, OneHighOneLow)
{
    extended chi2 = -1, p = -1;
    mahalanobis_of({130, 70, 100, 100}, chi2, p);
    EXPECT_EQ(format_ext("%3.3Lf / %2.5Lf", chi2, p), "20.757 / 0.00035");
}

// Reference: chi2 = 5.189173, p = 0.268430.
TEST(Mahalanobis, OneSDApart)
{
    extended chi2 = -1, p = -1;
    mahalanobis_of({115, 85, 100, 100}, chi2, p);
    EXPECT_EQ(format_ext("%.4Lf / %.4Lf", chi2, p), "5.1892 / 0.2684");
    EXPECT_NEAR(p, std::exp(-chi2 / 2) * (1 + chi2 / 2), TOL_REFERENCE);
}

TEST(Mahalanobis, ProfileAtTheMeans)
{
    extended chi2 = -1, p = -1;
    mahalanobis_of({100, 100, 100, 100}, chi2, p);
    EXPECT_EQ(chi2, 0.0L);
    EXPECT_EQ(p, 1.0L);
}

// With independent scores the distance is the sum of squared z scores:
// 2^2 + 1^2 = 5 on 2 df, whose upper tail is exp(-5/2) = 0.082085.
TEST(Mahalanobis, IndependentScoresSumSquaredZ)
{
    tMatrix R{};
    R[1][1] = R[2][2] = 1.0L;
    tVector x{}, mean{}, sd{};
    x[1] = 130;
    x[2] = 85;
    mean[1] = mean[2] = 100;
    sd[1] = sd[2] = 15;
    extended chi2 = -1, p = -1;
    get_Mahalanobis(2, x, mean, sd, R, chi2, p);
    EXPECT_NEAR(chi2, 5.0L, 1e-15L);
    EXPECT_NEAR(p, std::exp(-2.5L), TOL_REFERENCE);
}
