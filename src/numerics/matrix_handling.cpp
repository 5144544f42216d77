// Small dense routines on the fixed-capacity vectors and matrices.
//
// Methods: Gauss-Jordan elimination for the inverse, taking the first pivot of
// magnitude 1e-10 or more at or below the diagonal (not the largest); the
// Choleski factorisation L L' = A, column by column, in place.
//
// Sums accumulate in extended precision, in index order, from 0. An output may
// be the very object passed as an input (or a row of it): every routine reads
// what it needs into locals before it writes, and the Monte Carlo's routines
// (matrix_times_vector, vector_mean) copy no more than n entries of a vector.
#include "numerics/matrix_handling.h"

#include "common/format_ext.h"
#include "common/user_messages.h"

#include <cmath>
#include <utility>

namespace {

constexpr extended pivot_threshold = 1e-10L;
constexpr extended choleski_threshold = 1e-12L;

} // namespace

void fill_vector(int n, extended value, tVector& v)
{
    for (int i = 1; i <= n; ++i)
        v[i] = value;
}


void set_all_false(int n, tBool_vector& f)
{
    for (int i = 1; i <= n; ++i)
        f[i] = 0;
}

void set_all_true(int n, tBool_vector& f)
{
    for (int i = 1; i <= n; ++i)
        f[i] = 1;
}

int count_true(int n, const tBool_vector& f)
{
    int count = 0;
    for (int i = 1; i <= n; ++i)
        if (f[i] != 0)
            ++count;
    return count;
}

void zero_matrix(tMatrix& A)
{
    for (int i = 1; i <= max_dim; ++i)
        for (int j = 1; j <= max_dim; ++j)
            A[i][j] = 0;
}

void matrix_mean(const tMatrix& A, int n, extended& mean)
{
    extended sum = 0;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j)
            sum += A[i][j];
    mean = sum / (n * n);
}

void row_means(const tMatrix& A, int n, tVector& m)
{
    tVector means; // m may be a row of A
    for (int i = 1; i <= n; ++i) {
        extended sum = 0;
        for (int j = 1; j <= n; ++j)
            sum += A[i][j];
        means[i] = sum / n;
    }
    for (int i = 1; i <= n; ++i)
        m[i] = means[i];
}

void quadratic_form(const tMatrix& A, int n, const tVector& x, extended& result)
{
    // First the row vector t = x'A, then t.x.
    tVector t;
    for (int i = 1; i <= n; ++i) {
        extended sum = 0;
        for (int j = 1; j <= n; ++j)
            sum += x[j] * A[j][i];
        t[i] = sum;
    }
    extended sum = 0;
    for (int i = 1; i <= n; ++i)
        sum += t[i] * x[i];
    result = sum;
}


void copy_lower_to_upper(int n, tMatrix& A)
{
    for (int i = 1; i <= n; ++i)
        for (int j = i + 1; j <= n; ++j)
            A[i][j] = A[j][i];
}

void extract_submatrix(const tMatrix& A, int n, const tBool_vector& f, tMatrix& B)
{
    // B is cleared whole before it is filled, so it cannot be built where A is.
    tMatrix packed;
    zero_matrix(packed);
    int r = 0;
    for (int i = 1; i <= n; ++i) {
        if (f[i] == 0)
            continue;
        ++r;
        int c = 0;
        for (int j = 1; j <= n; ++j) {
            if (f[j] != 0) {
                ++c;
                packed[r][c] = A[i][j];
            }
        }
    }
    B = packed;
}

void corr_to_cov(const tMatrix& R, int n, const tVector& sd, tMatrix& S)
{
    // S may be R (each entry is read once, before it is written), and sd may
    // be a row of either.
    tVector s;
    for (int i = 1; i <= n; ++i)
        s[i] = sd[i];
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j)
            S[i][j] = R[i][j] * s[i] * s[j];
}

bool invert_matrix(const tMatrix& A, int n, tMatrix& B)
{
    tMatrix W = A; // B may be A
    zero_matrix(B);
    for (int i = 1; i <= n; ++i)
        B[i][i] = 1;

    for (int k = 1; k <= n; ++k) {
        int r = k;
        while (r <= n && !(std::fabs(W[r][k]) >= pivot_threshold))
            ++r;
        if (r > n)
            return false;

        if (r != k) {
            for (int j = 1; j <= n; ++j) {
                std::swap(W[r][j], W[k][j]);
                std::swap(B[r][j], B[k][j]);
            }
        }

        const extended p = 1 / W[k][k];
        for (int j = 1; j <= n; ++j) {
            W[k][j] = W[k][j] * p;
            B[k][j] = B[k][j] * p;
        }

        for (int i = 1; i <= n; ++i) {
            if (i == k)
                continue;
            const extended t = -W[i][k];
            for (int j = 1; j <= n; ++j) {
                W[i][j] = W[i][j] + t * W[k][j];
                B[i][j] = B[i][j] + t * B[k][j];
            }
        }
    }
    return true;
}

int choleski_factor(int n, tMatrix& A, extended& pivot)
{
    for (int j = 1; j <= n; ++j) {
        extended sum = A[j][j];
        for (int k = 1; k <= j - 1; ++k)
            sum = sum - A[j][k] * A[j][k];
        if (sum < choleski_threshold) {
            pivot = sum;
            return j;
        }
        A[j][j] = std::sqrt(sum);
        for (int i = j + 1; i <= n; ++i) {
            extended s = A[i][j];
            for (int k = 1; k <= j - 1; ++k)
                s = s - A[j][k] * A[i][k];
            A[i][j] = s / A[j][j];
        }
    }

    for (int i = 1; i <= n; ++i)
        for (int j = i + 1; j <= n; ++j)
            A[i][j] = 0;
    return 0;
}

bool choleski_decomposition(int n, tMatrix& A)
{
    extended pivot = 0;
    const int row = choleski_factor(n, A, pivot);
    if (row == 1)
        user_messages().information(format_ext("Not pos def 1st : sum=  %2.3Lf ", pivot));
    else if (row > 1)
        // The column index fills both integer fields.
        user_messages().information(
            format_ext("Not pos def 2nd : sum=  %2.9Lf  i= %2d  j=  %2d", pivot, row, row));
    return row == 0;
}
