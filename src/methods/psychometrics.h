// Psychometric methods for one case's Index scores.
//
// Methods: standard errors of measurement and conventional confidence limits
// on obtained scores, expressed also as percentile ranks; the reliability of
// deviations from the case's mean and of pairwise differences (standard errors
// of differences, normal p values) with the step-down sequential Bonferroni
// procedure; the abnormality of deviations and differences from the
// normative covariance matrix; Monte Carlo base rates of abnormal scores and
// differences from simulated correlated normal profiles (Choleski factor of
// the correlation matrix); the Mahalanobis distance referred to chi-square;
// and a normal distribution function by Simpson integration in double
// precision.
#pragma once

#include "common/extended.h"
#include "methods/difference_SDs.h"
#include "numerics/matrix_handling.h"

#include <cstddef>
#include <string>

// --- Confidence limits and percentile ranks -------------------------------
void get_SE_vector(int n, const tVector& sd, const tVector& r, tVector& out);
void rescale_scores(const tVector& x, const tVector& mean, const tVector& sd, int n,
                    const tBool_vector& flags, extended new_mean, extended new_sd, tVector& out);
void get_score_CIs(int n, const tVector& x, const tVector& sem, const tBool_vector& flags,
                   extended level, tVector& lower, tVector& upper);
void get_percentile_ranks(const tVector& x, const tVector& mean, const tVector& sd, int n,
                          const tBool_vector& flags, tVector& out);

// --- Reliability of differences and sequential Bonferroni -----------------
void get_SEM_Diffs_Mean(const tVector& sem, int n, tVector& out);
extended SE_of_difference(extended a, extended b);
void get_SEMdiff_pairwise(int n, const tVector& sem, const tBool_vector& flags, tMatrix& out);
void pairwise_reliability(int n, const tVector& x, const tVector& sem, const tBool_vector& flags,
                          extended level, tMatrix& reliability, tMatrix& limits);
void seq_bonferroni_deviations(int n, const tBool_vector& flags, const tVector& p, extended alpha,
                               tBool_vector& result);
void seq_bonferroni_pairwise(int n, const tMatrix& P, const tBool_vector& flags, extended alpha,
                             tBool_matrix& result);

// --- Abnormality of differences --------------------------------------------
void pairwise_abnormality(int n, const tVector& x, const tVector& sd, const tBool_vector& flags,
                          const tMatrix& R, tMatrix& out);

// --- Monte Carlo base rates --------------------------------------------------
constexpr long MC_TRIALS = 1000000;
class tRandom_generator;
void get_MC_estimate_percent_abnorm_SUBSET_E(const tMatrix& R, int n, const tBool_vector& flags,
                                             extended cut, extended crit, int k_low, int k_dev,
                                             int k_pair, tRandom_generator& generator,
                                             extended& pct_low, extended& pct_dev,
                                             extended& pct_pair);
struct tMC_setup;
// The same estimate from a setup whose correlation part MC_prepare made once
// (for a set of normative data); its criterion and counts are set here.
void get_MC_estimate_percent_abnorm_prepared(const tMC_setup& prepared, extended cut, extended crit,
                                             int k_low, int k_dev, int k_pair,
                                             tRandom_generator& generator, extended& pct_low,
                                             extended& pct_dev, extended& pct_pair);

// --- Mahalanobis distance ----------------------------------------------------
void get_Mahalanobis(int n, const tVector& x, const tVector& mean, const tVector& sd,
                     const tMatrix& R, extended& chi2, extended& p);

// --- Normal probability by Simpson integration (double precision) ----------
double normal_density(double x);
// The trapezoid state of one integration: stage 1 resets it.
struct tTrapezoid {
    double estimate = 0.0;
    int refine_count = 0; // the number of new points the next stage adds
};
double trapezoid_refine(tTrapezoid& state, int stage, double a, double b);
double simpson_integral(double a, double b);
double normal_cdf_simpson(double x);
