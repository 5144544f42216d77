// The normal distribution function by Simpson integration (double precision).
#include "methods/psychometrics.h"

#include "message_recorder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace {

std::string fixed(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// The rule is exact for cubics; the double arithmetic leaves a few units in
// the last place.
constexpr double TOL_DOUBLE = 1e-14;

} // namespace

TEST(Simpson, DensityUsesTheEightDecimalConstant)
{
    EXPECT_EQ(normal_density(0.0), 0.39894228);
    EXPECT_EQ(normal_density(1.0), std::exp(-0.5) * 0.39894228);
    EXPECT_EQ(normal_density(-2.0), normal_density(2.0));
}

// Published values of the normal distribution function: Phi(1.959964) =
// 0.9750000, Phi(1) = 0.8413447, Phi(0.5) = 0.6914625.
TEST(Simpson, PublishedNormalProbabilities)
{
    tRecordingTest messages;
    EXPECT_EQ(fixed(normal_cdf_simpson(1.959964), 7), "0.9750000");
    EXPECT_EQ(fixed(normal_cdf_simpson(1.0), 7), "0.8413447");
    EXPECT_EQ(fixed(normal_cdf_simpson(0.5), 7), "0.6914625");
    EXPECT_TRUE(messages.recorder.messages.empty());
}

// The eight-decimal density factor caps the integral: 0.5 + 0.5 * 0.39894228
// * sqrt(2 pi) = 0.99999999948, so 1 - Phi of a huge deviation is about 5e-10.
TEST(Simpson, LargeArgumentsLevelOffBelowOne)
{
    tRecordingTest messages;
    const double plateau = 0.5 + 0.5 * 0.39894228 * std::sqrt(2.0 * M_PI);
    for (double x : {10.0, 20.0, 27.0}) {
        const double p = normal_cdf_simpson(x);
        EXPECT_EQ(fixed(p, 10), "0.9999999995") << x;
        EXPECT_NEAR(p, plateau, 1e-10) << x;
        EXPECT_LT(p, 1.0) << x;
    }
    EXPECT_TRUE(messages.recorder.messages.empty());
}

// Stage 1 resets the trapezoid state: an integration gives the same result
// after another one over a different interval as in a fresh run.
TEST(Simpson, SuccessiveIntegrationsAreIndependent)
{
    const double alone = simpson_integral(0.0, 1.0);
    const double other = simpson_integral(-3.0, 0.25);
    EXPECT_EQ(simpson_integral(0.0, 1.0), alone);
    EXPECT_EQ(simpson_integral(-3.0, 0.25), other);
}

// Hand calculation of the stages on [0, 2]: stage 1 is (f(2) + f(0)) * 1;
// stage 2 adds the midpoint 1: (2 * f(1) + T1) / 2; stage 3 the points 0.5
// and 1.5: (2 * (f(0.5) + f(1.5)) / 2 + T2) / 2.
TEST(Simpson, TrapezoidStagesHalveTheSpacing)
{
    const double f0 = normal_density(0.0), f05 = normal_density(0.5), f1 = normal_density(1.0),
                 f15 = normal_density(1.5), f2 = normal_density(2.0);
    tTrapezoid state;
    const double T1 = trapezoid_refine(state, 1, 0.0, 2.0);
    EXPECT_NEAR(T1, f2 + f0, TOL_DOUBLE);
    const double T2 = trapezoid_refine(state, 2, 0.0, 2.0);
    EXPECT_NEAR(T2, (2.0 * f1 + T1) * 0.5, TOL_DOUBLE);
    const double T3 = trapezoid_refine(state, 3, 0.0, 2.0);
    EXPECT_NEAR(T3, (2.0 * ((f05 + f15) / 2.0) + T2) * 0.5, TOL_DOUBLE);
}

// An interval that needs more than twenty refinements to settle: the last
// estimate comes back and the user sees "Too many steps" once.
TEST(Simpson, TooManyStepsWarnsAndReturnsTheEstimate)
{
    tRecordingTest messages;
    // The density is a narrow spike at 0 seen from [-1e6, 1e6]: the first
    // twenty refinements step over it, so successive estimates keep changing.
    const double estimate = simpson_integral(-1e6, 1e6 + 1.0);
    EXPECT_TRUE(std::isfinite(estimate));
    ASSERT_EQ(messages.recorder.messages.size(), 1u);
    EXPECT_EQ(messages.recorder.messages[0],
              (tRecordedMessage{tRecordedMessage::Warning, "Too many steps"}));
}
