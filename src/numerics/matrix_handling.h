// Fixed-capacity vectors and square matrices indexed from 1, and the small
// dense routines the psychometric methods need: fills, means, products, the
// quadratic form, covariance from correlations, submatrix extraction, the
// Gauss-Jordan inverse (first acceptable pivot) and the Choleski factor.
//
// Nothing here allocates. Inputs are read-only references with the meaning of
// copies: an output may be the same object as an input and still receives the
// result computed from the input as it was. Outputs are references. Pair matrices keep the value of the pair
// a < b above the diagonal at [a][b] and a companion value below it at [b][a].
#pragma once

#include "common/extended.h"

#include <cassert>
#include <cstdint>

constexpr int max_dim = 20;

// Indices 1..max_dim; index 0 is not part of the value.
template <typename T>
struct tIndexed {
    T v[max_dim];
    T& operator[](int i)
    {
        assert(i >= 1 && i <= max_dim);
        return v[i - 1];
    }
    const T& operator[](int i) const
    {
        assert(i >= 1 && i <= max_dim);
        return v[i - 1];
    }
};

using tVector = tIndexed<extended>;
using tMatrix = tIndexed<tVector>;
using tBool_vector = tIndexed<std::uint8_t>; // 0 false, anything else true
using tBool_matrix = tIndexed<tBool_vector>;

void fill_vector(int n, extended value, tVector& v);
void set_all_false(int n, tBool_vector& f);
void set_all_true(int n, tBool_vector& f);
int count_true(int n, const tBool_vector& f);
void zero_matrix(tMatrix& A);
void matrix_mean(const tMatrix& A, int n, extended& mean);
void row_means(const tMatrix& A, int n, tVector& m);
void quadratic_form(const tMatrix& A, int n, const tVector& x, extended& result);
void copy_lower_to_upper(int n, tMatrix& A);
void extract_submatrix(const tMatrix& A, int n, const tBool_vector& f, tMatrix& B);
void corr_to_cov(const tMatrix& R, int n, const tVector& sd, tMatrix& S);
// Returns false when a column has no pivot of magnitude 1e-10 or more; B then
// holds a partly reduced identity that is not an inverse.
bool invert_matrix(const tMatrix& A, int n, tMatrix& B);

// In place: the lower triangle of A becomes L with L L' = A. A matrix that is
// not positive definite is reported through the user-message seam and the
// factorisation stops; returns false then.
bool choleski_decomposition(int n, tMatrix& A);
// The same factorisation without a word: 0 when the factor exists, otherwise
// the row j (1..n) whose pivot fell below 1e-12, with that pivot in `pivot`
// and A left as choleski_decomposition leaves it (columns before j factored).
int choleski_factor(int n, tMatrix& A, extended& pivot);

// The Monte Carlo calls these two a million times each: they are inline so
// that its trial loop pays for the arithmetic only.
inline extended vector_mean(int n, const tVector& v)
{
    extended sum = 0;
    for (int i = 1; i <= n; ++i)
        sum += v[i];
    return sum / n;
}

inline void matrix_times_vector(const tMatrix& A, int n, const tVector& x, tVector& y)
{
    // y may be x itself or a row of A: the product goes to a local first.
    tVector product;
    for (int i = 1; i <= n; ++i) {
        extended sum = 0;
        for (int j = 1; j <= n; ++j)
            sum += A[i][j] * x[j];
        product[i] = sum;
    }
    for (int i = 1; i <= n; ++i)
        y[i] = product[i];
}
