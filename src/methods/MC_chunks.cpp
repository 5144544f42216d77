// The work of the block engine on one chunk: its candidates decided in
// double precision (the doubtful ones again in extended precision), and the
// trials that start in it, each counted in double precision or, within the
// margins, exactly as the reference counts it.
#include "methods/MC_blocks.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>

namespace mc_blocks {

namespace {

// One trial's counts in double precision from its deviates x[0..m-1]; false
// when some comparison lies within the margin (then the counts mean nothing).
// For one score the deviation is 0 - or 0/0 - in extended precision and
// never abnormal, so it is not counted here either.
template <int M>
bool trial_in_double(const tTrial_margins& t, int m, const double* x, int& low, int& dev,
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

} // namespace

// --- Candidates --------------------------------------------------------------

// Decides one chunk's candidates, `lanes` runs side by side, and stores each
// run's accepted deviates (double precision, NaN below u_floor) with their
// candidate numbers in the chunk, run after run.
void tBlock_run::generate_chunk(long long chunk, long& fallbacks)
{
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
        decide_(s1, s2, cm_, block);

        // The candidates the logarithm decides, and those within its margin.
        for (int i = 0; i < block_run; ++i) {
            for (int l = 0; l < lanes; ++l) {
                std::int64_t& status = block.status[i][l];
                if (status != candidate_needs_log)
                    continue;
                const double L = -4 * std::log(block.u[i][l]);
                const double q = block.q[i][l];
                if (std::fabs(q - L) > cm_.unit * (block.eq[i][l] + 8 + 8 * L)) {
                    status = q < L ? candidate_accepted : candidate_rejected;
                    continue;
                }
                ++fallbacks;
                status = resolve_candidate(block.z_u[i][l], block.z_v[i][l], block.u[i][l],
                                           block.x[i][l])
                             ? candidate_accepted
                             : candidate_rejected;
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
        const long long past = end >= m ? std::min<long long>(setup_.trials, (end - m) / m + 1) : 0;
        const long long whole = past - t;
        const int n = whole > 0 ? static_cast<int>(whole / 4 * 4) : 0;
        int unsure[lane_run / 4 + 4];
        const int at = static_cast<int>(t * m - first);
        const int n_unsure = four_score_trials_(tm_, setup_, xs + at, n, hits, unsure);
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

} // namespace mc_blocks
