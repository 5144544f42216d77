// The uniform generator and the random draws of the distributions.
//
// Expected uniforms come from an independent reference: the two component
// generators written directly as s := a * s mod m in 64-bit integers, without
// Schrage's decomposition. Each test draws from a generator of its own,
// started from the fixed seeds.
#include "numerics/distrib.h"

#include "expect_extended.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace {

// The examples are printed with ten decimals.
constexpr extended TOL_PRINTED_10 = 5e-11L;
// Values computed from the same uniforms by the same extended arithmetic.
constexpr extended TOL_EXACT = 0.0L;
// Statistical checks of sample moments.
constexpr double STANDARD_ERRORS = 4.0;

constexpr std::int32_t seed_1 = 897183450;
constexpr std::int32_t seed_2 = 1841323562;
constexpr std::int64_t modulus_1 = 2147483563;
constexpr std::int64_t modulus_2 = 2147483399;

struct tReferenceGenerator {
    std::int64_t s1;
    std::int64_t s2;

    explicit tReferenceGenerator(const tGeneratorState& state) : s1(state.s1), s2(state.s2) {}
    tReferenceGenerator(std::int64_t a, std::int64_t b) : s1(a), s2(b) {}

    extended next()
    {
        s1 = 40014 * s1 % modulus_1;
        s2 = 40692 * s2 % modulus_2;
        std::int64_t z = s1 - s2;
        if (z < 1)
            z += modulus_1 - 1;
        return static_cast<extended>(z) * 4.656613e-10L;
    }
    bool matches(const tGeneratorState& state) const { return state.s1 == s1 && state.s2 == s2; }
};

} // namespace

// ---------------------------------------------------------------------------
// Start-up sequence.

TEST(RandomGenerator, StartsFromTheFixedSeeds)
{
    tRandom_generator generator;
    const tGeneratorState state = generator.State();
    EXPECT_EQ(state.s1, seed_1);
    EXPECT_EQ(state.s2, seed_2);
}

TEST(RandomGenerator, FirstThreeValuesAfterStartUp)
{
    tRandom_generator generator;
    // Printed figures of the generator's first three outputs.
    EXPECT_NEAR_EXT(generator.Uniform(), 0.5218831019L, TOL_PRINTED_10);
    EXPECT_NEAR_EXT(generator.Uniform(), 0.1752744006L, TOL_PRINTED_10);
    EXPECT_NEAR_EXT(generator.Uniform(), 0.1156913916L, TOL_PRINTED_10);
}

TEST(RandomGenerator, SequenceFromStartUpMatchesDirectModularArithmetic)
{
    tRandom_generator generator;
    tReferenceGenerator reference(seed_1, seed_2);
    for (int i = 0; i < 100000; ++i) {
        const extended expected = reference.next();
        ASSERT_EQ(generator.Uniform(), expected) << "draw " << i + 1;
    }
    EXPECT_TRUE(reference.matches(generator.State()));
}

// ---------------------------------------------------------------------------
// Invariants that hold whatever has been drawn before.

TEST(RandomGenerator, StateAndOutputStayInRange)
{
    tRandom_generator generator;
    for (int i = 0; i < 1000000; ++i) {
        const extended u = generator.Uniform();
        const tGeneratorState state = generator.State();
        ASSERT_GE(state.s1, 1);
        ASSERT_LT(state.s1, modulus_1);
        ASSERT_GE(state.s2, 1);
        ASSERT_LT(state.s2, modulus_2);
        ASSERT_GT(u, 0.0L);
        ASSERT_LT(u, 1.0L);
    }
}

TEST(RandomGenerator, ExtremeOutputsStayInsideTheOpenInterval)
{
    // z runs from 1 to the first modulus minus 1.
    EXPECT_GT(1.0L * 4.656613e-10L, 0.0L);
    EXPECT_LT(static_cast<extended>(modulus_1 - 1) * 4.656613e-10L, 1.0L);
}

TEST(RandomGenerator, ContinuesTheSequenceFromAnyState)
{
    tRandom_generator generator;
    generator.Uniform();
    tReferenceGenerator reference(generator.State());
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(generator.Uniform(), reference.next());
}

