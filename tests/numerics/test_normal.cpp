// The argument checks, the base-class operations and the normal distribution.
//
// Reference values of the normal distribution function and its quantiles are
// published values, confirmed with 30-digit arithmetic in mpmath.
#include "numerics/distrib.h"

#include "expect_extended.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

constexpr extended TOL_EXACT = 0.0L;
// The normal distribution function agrees with the exact one to about 2e-12.
constexpr extended TOL_NORMAL_CDF = 3e-12L;
// Quantiles: the search stops at an absolute step of 5e-12.
constexpr extended TOL_QUANTILE = 1e-11L;
// A figure printed with ten decimals.
constexpr extended TOL_PRINTED_10 = 5e-11L;
// The density's peak, exp(-ln(2 pi) / 2) against 1 / sqrt(2 pi): a few units
// in the last place of 0.4.
constexpr extended TOL_PEAK = 2e-19L;
// A few units in the last place of an extended real.
constexpr extended TOL_ULPS = 1e-17L;

const extended limit = 2147483647.0L;

// A distribution with three validated parameters and a switchable variance,
// to provoke the checks no class of the program reaches.
class tThreeParameterDistribution : public tContinuous_distribution {
public:
    bool has_variance = true;
    tThreeParameterDistribution()
    {
        parameter_count = 3;
        for (auto& p : parameters) {
            p.lower = -1;
            p.upper = 1;
        }
    }
    bool HasVariance() const override { return has_variance; }
    extended Mean() const override { return 0; }
    extended Variance() const override { return 1; }
};

} // namespace

// ---------------------------------------------------------------------------
// Argument checks.

TEST(CheckBound, EachCodeRefusesOnItsOwnSideOfTheBound)
{
    // Lower bounds of parameters: strictly above.
    for (int code : {1301, 1305, 1309}) {
        EXPECT_TRUE(CheckBound(code, 0.5L, 0));
        EXPECT_EQ(refusal([&] { CheckBound(code, 0, 0); }), "0") << code;
    }
    // At least (x of GammaP, p of Quantile): equality passes.
    EXPECT_TRUE(CheckBound(1302, 0, 0));
    EXPECT_EQ(refusal([] { CheckBound(1302, -1e-300L, 0); }), "0");
    // Upper bounds of parameters: strictly below.
    EXPECT_TRUE(CheckBound(1303, 2147483646.0L, limit));
    EXPECT_EQ(refusal([] { CheckBound(1303, limit, limit); }), "2147483647");
    // At most (p of Quantile): equality passes.
    EXPECT_TRUE(CheckBound(1315, 1, 1));
    EXPECT_EQ(refusal([] { CheckBound(1315, 1.0000001L, 1); }), "1");
}

TEST(CheckBound, NaNMeetsNoBound)
{
    const extended nan = std::nanl("");
    for (int code : {1301, 1302, 1303, 1305, 1309, 1315})
        EXPECT_FALSE(refusal([&] { CheckBound(code, nan, 0); }).empty()) << code;
}

TEST(CheckBound, MessageIsTheBoundWithAtMostTwelveDecimals)
{
    EXPECT_EQ(refusal([] { CheckBound(1303, 5, -2147483647.0L); }), "-2147483647");
    EXPECT_EQ(refusal([] { CheckBound(1302, 0, 0.5L); }), "0.5");
    EXPECT_EQ(refusal([] { CheckBound(1302, 0, 0.123456789012345L); }), "0.123456789012");
    EXPECT_EQ(refusal([] { CheckBound(1302, 0, 2.5e-13L); }), "0");
    EXPECT_EQ(refusal([] { CheckBound(1315, 0, -1e-15L); }), "0");
    EXPECT_EQ(refusal([] { CheckBound(1302, 0, 12.25L); }), "12.25");
}

TEST(CheckArgument, RaisesWithAnEmptyMessage)
{
    EXPECT_TRUE(CheckArgument(false, 1361));
    EXPECT_EQ(refusal([] { CheckArgument(true, 1361); }), "");
    EXPECT_EQ(refusal([] { CheckArgument(true, 1363); }), "");
}

TEST(NearlyEqual, IsAnAbsoluteTestAt5em12)
{
    EXPECT_TRUE(NearlyEqual(1, 1 + 4e-12L));
    EXPECT_FALSE(NearlyEqual(1, 1 + 6e-12L));
    EXPECT_FALSE(NearlyEqual(1e6L, 1e6L * (1 + 1e-15L))) << "absolute, not relative";
}

