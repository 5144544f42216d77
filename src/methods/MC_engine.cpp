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
//
// The files of the block engine are listed in MC_blocks.h.
#include "methods/MC_engine.h"

#include "methods/MC_blocks.h"
#include "methods/difference_SDs.h"

#include "numerics/distrib.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <thread>

using namespace mc_blocks;

namespace {

template <int M>
tMC_hits sequential_trials(const tMC_setup& s, tRandom_generator& generator)
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
            u[i] = normal.RandomVariate(generator);
        int low, dev, pair;
        count_trial<M>(s, u, low, dev, pair);
        add_hits(s, low, dev, pair, hits);
    }
    return hits;
}

} // namespace

void MC_prepare(const tMatrix& R, int n, const tBool_vector& flags, tMC_setup& setup)
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
}

void MC_setup_of(const tMatrix& R, int n, const tBool_vector& flags, extended cut, extended crit,
                 int k_low, int k_dev, int k_pair, long trials, tMC_setup& setup)
{
    MC_prepare(R, n, flags, setup);
    MC_set_criteria(cut, crit, k_low, k_dev, k_pair, trials, setup);
}

void MC_set_criteria(extended cut, extended crit, int k_low, int k_dev, int k_pair, long trials,
                     tMC_setup& setup)
{
    setup.cut = cut;
    setup.abs_crit = std::fabs(crit);
    setup.k_low = k_low;
    setup.k_dev = k_dev;
    setup.k_pair = k_pair;
    setup.trials = trials;
}

tMC_hits MC_hits_sequential(const tMC_setup& setup, tRandom_generator& generator)
{
    return setup.m == 4 ? sequential_trials<4>(setup, generator)
                        : sequential_trials<0>(setup, generator);
}

tMC_hits MC_hits_blocks(const tMC_setup& setup, int threads, tRandom_generator& generator,
                        tMC_fallbacks* fallbacks, const tMC_options& options)
{
    if (setup.trials <= 0 || !blocks_apply(setup))
        return MC_hits_sequential(setup, generator);
    const tGeneratorState start = generator.State();
    tMC_hits hits;
    tMC_fallbacks counted;
    try {
        tBlock_run run(setup, std::min(std::max(threads, 1), max_threads), generator, options);
        if (run.run(hits, counted)) {
            if (fallbacks)
                *fallbacks = counted;
            return hits;
        }
    } catch (const std::bad_alloc&) {
        // No room for the chunks: the reference needs none.
    }
    if (fallbacks)
        *fallbacks = tMC_fallbacks{0, 0, 1};
    generator.SetState(start);
    return MC_hits_sequential(setup, generator);
}

int MC_thread_count()
{
    const unsigned hardware = std::thread::hardware_concurrency();
    return static_cast<int>(std::min<unsigned>(std::max(hardware, 1u), max_threads));
}
