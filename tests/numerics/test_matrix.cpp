// Vector and matrix routines, the Gauss-Jordan inverse and the Choleski factor.
//
// Expected values are hand calculations shown beside each check; small
// integer examples are exact in extended precision.
#include "numerics/matrix_handling.h"

#include "message_recorder.h"

#include "expect_extended.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

constexpr extended TOL_EXACT = 0.0L;
// Results of a few rounded extended operations on numbers near 1.
constexpr extended TOL_ROUNDING = 1e-17L;

// A matrix whose every entry holds a marker, so that untouched cells show.
constexpr extended marker = -777.0L;

tMatrix filled_matrix(extended value)
{
    tMatrix A;
    for (int i = 1; i <= max_dim; ++i)
        for (int j = 1; j <= max_dim; ++j)
            A[i][j] = value;
    return A;
}

tMatrix matrix_of(std::initializer_list<std::initializer_list<extended>> rows, extended rest = marker)
{
    tMatrix A = filled_matrix(rest);
    int i = 0;
    for (const auto& row : rows) {
        ++i;
        int j = 0;
        for (extended value : row)
            A[i][++j] = value;
    }
    return A;
}

tVector vector_of(std::initializer_list<extended> values, extended rest = marker)
{
    tVector v;
    for (int i = 1; i <= max_dim; ++i)
        v[i] = rest;
    int i = 0;
    for (extended value : values)
        v[++i] = value;
    return v;
}

void expect_block(const tMatrix& A, int n, std::initializer_list<std::initializer_list<extended>> rows,
                  extended tolerance = TOL_EXACT)
{
    int i = 0;
    for (const auto& row : rows) {
        ++i;
        int j = 0;
        for (extended value : row) {
            ++j;
            EXPECT_NEAR_EXT(A[i][j], value, tolerance) << "[" << i << "][" << j << "]";
        }
    }
    EXPECT_EQ(i, n);
}

// Every cell outside the top left n by n block equals `value`.
void expect_outside_block(const tMatrix& A, int n, extended value)
{
    for (int i = 1; i <= max_dim; ++i)
        for (int j = 1; j <= max_dim; ++j)
            if (i > n || j > n) {
                ASSERT_EQ(A[i][j], value) << "[" << i << "][" << j << "]";
            }
}

} // namespace

// ---------------------------------------------------------------------------
// Vectors and flags.

TEST(Vectors, FillAndMeanTouchOnlyTheActiveEntries)
{
    tVector v = vector_of({});
    fill_vector(3, 2.5L, v);
    EXPECT_EQ(v[1], 2.5L);
    EXPECT_EQ(v[3], 2.5L);
    EXPECT_EQ(v[4], marker);
    // (100 + 85 + 112 + 91) / 4 = 97
    EXPECT_EQ(vector_mean(4, vector_of({100, 85, 112, 91})), 97.0L);
    EXPECT_EQ(vector_mean(1, vector_of({-3})), -3.0L);
}

TEST(Vectors, MeanSumsInIndexOrderFromZero)
{
    // In index order: (1 + 1e-19) rounds to 1, + (-1) gives 0, + 1e-19 gives
    // 1e-19; any other order would give 0 or 2e-19.
    const tVector v = vector_of({1, 1e-19L, -1, 1e-19L});
    EXPECT_EQ(vector_mean(4, v), (((0 + 1.0L) + 1e-19L) + -1.0L + 1e-19L) / 4);
}

TEST(Flags, SetAndCount)
{
    tBool_vector f;
    for (int i = 1; i <= max_dim; ++i)
        f[i] = 9;
    set_all_false(4, f);
    EXPECT_EQ(count_true(4, f), 0);
    EXPECT_EQ(f[5], 9) << "beyond n is left as it was";
    set_all_true(3, f);
    EXPECT_EQ(f[1], 1);
    EXPECT_EQ(f[3], 1);
    EXPECT_EQ(count_true(4, f), 3);
    // Any non-zero byte counts as true.
    f[4] = 200;
    EXPECT_EQ(count_true(4, f), 4);
    EXPECT_EQ(count_true(max_dim, f), 4 + (max_dim - 4));
}

// ---------------------------------------------------------------------------
// Matrices.

TEST(Matrices, ZeroMatrixClearsAll400Entries)
{
    tMatrix A = filled_matrix(5);
    zero_matrix(A);
    expect_outside_block(A, 0, 0);
}

