// The trials of the Monte Carlo base rates: the extended-precision reference
// and the block engine that reproduces it.
//
// Methods: L'Ecuyer's combined generator, jumped ahead by modular powers of
// its multipliers; Kinderman and Monahan's ratio-of-uniforms normal draw with
// quadratic bounds; profiles y = L u from the Choleski factor; forward error
// bounds of floating-point arithmetic (each operation off by at most half an
// ulp of its result), by which a double-precision decision is kept only when
// it cannot differ from the extended-precision one.
//
// Why blocks give the reference's numbers. Candidate j of a run uses uniforms
// 2j and 2j + 1 from the state at the start, and whether it is accepted
// depends on those two alone. The accepted candidates, in stream order, are
// the deviates, and consecutive groups of m deviates are the trials. So the
// stream is cut into chunks of `chunk_size` candidates, each chunk into
// `lanes` runs decided side by side; a chunk's accepted deviates are stored
// with their candidate numbers, and once the counts of all earlier chunks are
// known its trials are evaluated. Every hit is a sum of per-trial decisions,
// so the order in which threads finish changes nothing. The run ends at the
// candidate that gives the last deviate, and the generator is set to the
// state after it.
//
// Why double precision decides the same way. See the comments at
// tCandidate_margins and tTrial_margins: each compared quantity carries a
// bound on the difference between its double-precision and its extended
// value, and a comparison is taken from double precision only when the two
// sides are further apart than that bound; otherwise the candidate (through
// tNormal_distribution::AcceptCandidate) or the trial (through the same
// trial code as the reference) is decided again in extended precision.
#include "methods/MC_engine.h"

#include "common/x87_precision.h"

#include "methods/Metrics_Papers.h"

#include "numerics/distrib.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// --- The reference ---------------------------------------------------------

// The counts of one trial from its deviates u[1..m], in extended precision.
// M > 0 fixes the dimension at compile time (the usual four scores, which the
// compiler unrolls); M = 0 takes it from the setup. The same arithmetic
// either way.
template <int M>
void count_trial(const tMC_setup& s, const tVector& u, int& low, int& dev, int& pair)
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

void add_hits(const tMC_setup& s, int low, int dev, int pair, tMC_hits& hits)
{
    if (low >= s.k_low)
        ++hits.low;
    if (dev >= s.k_dev)
        ++hits.dev;
    if (pair >= s.k_pair)
        ++hits.pair;
}

