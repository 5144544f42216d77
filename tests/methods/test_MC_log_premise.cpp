// The premise of the candidate margin's 8L term (MC_blocks.h, at
// tCandidate_margins): the C library's log(double), as the block engine
// calls it on the generator's u, is within 4 units in the last place of
// ln u. Neither glibc nor MinGW-w64 states a bound, so each system's own is
// measured here (the Windows build links MinGW-w64's log in statically, so
// Wine runs the very code Windows runs).
//
// The reference is log_ext, within about one unit in the last place of
// extended precision (1.13 at most over 84,000 u of this range against
// mpmath at 160 bits), which is 2^-11 of a double's: an error measured
// against it is off by less than 0.001 ulp, nothing against the 4 judged.
#include "common/x87_precision.h"
#include "methods/MC_blocks.h"
#include "numerics/elementary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

namespace {

using namespace mc_blocks;

// The largest error of std::log, in units in the last place of the exact
// ln u (2^(k-52) for |ln u| in [2^k, 2^(k+1)), at most 2^-52 |ln u|, the
// unit the margin counts in), and where it occurs.
struct tLargest_error {
    double ulps = 0;
    double u = 0;

    void measure(double at)
    {
        const extended exact = log_ext(at);
        int exponent = 0;
        std::frexp(exact, &exponent);
        // Both operands within a factor 2 of each other: the difference is exact.
        const extended error = (std::log(at) - exact) / std::ldexp(1.0L, exponent - 53);
        if (std::fabs(error) > ulps) {
            ulps = static_cast<double>(std::fabs(error));
            u = at;
        }
    }
};

} // namespace

// Every u the generator gives is z S, z = 1 .. m1 - 1, from 2^-31 to
// 1 - 2^-26.2, and the margin is taken over all of them (below u_floor too,
// where the candidate is decided although its deviate is then stored as NaN).
TEST(MonteCarloMargins, LibraryLogIsWithinFourUlpsOverTheGeneratorsRange)
{
    set_extended_precision(); // as in every thread of the engine
    const double scale = candidate_margins(1).scale;
    const std::int64_t z_last = generator_m1 - 1;
    tLargest_error largest;
    auto engine_u = [&](std::int64_t z) { largest.measure(static_cast<double>(z) * scale); };

    // Both ends, every u: the largest |ln u|, and the smallest, where the
    // relative error is all that counts.
    for (std::int64_t z = 1; z <= 1 << 16; ++z) {
        engine_u(z);
        engine_u(z_last + 1 - z);
    }
    // Where the binade of u or of ln u changes, or a library's reduction
    // may: powers of two, sqrt(1/2), u_floor, near_one and 1 - 2^-k. Each
    // with its 64 neighbouring doubles on either side and the engine's u
    // nearest it.
    std::vector<double> marks = {0x1.6a09e667f3bcdp-1, u_floor, near_one};
    for (int k = 1; k <= 31; ++k)
        marks.push_back(std::ldexp(1.0, -k));
    for (int k = 2; k <= 26; ++k)
        marks.push_back(1 - std::ldexp(1.0, -k));
    for (const double mark : marks) {
        double below = mark;
        double above = mark;
        largest.measure(mark);
        for (int i = 0; i < 64; ++i) {
            below = std::nextafter(below, 0.0);
            above = std::nextafter(above, 1.0);
            largest.measure(below);
            largest.measure(above);
        }
        const auto z_mark = static_cast<std::int64_t>(mark / scale);
        for (std::int64_t z = std::max<std::int64_t>(1, z_mark - 64);
             z <= std::min(z_last, z_mark + 64); ++z)
            engine_u(z);
    }
    // 2^22 more: half as the generator draws them (uniform in z), half
    // uniform in log z (each binade of u alike). Integer draws only, so that
    // both systems measure the same u.
    std::mt19937_64 random(35);
    for (int i = 0; i < 1 << 21; ++i) {
        engine_u(1 + static_cast<std::int64_t>(random() % z_last));
        const int binade = static_cast<int>(random() % 31);
        const std::int64_t offset = static_cast<std::int64_t>(random() >> 33) & ((1 << binade) - 1);
        engine_u(std::min(z_last, (std::int64_t{1} << binade) + offset));
    }

    std::printf("largest error of log: %.4f ulp at u = %a\n", largest.ulps, largest.u);
    EXPECT_LE(largest.ulps, 4);
}