TEST(Matrices, MatrixMeanAndRowMeans)
{
    const tMatrix A = matrix_of({{1, 2, 3}, {4, 5, 6}, {7, 8, 10}});
    extended mean = 0;
    matrix_mean(A, 3, mean);
    EXPECT_EQ(mean, 46.0L / 9); // hand sum 46 over 9 cells
    tVector m = vector_of({});
    row_means(A, 3, m);
    EXPECT_EQ(m[1], 2.0L);
    EXPECT_EQ(m[2], 5.0L);
    EXPECT_EQ(m[3], 25.0L / 3);
    EXPECT_EQ(m[4], marker);
}

TEST(Matrices, QuadraticFormIsXtAx)
{
    // x = (1, 2, -1): x'A = (1 + 8 - 7, 2 + 10 - 8, 3 + 12 - 10) = (2, 4, 5),
    // then (2, 4, 5).x = 2 + 8 - 5 = 5.
    const tMatrix A = matrix_of({{1, 2, 3}, {4, 5, 6}, {7, 8, 10}});
    const tVector x = vector_of({1, 2, -1});
    extended q = 0;
    quadratic_form(A, 3, x, q);
    EXPECT_EQ(q, 5.0L);
}

TEST(Matrices, QuadraticFormFormsXtAFirst)
{
    // x = (1, 1), A = [[1, 0], [2^-64, -1]]. Column sums first: t = (1 + 2^-64,
    // 0 - 1), and 1 + 2^-64 rounds to 1 (half a unit in the last place, tie to
    // even), so x'Ax = 1 - 1 = 0. Row sums first would keep the 2^-64.
    const extended tiny = std::ldexp(1.0L, -64);
    const tMatrix A = matrix_of({{1, 0}, {tiny, -1}});
    extended q = -1;
    quadratic_form(A, 2, vector_of({1, 1}), q);
    EXPECT_EQ(q, 0.0L);
}

TEST(Matrices, ProductsSumInIndexOrder)
{
    // 1 + 2^-64 rounds to 1 twice over; summed from the other end the two
    // small terms would first make 2^-63 and survive.
    const extended tiny = std::ldexp(1.0L, -64);
    const tMatrix A = matrix_of({{1, tiny, tiny}, {tiny, tiny, 1}});
    tVector y = vector_of({});
    matrix_times_vector(A, 2, vector_of({1, 1, 1}), y);
    EXPECT_EQ(y[1], 1.0L);
    matrix_times_vector(A, 3, vector_of({1, 1, 1}), y);
    EXPECT_EQ(y[1], 1.0L);
    EXPECT_EQ(y[2], 1.0L + 2 * tiny);
}

TEST(Matrices, MatrixTimesVector)
{
    // A x = (1 + 4 - 3, 4 + 10 - 6, 7 + 16 - 10) = (2, 8, 13)
    const tMatrix A = matrix_of({{1, 2, 3}, {4, 5, 6}, {7, 8, 10}});
    const tVector x = vector_of({1, 2, -1});
    tVector y = vector_of({});
    matrix_times_vector(A, 3, x, y);
    EXPECT_EQ(y[1], 2.0L);
    EXPECT_EQ(y[2], 8.0L);
    EXPECT_EQ(y[3], 13.0L);
    EXPECT_EQ(y[4], marker);
}

TEST(Matrices, CopyLowerToUpper)
{
    tMatrix A = matrix_of({{1, 90, 91}, {2, 3, 92}, {4, 5, 6}});
    copy_lower_to_upper(3, A);
    expect_block(A, 3, {{1, 2, 4}, {2, 3, 5}, {4, 5, 6}});
    expect_outside_block(A, 3, marker);
}

TEST(Matrices, CorrelationsToCovariances)
{
    // S[i][j] = R[i][j] sd[i] sd[j] with sd = (15, 10): 225, 0.5*150, 100.
    const tMatrix R = matrix_of({{1, 0.5L}, {0.5L, 1}});
    tMatrix S = filled_matrix(marker);
    corr_to_cov(R, 2, vector_of({15, 10}), S);
    expect_block(S, 2, {{225, 75}, {75, 100}});
    expect_outside_block(S, 2, marker);
}

TEST(ExtractSubmatrix, AllFlagsSetKeepsTheMatrixAndClearsTheRest)
{
    const tMatrix A = matrix_of({{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}});
    tBool_vector f;
    set_all_false(max_dim, f);
    set_all_true(4, f);
    tMatrix B = filled_matrix(marker);
    extract_submatrix(A, 4, f, B);
    expect_block(B, 4, {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}});
    expect_outside_block(B, 4, 0);
}

