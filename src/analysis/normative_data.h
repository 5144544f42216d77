// The normative data of the four Orvane Index scores, the derived standard
// errors and standard deviations that every section needs, and the criterion
// table of the abnormality options. The built-in set is the default and
// cannot be changed; a set the user entered (another edition's reliabilities
// and correlations; means 100 and SDs 15 as ever) is checked here before it
// is used, and prepared once for any number of cases.
#pragma once

#include "common/extended.h"
#include "methods/MC_engine.h"
#include "numerics/matrix_handling.h"
#include "storage/normative_sets.h"

#include <array>
#include <string>

// Slots 1..4 in the order VC, PR, WM, PS, everywhere in the run and report.
constexpr int index_count = 4;

struct tNormativeData {
    int N = index_count;
    tVector Means_vec{};
    tVector SDs_vec{};
    tVector rels_vec{};
    tBool_vector required_vec{}; // slots 1..N true, the rest false
    tMatrix corr_mat{};          // full symmetric after copy_lower_to_upper
    // Derived in this order: standard errors of measurement, of deviations
    // from the case's mean, of pairwise differences; normative standard
    // deviations of deviations from the mean and of pairwise differences.
    tVector SEMs_vec{};
    tVector SEM_Diffs_Mean{};
    tMatrix SEMdiff_Pairwise{}; // above the diagonal only
    tVector SD_DevMean{};
    tMatrix SDdiff_Pairwise{};  // above the diagonal only

    std::string set_name;   // the set's name
    bool user_set = false;  // entered by the user, not the built-in set
    // The Monte Carlo's correlation factor and unit-SD standard deviations,
    // made once per set; each estimate adds its criterion and counts.
    tMC_setup MC_prepared{};
};

// The built-in set's name (never a user set's name) and its figures.
extern const char* const built_in_norms_name; // "Built-in (Orvane)"
tNormativeSet built_in_normative_set();

// The built-in set.
void SetUpNormativeData(tNormativeData& norms);
// Any set that check_normative_set passes.
void SetUpNormativeData(const tNormativeSet& set, bool user_set, tNormativeData& norms);

// Empty message when the set may be used; otherwise the first fault, naming
// its field or cell, the figures to look at again in the manual, and the
// line it stood on in a file (0 when entered in a window). In this order:
// the name; each reliability strictly between 0 and 1; each correlation
// strictly between -1 and 1; the correlations positive definite (the
// engine's Choleski factor exists); every difference and every deviation
// from the mean keeping a true part (its standard deviation above its
// standard error of measurement); and the true scores' covariance, the
// correlations with the reliabilities on the diagonal, positive definite too
// (classical test theory: no pair's correlation beyond the square root of
// the product of its reliabilities, and no combination of scores whose true
// part would have no variance).
struct tNormsProblem {
    std::string message;
    enum tField { none, name, reliability, correlation } field = none;
    int row = 0;    // 1..4: the reliability, or the correlation cell's row
    int column = 0; // 1..4: the correlation cell's column
    int line = 0;
};
tNormsProblem check_normative_set(const tNormativeSet& set);
// "The correlation of PR with VC (row 2, column 1)": the cell (1-based, row
// after column) as every message of the correlations names it.
std::string norms_correlation_caption(int row, int column);
// Empty when `value` may stand in that cell (strictly between -1 and 1),
// otherwise the message that names the cell and the value.
std::string norms_correlation_problem(int row, int column, extended value);

// The criterion table, indexed by the item of the criterion option (0..6,
// default 4). The deviates are stored with exactly these digits; they are
// not computed from the percentages.
constexpr int criterion_count = 7;
constexpr int default_criterion_item = 4;
inline constexpr std::array<const char*, criterion_count> crit_labels = {
    "25%", "15.87%", "15%", "10%", "5%", "2%", "1%",
};
// Lower-tail deviate: a score is abnormally low when its z score lies below it.
inline constexpr std::array<extended, criterion_count> crit_low_z = {
    -0.67449L, -1.0L, -1.0364334L, -1.281552L, -1.644854L, -2.053749L, -2.326348L,
};
// Two-tailed deviate: a deviation or difference is abnormally large when its
// absolute standardised size exceeds it.
inline constexpr std::array<extended, criterion_count> crit_abs_z = {
    1.150349L, 1.40961L, 1.4395315L, 1.644854L, 1.959964L, 2.326348L, 2.575829L,
};

// The text of an exported set read and checked: an empty message and the
// set, or the first fault (of form or of figures) with its line.
tNormsProblem normative_set_from_text(const std::string& text, tNormativeSet& set);
