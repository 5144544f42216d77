// The built-in normative data of the four Orvane Index scores, the derived
// standard errors and standard deviations that every section needs, and the
// criterion table of the abnormality options. Everything is rebuilt from
// these constants at the start of every run; nothing here can be changed by
// the user.
#pragma once

#include "common/extended.h"
#include "numerics/matrix_handling.h"

#include <array>

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
};

void SetUpNormativeData(tNormativeData& norms);

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
