// The x87 control word: what Windows starts threads with (53-bit precision)
// is provoked here by hand, since neither Linux nor Wine starts a thread so.
#include "common/x87_precision.h"

#include <gtest/gtest.h>

namespace {

constexpr unsigned short windows_thread_default = 0x027f; // 53-bit precision, round to nearest

// 1/3 in the current precision; volatile, so that it is computed now.
long double one_third()
{
    volatile long double one = 1, three = 3;
    return one / three;
}

} // namespace

// The provocation works: at 53 bits a long double quotient is the double
// one, and set_extended_precision brings back the 64-bit quotient.
TEST(X87Precision, FiftyThreeBitsRoundLongDoubleToDoubleUntilReset)
{
    const long double extended_third = one_third();
    set_x87_control_word(windows_thread_default);
    const long double rounded_third = one_third();
    set_extended_precision();
    const unsigned short after = x87_control_word();
    const long double again = one_third();

    EXPECT_EQ(rounded_third, static_cast<long double>(1.0 / 3.0));
    EXPECT_NE(rounded_third, extended_third);
    EXPECT_EQ(after, 0x037f);
    EXPECT_EQ(again, extended_third);
}

// A Monte Carlo thread computes at 64 bits whatever precision the thread
// that starts it has (Linux hands a new thread its parent's control word).
TEST(X87Precision, ExtendedThreadRunsAtSixtyFourBits)
{
    set_x87_control_word(windows_thread_default);
    unsigned short seen = 0;
    long double third = 0;
    std::thread worker = extended_thread([&] {
        seen = x87_control_word();
        third = one_third();
    });
    worker.join();
    set_extended_precision();
    EXPECT_EQ(seen, 0x037f);
    EXPECT_EQ(third, one_third());
}
