// What the profile chart of one case needs, taken from the case's figures:
// a small value (a few hundred bytes), so that a batch of cases can keep one
// per case for the chart pages of a PDF without holding every figure.
#pragma once

#include <QString>

#include <array>
#include <string>
#include <vector>

struct tCaseFigures;

constexpr int chart_scores = 4; // VC, PR, WM, PS
constexpr int chart_pairs = 6;  // VC-PR, VC-WM, VC-PS, PR-WM, PR-PS, WM-PS

struct tChartData {
    // The four Index scores (slot order) with their 95% limits.
    std::array<double, chart_scores> score{};
    std::array<double, chart_scores> lower{};
    std::array<double, chart_scores> upper{};
    std::array<bool, chart_scores> is_low{};
    double low_cut = 0; // Index score of the criterion's lower-tail cut: 100 + 15 z

    int criterion_item = 0; // 0 "25%" .. 6 "1%"
    QString norms_name;     // a set of normative data the user entered; empty: the built-in set
    bool pairwise = false;  // the report's mode: pairwise differences or deviations
    bool bonferroni = false;

    // Deviations from the case's mean (4) or pairwise differences score_a -
    // score_b (6), with the size beyond which each is abnormal.
    int diff_count = chart_scores;
    std::array<double, chart_pairs> diff{};
    std::array<double, chart_pairs> diff_cut{};
    std::array<bool, chart_pairs> diff_abnormal{};

    // Each score, limit and difference as the report prints it (its
    // rounding, a true minus sign): the chart's labels and its text.
    std::array<QString, chart_scores> score_text{};
    std::array<QString, chart_scores> lower_text{};
    std::array<QString, chart_scores> upper_text{};
    std::array<QString, chart_pairs> diff_text{};

    // The notes as one text: the report's note lines joined again, a line
    // that the memo wrapped after a blank running on, any other line ending
    // in a line separator (U+2028). Empty without notes.
    QString notes;

    QString criterion_label() const;
};

// Slot numbers (1..4) of the pair with index 0..5, in the report's order.
constexpr std::array<std::array<int, 2>, chart_pairs> chart_pair_slots = {
    {{1, 2}, {1, 3}, {1, 4}, {2, 3}, {2, 4}, {3, 4}}};

tChartData chart_data_of(const tCaseFigures& figures);

// The notes text of these note lines (see tChartData::notes).
QString chart_notes_of(const std::vector<std::string>& note_lines);
