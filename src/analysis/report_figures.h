// Every figure of a case's report as the report prints it, each on its own:
// taken from the case's figures (the value the report and the research
// data read), through the very conversions of the report's rows
// (report.cpp), the column's padding left out. Whoever shows the report's
// figures in another form (the editable document's tables) takes them from
// here, so that no figure can read otherwise than in the report.
#pragma once

#include "analysis/case_figures.h"

#include <array>
#include <string>
#include <vector>

struct tReportFigures {
    // The score table: each score with its 95% limits, and the percentile
    // ranks of the score and of its limits.
    struct tScore {
        std::string score, lower, upper;
        std::string percentile, percentile_lower, percentile_upper;
    };
    std::array<tScore, index_count> scores;

    // A count of abnormal scores, deviations or differences, and the per
    // cent of the normal population expected to show that many or more
    // (without the per cent sign; "100" for a count of 0, as the report
    // prints it).
    struct tCount {
        std::string count;
        std::string base_rate;
    };
    tCount low;

    // The deviations from the case's mean (four) or the pairwise differences
    // (six), by the report's mode, in the report's order.
    struct tDifference {
        std::string label; // "VC minus Mean", "VC minus PR", ...
        // The reliability table: the value, its 95% limits and the one- and
        // two-tailed p; with the sequential Bonferroni correction the markers
        // "p < .05" or "not sig" instead of the p values, and, for the
        // deviations, no limits (empty).
        std::string value, lower, upper;
        std::string p_one, p_two;
        // The abnormality table: the value as that table prints it, and the
        // per cent of the population with a larger one in the same direction
        // and regardless of sign.
        std::string abnormality_value;
        std::string pct_same, pct_either;
    };
    bool pairwise = false;
    bool corrected = false;     // the sequential Bonferroni correction
    std::string case_mean;      // deviations only
    std::vector<tDifference> differences;
    tCount abnormal;            // abnormal deviations, or pairwise differences

    // The Mahalanobis distance of the profile as a chi-square: its value,
    // degrees of freedom and p, and the per cent of the normative population
    // with a more unusual profile.
    std::string chi_square, df, p, pct_more_unusual;
};

tReportFigures report_figures_of(const tCaseFigures& figures);