// ---------------------------------------------------------------------------
// Parameters.

TEST(NormalParameters, OutOfRangeConstructionIsRefusedWithTheBound)
{
    EXPECT_EQ(refusal([] { tNormal_distribution(0, 0); }), "0");
    EXPECT_EQ(refusal([] { tNormal_distribution(0, -4); }), "0");
    EXPECT_EQ(refusal([] { tNormal_distribution(0, limit); }), "2147483647");
    EXPECT_EQ(refusal([] { tNormal_distribution(-limit, 1); }), "-2147483647");
    EXPECT_EQ(refusal([] { tNormal_distribution(limit, 1); }), "2147483647");
    // The mean is examined before the variance.
    EXPECT_EQ(refusal([] { tNormal_distribution(limit, 0); }), "2147483647");
}

TEST(NormalParameters, SetParametersRefillsEveryField)
{
    tNormal_distribution d(0, 1);
    EXPECT_TRUE(d.SetParameters(100, 225, 0));
    EXPECT_EQ(d.Mean(), 100.0L);
    EXPECT_EQ(d.Variance(), 225.0L);
    EXPECT_EQ(d.StdDev(), 15.0L);
    EXPECT_EQ(d.CDF(100), 0.5L);
}

TEST(BaseParameters, ThirdParameterAndMissingVarianceAreChecked)
{
    tThreeParameterDistribution d;
    EXPECT_TRUE(d.SetParameters(0, 0, 0));
    EXPECT_EQ(refusal([&] { d.SetParameters(0, 0, -1); }), "-1"); // code 1309
    EXPECT_EQ(refusal([&] { d.SetParameters(0, 0, 1); }), "1");   // code 1303
    EXPECT_EQ(refusal([&] { d.SetParameters(0, -2, 5); }), "-1") << "parameter 2 first";
    EXPECT_EQ(d.StdDev(), 1.0L);
    d.has_variance = false;
    EXPECT_EQ(refusal([&] { d.StdDev(); }), ""); // code 1363
}

// ---------------------------------------------------------------------------
// Distribution function and density.

TEST(NormalCDF, ReferenceValues)
{
    const tNormal_distribution n(0, 1);
    EXPECT_EQ(n.CDF(0), 0.5L);
    // Published: Phi(1.959964) = 0.97500000090356, Phi(-3) = 0.00134989803163009.
    EXPECT_NEAR_EXT(n.CDF(1.959964L), 0.9750000009L, TOL_PRINTED_10);
    EXPECT_NEAR_EXT(n.CDF(1.959964L), 0.975000000903557596L, TOL_NORMAL_CDF);
    EXPECT_NEAR_EXT(n.CDF(-3), 0.00134989803163009453L, TOL_NORMAL_CDF);
    // Symmetry: both halves come from the same P(1/2, z^2/2).
    for (extended z : {0.1L, 0.7L, 1.5L, 2.5L, 4.0L})
        EXPECT_NEAR_EXT(n.CDF(z) + n.CDF(-z), 1.0L, TOL_ULPS) << z;
}

TEST(NormalCDF, LocationAndScale)
{
    const tNormal_distribution standard(0, 1);
    const tNormal_distribution scaled(100, 225);
    for (extended z : {-2.5L, -1.0L, 0.3L, 1.959964L})
        EXPECT_NEAR_EXT(scaled.CDF(100 + 15 * z), standard.CDF(z), TOL_ULPS) << z;
}

TEST(NormalCDF, OutsideTheSupportAndFarTails)
{
    const tNormal_distribution n(0, 1);
    EXPECT_EQ(n.CDF(3e9L), 1.0L);
    EXPECT_EQ(n.CDF(-3e9L), 0.0L);
    // Inside the support but beyond z^2/2 = 2147483647: the tails are 0 and 1
    // to every digit, and the argument check of P(a, x) is not reached.
    EXPECT_EQ(n.CDF(1e5L), 1.0L);
    EXPECT_EQ(n.CDF(-1e5L), 0.0L);
    EXPECT_EQ(n.CDF(limit), 1.0L);
    EXPECT_EQ(n.CDF(-limit), 0.0L);
    EXPECT_TRUE(std::isnan(n.CDF(std::nanl(""))));
}

