// The program's own elementary functions (see elementary.h for why).
#include "numerics/elementary.h"

#include <cmath>
#include <limits>

namespace {

constexpr extended infinity = std::numeric_limits<extended>::infinity();
constexpr extended not_a_number = std::numeric_limits<extended>::quiet_NaN();

// ln 2 in two parts. ln2_hi has 48 significant bits, so k * ln2_hi is exact
// in the 64-bit mantissa for every |k| < 2^16, which covers every binary
// exponent of the extended range.
constexpr extended ln2_hi = 0x1.62e42fefa39ep-1L;
constexpr extended ln2_lo = 1.688525005076197806790396056774985255e-15L; // ln 2 - ln2_hi
constexpr extended log2_e = 1.442695040888963407359924681001892137L;

// 1 / n!, each rounded once from its decimal expansion to 30 digits.
constexpr extended inverse_factorials[21] = {
    1.0L,
    1.0L,
    5.000000000000000000000000000000e-1L,
    1.666666666666666666666666666667e-1L,
    4.166666666666666666666666666667e-2L,
    8.333333333333333333333333333333e-3L,
    1.388888888888888888888888888889e-3L,
    1.984126984126984126984126984127e-4L,
    2.480158730158730158730158730159e-5L,
    2.755731922398589065255731922399e-6L,
    2.755731922398589065255731922399e-7L,
    2.505210838544171877505210838544e-8L,
    2.087675698786809897921009032120e-9L,
    1.605904383682161459939237717015e-10L,
    1.147074559772972471385169797868e-11L,
    7.647163731819816475901131985788e-13L,
    4.779477332387385297438207491118e-14L,
    2.811457254345520763198945583010e-15L,
    1.561920696858622646221636435006e-16L,
    8.220635246624329716955981236872e-18L,
    4.110317623312164858477990618436e-19L,
};

} // namespace

extended exp_ext(extended x)
{
    if (x != x)
        return x;
    // Beyond these e^x is above the largest extended value or below half the
    // smallest subnormal one.
    if (x > 11357.3L)
        return infinity;
    if (x < -11400.0L)
        return 0;
    // x = k ln 2 + r with |r| <= ln 2 / 2: k * ln2_hi is exact, and so is
    // x - k * ln2_hi, the two being close.
    const extended scaled = x * log2_e;
    const long k = static_cast<long>(scaled + (scaled < 0 ? -0.5L : 0.5L));
    const extended r = (x - k * ln2_hi) - k * ln2_lo;
    // Taylor series of e^r to r^20 / 20! by Horner's rule: the first term
    // left out is below 1e-26 of the sum for |r| <= 0.35.
    extended sum = inverse_factorials[20];
    for (int n = 19; n >= 0; --n)
        sum = sum * r + inverse_factorials[n];
    // Scaling by 2^k is exact but where the result is subnormal.
    return std::ldexp(sum, static_cast<int>(k));
}

extended log_ext(extended x)
{
    if (x != x || x == infinity)
        return x;
    if (x < 0)
        return not_a_number;
    if (x == 0)
        return -infinity;
    int e = 0;
    extended m = std::frexp(x, &e); // x = m 2^e, m in [1/2, 1)
    if (m < 0.70710678118654752440L) {
        m *= 2;
        --e;
    }
    // ln(1 + f) = 2 atanh(s), s = f / (2 + f), written as
    // f - f^2/2 + s (f^2/2 + R) with R = 2 z/3 + 2 z^2/5 + ..., z = s^2, so
    // that f, exact here, carries the result and the series only a small
    // correction. |s| <= 0.1716: the first term left out, 2 z^14 / 29, is
    // below 2^-70 of the sum.
    const extended f = m - 1;
    const extended s = f / (2 + f);
    const extended z = s * s;
    extended R = 2.0L / 29;
    for (int k = 13; k >= 1; --k)
        R = R * z + 2.0L / (2 * k + 1);
    R = R * z;
    const extended half_f2 = f * f / 2;
    const extended log_m = f - (half_f2 - s * (half_f2 + R));
    return e * ln2_hi + (log_m + e * ln2_lo);
}

extended pow_ext(extended x, extended y)
{
    if (x != x || y != y)
        return not_a_number;
    if (y == 0 || x == 1)
        return 1;
    if (x < 0)
        return not_a_number;
    if (x == 0)
        return y > 0 ? 0 : infinity;
    return exp_ext(y * log_ext(x));
}

extended cbrt_ext(extended x)
{
    if (x != x || x == 0 || x == infinity || x == -infinity)
        return x;
    const bool negative = x < 0;
    int e = 0;
    extended m = std::frexp(negative ? -x : x, &e); // m in [1/2, 1)
    // An exponent divisible by 3 leaves m in [1/2, 4).
    int rest = e % 3;
    if (rest < 0)
        rest += 3;
    m = std::ldexp(m, rest);
    e = (e - rest) / 3;
    // A straight line within 16 % of the cube root on [1/2, 4); Newton's
    // step squares the relative error (about), so six take it below 2^-64.
    extended y = 0.6L + 0.25L * m;
    for (int step = 0; step < 6; ++step)
        y = y - (y * y * y - m) / (3 * y * y);
    const extended root = std::ldexp(y, e);
    return negative ? -root : root;
}

double exp_portable(double x)
{
    // Beyond these e^x rounds to infinity or to zero as a double.
    if (x > 709.79)
        return std::numeric_limits<double>::infinity();
    if (x < -745.2)
        return 0.0;
    return static_cast<double>(exp_ext(x));
}
