// ln Gamma, the incomplete gamma function, and the gamma and chi-square
// distributions.
//
// Chi-square values with even degrees of freedom come from the closed form
// P(X > x) = exp(-x/2) * sum_{i < k/2} (x/2)^i / i!; other references are
// published values confirmed with 30-digit arithmetic in mpmath.
#include "numerics/distrib.h"

#include "expect_extended.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

// ln Gamma has a relative error of about 1e-10 in Gamma, which bounds every
// probability computed from it.
constexpr extended TOL_LNGAMMA = 2e-10L;
constexpr extended TOL_GAMMA_P = 2e-10L;
// The Lanczos sum itself, evaluated in extended precision: a few units in the
// last place of the terms of size about 5 that cancel in it.
constexpr extended TOL_LANCZOS_FORMULA = 5e-18L;
// A figure printed with ten decimals.
constexpr extended TOL_PRINTED_10 = 5e-11L;
// Wilson-Hilferty at shape 600 is an approximation good to about 1e-6.
constexpr extended TOL_WILSON_HILFERTY = 1e-5L;
// Quantile of a chi-square: CDF error over the density (about 0.015).
constexpr extended TOL_CHI_QUANTILE = 1e-8L;

const extended limit = 2147483647.0L;

// Upper tail of a chi-square with 4 degrees of freedom: exp(-x/2) (1 + x/2).
extended chi4_upper(extended x)
{
    return std::exp(-x / 2) * (1 + x / 2);
}

} // namespace

// ---------------------------------------------------------------------------
// Special functions.

TEST(LnGamma, ReferenceValues)
{
    EXPECT_NEAR_EXT(LnGamma(1), 0.0L, TOL_LNGAMMA);
    EXPECT_NEAR_EXT(LnGamma(2), 0.0L, TOL_LNGAMMA);
    // ln sqrt(pi) = 0.5723649429247001; ln 9! = ln 362880; ln Gamma(3.7) = 1.4280723266653879.
    EXPECT_NEAR_EXT(LnGamma(0.5L), 0.572364942924700087L, TOL_LNGAMMA);
    EXPECT_NEAR_EXT(LnGamma(10), std::log(362880.0L), TOL_LNGAMMA);
    EXPECT_NEAR_EXT(LnGamma(3.7L), 1.42807232666538792L, TOL_LNGAMMA);
}

TEST(LnGamma, IsTheSixTermLanczosSumInExtendedPrecision)
{
    // The approximation's own value for these x, evaluated with 40-digit
    // arithmetic in mpmath from the same decimal coefficients. A coefficient
    // rounded to a double first moves the result by about 1e-16.
    EXPECT_NEAR_EXT(LnGamma(1), -0.00000000000456509688577300197588L, TOL_LANCZOS_FORMULA);
    EXPECT_NEAR_EXT(LnGamma(2), -0.0000000000118669531377959824142L, TOL_LANCZOS_FORMULA);
    EXPECT_NEAR_EXT(LnGamma(0.5L), 0.572364942920935646482701106131L, TOL_LANCZOS_FORMULA);
    EXPECT_NEAR_EXT(LnGamma(2.5L), 0.284682870456905318914095726174L, TOL_LANCZOS_FORMULA);
    EXPECT_NEAR_EXT(LnGamma(4.5L), 2.45373657080928628989287678841L, TOL_LANCZOS_FORMULA);
}

TEST(GammaP, ZeroAtZeroForEveryShape)
{
    for (extended a : {0.001L, 0.5L, 1.0L, 4.0L, 600.0L})
        EXPECT_EQ(GammaP(a, 0), 0.0L) << a;
}

TEST(GammaP, ShapeOneIsTheExponential)
{
    // P(1, x) = 1 - exp(-x): the series below x = 2, the continued fraction above.
    for (extended x : {0.01L, 0.5L, 1.0L, 1.999L, 2.0L, 3.0L, 10.0L, 40.0L})
        EXPECT_NEAR_EXT(GammaP(1, x), 1 - std::exp(-x), TOL_GAMMA_P) << x;
}

TEST(GammaP, SeriesAndContinuedFractionAgreeAtTheSwitch)
{
    // Both forms at x = a + 1, where GammaP switches from one to the other.
    for (extended a : {0.5L, 2.0L, 7.5L, 30.0L}) {
        const extended x = a + 1;
        EXPECT_NEAR_EXT(GammaSeries(a, x), 1 - GammaContinuedFraction(a, x), TOL_GAMMA_P) << a;
    }
}

TEST(GammaP, ArgumentsAreCheckedInOrder)
{
    EXPECT_EQ(refusal([] { GammaP(0, 1); }), "0");   // shape must exceed 0
    EXPECT_EQ(refusal([] { GammaP(-1, 1); }), "0");
    EXPECT_EQ(refusal([] { GammaP(1, -1); }), "0");  // x must be at least 0
    EXPECT_EQ(refusal([] { GammaP(1, 3e9L); }), ""); // x above 2147483647
    EXPECT_EQ(refusal([] { GammaP(3e9L, 1); }), ""); // shape above 2147483647
    // x is examined before the shape.
    EXPECT_EQ(refusal([] { GammaP(3e9L, -1); }), "0");
    EXPECT_EQ(refusal([] { GammaP(0, 3e9L); }), "");
    EXPECT_EQ(GammaP(1, limit), 1.0L);
}

