// Psychometric methods for one case's Index scores.
//
// Methods implemented here:
// - standard errors of measurement, sd * sqrt(1 - r), and conventional
//   confidence limits centred on the obtained score, also expressed as
//   percentile ranks of the normal distribution;
// - standard errors of a score's deviation from the mean of the case's n
//   scores, sqrt(((n - 2) / n) sem_i^2 + sum(sem^2) / n^2), and of pairwise
//   differences, sqrt(a^2 + b^2), with one-tailed normal p values;
// - Holm's step-down sequential Bonferroni procedure, run as repeated passes
//   in index order with the threshold alpha / k applied at once;
// - the abnormality of pairwise differences, from the standard deviations of
//   differences in the normative population (difference_SDs, which the Monte
//   Carlo shares);
// - Monte Carlo base rates of abnormal scores and differences: profiles
//   y = L u drawn with L the Choleski factor of the correlation matrix (the
//   trials themselves are in MC_engine);
// - the Mahalanobis distance z' R^-1 z referred to chi-square with n df;
// - the normal distribution function by Simpson's rule built on successive
//   trapezoid refinements, in double precision with an eight-decimal density
//   constant (so its plateau for large x is 0.9999999995, not 1).
//
// Everything but the Simpson routines is computed in extended precision and
// in the order written, so that printed figures come out to the last digit.
#include "methods/psychometrics.h"

#include "methods/MC_engine.h"

#include "common/format_ext.h"
#include "common/user_messages.h"
#include "numerics/distrib.h"
#include "numerics/elementary.h"

#include <cmath>
#include <cstdint>

// --- Confidence limits and percentile ranks -------------------------------

void get_SE_vector(int n, const tVector& sd, const tVector& r, tVector& out)
{
    for (int i = 1; i <= n; ++i)
        out[i] = sd[i] * std::sqrt(1.0L - r[i]);
}

void rescale_scores(const tVector& x, const tVector& mean, const tVector& sd, int n,
                    const tBool_vector& flags, extended new_mean, extended new_sd, tVector& out)
{
    for (int i = 1; i <= n; ++i) {
        if (!flags[i])
            continue;
        const extended c = new_sd / sd[i];
        out[i] = c * x[i] - (c * mean[i] - new_mean);
    }
}

void get_score_CIs(int n, const tVector& x, const tVector& sem, const tBool_vector& flags,
                   extended level, tVector& lower, tVector& upper)
{
    const tNormal_distribution normal(0.0L, 1.0L);
    const extended q = (level + (100.0L - level) / 2.0L) / 100.0L;
    const extended z = normal.Quantile(q);
    for (int i = 1; i <= n; ++i) {
        if (!flags[i])
            continue;
        // Read before writing: lower may be the same vector as x.
        const extended score = x[i];
        const extended e = sem[i] * z;
        lower[i] = score - e;
        upper[i] = score + e;
    }
}

void get_percentile_ranks(const tVector& x, const tVector& mean, const tVector& sd, int n,
                          const tBool_vector& flags, tVector& out)
{
    const tNormal_distribution normal(0.0L, 1.0L);
    for (int i = 1; i <= n; ++i)
        if (flags[i])
            out[i] = 100.0L * normal.CDF((x[i] - mean[i]) / sd[i]);
}

// --- Reliability of differences and sequential Bonferroni -----------------

void get_SEM_Diffs_Mean(const tVector& sem, int n, tVector& out)
{
    extended Q = 0.0L;
    for (int j = 1; j <= n; ++j)
        Q += sem[j] * sem[j];
    const extended nn = static_cast<extended>(n);
    for (int i = 1; i <= n; ++i)
        out[i] = std::sqrt(((nn - 2.0L) / nn) * (sem[i] * sem[i]) + Q / (nn * nn));
}

extended SE_of_difference(extended a, extended b)
{
    return std::sqrt(a * a + b * b);
}