template <int M>
tMC_hits sequential_trials(const tMC_setup& s)
{
    const int dim = M > 0 ? M : s.m;
    // The one standard normal object of the estimate; a local object of
    // known type, so its draw is called directly.
    tNormal_distribution normal(0.0L, 1.0L);
    tMC_hits hits;
    tVector u{};
    for (long trial = 0; trial < s.trials; ++trial) {
        // One deviate per score, in index order, from the one object.
        for (int i = 1; i <= dim; ++i)
            u[i] = normal.RandomVariate();
        int low, dev, pair;
        count_trial<M>(s, u, low, dev, pair);
        add_hits(s, low, dev, pair, hits);
    }
    return hits;
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

// W lanes in one vector register; comparisons give lane masks (all bits set
// for true). Everything here is inlined into the two instruction-set
// versions below, so the note that passing such vectors changes the calling
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
            const V A = 6 - 8 * u + 2 * u * u;
            const V B = 2 * ru - 2 * u;
            const M sure_a = lanes_abs(q - A) > cm.unit * (eq + 30);
            const M sure_b = lanes_abs(q - B) > cm.unit * (eq + 8 * ru + 4);
            const M below_a = q < A;
            const M above_b = q > B;
            // Between the quick bounds, the tighter bounds of -4 ln u.
            const V w = 1 - u;
            const V lower = 4 * (w * (1 + w * (0.5 + w * (1.0 / 3 + 0.25 * w))));
            const V w2 = w * w;
            const V upper = lower + w2 * w2 * w * ru;
            const M between = sure_a & ~below_a & sure_b & ~above_b;
            const M sure_lower = lower - q > cm.unit * (eq + 130);
            const M sure_upper = q - upper > cm.unit * (eq + 130 + 30 * ru);
            const M status = (sure_a & below_a & accept) | (between & sure_lower & accept) |
                             (between & ~sure_lower & ~sure_upper & needs_log) |
                             ((~sure_a | (~below_a & ~sure_b)) & unsure);
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

// Four lanes to a register where the processor has AVX2 (with AVX-512's
// registers where it has those too), two elsewhere; the decisions are the
// same bit for bit every way.
__attribute__((target("avx512f,avx512dq,avx512vl,avx2,fma"))) void decide_lanes_avx512(
    double* s1, double* s2, const tCandidate_margins& cm, tLane_block& b)
{
    decide_lanes<4>(s1, s2, cm, b);
}

__attribute__((target("avx2,fma"))) void decide_lanes_avx2(double* s1, double* s2,
                                                         const tCandidate_margins& cm,
                                                         tLane_block& b)
{
    decide_lanes<4>(s1, s2, cm, b);
}

void decide_lanes_base(double* s1, double* s2, const tCandidate_margins& cm, tLane_block& b)
{
    decide_lanes<2>(s1, s2, cm, b);
}

using tDecide_lanes = void (*)(double*, double*, const tCandidate_margins&, tLane_block&);

bool cpu_has_avx2()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}

// AVX-512 on four lanes: its 32 registers and mask registers, not wider ones.
bool cpu_has_avx512vl()
{
    return cpu_has_avx2() && __builtin_cpu_supports("avx512f") &&
           __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl");
}

tDecide_lanes lane_decider()
{
    return cpu_has_avx512vl() ? decide_lanes_avx512
           : cpu_has_avx2()   ? decide_lanes_avx2
                              : decide_lanes_base;
}

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

bool finite_positive(extended v)
{
    return std::isfinite(v) && v > 0;
}

// The block engine's bounds assume finite inputs and positive standard
// deviations; anything else goes to the reference.
bool blocks_apply(const tMC_setup& s)
{
    if (s.m < 1 || s.m > max_dim || !std::isfinite(s.cut) || !std::isfinite(s.abs_crit) ||
        s.abs_crit < 0)
        return false;
    for (int i = 1; i <= s.m; ++i) {
        for (int j = 1; j <= s.m; ++j)
            if (!std::isfinite(s.L[i][j]))
                return false;
        if (s.m > 1 && !finite_positive(s.sdDev[i]))
            return false;
        for (int j = i + 1; j <= s.m; ++j)
            if (!finite_positive(s.sdPair[i][j]))
                return false;
    }
    return true;
}

// --- The block engine --------------------------------------------------------