// A jump of n steps lands where n draws do, from states at both ends of the
// components' ranges; setting the state continues the sequence from there.
TEST(RandomGenerator, JumpAheadEqualsSteppingAndSetStateContinues)
{
    tRandom_generator generator;
    const tGeneratorState starts[] = {
        {seed_1, seed_2}, {1, 1}, {2147483562, 2147483398}, {123456789, 987654321}};
    for (const tGeneratorState& start : starts) {
        tReferenceGenerator reference(start);
        std::uint64_t stepped = 0;
        for (std::uint64_t n : {0u, 1u, 2u, 77u, 4096u, 1000003u}) {
            for (; stepped < n; ++stepped)
                reference.next();
            const tGeneratorState jumped = JumpGeneratorState(start, n);
            ASSERT_TRUE(reference.matches(jumped)) << "from " << start.s1 << " by " << n;
        }
        generator.SetState(JumpGeneratorState(start, stepped));
        for (int i = 0; i < 10; ++i)
            ASSERT_EQ(generator.Uniform(), reference.next());
    }
}

// ---------------------------------------------------------------------------
// Normal draws.

TEST(NormalRandomVariate, FirstTwoDrawsAfterStartUp)
{
    tRandom_generator generator;
    tNormal_distribution normal(0, 1);
    tReferenceGenerator reference(seed_1, seed_2);

    // Hand calculation: u = 0.5218831019, v = (2 * 0.1752744006 - 1) * sqrt(2/e)
    // = -0.5570750..., x = v / u = -1.0674340313; x^2 = 1.1394 is below
    // 6 - 8u + 2u^2 = 2.3697, so the first pair is accepted at once.
    EXPECT_NEAR_EXT(normal.RandomVariate(generator), -1.0674340313L, TOL_PRINTED_10);
    reference.next();
    reference.next();
    EXPECT_TRUE(reference.matches(generator.State())) << "the first draw takes one pair";

    // The second draw rejects three candidate pairs and accepts the fourth.
    EXPECT_NEAR_EXT(normal.RandomVariate(generator), -1.1479177399L, TOL_PRINTED_10);
    for (int i = 0; i < 8; ++i)
        reference.next();
    EXPECT_TRUE(reference.matches(generator.State())) << "the second draw takes four pairs";
}

TEST(NormalRandomVariate, MeanAndVarianceScaleTheSameDeviate)
{
    tRandom_generator generator;
    // The first standard deviate after start-up is -1.0674340313; with mean 100
    // and variance 225 the draw is 100 + 15 x.
    tNormal_distribution scaled(100, 225);
    EXPECT_NEAR_EXT(scaled.RandomVariate(generator), 100.0L + 15.0L * -1.0674340313L, 15 * TOL_PRINTED_10);
}

TEST(NormalRandomVariate, UsesUThenVAndAcceptsByTheBounds)
{
    tRandom_generator generator;
    // One draw from any state, recomputed from the reference uniforms taken
    // in the order u, v. A draw that swapped them would give another value.
    tNormal_distribution normal(0, 1);
    const extended root = std::sqrt(2 / constant_e);
    for (int trial = 0; trial < 2000; ++trial) {
        tReferenceGenerator reference(generator.State());
        extended expected;
        for (;;) {
            const extended u = reference.next();
            const extended v = (2 * reference.next() - 1) * root;
            expected = v / u;
            const extended q = expected * expected;
            if (q <= 6 - 8 * u + 2 * u * u)
                break;
            if (q >= 2 / u - 2 * u)
                continue;
            if (q <= -4 * log_ext(u))
                break;
        }
        ASSERT_NEAR_EXT(normal.RandomVariate(generator), expected, TOL_EXACT) << "trial " << trial;
        ASSERT_TRUE(reference.matches(generator.State()));
    }
}

