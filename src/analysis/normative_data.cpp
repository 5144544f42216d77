#include "analysis/normative_data.h"

#include "common/format_ext.h"
#include "methods/psychometrics.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <vector>

namespace {

const char* const score_names[index_count] = {"VC", "PR", "WM", "PS"};
const char* const score_long_names[index_count] = {
    "Verbal Comprehension", "Perceptual Reasoning", "Working Memory", "Processing Speed"};

// The set refused with `message`, at the field, row, column and file line
// the windows and the batch tool point to.
tNormsProblem refusal_at(std::string message, tNormsProblem::tField field, int row, int column,
                         int line)
{
    return tNormsProblem{std::move(message), field, row, column, line};
}

std::string figure(extended value)
{
    return norms_number_text(value);
}

} // namespace

const char* const built_in_norms_name = "Built-in (Orvane)";

tNormativeSet built_in_normative_set()
{
    tNormativeSet set;
    set.name = built_in_norms_name;
    set.rels = {0.96L, 0.95L, 0.94L, 0.90L};
    auto& r = set.corr;
    r[0][0] = 1.0L;
    r[1][0] = 0.61L;
    r[1][1] = 1.0L;
    r[2][0] = 0.64L;
    r[2][1] = 0.62L;
    r[2][2] = 1.0L;
    r[3][0] = 0.45L;
    r[3][1] = 0.52L;
    r[3][2] = 0.51L;
    r[3][3] = 1.0L;
    return set;
}

void SetUpNormativeData(tNormativeData& norms)
{
    SetUpNormativeData(built_in_normative_set(), false, norms);
}

void SetUpNormativeData(const tNormativeSet& set, bool user_set, tNormativeData& norms)
{
    norms = tNormativeData{};
    const int N = index_count;
    norms.N = N;
    norms.set_name = set.name;
    norms.user_set = user_set;

    fill_vector(N, 100.0L, norms.Means_vec);
    fill_vector(N, 15.0L, norms.SDs_vec);

    set_all_false(max_dim, norms.required_vec);
    set_all_true(N, norms.required_vec);

    // Diagonal and lower triangle; the upper triangle is their mirror.
    for (int i = 1; i <= N; ++i)
        for (int j = 1; j <= i; ++j)
            norms.corr_mat[i][j] = set.corr[static_cast<size_t>(i - 1)][static_cast<size_t>(j - 1)];
    copy_lower_to_upper(N, norms.corr_mat);

    for (int i = 1; i <= N; ++i)
        norms.rels_vec[i] = set.rels[static_cast<size_t>(i - 1)];

    // The pairwise routines receive the whole capacity; required_vec
    // restricts them to the four used slots.
    get_SE_vector(N, norms.SDs_vec, norms.rels_vec, norms.SEMs_vec);
    get_SEM_Diffs_Mean(norms.SEMs_vec, N, norms.SEM_Diffs_Mean);
    get_SEMdiff_pairwise(max_dim, norms.SEMs_vec, norms.required_vec, norms.SEMdiff_Pairwise);
    get_SD_DevMean(N, norms.SDs_vec, norms.corr_mat, norms.SD_DevMean);
    get_SD_diff_pairwise(max_dim, norms.SDs_vec, norms.required_vec, norms.corr_mat,
                         norms.SDdiff_Pairwise);

    MC_prepare(norms.corr_mat, max_dim, norms.required_vec, norms.MC_prepared);
}

