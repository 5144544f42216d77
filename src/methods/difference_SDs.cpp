// Standard deviations of deviations from the mean and of pairwise
// differences in the normative population, from the covariance matrix
// S = D R D: Var(x_i - x_j) = S_ii + S_jj - 2 S_ij and
// Var(x_i - mean) = S_ii + mean(S) - 2 mean(S_i.). Used by the abnormality
// of a case's differences and by the Monte Carlo base rates alike.
#include "methods/difference_SDs.h"

#include <cmath>

extended SD_of_difference(extended sd_a, extended sd_b, extended r)
{
    return std::sqrt(sd_a * sd_a + sd_b * sd_b - 2.0L * sd_a * sd_b * r);
}

void get_SD_diff_pairwise_all(int n, const tVector& sd, const tMatrix& R, tMatrix& out)
{
    // The output is cleared first and may be R itself: work from a copy.
    const tMatrix corr = R;
    zero_matrix(out);
    for (int i = 1; i <= n; ++i)
        for (int j = i + 1; j <= n; ++j)
            out[i][j] = SD_of_difference(sd[i], sd[j], corr[i][j]);
}

void get_SD_diff_pairwise(int n, const tVector& sd, const tBool_vector& flags, const tMatrix& R,
                          tMatrix& out)
{
    const tMatrix corr = R;
    zero_matrix(out);
    for (int i = 1; i <= n; ++i)
        for (int j = i + 1; j <= n; ++j)
            if (flags[i] && flags[j])
                out[i][j] = SD_of_difference(sd[i], sd[j], corr[i][j]);
}

void get_SD_DevMean(int n, const tVector& sd, const tMatrix& R, tVector& out)
{
    tMatrix S;
    corr_to_cov(R, n, sd, S);
    extended a = 0.0L; // the variance of the mean of the n scores
    matrix_mean(S, n, a);
    tVector c; // c[i]: the covariance of score i with the mean
    row_means(S, n, c);
    for (int i = 1; i <= n; ++i)
        out[i] = std::sqrt(S[i][i] + a - 2.0L * c[i]);
}