// ---------------------------------------------------------------------------
// Chi-square.

TEST(ChiSquare, FourDegreesOfFreedom)
{
    const tChi_square_distribution chi(4);
    // Published critical values 9.487729 (p = .05) and 13.276704 (p = .01).
    EXPECT_NEAR_EXT(chi.CDF(9.487729L), 1 - chi4_upper(9.487729L), TOL_GAMMA_P);
    EXPECT_NEAR_EXT(1 - chi.CDF(9.487729L), 0.0500000008L, TOL_PRINTED_10);
    EXPECT_NEAR_EXT(chi.CDF(13.276704L), 1 - chi4_upper(13.276704L), TOL_GAMMA_P);
    // 1 - 3 exp(-2) = 0.5939941503
    EXPECT_NEAR_EXT(chi.CDF(4), 1 - chi4_upper(4), TOL_GAMMA_P);
    EXPECT_NEAR_EXT(chi.CDF(4), 0.5939941503L, TOL_PRINTED_10);
    EXPECT_EQ(chi.CDF(0), 0.0L);
    EXPECT_EQ(chi.CDF(-1), 0.0L);
    EXPECT_EQ(chi.CDF(3e9L), 1.0L);
    EXPECT_EQ(chi.Mean(), 4.0L);
    EXPECT_EQ(chi.Variance(), 8.0L);
}

TEST(ChiSquare, TwoDegreesOfFreedomIsTheExponential)
{
    const tChi_square_distribution chi(2);
    // 1 - exp(-1) = 0.6321205588
    EXPECT_NEAR_EXT(chi.CDF(2), 1 - std::exp(-1.0L), TOL_GAMMA_P);
    EXPECT_NEAR_EXT(chi.CDF(2), 0.6321205588L, TOL_PRINTED_10);
    // Shape 1: the density at 0 is the rate.
    EXPECT_EQ(chi.Density(0), 0.5L);
}

TEST(ChiSquare, NonIntegralDegreesOfFreedomAreAccepted)
{
    const tChi_square_distribution chi(3.5L);
    EXPECT_EQ(chi.Mean(), 3.5L);
    EXPECT_EQ(chi.Variance(), 7.0L);
}

TEST(ChiSquare, DegreesOfFreedomMustBePositive)
{
    EXPECT_EQ(refusal([] { tChi_square_distribution(0); }), "0");
    EXPECT_EQ(refusal([] { tChi_square_distribution(-3); }), "0");
    EXPECT_EQ(refusal([] { tChi_square_distribution(2 * limit); }), "2147483647");
}

TEST(ChiSquare, SetParametersIgnoresItsOtherArguments)
{
    tChi_square_distribution chi(4);
    EXPECT_TRUE(chi.SetParameters(6, -5, 99));
    EXPECT_EQ(chi.Mean(), 6.0L);
    // Upper tail for k = 6: exp(-x/2) (1 + x/2 + x^2/8).
    const extended x = 5;
    EXPECT_NEAR_EXT(chi.CDF(x), 1 - std::exp(-x / 2) * (1 + x / 2 + x * x / 8), TOL_GAMMA_P);
}

TEST(ChiSquare, Quantiles)
{
    const tChi_square_distribution chi(4);
    EXPECT_EQ(chi.Quantile(0), 0.0L);
    EXPECT_EQ(chi.Quantile(3e-12L), 0.0L);
    EXPECT_EQ(chi.Quantile(1), limit);
    // Published 95th percentile of chi-square(4): 9.487729036781154.
    EXPECT_NEAR_EXT(chi.Quantile(0.95L), 9.48772903678115675L, TOL_CHI_QUANTILE);
    // Below the starting bracket's lower end 0 there is nothing to search.
    EXPECT_NEAR_EXT(1 - chi4_upper(chi.Quantile(0.001L)), 0.001L, TOL_GAMMA_P);
    // Far above the starting bracket (4 + 5.657): the upward search.
    EXPECT_NEAR_EXT(chi4_upper(chi.Quantile(0.999999L)), 1e-6L, TOL_GAMMA_P);
}

// ---------------------------------------------------------------------------
// Gamma.

TEST(Gamma, ParametersAreRefusedWithTheBound)
{
    EXPECT_EQ(refusal([] { tGamma_distribution(0, 1); }), "0");  // code 1301
    EXPECT_EQ(refusal([] { tGamma_distribution(1, 0); }), "0");  // code 1305
    EXPECT_EQ(refusal([] { tGamma_distribution(1, -2); }), "0");
    EXPECT_EQ(refusal([] { tGamma_distribution(limit, 1); }), "2147483647");
    EXPECT_EQ(refusal([] { tGamma_distribution(1, limit); }), "2147483647");
}

