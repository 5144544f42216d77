#include "analysis/normative_data.h"

#include "methods/psychometrics.h"

#include <cctype>
#include <cmath>

namespace {

const char* const score_names[index_count] = {"VC", "PR", "WM", "PS"};
const char* const score_long_names[index_count] = {
    "Verbal Comprehension", "Perceptual Reasoning", "Working Memory", "Processing Speed"};

// The pivot below which the program's Choleski factorisation reports a
// matrix as not positive definite.
constexpr extended pivot_threshold = 1e-12L;

// The Choleski factorisation of the correlations without any message: the
// row (1..4) at which it fails, or 0 when the factor exists.
int choleski_fails_at(const tNormativeSet& set)
{
    extended L[index_count][index_count] = {};
    for (int j = 0; j < index_count; ++j) {
        extended pivot = set.corr[j][j];
        for (int k = 0; k < j; ++k)
            pivot -= L[j][k] * L[j][k];
        if (!(pivot >= pivot_threshold))
            return j + 1;
        L[j][j] = std::sqrt(pivot);
        for (int i = j + 1; i < index_count; ++i) {
            extended s = set.corr[i][j];
            for (int k = 0; k < j; ++k)
                s -= L[i][k] * L[j][k];
            L[i][j] = s / L[j][j];
        }
    }
    return 0;
}

tNormsProblem problem(std::string message, tNormsProblem::tField field, int row, int column,
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

tNormsProblem check_normative_set(const tNormativeSet& set)
{
    if (std::string message = norms_name_problem(set.name); !message.empty())
        return problem(message, tNormsProblem::name, 0, 0, set.name_line);
    // Compared without regard to case: a user set is never taken for the
    // built-in one in a report or a research file.
    std::string lower_name = set.name;
    std::string lower_built_in = built_in_norms_name;
    for (std::string* s : {&lower_name, &lower_built_in})
        for (char& c : *s)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
    if (lower_name == lower_built_in)
        return problem("The name \"" + set.name + "\" is the built-in set's: choose another name.",
                       tNormsProblem::name, 0, 0, set.name_line);

    for (int i = 0; i < index_count; ++i) {
        const extended r = set.rels[static_cast<size_t>(i)];
        if (!(r > 0.0L && r < 1.0L))
            return problem(std::string("The reliability of ") + score_long_names[i] + " ("
                               + score_names[i] + ") must lie strictly between 0 and 1; it is "
                               + figure(r) + ".",
                           tNormsProblem::reliability, i + 1, 0, set.rels_line);
    }
    for (int i = 0; i < index_count; ++i) {
        const int line = set.corr_lines[static_cast<size_t>(i)];
        if (set.corr[static_cast<size_t>(i)][static_cast<size_t>(i)] != 1.0L)
            return problem("The diagonal cell of row " + std::to_string(i + 1) + " (" + score_names[i]
                               + ") must be 1.",
                           tNormsProblem::correlation, i + 1, i + 1, line);
        for (int j = 0; j < i; ++j) {
            const extended r = set.corr[static_cast<size_t>(i)][static_cast<size_t>(j)];
            if (!(r > -1.0L && r < 1.0L))
                return problem(std::string("The correlation of ") + score_names[i] + " with "
                                   + score_names[j] + " (row " + std::to_string(i + 1)
                                   + ", column " + std::to_string(j + 1)
                                   + ") must lie strictly between -1 and 1; it is " + figure(r)
                                   + ".",
                               tNormsProblem::correlation, i + 1, j + 1, line);
        }
    }
    if (const int row = choleski_fails_at(set))
        return problem("The correlations are not positive definite: their Choleski factor fails at row "
                           + std::to_string(row) + " (" + score_names[row - 1]
                           + "), so no population can have them. Check the correlations of rows 1 to "
                           + std::to_string(row) + ".",
                       tNormsProblem::correlation, row, 1,
                       set.corr_lines[static_cast<size_t>(row - 1)]);

    tNormativeData norms;
    SetUpNormativeData(set, true, norms);
    for (int a = 1; a <= index_count; ++a)
        for (int b = a + 1; b <= index_count; ++b) {
            const extended se = norms.SEMdiff_Pairwise[a][b];
            const extended sd = norms.SDdiff_Pairwise[a][b];
            if (!(sd * sd - se * se > 0))
                return problem(std::string("The reliabilities of ") + score_names[a - 1] + " and "
                                   + score_names[b - 1] + " do not fit their correlation of "
                                   + figure(set.corr[static_cast<size_t>(b - 1)][static_cast<size_t>(a - 1)])
                                   + ": the difference " + score_names[a - 1] + " - "
                                   + score_names[b - 1]
                                   + " would be measurement error only (its standard error "
                                     "of measurement is not below its standard deviation).",
                               tNormsProblem::reliability, a, 0, set.rels_line);
        }
    for (int i = 1; i <= index_count; ++i) {
        const extended se = norms.SEM_Diffs_Mean[i];
        const extended sd = norms.SD_DevMean[i];
        if (!(sd * sd - se * se > 0))
            return problem(std::string("The reliabilities do not fit the correlations: the deviation of ")
                               + score_names[i - 1]
                               + " from the case's mean would be measurement error only (its "
                                 "standard error of measurement is not below its standard deviation).",
                           tNormsProblem::reliability, i, 0, set.rels_line);
    }
    return tNormsProblem{};
}

tNormsProblem normative_set_from_text(const std::string& text, tNormativeSet& set)
{
    const tNormsText read = parse_normative_set_text(text);
    if (!read.error.empty()) {
        std::string message = read.error;
        message[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(message[0])));
        return problem(message + (message.back() == '.' ? "" : "."), tNormsProblem::none, 0, 0,
                       read.error_line);
    }
    set = read.sets.front();
    return check_normative_set(set);
}
