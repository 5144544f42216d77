// The trials of the Monte Carlo base rates: simulated normative profiles
// y = L u from standard normal deviates u, each counted for abnormally low
// scores, abnormal deviations from its mean and abnormal pairwise differences.
//
// Two ways to the same hit counts. The reference draws the deviates one at a
// time from the program's generator (Kinderman and Monahan's ratio of
// uniforms on L'Ecuyer's generator) and works in extended precision. The
// block engine decides blocks of candidate pairs side by side in double
// precision on several threads, jumping the generator ahead to each block,
// and re-decides in extended precision, with the reference's own code, every
// candidate and every trial whose double-precision value lies within a
// proven error bound of its threshold. It gives the same hits and leaves the
// generator in the same state as the reference, whatever the thread count.
#pragma once

#include "common/extended.h"
#include "numerics/matrix_handling.h"

class tRandom_generator;

// Everything the trials read. L is the Choleski factor of the selected
// scores' correlation matrix (or what a failed factorisation left: every
// entry of the m by m block is used).
struct tMC_setup {
    int m = 0;
    tMatrix L{};
    tVector sdDev{};
    tMatrix sdPair{}; // above the diagonal
    extended cut = 0;
    extended abs_crit = 0;
    int k_low = 0;
    int k_dev = 0;
    int k_pair = 0;
    long trials = 0;
};

// The setup of the base-rate estimate: m, the selected scores' correlation
// matrix, the standard deviations of deviations from the mean and of pairwise
// differences taken from it, and then its Choleski factor (a matrix that is
// not positive definite is reported and left partly factored).
void MC_setup_of(const tMatrix& R, int n, const tBool_vector& flags, extended cut, extended crit,
                 int k_low, int k_dev, int k_pair, long trials, tMC_setup& setup);
// Its part that depends on the correlations alone (m, L, sdDev, sdPair), for
// a set of normative data to make once and reuse for every case.
void MC_prepare(const tMatrix& R, int n, const tBool_vector& flags, tMC_setup& setup);
// Its part that depends on the case and the options: the cut for a low score,
// the criterion for an abnormal difference (its absolute value), the three
// counts the base rates are of, and the number of trials.
void MC_set_criteria(extended cut, extended crit, int k_low, int k_dev, int k_pair, long trials,
                     tMC_setup& setup);

struct tMC_hits {
    long low = 0;
    long dev = 0;
    long pair = 0;
};

// How often the block engine fell back to extended precision.
struct tMC_fallbacks {
    long candidates = 0;
    long trials = 0;
    // 1 when the engine gave the whole run to the reference: no room for its
    // chunks, or its slots too few for a trial (neither seen in practice).
    long whole_runs = 0;
};

// The instruction sets the block engine's lanes are built for. The program
// always takes the best one the processor has; every one gives the same
// doubles, and so the same numbers.
enum class tMC_path { base, avx2, avx512 };
const char* MC_path_name(tMC_path path); // "base", "avx2", "avx512"

// What the processor offers the engine: this one's, or one a test describes.
struct tMC_processor {
    bool avx2 = false;   // with FMA
    bool avx512 = false; // F, DQ and VL
};
tMC_processor MC_this_processor();
bool MC_path_supported(tMC_path path, const tMC_processor& processor = MC_this_processor());
tMC_path MC_best_path(const tMC_processor& processor = MC_this_processor());

// How a run of the block engine goes: the program takes the defaults; tests
// choose a path, widen every safety margin margin_scale times (so that many
// candidates and trials go through the extended-precision path), or provoke
// the engine's ways out (no memory for the chunks; a ring of slot_count
// slots, too small for any trial, so that the scheduler finds itself stuck).
struct tMC_options {
    tMC_path path = MC_best_path();
    double margin_scale = 1.0;
    bool no_memory = false;
    int slot_count = 0; // 0: the engine's own
};

// Puts `path` into `options` when `processor` has it; false, and nothing
// changed, when it lacks it.
bool MC_choose_path(tMC_path path, tMC_options& options,
                    const tMC_processor& processor = MC_this_processor());

// The reference: draws through tNormal_distribution::RandomVariate, advancing
// the generator.
tMC_hits MC_hits_sequential(const tMC_setup& setup, tRandom_generator& generator);

// The block engine on `threads` threads (the calling one among them); starts
// from the generator's state and leaves it where the reference would.
tMC_hits MC_hits_blocks(const tMC_setup& setup, int threads, tRandom_generator& generator,
                        tMC_fallbacks* fallbacks = nullptr, const tMC_options& options = {});

// The threads the program uses: the hardware's count, at least 1, at most 16.
int MC_thread_count();