TEST(NormalRandomVariate, MillionDrawsHaveMeanZeroAndVarianceOne)
{
    tRandom_generator generator;
    tNormal_distribution normal(0, 1);
    const int n = 1000000;
    long double sum = 0;
    long double sum_squares = 0;
    for (int i = 0; i < n; ++i) {
        const extended x = normal.RandomVariate(generator);
        sum += x;
        sum_squares += x * x;
    }
    const double mean = static_cast<double>(sum / n);
    const double variance = static_cast<double>((sum_squares - sum * sum / n) / (n - 1));
    // Standard errors: of the mean 1/sqrt(n); of the variance sqrt(2/(n-1)).
    EXPECT_NEAR_EXT(mean, 0.0, STANDARD_ERRORS / std::sqrt(double(n)));
    EXPECT_NEAR_EXT(variance, 1.0, STANDARD_ERRORS * std::sqrt(2.0 / (n - 1)));
}

// ---------------------------------------------------------------------------
// Gamma draws.

TEST(GammaRandomVariate, ShapeOneTakesOneUniformPerDraw)
{
    tRandom_generator generator;
    tGamma_distribution exponential(1, 3);
    for (int i = 0; i < 100; ++i) {
        tReferenceGenerator reference(generator.State());
        // -ln U / rate, from the next reference uniform.
        const extended expected = -log_ext(reference.next()) / 3;
        ASSERT_NEAR_EXT(exponential.RandomVariate(generator), expected, TOL_EXACT);
        ASSERT_TRUE(reference.matches(generator.State()));
    }
}

TEST(GammaRandomVariate, ChiSquareFourUsesTheRatioOfUniforms)
{
    tRandom_generator generator;
    // Shape 2 draws pairs (u, v) until one is accepted: always an even number
    // of uniforms, at least two.
    tChi_square_distribution chi(4);
    for (int i = 0; i < 1000; ++i) {
        tReferenceGenerator reference(generator.State());
        const extended x = chi.RandomVariate(generator);
        ASSERT_GE(x, 0.0L);
        int pairs = 0;
        do {
            reference.next();
            reference.next();
            ++pairs;
            ASSERT_LT(pairs, 1000) << "draw " << i << " does not take whole pairs";
        } while (!reference.matches(generator.State()));
    }
}

struct tMoments {
    double mean;
    double variance;
};

tMoments sample_moments(tDistribution& d, int n)
{
    tRandom_generator generator;
    long double sum = 0;
    long double sum_squares = 0;
    for (int i = 0; i < n; ++i) {
        const extended x = d.RandomVariate(generator);
        sum += x;
        sum_squares += x * x;
    }
    return {static_cast<double>(sum / n), static_cast<double>((sum_squares - sum * sum / n) / (n - 1))};
}

// Gamma(a, b): mean a/b, variance a/b^2, excess kurtosis 6/a, so the sample
// variance has standard error about variance * sqrt((2 + 6/a) / n).
void expect_gamma_moments(tDistribution& d, double a, double b)
{
    const int n = 400000;
    const tMoments m = sample_moments(d, n);
    const double variance = a / (b * b);
    EXPECT_NEAR_EXT(m.mean, a / b, STANDARD_ERRORS * std::sqrt(variance / n)) << "shape " << a;
    EXPECT_NEAR_EXT(m.variance, variance, STANDARD_ERRORS * variance * std::sqrt((2 + 6 / a) / n)) << "shape " << a;
}

TEST(GammaRandomVariate, EachBranchHasTheGammaMoments)
{
    tGamma_distribution below_one(0.5L, 1); // method GS
    expect_gamma_moments(below_one, 0.5, 1);
    tGamma_distribution exponential(1, 2);
    expect_gamma_moments(exponential, 1, 2);
    tChi_square_distribution chi(4); // shape 2, rate 1/2
    expect_gamma_moments(chi, 2, 0.5);
    tGamma_distribution large(7.5L, 3);
    expect_gamma_moments(large, 7.5, 3);
    tGamma_distribution near_one(1.05L, 1);
    expect_gamma_moments(near_one, 1.05, 1);
}

TEST(GammaRandomVariate, ShapeBelowOneNeverDrawsZeroOrLess)
{
    tRandom_generator generator;
    tGamma_distribution g(0.3L, 1);
    for (int i = 0; i < 100000; ++i)
        ASSERT_GT(g.RandomVariate(generator), 0.0L);
}
