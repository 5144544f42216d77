// Every figure of one analysed case, in one plain value: what was analysed
// (the score texts and the options) and every section the run computed. The
// report, the profile chart and the research data all read this value, so
// they can never disagree.
#pragma once

#include "analysis/normative_data.h"
#include "analysis/sections.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

struct tCaseFigures {
    // What was analysed.
    std::array<std::string, index_count> score_texts; // as typed or read
    int criterion_item = default_criterion_item;      // 0 "25%" .. 6 "1%"
    int mode = 1;       // 0 pairwise differences, 1 deviations from the case's mean
    int correction = 0; // 1 when the sequential Bonferroni correction is applied
    std::vector<std::string> note_lines; // UTF-8, as displayed

    int N = index_count;
    extended zLow = 0; // a score is abnormally low below this z
    extended zAbs = 0; // a deviation or difference is abnormal above this |z|

    tIndexSection index;
    tDeviationSection dev;
    tPairwiseSection pair;
    tProfileSection profile;
    tBaseRates rates;
    long mc_trials = 0; // simulated profiles behind each base rate
    // The normative data every figure came from (the built-in set or the
    // user's).
    std::shared_ptr<const tNormativeData> norms;

    // The name of a set the user entered; empty for the built-in set.
    std::string user_norms_name() const;

    const char* crit_label() const { return crit_labels[static_cast<size_t>(criterion_item)]; }
};

// Computes every section for valid scores (slots 1..4) under the criterion
// item from the normative data given (null: the built-in set); the options
// of `out` other than the criterion are left as they are. Draws the Monte
// Carlo from the caller's generator.
void compute_case_figures(const tVector& scores, int criterion_item, tRandom_generator& generator,
                          tCaseFigures& out, std::shared_ptr<const tNormativeData> norms = nullptr);

// The built-in set, prepared once for the process and never changed after.
std::shared_ptr<const tNormativeData> built_in_normative_data();