void get_SEMdiff_pairwise(int n, const tVector& sem, const tBool_vector& flags, tMatrix& out)
{
    zero_matrix(out);
    for (int i = 1; i <= n; ++i)
        for (int j = i + 1; j <= n; ++j)
            if (flags[i] && flags[j])
                out[i][j] = SE_of_difference(sem[i], sem[j]);
}

void pairwise_reliability(int n, const tVector& x, const tVector& sem, const tBool_vector& flags,
                          extended level, tMatrix& reliability, tMatrix& limits)
{
    const tNormal_distribution normal(0.0L, 1.0L);
    const extended q = (level + (100.0L - level) / 2.0L) / 100.0L;
    const extended z = normal.Quantile(q);
    zero_matrix(reliability);
    zero_matrix(limits);
    tMatrix SE;
    get_SEMdiff_pairwise(n, sem, flags, SE);
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j < i; ++j) {
            if (!(flags[i] && flags[j]))
                continue;
            // The earlier score minus the later one.
            const extended d = x[j] - x[i];
            reliability[i][j] = d;
            limits[j][i] = d + z * SE[j][i];
            limits[i][j] = d - z * SE[j][i];
            reliability[j][i] = 1.0L - normal.CDF(std::fabs(d / SE[j][i]));
        }
    }
}

void seq_bonferroni_deviations(int n, const tBool_vector& flags, const tVector& p, extended alpha,
                               tBool_vector& result)
{
    // The result may be the flag vector itself: work from a copy.
    const tBool_vector used = flags;
    int k = 0;
    for (int i = 1; i <= n; ++i) {
        result[i] = 0;
        if (used[i])
            ++k;
    }
    // n passes: the step-down procedure declares at most one more entry per
    // pass, and the threshold alpha / k tightens only on success.
    for (int pass = 1; pass <= n; ++pass) {
        for (int i = 1; i <= n; ++i) {
            if (used[i] && k >= 1 && p[i] < alpha / k && !result[i]) {
                result[i] = 1;
                --k;
            }
        }
    }
}

void seq_bonferroni_pairwise(int n, const tMatrix& P, const tBool_vector& flags, extended alpha,
                             tBool_matrix& result)
{
    extended k = 0.0L;
    for (int i = 1; i <= n; ++i)
        for (int j = i + 1; j <= n; ++j)
            if (flags[i] && flags[j])
                k += 1.0L;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j)
            result[i][j] = 0;
    bool declared = true;
    while (declared) {
        declared = false;
        for (int i = 1; i <= n; ++i) {
            for (int j = 1; j <= n; ++j) {
                if (flags[i] && flags[j] && k >= 1.0L && j > i && P[i][j] < alpha / k
                    && !result[i][j]) {
                    result[i][j] = 1;
                    k -= 1.0L;
                    declared = true;
                }
            }
        }
    }
}

// --- Abnormality of differences --------------------------------------------

void pairwise_abnormality(int n, const tVector& x, const tVector& sd, const tBool_vector& flags,
                          const tMatrix& R, tMatrix& out)
{
    const tNormal_distribution normal(0.0L, 1.0L);
    const tMatrix corr = R;
    zero_matrix(out);
    tMatrix SDd;
    get_SD_diff_pairwise(n, sd, flags, corr, SDd);
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j < i; ++j) {
            if (!(flags[i] && flags[j]))
                continue;
            const extended d = x[j] - x[i];
            out[i][j] = d;
            out[j][i] = 100.0L * (1.0L - normal.CDF(std::fabs(d / SDd[j][i])));
        }
    }
}

// --- Monte Carlo base rates --------------------------------------------------

namespace {

void estimate_from(const tMC_setup& setup, tRandom_generator& generator, extended& pct_low,
                   extended& pct_dev, extended& pct_pair)
{
    // The same hits, and the generator left in the same place, as drawing one
    // deviate at a time in extended precision; only faster.
    const tMC_hits hits = MC_hits_blocks(setup, MC_thread_count(), generator);
    const extended trials = static_cast<extended>(setup.trials);
    pct_low = static_cast<extended>(hits.low) / trials * 100.0L;
    pct_dev = static_cast<extended>(hits.dev) / trials * 100.0L;
    pct_pair = static_cast<extended>(hits.pair) / trials * 100.0L;
}

} // namespace

