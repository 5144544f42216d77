// The block engine's parts, shared by its files and its tests (the program
// itself calls only MC_engine.h):
//   MC_bounds.cpp     the error bounds by which double precision decides
//   MC_lanes.h        the candidates and trials decided side by side, lane
//                     by lane, in vector registers
//   MC_isa.cpp        those lanes compiled for each instruction set, and the
//                     choice among them
//   MC_scheduler.cpp  the threads, and the chunks of candidates they share
//   MC_chunks.cpp     one chunk's candidates, and the trials they give
#pragma once

#include "methods/MC_engine.h"

#include "numerics/distrib.h"

#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

namespace mc_blocks {

// --- The reference's trial -------------------------------------------------

// The counts of one trial from its deviates u[1..m], in extended precision.
// M > 0 fixes the dimension at compile time (the usual four scores, which the
// compiler unrolls); M = 0 takes it from the setup. The same arithmetic
// either way.
template <int M>
inline void count_trial(const tMC_setup& s, const tVector& u, int& low, int& dev, int& pair)
{
    const int dim = M > 0 ? M : s.m;
    tVector y;
    matrix_times_vector(s.L, dim, u, y);
    const extended ybar = vector_mean(dim, y);
    low = 0;
    dev = 0;
    pair = 0;
    for (int i = 1; i <= dim; ++i) {
        if (y[i] < s.cut)
            ++low;
        if (std::fabs((y[i] - ybar) / s.sdDev[i]) > s.abs_crit)
            ++dev;
    }
    for (int i = 1; i <= dim; ++i)
        for (int j = i + 1; j <= dim; ++j)
            if (std::fabs((y[i] - y[j]) / s.sdPair[i][j]) > s.abs_crit)
                ++pair;
}

inline void add_hits(const tMC_setup& s, int low, int dev, int pair, tMC_hits& hits)
{
    if (low >= s.k_low)
        ++hits.low;
    if (dev >= s.k_dev)
        ++hits.dev;
    if (pair >= s.k_pair)
        ++hits.pair;
}


// --- Shapes of the block engine --------------------------------------------

constexpr int lanes = 8;          // runs of candidates decided side by side
constexpr int lane_run = 2048;    // consecutive candidates in one run
constexpr int chunk_size = lanes * lane_run;
constexpr int max_threads = 16;

constexpr double unit_roundoff = 0x1p-53;   // double: half an ulp of 1
constexpr double unit_roundoff_x = 0x1p-64; // extended: 2^-11 of the double's
// Every margin below is its first-order error bound times this factor,
// which covers, relative to the bound:
//   the extended side's own error: 2^-11 of the double side's for the
//     arithmetic (its constants are exact and it rounds to 2^-64), and
//     k 2^-13 for its logarithm when that is within k ulps, at most 2^-9 for
//     any k up to 16;
//   near u = 1, where the reference's quick bounds may decide a candidate
//     whose q lies within 35 x 2^-64 of its logarithm otherwise than the
//     logarithm would (see tCandidate_margins): the margin must leave the
//     extended q at least that far from the extended -4 ln u, which is
//     2^-8.8 of the smallest margin, 8e;
//   the second-order terms and the rounding of the margin tests themselves:
//     below 2^-20.3, at the generator's smallest u (see tCandidate_margins).
// 2^-9 + 2^-8.8 + 2^-20.3 < 2^-7.8. The trials' bounds (tTrial_margins) hold
// the extended deviates' errors already; for them it covers the extended
// arithmetic after them (2^-10.6) and the second-order terms (2^-46.8).
constexpr double safety = 1 + 0x1p-7;

// Deviates whose u lies below this are stored as NaN, which sends their
// trials to extended precision: it keeps the error bound of x, which grows
// like 1 / u, small. About 5 deviates in a million.
constexpr double u_floor = 0x1p-10;

// Candidates whose u lies above this are decided by the logarithm (one in
// 256): there the series bounds below come too close to it.
constexpr double near_one = 1 - 0x1p-8;

// Candidate status from the double-precision test.
constexpr std::int64_t candidate_rejected = 0;
constexpr std::int64_t candidate_accepted = 1;
constexpr std::int64_t candidate_needs_log = 2; // the logarithm decides, or else extended precision

// Error bounds of the acceptance test, with e = 2^-53, for a candidate of
// outputs (z_u, z_v). The reference values are those of exact arithmetic on
// the extended constants S = 4.656613e-10 and c = sqrt(2/e); the double
// constants differ from them by 0.48e and 0.30e relatively; z S < 1 for
// every output z.
//   u = z_u S            double: |du| <= 1.48e u
//   h = z_v S            |dh| <= 1.48e h
//   t = 2h - 1           |dt| <= 2.96e h + e |t| <= 4e         (|t| < 1)
//   v = t c              |dv| <= 4e c + 1.3e |v| <= 6e         (c < 0.86)
//   1/u                  relative error <= 3e
//   x = v (1/u)          |dx| <= 6e / u + 4e |x|
//   q = x x              |dq| <= e eq,  eq = 12 |x| / u + 9 q
//   L = -4 ln u          |dL| <= 4 (2e + 8e |ln u|) = e (8 + 8L)
//                        (the C library's log within 4 ulps, of at most
//                        2e |ln u| each: measured, see below)
// The extended computation obeys the same bounds with 2^-64 in place of e
// (k / 4 times them in the logarithm's own term if that is within k ulps).
//   The reference accepts when q <= A = 6 - 8u + 2u^2, or else when
// q < B = 2/u - 2u and q <= L; in exact arithmetic that is q <= L, since
// A < L < B. The lanes test neither quick bound but tighter ones: with
// w = 1 - u, the series -ln u = w + w^2/2 + w^3/3 + ... gives
//   lower = 4 (w + w^2/2 + w^3/3 + w^4/4) <= L <= lower + (4/5) w^5 / u,
//   upper = lower + w^5 / u,
// L - lower >= (4/5) w^5 and upper - L >= w^5 / (5u); and lower - A =
// (4/3) w^3 + w^4, B - upper = ((2/3) w^3 + (1/3) w^4) / u, so a candidate
// either quick bound decides is one these decide. In double |dw| <= 2e
// (exact for u >= 1/2), |d lower| <= 4 (4 x 2e + 9e x 2.09) < 110e (Horner's
// scheme on w <= 1), |d upper| <= |d lower| + 17e / u + e upper
// < e (119 + 18 / u).
//   For u <= near_one (w >= 2^-8) they need no margin. A q below lower in
// double has q < 8.4 and eq < 35 / u + 76: its errors and lower's add up to
// less than e (35 / u + 186), below 9 x 10^-6 (u > 2^-31), against
// L - lower >= 0.04 for u <= 1/2, and below 260e against
// L - lower >= 0.8 x 2^-40 > 6500e above. A q above upper in double (q's
// bound grows more slowly than q, so q at upper is the worst case) lies within
// e (276 + 12 / sqrt u) / u of it, against upper - L >= w^5 / (5u), which is
// at least 1 / (160u) for u <= 1/2 and 1600e / u above. The extended side's
// own errors (2^-11 of these, and a few times 2^-64 (1 + L) in its
// logarithm) change none of this, nor do the reference's quick bounds,
// further from L still.
//   For u > near_one those gaps shrink like w^5, and candidates occur whose q
// lies above upper in double but below L in extended precision (the tests
// hold two). There the logarithm decides, and it alone decides between the
// series bounds (about one candidate in thirty): |q - L| in double beyond
// safety e (eq + 8 + 8L) leaves q - L in extended precision with the same
// sign and beyond (safety - 1 - 2^-9) 8e > 95 x 2^-64.
//   Each part of that margin is an error the double q - L can carry: 8 is
// L's error from u's (4 x 1.48e = 5.92e, with room for the safety's share);
// 8L the logarithm's own, 4 ulps of |ln u| times 4; 9q q's relative error
// (twice x's 4e, and the product's rounding). The margin is also taken where
// the series bounds leave q between them at u <= near_one, where L reaches
// 86; there q is near L, and the constant's room of 2.08e would hold
// 8L + 9q, about 17L, only for L < 0.12 (u > 0.97).
// That is as far as the reference's quick bounds need: where u > near_one,
// its A exceeds the exact -4 ln u by at most 30 x 2^-64, its B falls short of
// it by at most 13 x 2^-64, and its L lies within 5 x 2^-64 of it. Within the
// margin the extended test decides.
//   Neither glibc nor MinGW-w64 states a bound for log, so the 4 ulps are
// measured: MonteCarloMargins.LibraryLogIsWithinFourUlpsOverTheGeneratorsRange
// takes std::log(double) against log_ext at 4.3 million u over the
// generator's whole range, 2^-31 to 1 - 2^-26.2 (every u at both ends, the
// powers of two, points near 1, a pseudo-random sweep), and fails above 4
// ulps. glibc 2.36 errs by at most 0.517 ulp (at u = 0x1.d1f6d7f1144edp-1),
// MinGW-w64 10's log, linked in statically and run under Wine, by 0.501 (at
// u = 0x1.ade000c49381ep-20).
//   The margin is first-order: safety covers the products of two errors.
// The largest carry v's error 6e divided twice by u: dx^2 holds
// (6e / u)^2, and eq taken at the double x and 1/u instead of the exact
// ones falls short by 12e |dx| / u, so 108 e^2 / u^2 together. The others
// are small multiples of e: x's cross terms in q, q's own error inside
// 9q, and eq's three roundings, at most 24e of e eq; the logarithm's error
// times u's, and 8L taken at the double L, 101 e^2 and 64 e^2 L (13e of 8e,
// 8e of 8eL); the rounding of q - L and of the margin, 4e of it. 49e =
// 2^-47.4 in all. Against the margin e (eq + 8 + 8L), 108 e^2 / u^2 is
// below 108e / 8u^2 < 14e above near_one; at u <= near_one the margin is
// taken only for q >= lower, so eq >= 12 sqrt(lower) / u, and the share
// 9e / (u sqrt(lower)) is largest at the generator's smallest u, 2^-31,
// where lower = 8.33: 2^-20.4. So the second-order terms stay below
// 2^-20.3 of the margin (2^-47 above near_one), against the 2^-8.1 that
// safety leaves after its other two shares.
struct tCandidate_margins {
    double scale;   // the generator's output scale, in double
    double rou;     // sqrt(2/e), in double
    double unit;    // safety * e * margin_scale
    double x_limit; // |x| of an accepted deviate with u >= u_floor is below this
};

// The decisions of `block_run` consecutive candidates of every lane, lane by
// lane side by side, before the few that need more are settled one by one.
constexpr int block_run = 64;
struct tLane_block {
    double x[block_run][lanes]; // NaN when u < u_floor
    double u[block_run][lanes];
    double q[block_run][lanes];
    double eq[block_run][lanes];
    double z_u[block_run][lanes];
    double z_v[block_run][lanes];
    std::int64_t status[block_run][lanes];
};


// Error bounds of one trial from deviates stored in double precision, with
// e = 2^-53. Each term bounds an error the arithmetic can reach, and none is
// covered by another:
//   x = v (1/u), u >= u_floor, |x| <= X:
//     |dx| <= E_x = (6 / u_floor + 4X) e (1 + 2^-11)
//   6 / u_floor is v's absolute error 6e over u (6144e at u_floor, the
//   largest part); 4X the relative errors of 1/u (3e) and of the product
//   (e); 2^-11 the extended deviate's own error, the same bound at 2^-64.
//   With R the largest row sum of |L| and Y = R X the largest |y|:
//   y = L x     |dy| <= E_y = R E_x + (m + 1) e Y
//   R E_x carries the deviates' errors through L; (m + 1) e Y is L rounded
//   to double (e) and the m roundings of the longest chain of products and
//   sums (m e).
//   mean of y   |dm| <= E_y + m e Y: the m errors averaged, the m - 1 sums
//   of values up to m Y divided by m ((m - 1) e Y), and the division (e Y).
//   d = y_i - mean or y_i - y_j (|d| <= 2Y):
//               |dd| <= E_d = 2 E_y + (m + 2) e Y
//   the errors of both operands and the subtraction's rounding (2 e Y); for
//   y_i - y_j, 2 E_y + 2 e Y, less.
// The extended test |d / sd| > crit is the exact comparison of |d| (1 + r)
// with crit * sd, |r| <= 2^-64; crit * sd in double is within 3 e T of its
// exact value (crit and sd each rounded to double, then their product), T
// the largest crit * sd. So
//   tol = safety (E_d + 3 e T)
// covers the comparison of each |d| with its limit. It covers y < cut too:
// double and extended can disagree there only when y - cut in double lies
// within E_y + e |cut| of 0, which needs |cut| <= Y + 2 E_y, and then
// E_y + e |cut| <= 2 E_y + e Y (1 + 2e) < E_d.
//   Safety covers the rest, against tol >= (3m + 4) e Y (E_y >= (m + 1) e Y):
// the extended side's own errors after its deviates (of y, the mean, d and
// r), below (3m + 6) 2^-64 Y, at most 9/7 x 2^-11 = 2^-10.6 of tol; and the
// second-order terms. E_x needs none: v's error is below 4.6e, not 6e. In
// y, the mean and d the products of two errors (L's rounding times the
// deviates', the sums' m e times their own and the values' excess over Y)
// are at most (2m + 4) e of E_d; crit * sd's are 3 e^2 T, e of 3eT; tol's
// own computation rounds along m + 7 operations and the margin test's
// subtraction once. Below (3m + 13) e of tol in all, 73e = 2^-46.8 at
// m = max_dim: 2^-10.6 + 2^-46.8 < 2^-10.5, within 2^-7.
//   When each double-precision difference exceeds tol, the trial's three
// counts are the extended ones. A NaN deviate fails every margin test.
struct tTrial_margins {
    double L[max_dim][max_dim];
    double cut;
    double dev_limit[max_dim];           // crit * sdDev
    double pair_limit[max_dim][max_dim]; // crit * sdPair, above the diagonal
    double tol;
};

// The margins of the candidates' test and of the trials' comparisons, each
// widened margin_scale times.
tCandidate_margins candidate_margins(double margin_scale);
tTrial_margins trial_margins(const tMC_setup& setup, double margin_scale);

// The block engine's bounds assume finite inputs and positive standard
// deviations; anything else goes to the reference.
bool blocks_apply(const tMC_setup& s);

// --- Lanes for each instruction set ------------------------------------------

// Decides the next block_run candidates of each of the `lanes` runs, from the
// generator states s1[l], s2[l] (in double), which it advances.
using tDecide_lanes = void (*)(double* s1, double* s2, const tCandidate_margins& cm,
                               tLane_block& b);
// The trials of four scores, four at a time: adds the hits of the sure ones
// and returns how many were not, their numbers in `unsure`.
using tFour_score_trials = int (*)(const tTrial_margins& t, const tMC_setup& s, const double* x,
                                   int n, tMC_hits& hits, int* unsure);
tDecide_lanes lane_decider(tMC_path path);
tFour_score_trials four_score_batch(tMC_path path);

// --- The block engine ----------------------------------------------------------

class tBlock_run {
public:
    tBlock_run(const tMC_setup& setup, int threads, tRandom_generator& generator,
               const tMC_options& options);
    // False when the engine could not proceed (it never happens with chunks
    // of this size); the caller then runs the reference.
    bool run(tMC_hits& hits, tMC_fallbacks& fallbacks);

private:
    struct tSlot {
        long long chunk = -1; // the chunk held, -1 when free
        bool generated = false;
        bool tried = false;
        int count[lanes] = {};
        int total = 0;
        long long first_deviate = 0; // stream index of its first deviate
    };
    enum class tJob_kind { none, generate, trials };
    struct tJob {
        tJob_kind kind = tJob_kind::none;
        long long chunk = 0;
    };

