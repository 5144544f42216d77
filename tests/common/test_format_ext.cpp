// The report's printf helper on long double values.
#include "common/format_ext.h"

#include <gtest/gtest.h>

#include <string>

// Exact ties round to even, as the C library's printf does: a score of 110.5
// prints as 110 in a %6.0f column, 111.5 as 112.
TEST(FormatExt, ExactTiesRoundToEven)
{
    EXPECT_EQ(format_ext("%6.0Lf", 110.5L), "   110");
    EXPECT_EQ(format_ext("%6.0Lf", 111.5L), "   112");
    EXPECT_EQ(format_ext("%.1Lf", 0.25L), "0.2");
}

// A value wider than its field widens the text; nothing is cut.
TEST(FormatExt, WideValuesAreNotCut)
{
    EXPECT_EQ(format_ext("%3.3Lf%%", 100.0L), "100.000%");
    EXPECT_EQ(format_ext("%2d", 123), "123");
}

// Results longer than the helper's small buffer come back whole.
TEST(FormatExt, LongResults)
{
    const std::string long_text(1000, 'x');
    const std::string out = format_ext("%s|%5.2Lf", long_text.c_str(), 3.14159L);
    EXPECT_EQ(out, long_text + "| 3.14");
}
