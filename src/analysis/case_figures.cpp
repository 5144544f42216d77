#include "analysis/case_figures.h"

#include "methods/psychometrics.h"

#include <utility>

std::string tCaseFigures::user_norms_name() const
{
    return norms && norms->user_set ? norms->set_name : std::string();
}

std::shared_ptr<const tNormativeData> built_in_normative_data()
{
    // Made on first use and never changed: threads may share it.
    static const std::shared_ptr<const tNormativeData> built_in = [] {
        auto norms = std::make_shared<tNormativeData>();
        SetUpNormativeData(*norms);
        return std::shared_ptr<const tNormativeData>(std::move(norms));
    }();
    return built_in;
}

void compute_case_figures(const tVector& scores, int criterion_item, tRandom_generator& generator,
                          tCaseFigures& out, std::shared_ptr<const tNormativeData> norms_ptr)
{
    if (!norms_ptr)
        norms_ptr = built_in_normative_data();
    const tNormativeData& norms = *norms_ptr;
    out.norms = std::move(norms_ptr);

    out.criterion_item = criterion_item;
    out.N = norms.N;
    out.zLow = crit_low_z[static_cast<size_t>(criterion_item)];
    out.zAbs = crit_abs_z[static_cast<size_t>(criterion_item)];

    // Every section whatever the options; the options choose what is shown.
    compute_index_section(norms, scores, out.zLow, out.index);
    compute_deviation_section(norms, scores, out.zAbs, out.dev);
    compute_pairwise_section(norms, scores, out.zAbs, out.pair);
    compute_profile_section(norms, scores, out.profile);
    compute_base_rates(norms, out.zLow, out.zAbs, out.index.n_low, out.dev.n_dev_abnormal,
                       out.pair.n_pair_abnormal, generator, out.rates);
    out.mc_trials = MC_TRIALS;
}