TEST(Gamma, DensityBranches)
{
    const tGamma_distribution exponential(1, 3);
    EXPECT_EQ(exponential.Density(0), 3.0L);
    EXPECT_EQ(exponential.Density(-0.5L), 0.0L);
    // 3 exp(-3 x) (hand calculation)
    EXPECT_NEAR_EXT(exponential.Density(0.4L), 3 * std::exp(-1.2L), TOL_GAMMA_P);

    const tGamma_distribution half(0.5L, 1);
    EXPECT_FALSE(half.InSupport(0));
    EXPECT_TRUE(half.InSupport(1e-300L));
    EXPECT_EQ(half.Density(0), 0.0L);
    EXPECT_EQ(half.CDF(0), 0.0L);
    EXPECT_EQ(half.CDF(-2), 0.0L);
    // x^(-1/2) exp(-x) / sqrt(pi) at x = 1: 0.2075537487102974
    EXPECT_NEAR_EXT(half.Density(1), std::exp(-1.0L) / std::sqrt(3.14159265358979323846L), TOL_GAMMA_P);

    const tGamma_distribution two(2, 1);
    EXPECT_TRUE(two.InSupport(0));
    EXPECT_EQ(two.Density(0), 0.0L);
    // x exp(-x) at x = 1.5
    EXPECT_NEAR_EXT(two.Density(1.5L), 1.5L * std::exp(-1.5L), TOL_GAMMA_P);
    EXPECT_FALSE(two.InSupport(-1e-300L));
    EXPECT_TRUE(two.InSupport(limit));
    EXPECT_FALSE(two.InSupport(3e9L));
}

TEST(Gamma, MeanVarianceAndRate)
{
    const tGamma_distribution g(3, 2);
    EXPECT_EQ(g.Mean(), 1.5L);
    EXPECT_EQ(g.Variance(), 0.75L);
    // The rate scales x: P(3, 2 x).
    EXPECT_EQ(g.CDF(1.25L), GammaP(3, 2.5L));
}

TEST(Gamma, ShapeUpTo500AndLargeRateRefusesAFarArgument)
{
    const tGamma_distribution g(2, 4);
    EXPECT_EQ(refusal([&] { g.CDF(1e9L); }), "");
}

TEST(Gamma, WilsonHilfertyAboveShape500)
{
    const tGamma_distribution g(600, 1);
    // P(600, x): 0.01843667501 at 550, 0.50542896688 at 600, 0.97728564530 at
    // 650 (mpmath, 30 digits).
    EXPECT_NEAR_EXT(g.CDF(550), 0.0184366750113865752L, TOL_WILSON_HILFERTY);
    EXPECT_NEAR_EXT(g.CDF(600), 0.505428966879612619L, TOL_WILSON_HILFERTY);
    EXPECT_NEAR_EXT(g.CDF(650), 0.977285645299482313L, TOL_WILSON_HILFERTY);
    EXPECT_GT(g.CDF(600), 0.5L);
    EXPECT_LT(g.CDF(550), 0.1L);
    EXPECT_GT(g.CDF(650), 0.9L);
    EXPECT_EQ(g.CDF(0), 0.0L);

    extended previous = g.CDF(400);
    for (int x = 401; x <= 800; ++x) {
        const extended current = g.CDF(x);
        ASSERT_GE(current, previous) << "at " << x;
        previous = current;
    }
    EXPECT_LE(previous, 1.0L);
}

TEST(Gamma, WilsonHilfertyFarBelowTheMeanOfAHugeShape)
{
    // Near 0, y = 4.5 shape w^2 with w close to -1 passes 2147483647 once the
    // shape is above about 4.8e8; the distribution function is then 0 to
    // every digit.
    const tGamma_distribution g(1e9L, 1);
    EXPECT_EQ(g.CDF(0), 0.0L);
    EXPECT_EQ(g.CDF(1), 0.0L);
    // At the mean, P(a, a) = 1/2 + 1 / (3 sqrt(2 pi a)) to first order.
    EXPECT_NEAR_EXT(g.CDF(1e9L), 0.5L, TOL_WILSON_HILFERTY);
}

TEST(Gamma, QuantilesOfTheSupport)
{
    const tGamma_distribution g(2.5L, 1.5L);
    EXPECT_EQ(g.Quantile(0), 0.0L);
    EXPECT_EQ(g.Quantile(1), limit);
    for (extended p : {0.01L, 0.5L, 0.99L})
        EXPECT_NEAR_EXT(g.CDF(g.Quantile(p)), p, TOL_GAMMA_P) << p;
    EXPECT_EQ(refusal([&] { g.Quantile(-0.5L); }), "0");
    EXPECT_EQ(refusal([&] { g.Quantile(2); }), "1");
}

TEST(Gamma, IntervalProbabilityStartsAtZero)
{
    const tChi_square_distribution chi(4);
    EXPECT_EQ(chi.IntervalProbability(-5, 4), chi.CDF(4) - chi.CDF(0));
    EXPECT_EQ(chi.IntervalProbability(2, 3e9L), 1 - chi.CDF(2));
    EXPECT_NEAR_EXT(chi.IntervalProbability(2, 4), chi4_upper(2) - chi4_upper(4), TOL_GAMMA_P);
}
