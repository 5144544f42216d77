// The lanes of the block engine: candidates of several runs, and trials of
// four scores, decided side by side in vector registers. Included only by
// MC_isa.cpp, which compiles these templates once for each instruction set;
// the file is built without contracting multiply-adds, so every instruction
// set computes the same doubles.
#pragma once

#include "methods/MC_blocks.h"

#include <cstdint>
#include <cstring>
#include <limits>

namespace mc_blocks {

// W lanes in one vector register; comparisons give lane masks (all bits set
// for true). Everything here is inlined into the instruction-set versions of
// MC_isa.cpp, so the note that passing such vectors changes the calling
// convention between instruction sets does not concern it.
#pragma GCC diagnostic ignored "-Wpsabi"
#define MC_INLINE __attribute__((always_inline)) inline
// Two four-lane vectors' lanes picked by constant indices (0-3 the first's,
// 4-7 the second's); clang names the builtin differently.
#if defined(__clang__)
#define MC_SHUFFLE4(a, b, i0, i1, i2, i3) __builtin_shufflevector(a, b, i0, i1, i2, i3)
#else
#define MC_SHUFFLE4(a, b, i0, i1, i2, i3) __builtin_shuffle(a, b, M{i0, i1, i2, i3})
#endif

template <int W>
struct tVector_of {
    typedef double d __attribute__((vector_size(W * sizeof(double))));
    typedef std::int64_t mask __attribute__((vector_size(W * sizeof(std::int64_t))));
};

// |v| by clearing the sign bits.
template <typename V>
MC_INLINE V lanes_abs(V v)
{
    typedef decltype(v < v) M;
    return reinterpret_cast<V>(reinterpret_cast<M>(v) & 0x7fffffffffffffff);
}

// The generator in double precision: every component value and product
// a s < 40692 * 2^31 < 2^47 is an integer held exactly. Rounding p / m to
// the nearest integer (adding and taking away 1.5 * 2^52) gives the floor or
// one more, since the product of the rounded inverse is within 10^-11 of
// p / m, which is never an integer (m is prime); one correction then gives
// a s mod m, exactly Schrage's step.
template <typename V>
MC_INLINE V component_step(V s, double a, double m, double inv_m)
{
    const V p = s * a;
    const V k = (p * inv_m + 0x1.8p52) - 0x1.8p52;
    const V r = p - k * m;
    return r < 0 ? r + m : r;
}

template <int W>
MC_INLINE void decide_lanes(double* s1, double* s2, const tCandidate_margins& cm, tLane_block& b)
{
    typedef typename tVector_of<W>::d V;
    typedef typename tVector_of<W>::mask M;
    constexpr int groups = lanes / W;
    const double m1 = generator_m1, a1 = generator_a1, inv_m1 = 1.0 / m1;
    const double m2 = generator_m2, a2 = generator_a2, inv_m2 = 1.0 / m2;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    V t1[groups];
    V t2[groups];
    std::memcpy(t1, s1, sizeof t1);
    std::memcpy(t2, s2, sizeof t2);
    for (int i = 0; i < block_run; ++i) {
        for (int g = 0; g < groups; ++g) {
            // Both uniforms of each lane's next candidate.
            V a = component_step(t1[g], a1, m1, inv_m1);
            V c = component_step(t2[g], a2, m2, inv_m2);
            V z = a - c;
            const V z_u = z < 1 ? z + (m1 - 1) : z;
            a = component_step(a, a1, m1, inv_m1);
            c = component_step(c, a2, m2, inv_m2);
            t1[g] = a;
            t2[g] = c;
            z = a - c;
            const V z_v = z < 1 ? z + (m1 - 1) : z;

            const V u = z_u * cm.scale;
            const V v = (2 * (z_v * cm.scale) - 1) * cm.rou;
            const V ru = 1 / u;
            const V x = v * ru;
            const V q = x * x;
            const V eq = 12 * lanes_abs(x) * ru + 9 * q;
            // The bounds of -4 ln u from its series, tighter than the
            // reference's quick bounds; near u = 1 the logarithm decides.
            const V w = 1 - u;
            const V lower = 4 * (w * (1 + w * (0.5 + w * (1.0 / 3 + 0.25 * w))));
            const V w2 = w * w;
            const V upper = lower + w2 * w2 * w * ru;
            const M far_from_one = u <= near_one;
            const M sure_accept = far_from_one & (q < lower);
            const M sure_reject = far_from_one & (q > upper);
            const M status =
                (sure_accept & candidate_accepted) | (~sure_accept & ~sure_reject & candidate_needs_log);
            const M flagged = (u < u_floor) | (lanes_abs(x) > cm.x_limit);
            const V x_stored = flagged ? nan : x;
            std::memcpy(&b.status[i][g * W], &status, sizeof status);
            std::memcpy(&b.x[i][g * W], &x_stored, sizeof x_stored);
            std::memcpy(&b.u[i][g * W], &u, sizeof u);
            std::memcpy(&b.q[i][g * W], &q, sizeof q);
            std::memcpy(&b.eq[i][g * W], &eq, sizeof eq);
            std::memcpy(&b.z_u[i][g * W], &z_u, sizeof z_u);
            std::memcpy(&b.z_v[i][g * W], &z_v, sizeof z_v);
        }
    }
    std::memcpy(s1, t1, sizeof t1);
    std::memcpy(s2, t2, sizeof t2);
}

// Trials of four scores, four trials to a vector (one lane per trial), with
// the same arithmetic, margins and counting as trial_in_double. `x` holds the
// deviates of n consecutive trials, n a multiple of 4; the hits of the sure
// trials are added, and the numbers of the others written to `unsure`.
MC_INLINE int four_score_trials(const tTrial_margins& t, const tMC_setup& s, const double* x,
                                int n, tMC_hits& hits, int* unsure)
{
    typedef tVector_of<4>::d V;
    typedef tVector_of<4>::mask M;
    int n_unsure = 0;
    M hit_low = {};
    M hit_dev = {};
    M hit_pair = {};
    for (int first = 0; first < n; first += 4) {
        const double* p = x + 4 * first;
        // Four trials' deviates in, score j of every trial in c[j] out.
        V r[4];
        std::memcpy(r, p, sizeof r);
        const V t0 = MC_SHUFFLE4(r[0], r[1], 0, 4, 2, 6);
        const V t1 = MC_SHUFFLE4(r[0], r[1], 1, 5, 3, 7);
        const V t2 = MC_SHUFFLE4(r[2], r[3], 0, 4, 2, 6);
        const V t3 = MC_SHUFFLE4(r[2], r[3], 1, 5, 3, 7);
        const V c[4] = {MC_SHUFFLE4(t0, t2, 0, 1, 4, 5),
                        MC_SHUFFLE4(t1, t3, 0, 1, 4, 5),
                        MC_SHUFFLE4(t0, t2, 2, 3, 6, 7),
                        MC_SHUFFLE4(t1, t3, 2, 3, 6, 7)};
        V y[4];
        for (int i = 0; i < 4; ++i)
            y[i] = t.L[i][0] * c[0] + t.L[i][1] * c[1] + t.L[i][2] * c[2] + t.L[i][3] * c[3];
        const V ybar = (((y[0] + y[1]) + y[2]) + y[3]) / 4;
        M sure = y[0] == y[0]; // all set but for NaN
        M low = {};
        M dev = {};
        M pair = {};
        for (int i = 0; i < 4; ++i) {
            low -= y[i] < t.cut;
            sure &= lanes_abs(y[i] - t.cut) > t.tol;
            const V d = lanes_abs(y[i] - ybar);
            dev -= d > t.dev_limit[i];
            sure &= lanes_abs(d - t.dev_limit[i]) > t.tol;
            for (int j = i + 1; j < 4; ++j) {
                const V e = lanes_abs(y[i] - y[j]);
                pair -= e > t.pair_limit[i][j];
                sure &= lanes_abs(e - t.pair_limit[i][j]) > t.tol;
            }
        }
        hit_low -= sure & (low >= s.k_low);
        hit_dev -= sure & (dev >= s.k_dev);
        hit_pair -= sure & (pair >= s.k_pair);
        if ((sure[0] & sure[1] & sure[2] & sure[3]) == 0)
            for (int k = 0; k < 4; ++k)
                if (!sure[k])
                    unsure[n_unsure++] = first + k;
    }
    for (int k = 0; k < 4; ++k) {
        hits.low += hit_low[k];
        hits.dev += hit_dev[k];
        hits.pair += hit_pair[k];
    }
    return n_unsure;
}

} // namespace mc_blocks
