// Comparisons of extended reals at full precision. GoogleTest's EXPECT_NEAR
// works in double, which would hide the last three decimal digits of an
// extended result and make a zero tolerance mean "equal as doubles".
#pragma once

#include "common/extended.h"
#include "numerics/distrib.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iomanip>
#include <sstream>
#include <string>

inline ::testing::AssertionResult extended_near(const char* actual_text, const char* expected_text,
                                                const char* tolerance_text, extended actual,
                                                extended expected, extended tolerance)
{
    const extended difference = std::fabs(actual - expected);
    if (difference <= tolerance)
        return ::testing::AssertionSuccess();
    std::ostringstream out;
    out << std::setprecision(21) << actual_text << " = " << actual << "\n"
        << expected_text << " = " << expected << "\ndiffer by " << difference << ", more than "
        << tolerance_text << " = " << tolerance;
    return ::testing::AssertionFailure() << out.str();
}

#define EXPECT_NEAR_EXT(actual, expected, tolerance) \
    EXPECT_PRED_FORMAT3(extended_near, actual, expected, tolerance)
#define ASSERT_NEAR_EXT(actual, expected, tolerance) \
    ASSERT_PRED_FORMAT3(extended_near, actual, expected, tolerance)

// The message of the EArgumentError that `action` raises; fails the test when
// nothing is raised.
template <typename F>
std::string refusal(F action)
{
    try {
        action();
    } catch (const EArgumentError& e) {
        return e.what();
    }
    ADD_FAILURE() << "no EArgumentError raised";
    return "<nothing raised>";
}