class tBlock_run {
public:
    tBlock_run(const tMC_setup& setup, int threads, double margin_scale);
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
    tCandidate_margins cm_{};
    tTrial_margins tm_{};
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

tBlock_run::tBlock_run(const tMC_setup& setup, int threads, double margin_scale)
    : setup_(setup),
      threads_(threads),
      start_(GeneratorState()),
      deviates_needed_(static_cast<long long>(setup.trials) * setup.m)
{
    const int m = setup.m;
    cm_.scale = static_cast<double>(4.656613e-10L);
    cm_.rou = static_cast<double>(std::sqrt(2 / std::exp(1.0L)));
    cm_.unit = safety * unit_roundoff * margin_scale;
    cm_.x_limit = std::sqrt(-4.0 * std::log(u_floor)) * (1 + 1e-9);

    double row_max = 0;
    double limit_max = 0;
    for (int i = 0; i < m; ++i) {
        double row = 0;
        for (int j = 0; j < m; ++j) {
            tm_.L[i][j] = static_cast<double>(setup.L[i + 1][j + 1]);
            row += std::fabs(tm_.L[i][j]);
        }
        row_max = std::max(row_max, row);
        const double crit = static_cast<double>(setup.abs_crit);
        tm_.dev_limit[i] = crit * static_cast<double>(setup.sdDev[i + 1]);
        limit_max = std::max(limit_max, tm_.dev_limit[i]);
        for (int j = i + 1; j < m; ++j) {
            tm_.pair_limit[i][j] = crit * static_cast<double>(setup.sdPair[i + 1][j + 1]);
            limit_max = std::max(limit_max, tm_.pair_limit[i][j]);
        }
    }
    tm_.cut = static_cast<double>(setup.cut);
    const double e = unit_roundoff;
    const double e_x = (6 / u_floor + 4 * cm_.x_limit) * (e + unit_roundoff_x);
    const double y_max = row_max * cm_.x_limit;
    const double e_y = row_max * e_x + (m + 3) * e * y_max;
    const double e_d = 2 * e_y + 2 * (m + 4) * e * y_max;
    tm_.tol = safety * (e_d + e * (4 * y_max + 4 * limit_max + std::fabs(tm_.cut))) * margin_scale;

    const tGeneratorState jump = JumpGeneratorState({1, 1}, 2 * lane_run);
    lane_jump_1_ = jump.s1;
    lane_jump_2_ = jump.s2;

    // The trials wait for the oldest chunk under way; meanwhile the other
    // threads go on generating, into enough slots to bridge a thread that the
    // system sets aside for a while: 24 chunks (3.9 MB) for two threads, at
    // most 80 (13 MB).
    slot_count_ = std::min(80, 16 + 4 * threads);
    slots_.reset(new tSlot[slot_count_]);
    x_.reset(new double[static_cast<std::size_t>(slot_count_) * chunk_size]);
    cand_.reset(new std::uint16_t[static_cast<std::size_t>(slot_count_) * chunk_size]);
}

bool tBlock_run::run(tMC_hits& hits, tMC_fallbacks& fallbacks)
{
    std::vector<std::thread> helpers;
    helpers.reserve(static_cast<std::size_t>(threads_)); // before any thread starts
    for (int t = 1; t < threads_; ++t) {
        try {
            helpers.push_back(extended_thread([this] { work(); }));
        } catch (const std::system_error&) {
            break; // fewer threads: the same numbers, later
        }
    }
    work();
    for (std::thread& helper : helpers)
        helper.join();
    if (stuck_)
        return false;
    hits = hits_;
    fallbacks.candidates += fallbacks_.candidates;
    fallbacks.trials += fallbacks_.trials;
    SetGeneratorState(JumpGeneratorState(start_, 2 * static_cast<std::uint64_t>(candidates_used_)));
    return true;
}

void tBlock_run::work()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        const tJob job = next_job(lock);
        if (job.kind == tJob_kind::none)
            return;
        ++busy_;
        lock.unlock();
        long fallbacks = 0;
        if (job.kind == tJob_kind::generate) {
            generate_chunk(job.chunk, fallbacks);
            lock.lock();
            generated(job.chunk, slot_of(job.chunk).total, fallbacks);
        } else {
            tMC_hits hits;
            try_chunk(job.chunk, hits, fallbacks);
            lock.lock();
            tried(job.chunk, hits, fallbacks);
        }
        --busy_;
        wake_.notify_all();
    }
}