namespace {

std::string named_pair(int a, int b) // 0-based, a < b
{
    return std::string(score_names[a]) + " and " + score_names[b];
}

extended correlation(const tNormativeSet& set, int a, int b) // 0-based, a != b
{
    return a > b ? set.corr[static_cast<size_t>(a)][static_cast<size_t>(b)]
                 : set.corr[static_cast<size_t>(b)][static_cast<size_t>(a)];
}

extended reliability(const tNormativeSet& set, int a) // 0-based
{
    return set.rels[static_cast<size_t>(a)];
}

// The cell of the correlation of a with b (1-based) as the windows show it:
// in the lower triangle, row before column.
tNormsProblem cell_problem(const tNormativeSet& set, std::string message, int a, int b)
{
    const int row = std::max(a, b), column = std::min(a, b);
    return refusal_at(std::move(message), tNormsProblem::correlation, row, column,
                      set.corr_lines[static_cast<size_t>(row - 1)]);
}

tNormsProblem name_problem(const tNormativeSet& set)
{
    if (std::string message = norms_name_problem(set.name); !message.empty())
        return refusal_at(message, tNormsProblem::name, 0, 0, set.name_line);
    // Compared without regard to case: a user set is never taken for the
    // built-in one in a report or a research file.
    std::string lower_name = set.name;
    std::string lower_built_in = built_in_norms_name;
    for (std::string* s : {&lower_name, &lower_built_in})
        for (char& c : *s)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
    if (lower_name == lower_built_in)
        return refusal_at("The name \"" + set.name + "\" is the built-in set's: choose another name.",
                          tNormsProblem::name, 0, 0, set.name_line);
    return tNormsProblem{};
}

tNormsProblem range_problem(const tNormativeSet& set)
{
    for (int i = 0; i < index_count; ++i) {
        const extended r = reliability(set, i);
        if (!(r > 0.0L && r < 1.0L))
            return refusal_at(std::string("The reliability of ") + score_long_names[i] + " ("
                                  + score_names[i] + ") must lie strictly between 0 and 1; it is "
                                  + figure(r) + ".",
                              tNormsProblem::reliability, i + 1, 0, set.rels_line);
    }
    for (int i = 0; i < index_count; ++i) {
        if (set.corr[static_cast<size_t>(i)][static_cast<size_t>(i)] != 1.0L)
            return cell_problem(set, "The diagonal cell of row " + std::to_string(i + 1) + " ("
                                         + score_names[i] + ") must be 1.",
                                i + 1, i + 1);
        for (int j = 0; j < i; ++j) {
            if (std::string message = norms_correlation_problem(i + 1, j + 1, correlation(set, i, j));
                !message.empty())
                return cell_problem(set, message, i + 1, j + 1);
        }
    }
    return tNormsProblem{};
}

// "VC, PR and WM": the scores whose slots (0-based) are flagged.
std::string flagged_scores_text(const std::array<bool, index_count>& flagged)
{
    std::vector<std::string> names;
    for (int k = 0; k < index_count; ++k)
        if (flagged[static_cast<size_t>(k)])
            names.emplace_back(score_names[k]);
    return joined_list(names, " and ");
}

// The first row (1..4) at which the Choleski factorisation the Monte Carlo
// uses (choleski_factor) stops on the correlations with `diagonal` (1-based)
// in place of the ones; 0 when that matrix is positive definite.
int factor_fails_at(const tNormativeSet& set, const tVector& diagonal)
{
    tMatrix matrix{};
    for (int i = 1; i <= index_count; ++i) {
        for (int j = 1; j < i; ++j)
            matrix[i][j] = matrix[j][i] = correlation(set, i - 1, j - 1);
        matrix[i][i] = diagonal[i];
    }
    extended pivot = 0;
    return choleski_factor(index_count, matrix, pivot);
}

tNormsProblem definite_problem(const tNormativeSet& set)
{
    tVector ones{};
    fill_vector(index_count, 1.0L, ones);
    const int row = factor_fails_at(set, ones);
    if (row == 0)
        return tNormsProblem{};
    std::array<bool, index_count> rows{};
    for (int k = 0; k < row; ++k)
        rows[static_cast<size_t>(k)] = true;
    return cell_problem(set,
                        "No population can have these correlations together: they are not "
                        "positive definite (their Choleski factor fails at row "
                            + std::to_string(row) + ", " + score_names[row - 1]
                            + "). Look again in the manual at the correlations among "
                            + flagged_scores_text(rows) + " (rows 1 to " + std::to_string(row) + ").",
                        row, 1);
}

// A difference or deviation must keep a true part: its standard deviation
// above its standard error of measurement (for a pair, the correlation
// below the mean of the two reliabilities).
tNormsProblem contrast_problem(const tNormativeSet& set, const tNormativeData& norms)
{
    for (int a = 1; a <= index_count; ++a)
        for (int b = a + 1; b <= index_count; ++b) {
            const extended se = norms.SEMdiff_Pairwise[a][b];
            const extended sd = norms.SDdiff_Pairwise[a][b];
            if (!(sd * sd - se * se > 0))
                return refusal_at(
                    "The reliabilities of " + named_pair(a - 1, b - 1) + " ("
                        + figure(reliability(set, a - 1)) + " and " + figure(reliability(set, b - 1))
                        + ") do not fit their correlation of " + figure(correlation(set, a - 1, b - 1))
                        + ": the difference " + score_names[a - 1] + " - " + score_names[b - 1]
                        + " would be measurement error only (its standard error of measurement is "
                          "not below its standard deviation; the correlation must be less than the "
                          "mean of the two reliabilities). Look again in the manual at these three "
                          "figures.",
                    tNormsProblem::reliability, a, 0, set.rels_line);
        }
    for (int i = 1; i <= index_count; ++i) {
        const extended se = norms.SEM_Diffs_Mean[i];
        const extended sd = norms.SD_DevMean[i];
        if (!(sd * sd - se * se > 0)) {
            std::array<bool, index_count> others;
            others.fill(true);
            others[static_cast<size_t>(i - 1)] = false;
            return refusal_at(std::string("The reliabilities do not fit the correlations: the deviation of ")
                                  + score_names[i - 1]
                                  + " from the case's mean would be measurement error only (its "
                                    "standard error of measurement is not below its standard deviation). "
                                    "Look again in the manual at the reliability of "
                                  + score_names[i - 1] + " (" + figure(reliability(set, i - 1))
                                  + ") and at its correlations with " + flagged_scores_text(others) + ".",
                              tNormsProblem::reliability, i, 0, set.rels_line);
        }
    }
    return tNormsProblem{};
}

// Classical test theory: the true scores' covariance, the correlations less
// each score's error variance on the diagonal (R - diag(1 - r), in units of
// the SDs), must be that of some population. A pair whose correlation
// exceeds the square root of the product of its reliabilities would have
// true scores correlated beyond 1 and is named; a matrix that fails with
// every pair in bounds is named by the row at which its factor fails.
tNormsProblem true_score_problem(const tNormativeSet& set, const tNormativeData& norms)
{
    const int row = factor_fails_at(set, norms.rels_vec);
    if (row == 0)
        return tNormsProblem{};
    int worst_a = 0, worst_b = 0;
    extended worst = 0;
    for (int a = 0; a < index_count; ++a)
        for (int b = a + 1; b < index_count; ++b) {
            const extended t = correlation(set, a, b) / std::sqrt(reliability(set, a) * reliability(set, b));
            if (std::fabs(t) >= 1.0L && std::fabs(t) > worst) {
                worst = std::fabs(t);
                worst_a = a;
                worst_b = b;
            }
        }
    if (worst > 0) {
        const extended rho = correlation(set, worst_a, worst_b);
        const extended bound = std::sqrt(reliability(set, worst_a) * reliability(set, worst_b));
        std::string level = format_ext("%.3Lf", (rho < 0 ? -worst : worst));
        if (level == "1.000" || level == "-1.000")
            level = rho < 0 ? "-1 (perfectly)" : "1 (perfectly)";
        return cell_problem(
            set,
            "The correlation of " + std::string(score_names[worst_b]) + " with " + score_names[worst_a]
                + " (" + figure(rho) + ") is too " + (rho < 0 ? "strongly negative" : "large")
                + " for the reliabilities of " + named_pair(worst_a, worst_b) + " ("
                + figure(reliability(set, worst_a)) + " and " + figure(reliability(set, worst_b))
                + "): their true scores (the scores without measurement error) would correlate "
                + level + ". A correlation can be at most the square root of the product of the two "
                  "reliabilities in size, here "
                + format_ext("%.3Lf", bound) + ". Look again in the manual at these three figures.",
            worst_a + 1, worst_b + 1);
    }
    return refusal_at("Taken together, the correlations do not fit the reliabilities: no population has "
                      "true scores (the scores without measurement error) with these correlations (the "
                      "Choleski factor of their covariance fails at row "
                          + std::to_string(row) + ", " + score_names[row - 1]
                          + "). Look again in the manual at the reliabilities and at the correlations "
                            "of rows 1 to "
                          + std::to_string(row) + ".",
                      tNormsProblem::correlation, row, 1, set.corr_lines[static_cast<size_t>(row - 1)]);
}

} // namespace

