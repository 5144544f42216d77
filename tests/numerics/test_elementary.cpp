// The program's own elementary functions: the same bits on every system (the
// Windows build runs these tests too), within one unit in the last place of
// values known independently.
#include "numerics/elementary.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

std::int64_t bits_of(double x)
{
    std::int64_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

} // namespace

// Correctly rounded values: e^x of the double argument to 60 digits by
// Python's decimal module (Decimal(float) is exact),
// rounded to the nearest double by float().
TEST(ExpPortable, KnownValuesAreCorrectlyRounded)
{
    EXPECT_EQ(exp_portable(0.0), 1.0);
    EXPECT_EQ(exp_portable(1.0), 0x1.5bf0a8b145769p+1);     // 2.718281828459045235360287...
    EXPECT_EQ(exp_portable(-0.5), 0x1.368b2fc6f960ap-1);    // 0.606530659712633423603799...
    EXPECT_EQ(exp_portable(-12.5), 0x1.f42ed3f68e690p-19);  // 3.726653172078670992...e-6
    EXPECT_EQ(exp_portable(700.0), 0x1.d945df4f8ec8ep+1009); // 1.014232054735004509...e304
    EXPECT_EQ(exp_portable(-1e-300), 1.0);
}

TEST(ExpPortable, RangeEndsAndNaN)
{
    EXPECT_EQ(exp_portable(709.78), 0x1.fe9ce5c4c52b4p+1023) << "just below the largest double";
    EXPECT_EQ(exp_portable(710.0), std::numeric_limits<double>::infinity());
    EXPECT_EQ(exp_portable(-746.0), 0.0);
    EXPECT_EQ(exp_portable(-745.0), 0x1p-1074) << "the smallest subnormal";
    EXPECT_TRUE(std::isnan(exp_portable(std::numeric_limits<double>::quiet_NaN())));
}

// Over the arguments of the Simpson density, -x^2/2 for x up to 40, it is
// within one unit in the last place of the C library's e^x (itself within
// one unit of the exact value) everywhere.
TEST(ExpPortable, WithinOneUlpOfTheCLibrary)
{
    int differ = 0;
    for (int i = 0; i <= 40000; ++i) {
        const double x = i / 1000.0;
        const double mine = exp_portable(-0.5 * x * x), library = std::exp(-0.5 * x * x);
        ASSERT_LE(std::llabs(bits_of(mine) - bits_of(library)), 1) << "x = " << x;
        differ += mine != library;
    }
    EXPECT_LT(differ, 400) << "more than 1 in 100 not the C library's value";
}

// Extended arguments and the correctly rounded extended results, from the
// arbitrary-precision mpmath library at 300 bits (the argument first rounded
// to 64 bits as the compiler rounds the literal).
struct tKnownValue {
    extended (*function)(extended);
    extended argument;
    extended correct;
};

TEST(ElementaryExtended, WithinOneUnitOfTheCorrectlyRoundedValue)
{
    const tKnownValue known[] = {
        {exp_ext, 1L, 0xADF85458A2BB4A9Bp-62L},               // 2.718281828459045235360287
        {exp_ext, -0.5L, 0x9B4597E37CB04FF4p-64L},            // 0.6065306597126334236037995
        {exp_ext, 0.34657359L, 0xB504F3332032A215p-63L},      // 1.414213561977153923486288
        {exp_ext, -12.5L, 0xFA1769FB47348108p-82L},           // 3.726653172078670992924851e-6
        {exp_ext, 700.25L, 0x97EC7265FD209A59p+947L},         // 1.302299736699178393533542e+304
        {exp_ext, -9000.75L, 0xCA9DED4F6D4C83B3p-13049L},     // 1.056676403370223605887274e-3909
        {exp_ext, 11356.5L, 0xFA13DBA329DD768Dp+16320L},      // 1.162207662070283274314222e+4932
        {exp_ext, 1e-15L, 0x8000000000002407p-63L},           // 1.000000000000001
        {log_ext, 2L, 0xB17217F7D1CF79ACp-64L},               // 0.6931471805599453094172321
        {log_ext, 10L, 0x935D8DDDAAA8AC17p-62L},              // 2.302585092994045684017991
        {log_ext, 0.70710678L, -0xB17218063BD749B6p-65L},     // -0.3465735919580042575576446
        {log_ext, 1.000000001L, 0x89705F4018DA22E6p-93L},     // 9.999999995157452387639733e-10
        {log_ext, 0.999L, -0x8323386CBCDB78EAp-73L},          // -0.001000500333583533520980501
        {log_ext, 1e-300L, -0xACB1A23FC3FDA9ABp-54L},         // -690.7755278982137052054321
        {log_ext, 1e4000L, 0x8FE95C8A78A8B80Ep-50L},          // 9210.340371976182736071962
        {log_ext, 123456.789L, 0xBB940E56C5421DFFp-60L},      // 11.72364648718588098115193
        {cbrt_ext, 2L, 0xA14517CC6B945711p-63L},              // 1.259921049894873164767211
        {cbrt_ext, 0.001L, 0xCCCCCCCCCCCCCCCDp-67L},          // 0.09999999999999999999861651
        {cbrt_ext, 1e-3000L, 0x868A9188A89E1467p-3385L},      // 9.999999999999999999862503e-1001
        {cbrt_ext, 3.5L, 0xC2577945666A3D1Fp-63L},            // 1.518294485937831259710405
    };
    for (const tKnownValue& k : known) {
        const extended unit = std::ldexp(1.0L, std::ilogb(k.correct) - 63);
        EXPECT_LE(std::fabs(k.function(k.argument) - k.correct), unit) << "argument " << k.argument;
    }
}

TEST(ElementaryExtended, ExactCasesAndRangeEnds)
{
    const extended inf = std::numeric_limits<extended>::infinity();
    EXPECT_EQ(exp_ext(0), 1);
    EXPECT_EQ(log_ext(1), 0);
    EXPECT_EQ(log_ext(0.5L), -0xB17217F7D1CF79ACp-64L) << "-ln 2, correctly rounded";
    EXPECT_EQ(cbrt_ext(27), 3);
    EXPECT_EQ(cbrt_ext(-8), -2);
    EXPECT_EQ(pow_ext(1, -7.5L), 1);
    EXPECT_EQ(pow_ext(0, 0.5L), 0);
    EXPECT_EQ(pow_ext(0.3L, 0), 1);
    EXPECT_EQ(exp_ext(11400), inf);
    EXPECT_EQ(exp_ext(-11400.5L), 0);
    EXPECT_EQ(exp_ext(-inf), 0);
    EXPECT_EQ(log_ext(0), -inf);
    EXPECT_EQ(log_ext(inf), inf);
    EXPECT_TRUE(std::isnan(log_ext(-1)));
    EXPECT_TRUE(std::isnan(exp_ext(std::numeric_limits<extended>::quiet_NaN())));
    EXPECT_TRUE(std::isnan(pow_ext(-2, 0.5L)));
}