TEST(ExtractSubmatrix, FlagsOneAndThreeGiveTheTwoByTwo)
{
    const tMatrix A = matrix_of({{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}});
    tBool_vector f;
    set_all_false(max_dim, f);
    f[1] = 1;
    f[3] = 5; // any non-zero byte is set
    tMatrix B = filled_matrix(marker);
    extract_submatrix(A, 4, f, B);
    expect_block(B, 2, {{1, 3}, {9, 11}}); // [[A11, A13], [A31, A33]]
    expect_outside_block(B, 2, 0);
}

// ---------------------------------------------------------------------------
// An output may be one of the inputs, or a row of one.

TEST(Aliasing, MatrixTimesVectorIntoItsOwnInput)
{
    const tMatrix A = matrix_of({{1, 2, 3}, {4, 5, 6}, {7, 8, 10}});
    tVector x = vector_of({1, 2, -1});
    matrix_times_vector(A, 3, x, x);
    EXPECT_EQ(x[1], 2.0L);
    EXPECT_EQ(x[2], 8.0L);
    EXPECT_EQ(x[3], 13.0L);
}

TEST(Aliasing, MatrixTimesVectorIntoARowOfTheMatrix)
{
    // Writing y[1] into A[3][1] must not change the third row's product.
    tMatrix A = matrix_of({{1, 2, 3}, {4, 5, 6}, {7, 8, 10}});
    matrix_times_vector(A, 3, vector_of({1, 2, -1}), A[3]);
    EXPECT_EQ(A[3][1], 2.0L);
    EXPECT_EQ(A[3][2], 8.0L);
    EXPECT_EQ(A[3][3], 13.0L);
}

TEST(Aliasing, RowMeansIntoARowOfTheMatrix)
{
    tMatrix A = matrix_of({{9, 9, 9}, {1, 2, 3}, {4, 5, 6}});
    row_means(A, 3, A[2]);
    EXPECT_EQ(A[2][1], 9.0L);
    EXPECT_EQ(A[2][2], 2.0L);
    EXPECT_EQ(A[2][3], 5.0L);
}

TEST(Aliasing, QuadraticFormAndMeanIntoAnInputEntry)
{
    const tMatrix A = matrix_of({{1, 2, 3}, {4, 5, 6}, {7, 8, 10}});
    tVector x = vector_of({1, 2, -1});
    quadratic_form(A, 3, x, x[1]);
    EXPECT_EQ(x[1], 5.0L);

    tMatrix B = matrix_of({{1, 2}, {3, 6}});
    matrix_mean(B, 2, B[1][1]);
    EXPECT_EQ(B[1][1], 3.0L);
}

TEST(Aliasing, ExtractSubmatrixOntoItself)
{
    tMatrix A = matrix_of({{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}});
    tBool_vector f;
    set_all_false(max_dim, f);
    f[2] = 1;
    f[4] = 1;
    extract_submatrix(A, 4, f, A);
    expect_block(A, 2, {{6, 8}, {14, 16}});
    expect_outside_block(A, 2, 0);
}

TEST(Aliasing, CorrelationsToCovariancesInPlaceWithARowAsSd)
{
    tMatrix R = matrix_of({{1, 0.5L}, {0.5L, 1}, {15, 10}});
    corr_to_cov(R, 2, R[3], R);
    expect_block(R, 2, {{225, 75}, {75, 100}});
}

TEST(Aliasing, InvertOntoItself)
{
    // [[2, 1], [1, 1]]^-1 = [[1, -1], [-1, 2]] (determinant 1)
    tMatrix A = matrix_of({{2, 1}, {1, 1}});
    EXPECT_TRUE(invert_matrix(A, 2, A));
    expect_block(A, 2, {{1, -1}, {-1, 2}}, TOL_ROUNDING);
    expect_outside_block(A, 2, 0);
}

// ---------------------------------------------------------------------------
// Gauss-Jordan inverse.

