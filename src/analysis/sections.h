// The result sections of an analysis run: Index scores with confidence
// limits and percentile ranks, deviations from the case's mean, pairwise
// differences, the Mahalanobis distance of the profile, and the Monte Carlo
// base rates of the three abnormality counts. Every section is computed on
// every run; the options decide only what the report prints.
#pragma once

#include "analysis/normative_data.h"

class tRandom_generator;

// Scores, their two-sided 95% limits and percentile ranks; the count of
// abnormally low scores.
struct tIndexSection {
    tVector scores{};
    tVector z_scores_vec{};
    tVector lower{};
    tVector upper{};
    tVector pr_score{};
    tVector pr_lower{};
    tVector pr_upper{};
    tBool_vector is_low{}; // z score below the criterion's cut
    int n_low = 0;
};

// The normal deviate of the 95% limits on deviations from the case's mean.
inline constexpr extended z95 = 1.959964L;

// Each score against the case's mean, per slot 1..N.
struct tDeviationSection {
    extended case_mean = 0;
    tVector deviation{};
    tVector p_one{};      // one-tailed p
    tVector p_two{};      // two-tailed p
    tVector lower{};      // 95% limits of the deviation
    tVector upper{};
    tVector pct_same{};   // percentage with a larger deviation in the same direction
    tVector pct_either{}; // the same regardless of sign
    tBool_vector bonf_dev_one{};
    tBool_vector bonf_dev_two{};
    tBool_vector abnormal{}; // |deviation| / SD above the criterion
    int n_dev_abnormal = 0;
};

// The six pairwise differences. The difference score_a - score_b of the pair
// a < b sits below the diagonal at [b][a]; its companion value above it at
// [a][b] (one-tailed p, upper limit, same-direction percentage).
struct tPairwiseSection {
    tMatrix pair_reliability_mat{};
    tMatrix pair_limits_mat{};
    tMatrix pair_abnormality_mat{};
    tBool_matrix bonf_pair_one{};
    tBool_matrix bonf_pair_two{};
    tBool_matrix pair_abnormal{}; // [a][b], a < b: |difference| / SD above the criterion
    int n_pair_abnormal = 0;
};

struct tProfileSection {
    extended maha_chi2 = 0; // on the squared scale
    extended maha_p = 0;    // upper tail of chi-square with N df
};

struct tBaseRates {
    extended mc_pct_low = 0;
    extended mc_pct_dev = 0;
    extended mc_pct_pair = 0;
};

void compute_index_section(const tNormativeData& norms, const tVector& scores, extended zLow,
                           tIndexSection& out);
void compute_deviation_section(const tNormativeData& norms, const tVector& scores, extended zAbs,
                               tDeviationSection& out);
void compute_pairwise_section(const tNormativeData& norms, const tVector& scores, extended zAbs,
                              tPairwiseSection& out);
void compute_profile_section(const tNormativeData& norms, const tVector& scores,
                             tProfileSection& out);
// One Monte Carlo estimate for all three counts, after they are known.
void compute_base_rates(const tNormativeData& norms, extended zLow, extended zAbs, int n_low,
                        int n_dev_abnormal, int n_pair_abnormal, tRandom_generator& generator,
                        tBaseRates& out);
