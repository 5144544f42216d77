// The block engine's lanes compiled for each instruction set the processor
// may have, and the choice among them: AVX-512 (its 32 registers and mask
// registers on four lanes), AVX2 with four lanes to a register, and plain
// x86-64 with two. All give the same doubles, bit for bit, so the same
// decisions; the tests run each one the processor has.
#include "methods/MC_lanes.h"

namespace mc_blocks {

namespace {

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

} // namespace

tDecide_lanes lane_decider(tMC_path path)
{
    switch (path) {
    case tMC_path::avx512:
        return decide_lanes_avx512;
    case tMC_path::avx2:
        return decide_lanes_avx2;
    case tMC_path::base:
        break;
    }
    return decide_lanes_base;
}

tFour_score_trials four_score_batch(tMC_path path)
{
    switch (path) {
    case tMC_path::avx512:
        return four_score_trials_avx512;
    case tMC_path::avx2:
        return four_score_trials_avx2;
    case tMC_path::base:
        break;
    }
    return four_score_trials_base;
}

} // namespace mc_blocks

const char* MC_path_name(tMC_path path)
{
    switch (path) {
    case tMC_path::avx512:
        return "avx512";
    case tMC_path::avx2:
        return "avx2";
    case tMC_path::base:
        break;
    }
    return "base";
}

tMC_processor MC_this_processor()
{
    __builtin_cpu_init();
    tMC_processor processor;
    processor.avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    // AVX-512 on four lanes: its 32 registers and mask registers, not wider ones.
    processor.avx512 = processor.avx2 && __builtin_cpu_supports("avx512f")
                       && __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl");
    return processor;
}

bool MC_path_supported(tMC_path path, const tMC_processor& processor)
{
    switch (path) {
    case tMC_path::avx512:
        return processor.avx512 && processor.avx2;
    case tMC_path::avx2:
        return processor.avx2;
    case tMC_path::base:
        break;
    }
    return true;
}

tMC_path MC_best_path(const tMC_processor& processor)
{
    return MC_path_supported(tMC_path::avx512, processor) ? tMC_path::avx512
           : MC_path_supported(tMC_path::avx2, processor) ? tMC_path::avx2
                                                          : tMC_path::base;
}

bool MC_choose_path(tMC_path path, tMC_options& options, const tMC_processor& processor)
{
    if (!MC_path_supported(path, processor))
        return false;
    options.path = path;
    return true;
}