// The next job for a thread, waiting while none is ready; none when the run is
// complete. The trials of the oldest chunk come first: they free its slot.
tBlock_run::tJob tBlock_run::next_job(std::unique_lock<std::mutex>& lock)
{
    for (;;) {
        if (stuck_ || deviates_needed_ == 0 || (last_chunk_ >= 0 && tried_frontier_ > last_chunk_))
            return {};
        const long long c = next_trials_;
        if (c < generated_frontier_ && (last_chunk_ < 0 || c <= last_chunk_) && trials_ready(c)) {
            ++next_trials_;
            return {tJob_kind::trials, c};
        }
        // More chunks while the deviates generated, counting 0.7 of a chunk
        // for each one under way (about 0.73 are accepted), fall short.
        const bool wanted =
            last_chunk_ < 0 && deviates_generated_ + generating_ * (chunk_size * 7 / 10) <
                                   deviates_needed_;
        if (wanted && next_generate_ < tried_frontier_ + slot_count_) {
            const long long g = next_generate_++;
            tSlot& slot = slot_of(g);
            slot.chunk = g;
            slot.generated = false;
            slot.tried = false;
            ++generating_;
            return {tJob_kind::generate, g};
        }
        if (busy_ == 0) {
            // Nothing under way and nothing can start: the slots are full of
            // chunks too poor in deviates for the oldest chunk's last trial.
            stuck_ = true;
            wake_.notify_all();
            return {};
        }
        wake_.wait(lock);
    }
}

// A chunk's trials can run once every deviate they read is known: its own,
// and up to m - 1 from the chunks after it.
bool tBlock_run::trials_ready(long long chunk)
{
    if (last_chunk_ >= 0)
        return true;
    const tSlot& slot = slot_of(chunk);
    return deviates_before_frontier_ - (slot.first_deviate + slot.total) >= setup_.m - 1;
}

void tBlock_run::generated(long long chunk, int total, long fallbacks)
{
    --generating_;
    slot_of(chunk).generated = true;
    deviates_generated_ += total;
    fallbacks_.candidates += fallbacks;
    for (;;) {
        tSlot& slot = slot_of(generated_frontier_);
        if (slot.chunk != generated_frontier_ || !slot.generated)
            break;
        slot.first_deviate = deviates_before_frontier_;
        deviates_before_frontier_ += slot.total;
        if (last_chunk_ < 0 && deviates_before_frontier_ >= deviates_needed_) {
            // The candidate that gives the last deviate ends the run.
            last_chunk_ = generated_frontier_;
            long long k = deviates_needed_ - 1 - slot.first_deviate;
            int lane = 0;
            while (k >= slot.count[lane])
                k -= slot.count[lane++];
            const std::uint16_t cand = cand_of(generated_frontier_)[lane * lane_run + k];
            candidates_used_ = generated_frontier_ * chunk_size + cand + 1;
        }
        ++generated_frontier_;
    }
}

void tBlock_run::tried(long long chunk, const tMC_hits& hits, long fallbacks)
{
    slot_of(chunk).tried = true;
    hits_.low += hits.low;
    hits_.dev += hits.dev;
    hits_.pair += hits.pair;
    fallbacks_.trials += fallbacks;
    for (;;) {
        tSlot& slot = slot_of(tried_frontier_);
        if (slot.chunk != tried_frontier_ || !slot.tried)
            break;
        slot.chunk = -1;
        ++tried_frontier_;
    }
}

// --- Candidates --------------------------------------------------------------

