// The program's own e^x for doubles: the same bits on every system, and the
// correctly rounded double wherever that is known independently.
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