    tSlot& slot_of(long long chunk) { return slots_[static_cast<std::size_t>(chunk % slot_count_)]; }
    double* x_of(long long chunk) { return &x_[static_cast<std::size_t>(chunk % slot_count_) * chunk_size]; }
    std::uint16_t* cand_of(long long chunk)
    {
        return &cand_[static_cast<std::size_t>(chunk % slot_count_) * chunk_size];
    }

    void work();
    tJob next_job(std::unique_lock<std::mutex>& lock);
    bool trials_ready(long long chunk);
    void generated(long long chunk, int total, long fallbacks);
    void tried(long long chunk, const tMC_hits& hits, long fallbacks);

    void generate_chunk(long long chunk, long& fallbacks);
    bool resolve_candidate(double z_u, double z_v, double u, double& x) const;
    void try_chunk(long long chunk, tMC_hits& hits, long& fallbacks);
    template <int M>
    void try_segment(long long chunk, int lane, long long first, tMC_hits& hits, long& fallbacks);
    void gather(long long chunk, int lane, int pos, double* x, long long* cand);
    template <int M>
    void trial_in_extended(const long long* cand, tMC_hits& hits);

    const tMC_setup& setup_;
    const int threads_;
    tRandom_generator& generator_;
    const tGeneratorState start_;
    const long long deviates_needed_;
    tNormal_distribution normal_{0.0L, 1.0L};
    const tDecide_lanes decide_;
    const tFour_score_trials four_score_trials_;
    const tCandidate_margins cm_;
    const tTrial_margins tm_;
    std::int32_t lane_jump_1_ = 0; // multipliers that move a state 2 lane_run steps
    std::int32_t lane_jump_2_ = 0;

    int slot_count_ = 0;
    std::unique_ptr<tSlot[]> slots_;
    std::unique_ptr<double[]> x_;
    std::unique_ptr<std::uint16_t[]> cand_;

    // Scheduling, under mutex_.
    std::mutex mutex_;
    std::condition_variable wake_;
    long long next_generate_ = 0;
    long long generated_frontier_ = 0; // every chunk below it is generated
    long long deviates_before_frontier_ = 0;
    long long deviates_generated_ = 0;
    int generating_ = 0;
    long long next_trials_ = 0;
    long long tried_frontier_ = 0; // every chunk below it has had its trials
    int busy_ = 0;
    long long last_chunk_ = -1;
    long long candidates_used_ = 0;
    bool stuck_ = false;
    tMC_hits hits_;
    tMC_fallbacks fallbacks_;
};

} // namespace mc_blocks