TEST(NormalDensity, PeakAndShape)
{
    // 2 pi is taken as the extended real nearest 6.283185307179586; the same
    // digits rounded to a double first would move the peak by about 1e-17.
    const tNormal_distribution standard(0, 1);
    EXPECT_NEAR_EXT(standard.Density(0), 1 / std::sqrt(6.283185307179586L), TOL_PEAK);

    const tNormal_distribution d(100, 225);
    // 1 / sqrt(2 pi 225) = 0.0265961520267621785 (hand calculation).
    EXPECT_NEAR_EXT(d.Density(100), 1 / std::sqrt(6.283185307179586L * 225), TOL_ULPS);
    EXPECT_NEAR_EXT(d.Density(100), 0.0265961520267621785L, 1e-15L);
    // One standard deviation out: peak times exp(-1/2).
    EXPECT_NEAR_EXT(d.Density(115), d.Density(100) * std::exp(-0.5L), TOL_ULPS);
    EXPECT_EQ(d.Density(85), d.Density(115));
    EXPECT_EQ(d.Density(3e9L), 0.0L);
}

TEST(IntervalProbability, EndsAtTheLimitsAndClamping)
{
    const tNormal_distribution n(0, 1);
    EXPECT_EQ(n.IntervalProbability(1, limit), 1 - n.CDF(1));
    EXPECT_EQ(n.IntervalProbability(1, 5e9L), 1 - n.CDF(1)) << "cut to the support first";
    EXPECT_EQ(n.IntervalProbability(-limit, 1), n.CDF(1));
    EXPECT_EQ(n.IntervalProbability(-5e9L, 1), n.CDF(1));
    EXPECT_EQ(n.IntervalProbability(-1, 1), n.CDF(1) - n.CDF(-1));
    EXPECT_EQ(n.IntervalProbability(-limit, limit), 1.0L);
    // A reversed interval comes out negative and is clamped to 0.
    EXPECT_EQ(n.IntervalProbability(2, 1), 0.0L);
    EXPECT_EQ(n.PointProbability(0), 0.0L);
}

// ---------------------------------------------------------------------------
// Quantiles.

TEST(NormalQuantile, ReferenceValues)
{
    const tNormal_distribution n(0, 1);
    // Published normal quantiles: 1.959963984540054, 0.6744897501960817,
    // 4.753424308822899.
    EXPECT_NEAR_EXT(n.Quantile(0.975L), 1.95996398454005424L, TOL_QUANTILE);
    EXPECT_NEAR_EXT(n.Quantile(0.025L), -1.95996398454005424L, TOL_QUANTILE);
    EXPECT_NEAR_EXT(n.Quantile(0.75L), 0.674489750196081743L, TOL_QUANTILE);
    EXPECT_NEAR_EXT(n.Quantile(0.999999L), 4.75342430882289895L, TOL_QUANTILE);
    EXPECT_NEAR_EXT(n.Quantile(0.000001L), -4.75342430882289895L, TOL_QUANTILE);
}

TEST(NormalQuantile, HalfIsExactlyZero)
{
    // The first bisection lands on 0, where CDF - p is exactly 0.
    const tNormal_distribution n(0, 1);
    EXPECT_NEAR_EXT(n.Quantile(0.5L), 0.0L, TOL_EXACT);
    const tNormal_distribution scaled(100, 225);
    EXPECT_NEAR_EXT(scaled.Quantile(0.5L), 100.0L, TOL_EXACT);
}

TEST(NormalQuantile, InvertsTheDistributionFunction)
{
    const tNormal_distribution d(100, 225);
    for (extended p : {1e-6L, 0.001L, 0.05L, 0.3L, 0.6L, 0.95L, 0.9999L}) {
        const extended x = d.Quantile(p);
        // |dx| <= tolerance, so |dp| <= density * tolerance plus the CDF error.
        EXPECT_NEAR_EXT(d.CDF(x), p, TOL_NORMAL_CDF) << p;
    }
}

TEST(NormalQuantile, ProbabilitiesWithin5em12OfZeroOrOneGiveTheSupport)
{
    const tNormal_distribution n(0, 1);
    EXPECT_EQ(n.Quantile(0), -limit);
    EXPECT_EQ(n.Quantile(3e-12L), -limit);
    EXPECT_EQ(n.Quantile(1), limit);
    EXPECT_EQ(n.Quantile(1 - 3e-12L), limit);
}

TEST(NormalQuantile, ProbabilitiesOutsideZeroOneAreRefused)
{
    const tNormal_distribution n(0, 1);
    EXPECT_EQ(refusal([&] { n.Quantile(-0.01L); }), "0");
    EXPECT_EQ(refusal([&] { n.Quantile(1.01L); }), "1");
}