TEST(InvertMatrix, ThreeByThreeTimesItsInverseIsTheIdentity)
{
    // [[4, 2, 2], [2, 5, 3], [2, 3, 6]]: determinant 4*21 - 2*6 + 2*(-4) = 64;
    // adjugate / 64 gives the first row (21, -6, -4) / 64.
    const tMatrix A = matrix_of({{4, 2, 2}, {2, 5, 3}, {2, 3, 6}});
    tMatrix B = filled_matrix(marker);
    ASSERT_TRUE(invert_matrix(A, 3, B));
    expect_block(B, 3,
                 {{21 / 64.0L, -6 / 64.0L, -4 / 64.0L},
                  {-6 / 64.0L, 20 / 64.0L, -8 / 64.0L},
                  {-4 / 64.0L, -8 / 64.0L, 16 / 64.0L}},
                 TOL_ROUNDING);
    expect_outside_block(B, 3, 0);
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) {
            extended s = 0;
            for (int k = 1; k <= 3; ++k)
                s += A[i][k] * B[k][j];
            EXPECT_NEAR_EXT(s, i == j ? 1.0L : 0.0L, TOL_ROUNDING);
        }
}

TEST(InvertMatrix, ZeroFirstPivotExchangesRows)
{
    tMatrix B;
    ASSERT_TRUE(invert_matrix(matrix_of({{0, 1}, {1, 0}}), 2, B));
    expect_block(B, 2, {{0, 1}, {1, 0}});
}

TEST(InvertMatrix, PivotOf1em10IsAcceptedAnd099em10Refused)
{
    tMatrix B;
    ASSERT_TRUE(invert_matrix(matrix_of({{1e-10L}}), 1, B));
    EXPECT_EQ(B[1][1], 1 / 1e-10L);
    EXPECT_FALSE(invert_matrix(matrix_of({{0.99e-10L}}), 1, B));
    EXPECT_FALSE(invert_matrix(matrix_of({{-0.99e-10L}}), 1, B));
    ASSERT_TRUE(invert_matrix(matrix_of({{-1e-10L}}), 1, B));
}

TEST(InvertMatrix, TakesTheFirstAcceptablePivotNotTheLargest)
{
    // [[1e-10, 0], [1, 0.5]] has determinant 5e-11. Pivoting on 1e-10 leaves a
    // second pivot of 0.5 and succeeds: inverse [[1e10, 0], [-2e10, 2]]. The
    // largest pivot, 1, would leave a second pivot of -5e-11 and fail.
    tMatrix B;
    ASSERT_TRUE(invert_matrix(matrix_of({{1e-10L, 0}, {1, 0.5L}}), 2, B));
    EXPECT_EQ(B[1][1], 1 / 1e-10L);
    EXPECT_EQ(B[1][2], 0.0L);
    EXPECT_NEAR_EXT(B[2][1], -2 / 1e-10L, 1e10L * TOL_ROUNDING);
    EXPECT_EQ(B[2][2], 2.0L);
}

TEST(InvertMatrix, SingularMatrixIsReported)
{
    tMatrix B;
    // Second row twice the first: after the first column the second pivot is 0.
    EXPECT_FALSE(invert_matrix(matrix_of({{1, 2}, {2, 4}}), 2, B));
    // The partial result is row-reduced identity work, not an inverse:
    // row 1 scaled by 1, row 2 minus twice row 1.
    expect_block(B, 2, {{1, 0}, {-2, 1}});
}

// ---------------------------------------------------------------------------
// Choleski factor.

class Choleski : public ::testing::Test, public tRecordingTest {};