void get_MC_estimate_percent_abnorm_SUBSET_E(const tMatrix& R, int n, const tBool_vector& flags,
                                             extended cut, extended crit, int k_low, int k_dev,
                                             int k_pair, tRandom_generator& generator,
                                             extended& pct_low, extended& pct_dev,
                                             extended& pct_pair)
{
    tMC_setup setup;
    MC_setup_of(R, n, flags, cut, crit, k_low, k_dev, k_pair, MC_TRIALS, setup);
    estimate_from(setup, generator, pct_low, pct_dev, pct_pair);
}

void get_MC_estimate_percent_abnorm_prepared(const tMC_setup& prepared, extended cut, extended crit,
                                             int k_low, int k_dev, int k_pair,
                                             tRandom_generator& generator, extended& pct_low,
                                             extended& pct_dev, extended& pct_pair)
{
    tMC_setup setup = prepared;
    MC_set_criteria(cut, crit, k_low, k_dev, k_pair, MC_TRIALS, setup);
    estimate_from(setup, generator, pct_low, pct_dev, pct_pair);
}

// --- Mahalanobis distance ----------------------------------------------------

void get_Mahalanobis(int n, const tVector& x, const tVector& mean, const tVector& sd,
                     const tMatrix& R, extended& chi2, extended& p)
{
    const tChi_square_distribution chi_square(static_cast<extended>(n));
    tVector z{};
    for (int i = 1; i <= n; ++i)
        z[i] = (x[i] - mean[i]) / sd[i];
    tMatrix Rinv;
    invert_matrix(R, n, Rinv);
    extended distance = 0.0L;
    quadratic_form(Rinv, n, z, distance);
    chi2 = distance;
    p = 1.0L - chi_square.CDF(distance);
}

// --- Normal probability by Simpson integration (double precision) ----------

namespace {

constexpr double simpson_tolerance = 1e-6;
constexpr int simpson_max_refinements = 20;

} // namespace

double normal_density(double x)
{
    // Not std::exp: the C libraries of the systems differ in its last place,
    // which can decide the last printed digit of a small p value.
    return exp_portable(-0.5 * x * x) * 0.39894228;
}

double trapezoid_refine(tTrapezoid& state, int stage, double a, double b)
{
    if (stage == 1) {
        state.estimate = (normal_density(b) + normal_density(a)) * ((b - a) * 0.5);
        state.refine_count = 1;
    } else {
        const double h = (b - a) / state.refine_count;
        double s = 0.0;
        // The midpoints a + h/2, a + 3h/2, ... of the current intervals.
        for (int j = 1; j <= state.refine_count; ++j)
            s += normal_density(a + (2.0 * j - 1.0) * h / 2.0);
        state.estimate = ((b - a) * (s / state.refine_count) + state.estimate) * 0.5;
        state.refine_count = 2 * state.refine_count;
    }
    return state.estimate;
}

double simpson_integral(double a, double b)
{
    // With these starting values the first two refinements never end the
    // loop: the first test that can succeed compares the second and third
    // Simpson estimates.
    double S_old = -1e30;
    double S = 1.0;
    double T_prev = -1e30;
    tTrapezoid trapezoid;
    int r = 1;
    while (r <= simpson_max_refinements && std::fabs(S - S_old) >= simpson_tolerance * std::fabs(S_old)) {
        S_old = S;
        const double T = trapezoid_refine(trapezoid, r, a, b);
        S = (4.0 * T - T_prev) / 3.0;
        T_prev = T;
        ++r;
    }
    if (r > simpson_max_refinements)
        user_messages().warning("Too many steps");
    return S;
}

double normal_cdf_simpson(double x)
{
    return simpson_integral(0.0, x) + 0.5;
}