// Decides one chunk's candidates, `lanes` runs side by side, and stores each
// run's accepted deviates (double precision, NaN below u_floor) with their
// candidate numbers in the chunk, run after run.
void tBlock_run::generate_chunk(long long chunk, long& fallbacks)
{
    static const tDecide_lanes decide = lane_decider();
    tSlot& slot = slot_of(chunk);
    double* xs = x_of(chunk);
    std::uint16_t* cands = cand_of(chunk);

    double s1[lanes];
    double s2[lanes];
    tGeneratorState state =
        JumpGeneratorState(start_, 2 * static_cast<std::uint64_t>(chunk) * chunk_size);
    for (int l = 0; l < lanes; ++l) {
        s1[l] = state.s1;
        s2[l] = state.s2;
        state.s1 = static_cast<std::int32_t>(std::int64_t(state.s1) * lane_jump_1_ % generator_m1);
        state.s2 = static_cast<std::int32_t>(std::int64_t(state.s2) * lane_jump_2_ % generator_m2);
    }

    tLane_block block;
    int count[lanes] = {};
    for (int first = 0; first < lane_run; first += block_run) {
        decide(s1, s2, cm_, block);

        // The candidates between the quick bounds, and those too close to one.
        for (int i = 0; i < block_run; ++i) {
            for (int l = 0; l < lanes; ++l) {
                std::int64_t& status = block.status[i][l];
                if (status < needs_log)
                    continue;
                if (status == needs_log) {
                    const double L = -4 * std::log(block.u[i][l]);
                    const double q = block.q[i][l];
                    if (std::fabs(q - L) > cm_.unit * (block.eq[i][l] + 8 + 2 * L)) {
                        status = q < L ? accept : reject;
                        continue;
                    }
                }
                ++fallbacks;
                status = resolve_candidate(block.z_u[i][l], block.z_v[i][l], block.u[i][l],
                                           block.x[i][l])
                             ? accept
                             : reject;
            }
        }

        // Each lane's accepted deviates, in order: every candidate is written
        // at the lane's next place, which only an accepted one keeps.
        for (int l = 0; l < lanes; ++l) {
            double* x_out = xs + l * lane_run;
            std::uint16_t* cand_out = cands + l * lane_run;
            int c = count[l];
            for (int i = 0; i < block_run; ++i) {
                x_out[c] = block.x[i][l];
                cand_out[c] = static_cast<std::uint16_t>(l * lane_run + first + i);
                c += static_cast<int>(block.status[i][l]);
            }
            count[l] = c;
        }
    }
    int total = 0;
    for (int l = 0; l < lanes; ++l) {
        slot.count[l] = count[l];
        total += count[l];
    }
    slot.total = total;
}

// The candidate decided in extended precision by the draw's own test; an
// accepted deviate is stored rounded to double.
bool tBlock_run::resolve_candidate(double z_u, double z_v, double u, double& x) const
{
    extended deviate = 0;
    if (!normal_.AcceptCandidate(static_cast<std::int32_t>(z_u), static_cast<std::int32_t>(z_v),
                                 deviate))
        return false;
    const double d = static_cast<double>(deviate);
    x = (u < u_floor || std::fabs(d) > cm_.x_limit) ? std::numeric_limits<double>::quiet_NaN() : d;
    return true;
}

// --- Trials ------------------------------------------------------------------