TEST_F(Choleski, OneByOne)
{
    tMatrix A = matrix_of({{4}});
    EXPECT_TRUE(choleski_decomposition(1, A));
    EXPECT_EQ(A[1][1], 2.0L);
    EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(Choleski, TwoByTwo)
{
    // 4 = 2*2; 2 / 2 = 1; sqrt(5 - 1*1) = 2
    tMatrix A = matrix_of({{4, 2}, {2, 5}});
    EXPECT_TRUE(choleski_decomposition(2, A));
    expect_block(A, 2, {{2, 0}, {1, 2}});
    expect_outside_block(A, 2, marker);
    EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(Choleski, ThreeByThreeClearsTheUpperTriangle)
{
    // L = [[2, 0, 0], [1, 2, 0], [1, 1, 2]]: L21 = 2/2, L31 = 2/2,
    // L22 = sqrt(5 - 1), L32 = (3 - 1*1) / 2, L33 = sqrt(6 - 1 - 1).
    // The upper triangle holds other values before the call.
    tMatrix A = matrix_of({{4, 50, 60}, {2, 5, 70}, {2, 3, 6}});
    EXPECT_TRUE(choleski_decomposition(3, A));
    expect_block(A, 3, {{2, 0, 0}, {1, 2, 0}, {1, 1, 2}});
}

TEST_F(Choleski, FactorTimesItsTransposeGivesTheMatrix)
{
    // A correlation matrix of four scores with realistic values.
    const tMatrix R = matrix_of({{1, 0.55L, 0.6L, 0.4L},
                                 {0.55L, 1, 0.5L, 0.45L},
                                 {0.6L, 0.5L, 1, 0.4L},
                                 {0.4L, 0.45L, 0.4L, 1}});
    tMatrix L = R;
    ASSERT_TRUE(choleski_decomposition(4, L));
    for (int i = 1; i <= 4; ++i)
        for (int j = 1; j <= 4; ++j) {
            if (i < j) {
                EXPECT_EQ(L[i][j], 0.0L);
            }
            extended s = 0;
            for (int k = 1; k <= 4; ++k)
                s += L[i][k] * L[j][k];
            EXPECT_NEAR_EXT(s, R[i][j], 4 * TOL_ROUNDING) << i << "," << j;
        }
}

TEST_F(Choleski, SingularTwoByTwoStopsAtTheSecondColumn)
{
    tMatrix A = matrix_of({{1, 7}, {1, 1}});
    EXPECT_FALSE(choleski_decomposition(2, A));
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].kind, tRecordedMessage::Information);
    EXPECT_EQ(recorder.messages[0].text, "Not pos def 2nd : sum=  0.000000000  i=  2  j=   2");
    // Column 1 is transformed (sqrt 1, 1 / 1); the rest and the upper triangle are not.
    expect_block(A, 2, {{1, 7}, {1, 1}});
}

TEST_F(Choleski, ZeroFirstDiagonalLeavesTheMatrixUnchanged)
{
    const tMatrix original = matrix_of({{0, 3}, {2, 5}});
    tMatrix A = original;
    EXPECT_FALSE(choleski_decomposition(2, A));
    EXPECT_EQ(recorder.texts(tRecordedMessage::Information),
              std::vector<std::string>{"Not pos def 1st : sum=  0.000 "});
    expect_block(A, 2, {{0, 3}, {2, 5}});
    expect_outside_block(A, 2, marker);
}

TEST_F(Choleski, NegativeFirstDiagonalIsShownWithItsSign)
{
    tMatrix A = matrix_of({{-2.5L}});
    EXPECT_FALSE(choleski_decomposition(1, A));
    EXPECT_EQ(recorder.texts(tRecordedMessage::Information),
              std::vector<std::string>{"Not pos def 1st : sum=  -2.500 "});
}

TEST_F(Choleski, ThresholdOf1em12IsAcceptedInBothTests)
{
    tMatrix A = matrix_of({{1e-12L}});
    EXPECT_TRUE(choleski_decomposition(1, A));
    EXPECT_EQ(A[1][1], std::sqrt(1e-12L));

    // Second column: 1e-12 - 0*0 is exactly 1e-12.
    tMatrix B = matrix_of({{1, 0}, {0, 1e-12L}});
    EXPECT_TRUE(choleski_decomposition(2, B));
    EXPECT_EQ(B[2][2], std::sqrt(1e-12L));
    EXPECT_TRUE(recorder.messages.empty());

    tMatrix C = matrix_of({{0.99e-12L}});
    EXPECT_FALSE(choleski_decomposition(1, C));
    tMatrix D = matrix_of({{1, 0}, {0, 0.99e-12L}});
    EXPECT_FALSE(choleski_decomposition(2, D));
    EXPECT_EQ(recorder.texts(tRecordedMessage::Information),
              (std::vector<std::string>{"Not pos def 1st : sum=  0.000 ",
                                        "Not pos def 2nd : sum=  0.000000000  i=  2  j=   2"}));
}

TEST_F(Choleski, ThirdColumnFailureReportsColumnThree)
{
    // [[1, 0.9, 0.9], [0.9, 1, 0.62], [0.9, 0.62, 0.5]]: L33^2 = 0.5 - 0.81 - L32^2 < 0.
    tMatrix A = matrix_of({{1, 0, 0}, {0.9L, 1, 0}, {0.9L, 0.62L, 0.5L}});
    EXPECT_FALSE(choleski_decomposition(3, A));
    // L22 = sqrt(0.19), L32 = (0.62 - 0.81) / sqrt(0.19), so L32^2 = 0.19 and
    // the third sum is 0.5 - 0.81 - 0.19 = -0.5.
    EXPECT_EQ(recorder.texts(tRecordedMessage::Information),
              std::vector<std::string>{"Not pos def 2nd : sum=  -0.500000000  i=  3  j=   3"});
}
