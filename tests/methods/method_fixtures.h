// Small builders shared by the tests of the psychometric methods.
#pragma once

#include "common/extended.h"
#include "numerics/matrix_handling.h"

#include <initializer_list>

// A vector holding `values` from index 1; the rest 0.
inline tVector vector_of(std::initializer_list<extended> values)
{
    tVector v{};
    int i = 1;
    for (extended x : values)
        v[i++] = x;
    return v;
}

// Flags 1..n set, the rest clear.
inline tBool_vector first_flags(int n)
{
    tBool_vector f{};
    for (int i = 1; i <= n; ++i)
        f[i] = 1;
    return f;
}

// The normative correlations of VC, PR, WM and PS, full and symmetric.
inline tMatrix normative_R()
{
    tMatrix R{};
    const extended r[4][4] = {{1.0L, 0.61L, 0.64L, 0.45L},
                              {0.61L, 1.0L, 0.62L, 0.52L},
                              {0.64L, 0.62L, 1.0L, 0.51L},
                              {0.45L, 0.52L, 0.51L, 1.0L}};
    for (int i = 1; i <= 4; ++i)
        for (int j = 1; j <= 4; ++j)
            R[i][j] = r[i - 1][j - 1];
    return R;
}