// One trial's counts in double precision from its deviates x[0..m-1]; false
// when some comparison lies within the margin (then the counts mean nothing).
// For one score the deviation is 0 - or 0/0 - in extended precision and
// never abnormal, so it is not counted here either.
template <int M>
inline bool trial_in_double(const tTrial_margins& t, int m, const double* x, int& low, int& dev,
                            int& pair)
{
    const int dim = M > 0 ? M : m;
    double y[max_dim];
    double sum = 0;
    for (int i = 0; i < dim; ++i) {
        double yi = 0;
        for (int j = 0; j < dim; ++j)
            yi += t.L[i][j] * x[j];
        y[i] = yi;
        sum += yi;
    }
    const double ybar = sum / dim;
    bool sure = true;
    int n_low = 0;
    int n_dev = 0;
    int n_pair = 0;
    for (int i = 0; i < dim; ++i) {
        n_low += y[i] < t.cut;
        sure &= std::fabs(y[i] - t.cut) > t.tol;
    }
    if (dim > 1) {
        for (int i = 0; i < dim; ++i) {
            const double d = std::fabs(y[i] - ybar);
            n_dev += d > t.dev_limit[i];
            sure &= std::fabs(d - t.dev_limit[i]) > t.tol;
        }
    }
    for (int i = 0; i < dim; ++i) {
        for (int j = i + 1; j < dim; ++j) {
            const double d = std::fabs(y[i] - y[j]);
            n_pair += d > t.pair_limit[i][j];
            sure &= std::fabs(d - t.pair_limit[i][j]) > t.tol;
        }
    }
    low = n_low;
    dev = n_dev;
    pair = n_pair;
    return sure;
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

__attribute__((target("avx512f,avx512dq,avx512vl,avx2,fma"))) int four_score_trials_avx512(
    const tTrial_margins& t, const tMC_setup& s, const double* x, int n, tMC_hits& hits,
    int* unsure)
{
    return four_score_trials(t, s, x, n, hits, unsure);
}

__attribute__((target("avx2,fma"))) int four_score_trials_avx2(const tTrial_margins& t,
                                                                const tMC_setup& s,
                                                                const double* x, int n,
                                                                tMC_hits& hits, int* unsure)
{
    return four_score_trials(t, s, x, n, hits, unsure);
}

int four_score_trials_base(const tTrial_margins& t, const tMC_setup& s, const double* x, int n,
                           tMC_hits& hits, int* unsure)
{
    return four_score_trials(t, s, x, n, hits, unsure);
}

using tFour_score_trials = int (*)(const tTrial_margins&, const tMC_setup&, const double*, int,
                                   tMC_hits&, int*);

void tBlock_run::try_chunk(long long chunk, tMC_hits& hits, long& fallbacks)
{
    const tSlot& slot = slot_of(chunk);
    long long first = slot.first_deviate;
    for (int lane = 0; lane < lanes; ++lane) {
        if (setup_.m == 4)
            try_segment<4>(chunk, lane, first, hits, fallbacks);
        else
            try_segment<0>(chunk, lane, first, hits, fallbacks);
        first += slot.count[lane];
    }
}

// The trials that start in one run of a chunk, whose first deviate has
// stream index `first`; the last of them may read on into later runs.
template <int M>
void tBlock_run::try_segment(long long chunk, int lane, long long first, tMC_hits& hits,
                             long& fallbacks)
{
    const int m = M > 0 ? M : setup_.m;
    const long long end = first + slot_of(chunk).count[lane];
    const double* xs = x_of(chunk) + lane * lane_run;
    const std::uint16_t* cands = cand_of(chunk) + lane * lane_run;
    const long long base = chunk * chunk_size;
    long long t = (first + m - 1) / m;
    int low, dev, pair;
    long long cand[max_dim];
    if (M == 4) {
        // Whole trials of this run, four at a time.
        static const tFour_score_trials batch = cpu_has_avx512vl() ? four_score_trials_avx512
                                                : cpu_has_avx2()       ? four_score_trials_avx2
                                                                       : four_score_trials_base;
        const long long past = end >= m ? std::min<long long>(setup_.trials, (end - m) / m + 1) : 0;
        const long long whole = past - t;
        const int n = whole > 0 ? static_cast<int>(whole / 4 * 4) : 0;
        int unsure[lane_run / 4 + 4];
        const int at = static_cast<int>(t * m - first);
        const int n_unsure = batch(tm_, setup_, xs + at, n, hits, unsure);
        for (int k = 0; k < n_unsure; ++k) {
            ++fallbacks;
            for (int j = 0; j < m; ++j)
                cand[j] = base + cands[at + unsure[k] * m + j];
            trial_in_extended<M>(cand, hits);
        }
        t += n;
    }
    for (; t < setup_.trials && t * m + m <= end; ++t) {
        const int at = static_cast<int>(t * m - first);
        if (trial_in_double<M>(tm_, m, xs + at, low, dev, pair)) {
            add_hits(setup_, low, dev, pair, hits);
            continue;
        }
        ++fallbacks;
        for (int k = 0; k < m; ++k)
            cand[k] = base + cands[at + k];
        trial_in_extended<M>(cand, hits);
    }
    if (t < setup_.trials && t * m < end) {
        double x[max_dim];
        gather(chunk, lane, static_cast<int>(t * m - first), x, cand);
        if (trial_in_double<M>(tm_, m, x, low, dev, pair)) {
            add_hits(setup_, low, dev, pair, hits);
        } else {
            ++fallbacks;
            trial_in_extended<M>(cand, hits);
        }
    }
}

// m deviates from position pos of a run on, across runs and chunks.
void tBlock_run::gather(long long chunk, int lane, int pos, double* x, long long* cand)
{
    for (int k = 0; k < setup_.m;) {
        if (pos < slot_of(chunk).count[lane]) {
            x[k] = x_of(chunk)[lane * lane_run + pos];
            cand[k] = chunk * chunk_size + cand_of(chunk)[lane * lane_run + pos];
            ++k;
            ++pos;
        } else {
            pos = 0;
            if (++lane == lanes) {
                lane = 0;
                ++chunk;
            }
        }
    }
}

// The trial of the given candidates, as the reference computes it: each
// deviate drawn again in extended precision from its candidate's state.
template <int M>
void tBlock_run::trial_in_extended(const long long* cand, tMC_hits& hits)
{
    tVector u{};
    for (int k = 0; k < setup_.m; ++k) {
        const tGeneratorState state =
            JumpGeneratorState(start_, 2 * static_cast<std::uint64_t>(cand[k]));
        std::int32_t s1 = state.s1;
        std::int32_t s2 = state.s2;
        const std::int32_t z_u = generator_step(s1, s2);
        const std::int32_t z_v = generator_step(s1, s2);
        extended x = 0;
        const bool accepted = normal_.AcceptCandidate(z_u, z_v, x);
        assert(accepted);
        (void)accepted;
        u[k + 1] = x;
    }
    int low, dev, pair;
    count_trial<M>(setup_, u, low, dev, pair);
    add_hits(setup_, low, dev, pair, hits);
}

} // namespace

