// Standard deviations of deviations from the mean and of pairwise
// differences in the normative population, from the correlations and the
// scores' standard deviations. Below both the psychometric methods and the
// Monte Carlo engine, which call them.
#pragma once

#include "common/extended.h"
#include "numerics/matrix_handling.h"

extended SD_of_difference(extended sd_a, extended sd_b, extended r);
void get_SD_diff_pairwise_all(int n, const tVector& sd, const tMatrix& R, tMatrix& out);
void get_SD_diff_pairwise(int n, const tVector& sd, const tBool_vector& flags, const tMatrix& R,
                          tMatrix& out);
void get_SD_DevMean(int n, const tVector& sd, const tMatrix& R, tVector& out);
