// The program's own elementary functions (see elementary.h for why).
#include "numerics/elementary.h"

#include "common/extended.h"

#include <cmath>
#include <limits>

namespace {

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

double exp_portable(double x)
{
    if (x != x)
        return x;
    // Beyond these e^x rounds to infinity or to zero as a double.
    if (x > 709.79)
        return std::numeric_limits<double>::infinity();
    if (x < -745.2)
        return 0.0;
    // x = k ln 2 + r with |r| <= ln 2 / 2. ln2_hi has 53 significant bits,
    // so k * ln2_hi (|k| < 1100) is exact in the 64-bit mantissa and so is
    // x - k * ln2_hi.
    constexpr extended log2_e = 1.442695040888963407359924681001892137L;
    constexpr extended ln2_hi = 0x1.62e42fefa39efp-1L;
    constexpr extended ln2_lo = 2.319046813846299615494855463875e-17L; // ln 2 - ln2_hi
    const extended xl = x;
    const extended scaled = xl * log2_e;
    const long k = static_cast<long>(scaled + (scaled < 0 ? -0.5L : 0.5L));
    const extended r = (xl - k * ln2_hi) - k * ln2_lo;
    // Taylor series of e^r to r^20 / 20! by Horner's rule: the first term
    // left out is below 1e-26 of the sum for |r| <= 0.35.
    extended sum = inverse_factorials[20];
    for (int n = 19; n >= 0; --n)
        sum = sum * r + inverse_factorials[n];
    // Scaling by 2^k is exact in the extended range; the one rounding to
    // double comes last.
    return static_cast<double>(std::ldexp(sum, static_cast<int>(k)));
}