std::string norms_correlation_caption(int row, int column)
{
    return std::string("The correlation of ") + score_names[row - 1] + " with " + score_names[column - 1]
           + " (row " + std::to_string(row) + ", column " + std::to_string(column) + ")";
}

std::string norms_correlation_problem(int row, int column, extended value)
{
    if (value > -1.0L && value < 1.0L)
        return std::string();
    return norms_correlation_caption(row, column) + " must lie strictly between -1 and 1; it is "
           + figure(value) + ".";
}

tNormsProblem check_normative_set(const tNormativeSet& set)
{
    // In this order: the set up below factors the correlations, which must
    // be positive definite by then.
    for (auto check : {name_problem, range_problem, definite_problem})
        if (tNormsProblem found = check(set); !found.message.empty())
            return found;
    tNormativeData norms;
    SetUpNormativeData(set, true, norms);
    for (auto check : {contrast_problem, true_score_problem})
        if (tNormsProblem found = check(set, norms); !found.message.empty())
            return found;
    return tNormsProblem{};
}

tNormsProblem normative_set_from_text(const std::string& text, tNormativeSet& set)
{
    const tNormsText read = parse_normative_set_text(text);
    if (!read.error.empty()) {
        std::string message = read.error;
        message[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(message[0])));
        return refusal_at(message + (message.back() == '.' ? "" : "."), tNormsProblem::none, 0, 0,
                          read.error_line);
    }
    set = read.sets.front();
    return check_normative_set(set);
}