void MC_setup_of(const tMatrix& R, int n, const tBool_vector& flags, extended cut, extended crit,
                 int k_low, int k_dev, int k_pair, long trials, tMC_setup& setup)
{
    setup = tMC_setup{};
    const int m = count_true(n, flags);
    setup.m = m;
    extract_submatrix(R, n, flags, setup.L);
    tVector ones;
    fill_vector(m, 1.0L, ones);
    // Both taken from the correlation matrix before it is factored.
    get_SD_DevMean(m, ones, setup.L, setup.sdDev);
    get_SD_diff_pairwise_all(m, ones, setup.L, setup.sdPair);
    choleski_decomposition(m, setup.L);
    setup.cut = cut;
    setup.abs_crit = std::fabs(crit);
    setup.k_low = k_low;
    setup.k_dev = k_dev;
    setup.k_pair = k_pair;
    setup.trials = trials;
}

tMC_hits MC_hits_sequential(const tMC_setup& setup)
{
    return setup.m == 4 ? sequential_trials<4>(setup) : sequential_trials<0>(setup);
}

tMC_hits MC_hits_blocks(const tMC_setup& setup, int threads, tMC_fallbacks* fallbacks,
                        double margin_scale)
{
    if (setup.trials <= 0 || !blocks_apply(setup))
        return MC_hits_sequential(setup);
    const tGeneratorState start = GeneratorState();
    tMC_hits hits;
    tMC_fallbacks counted;
    try {
        tBlock_run run(setup, std::min(std::max(threads, 1), max_threads), margin_scale);
        if (run.run(hits, counted)) {
            if (fallbacks)
                *fallbacks = counted;
            return hits;
        }
    } catch (const std::bad_alloc&) {
        // No room for the chunks: the reference needs none.
    }
    SetGeneratorState(start);
    return MC_hits_sequential(setup);
}

int MC_thread_count()
{
    const unsigned hardware = std::thread::hardware_concurrency();
    return static_cast<int>(std::min<unsigned>(std::max(hardware, 1u), max_threads));
}
