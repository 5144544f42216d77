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
// Every first-order bound below is multiplied by this: it covers the
// second-order terms, the extended-precision side (2^-11 of the double side)
// and the rounding of the margin tests themselves many times over.
constexpr double safety = 8.0;

// Deviates whose u lies below this are stored as NaN, which sends their
// trials to extended precision: it keeps the error bound of x, which grows
// like 1 / u, small. About 5 deviates in a million.
constexpr double u_floor = 0x1p-10;

// Candidate status from the double-precision test.
constexpr std::int64_t reject = 0;
constexpr std::int64_t accept = 1;
constexpr std::int64_t needs_log = 2; // between the quick bounds: the logarithm decides
constexpr std::int64_t unsure = 3;    // too close to a quick bound: extended precision decides

// Error bounds of the acceptance test, with e = 2^-53, for a candidate of
// outputs (z_u, z_v). The reference values are those of exact arithmetic on
// the extended constants S = 4.656613e-10 and c = sqrt(2/e); the double
// constants differ from them by at most e relatively.
//   u = z_u S            double: |du| <= 2e u
//   w = z_v S            |dw| <= 2e w <= 2e
//   t = 2w - 1           |dt| <= 4e + e |t| <= 5e          (|t| < 1)
//   v = t c              |dv| <= 5e c + 2e |v| <= 6e        (c < 0.86)
//   1/u                  relative error <= 3e
//   x = v (1/u)          |dx| <= 6e / u + 4e |x|
//   q = x x              |dq| <= 12e |x| / u + 9e q
//   A = 6 - 8u + 2u u    |dA| <= 16e (through u) + 14e <= 30e
//   B = 2/u - 2u         |dB| <= 8e / u + 4e
//   L = -4 ln u          |dL| <= 4 (2e + 2e |ln u|) = e (8 + 2L)   (log within 1 ulp)
// The extended computation obeys the same bounds with 2^-64 in place of e
// (its constants are exact), so q_double - T_double differs from
// q_extended - T_extended by less than the sum of the two bounds; the test
// uses safety times it. When |q - T| in double exceeds that, the extended
// comparison has the same outcome, ties included.
//   Between the quick bounds (A < q < B for sure) the extended test is
// q <= L. With w = 1 - u, the series -ln u = w + w^2/2 + w^3/3 + ... gives
//   lower = 4 (w + w^2/2 + w^3/3 + w^4/4) <= L <= lower + w^5 / u = upper
// (the tail from w^4 on is at most (w^4/4) / (1 - w)). In double
// |dw| <= 3e, and |d lower| <= 4 (16 x 3e / 4 + 9e) < 90e,
// |d upper| <= |d lower| + 23e / u. So q below lower, or above upper, by
// more than the margins (130e, and 130e + 30e / u, besides q's own) is
// accepted, or rejected, by the extended logarithm too; only the rest (one
// candidate in thirty) takes a logarithm in double, and the few within its
// margin the extended test.
// Which terms a candidate has been seen to need (the tests hold each such
// candidate; with the term set to zero the engine's numbers differ from the
// reference's): the logarithm's constant 8, and the margin of the logarithm
// as a whole. Near the quick bounds, near u = 1 where A, B and -4 ln u all
// come close to 0 and q's own bound eq is small, a search of 300,000 values
// of u found no candidate whose double-precision decision the constants 30,
// 8/u + 4, 130 or 30/u alone keep right: there the actual differences
// between the double and the extended side stay far below those
// worst-case bounds. They are kept, being sound; cutting them would rest on
// that search, not on a proof.
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


// Error bounds of one trial from deviates stored in double precision, each
// within E_x of its extended value (u >= u_floor, |x| <= X):
//   E_x = (6 / u_floor + 4X) e (1 + 2^-11)
// With R the largest row sum of |L| and Y = R X the largest |y|:
//   y = L x     |dy| <= E_y = R E_x + (m + 3) e Y          (sums of m products)
//   mean of y   |dm| <= E_y + (m + 2) e Y
//   y_i - mean, y_i - y_j:  |dd| <= E_d = 2 E_y + 2 (m + 4) e Y
// The extended test |d / sd| > crit is the exact comparison of
// |d| (1 + r) with crit * sd, |r| <= 2^-64, and crit * sd in double is within
// 3e of its exact value; y < cut compares y within E_y against cut within
// e |cut|. So one margin,
//   tol = safety (E_d + e (4Y + 4T + |cut|)),  T the largest crit * sd,
// covers every comparison of a trial: when each double-precision difference
// exceeds it, the trial's three counts are the extended ones. A NaN deviate
// fails every margin test.
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

// Failures the tests provoke, so that the engine's ways out are each seen to
// give the reference's numbers: no memory for the chunks, and a ring of slots
// too small for any trial (the scheduler then finds itself stuck). Read when
// a run starts; the program never sets them.
struct tMC_injected_faults {
    bool no_memory = false;
    int slot_count = 0; // 0: the engine's own
};
extern tMC_injected_faults MC_injected_faults;

class tBlock_run {
public:
    tBlock_run(const tMC_setup& setup, int threads, double margin_scale, tMC_path path);
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
