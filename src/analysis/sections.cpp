#include "analysis/sections.h"

#include "methods/psychometrics.h"

#include <cmath>

void compute_index_section(const tNormativeData& norms, const tVector& scores, extended zLow,
                           tIndexSection& out)
{
    out = tIndexSection{};
    out.scores = scores;
    rescale_scores(scores, norms.Means_vec, norms.SDs_vec, max_dim, norms.required_vec, 0.0L,
                   1.0L, out.z_scores_vec);
    get_score_CIs(max_dim, scores, norms.SEMs_vec, norms.required_vec, 95.0L, out.lower,
                  out.upper);
    get_percentile_ranks(scores, norms.Means_vec, norms.SDs_vec, max_dim, norms.required_vec,
                         out.pr_score);
    get_percentile_ranks(out.lower, norms.Means_vec, norms.SDs_vec, max_dim, norms.required_vec,
                         out.pr_lower);
    get_percentile_ranks(out.upper, norms.Means_vec, norms.SDs_vec, max_dim, norms.required_vec,
                         out.pr_upper);
    for (int i = 1; i <= norms.N; ++i)
        if (out.z_scores_vec[i] < zLow) {
            out.is_low[i] = 1;
            ++out.n_low;
        }
}

void compute_deviation_section(const tNormativeData& norms, const tVector& scores, extended zAbs,
                               tDeviationSection& out)
{
    out = tDeviationSection{};
    const int N = norms.N;

    // Summed as score / N term by term, not as a total divided once: the
    // last digit of the printed mean depends on it.
    for (int i = 1; i <= N; ++i)
        out.case_mean += scores[i] / N;

    for (int i = 1; i <= N; ++i) {
        const extended d = scores[i] - out.case_mean;
        const extended sem = norms.SEM_Diffs_Mean[i];
        const extended sd = norms.SD_DevMean[i];
        out.deviation[i] = d;

        // The Simpson probability works in double precision; a deviation of
        // exactly 0 is never integrated.
        if (d == 0) {
            out.p_one[i] = 0.5L;
            out.p_two[i] = 1.0L;
        } else {
            const double phi = normal_cdf_simpson(static_cast<double>(std::fabs(d) / sem));
            out.p_one[i] = 1.0L - phi;
            out.p_two[i] = 2.0L * out.p_one[i];
        }

        out.lower[i] = d - z95 * sem;
        out.upper[i] = d + z95 * sem;

        if (d == 0) {
            out.pct_same[i] = 50.0L;
            out.pct_either[i] = 100.0L;
        } else {
            const double phi = normal_cdf_simpson(static_cast<double>(std::fabs(d / sd)));
            out.pct_same[i] = 100.0L * (1.0L - phi);
            out.pct_either[i] = 2.0L * out.pct_same[i];
        }

        if (std::fabs(d) / sd > zAbs) {
            out.abnormal[i] = 1;
            ++out.n_dev_abnormal;
        }
    }

    // Both decisions at the 5% level: one-tailed p, and the two-tailed p
    // (twice the one-tailed).
    seq_bonferroni_deviations(N, norms.required_vec, out.p_one, 0.05L, out.bonf_dev_one);
    seq_bonferroni_deviations(N, norms.required_vec, out.p_two, 0.05L, out.bonf_dev_two);
}

void compute_pairwise_section(const tNormativeData& norms, const tVector& scores, extended zAbs,
                              tPairwiseSection& out)
{
    out = tPairwiseSection{};
    pairwise_reliability(max_dim, scores, norms.SEMs_vec, norms.required_vec, 95.0L,
                         out.pair_reliability_mat, out.pair_limits_mat);
    pairwise_abnormality(max_dim, scores, norms.SDs_vec, norms.required_vec, norms.corr_mat,
                         out.pair_abnormality_mat);

    // Each unordered pair once, from its difference below the diagonal.
    for (int a = 1; a <= norms.N; ++a)
        for (int b = a + 1; b <= norms.N; ++b)
            if (std::fabs(out.pair_abnormality_mat[b][a]) / norms.SDdiff_Pairwise[a][b] > zAbs) {
                out.pair_abnormal[a][b] = 1;
                ++out.n_pair_abnormal;
            }

    // The same one-tailed p values, at 0.05 for the one-tailed decision and
    // at 0.025 for the two-tailed one.
    seq_bonferroni_pairwise(norms.N, out.pair_reliability_mat, norms.required_vec, 0.05L,
                            out.bonf_pair_one);
    seq_bonferroni_pairwise(norms.N, out.pair_reliability_mat, norms.required_vec, 0.025L,
                            out.bonf_pair_two);
}

void compute_profile_section(const tNormativeData& norms, const tVector& scores,
                             tProfileSection& out)
{
    out = tProfileSection{};
    get_Mahalanobis(norms.N, scores, norms.Means_vec, norms.SDs_vec, norms.corr_mat,
                    out.maha_chi2, out.maha_p);
}

void compute_base_rates(const tNormativeData& norms, extended zLow, extended zAbs, int n_low,
                        int n_dev_abnormal, int n_pair_abnormal, tRandom_generator& generator,
                        tBaseRates& out)
{
    out = tBaseRates{};
    // The set's correlation factor, made when the set was prepared.
    get_MC_estimate_percent_abnorm_prepared(norms.MC_prepared, zLow, zAbs, n_low, n_dev_abnormal,
                                            n_pair_abnormal, generator, out.mc_pct_low,
                                            out.mc_pct_dev, out.mc_pct_pair);
}
