// The report's figures one by one. Each conversion below is the one of the
// report's row that prints the figure (report.cpp), its width left out: a
// width only pads with blanks, so the digits are the same.
#include "analysis/report_figures.h"

#include "analysis/figures_csv.h"
#include "analysis/report.h"
#include "common/format_ext.h"

namespace {

const std::array<const char*, index_count> slot_names = {"VC", "PR", "WM", "PS"};

// The six pairs in the report's order; the difference is score_a - score_b.
const std::array<std::array<int, 2>, 6> pair_slots = {{{1, 2}, {1, 3}, {1, 4}, {2, 3}, {2, 4}, {3, 4}}};

std::string marker_text(std::uint8_t flag)
{
    // The markers without the blank that leads them in the report's rows.
    return std::string(flag ? marker_significant : marker_not_significant).substr(1);
}

// "NUMBER of ... = %2d", then "Percentage = 100%" for none, else "%3.2Lf%%".
tReportFigures::tCount count_of(int count, extended pct)
{
    return {std::to_string(count), count == 0 ? std::string("100") : format_ext("%.2Lf", pct)};
}

void add_deviations(const tCaseFigures& f, tReportFigures& out)
{
    const tDeviationSection& dev = f.dev;
    // "Case's mean Index score = %3.2Lf", in both tables.
    out.case_mean = format_ext("%.2Lf", dev.case_mean);
    for (int i = 1; i <= index_count; ++i) {
        tReportFigures::tDifference d;
        d.label = std::string(slot_names[i - 1]) + " minus Mean";
        if (out.corrected) {
            // " %6.2Lf", then the two markers.
            d.value = format_ext("%.2Lf", dev.deviation[i]);
            d.p_one = marker_text(dev.bonf_dev_one[i]);
            d.p_two = marker_text(dev.bonf_dev_two[i]);
        } else {
            // "%10.1Lf ( %7.1Lf to %7.1Lf ) %7.4Lf %7.4Lf"
            d.value = format_ext("%.1Lf", dev.deviation[i]);
            d.lower = format_ext("%.1Lf", dev.lower[i]);
            d.upper = format_ext("%.1Lf", dev.upper[i]);
            d.p_one = format_ext("%.4Lf", dev.p_one[i]);
            d.p_two = format_ext("%.4Lf", dev.p_two[i]);
        }
        // The abnormality table: "%10.1Lf %10.2Lf %10.2Lf".
        d.abnormality_value = report_deviation_text(dev.deviation[i]);
        d.pct_same = format_ext("%.2Lf", dev.pct_same[i]);
        d.pct_either = format_ext("%.2Lf", dev.pct_either[i]);
        out.differences.push_back(d);
    }
    out.abnormal = count_of(dev.n_dev_abnormal, f.rates.mc_pct_dev);
}

void add_pairs(const tCaseFigures& f, tReportFigures& out)
{
    const tPairwiseSection& pair = f.pair;
    for (const auto& [a, b] : pair_slots) {
        tReportFigures::tDifference d;
        d.label = std::string(slot_names[a - 1]) + " minus " + slot_names[b - 1];
        // The reliability table: "%5.0Lf (%6.0Lf to %6.0Lf )", then the two
        // p values "%8.3Lf %8.3Lf" or the two markers.
        d.value = report_difference_text(pair.pair_reliability_mat[b][a]);
        d.lower = format_ext("%.0Lf", pair.pair_limits_mat[b][a]);
        d.upper = format_ext("%.0Lf", pair.pair_limits_mat[a][b]);
        if (out.corrected) {
            d.p_one = marker_text(pair.bonf_pair_one[a][b]);
            d.p_two = marker_text(pair.bonf_pair_two[a][b]);
        } else {
            d.p_one = format_ext("%.3Lf", pair.pair_reliability_mat[a][b]);
            d.p_two = format_ext("%.3Lf", pair_p_two(pair, a, b));
        }
        // The abnormality table: "%5.0Lf %8.3Lf %8.3Lf".
        d.abnormality_value = report_difference_text(pair.pair_abnormality_mat[b][a]);
        d.pct_same = format_ext("%.3Lf", pair.pair_abnormality_mat[a][b]);
        d.pct_either = format_ext("%.3Lf", pair_pct_either(pair, a, b));
        out.differences.push_back(d);
    }
    out.abnormal = count_of(pair.n_pair_abnormal, f.rates.mc_pct_pair);
}

} // namespace

tReportFigures report_figures_of(const tCaseFigures& f)
{
    tReportFigures out;
    // The score table: " %6.0Lf (%4.0Lf to%6.0Lf ) %8.1Lf (%4.1Lf to%6.1Lf )".
    for (int i = 1; i <= index_count; ++i) {
        tReportFigures::tScore& s = out.scores[static_cast<size_t>(i - 1)];
        s.score = report_score_text(f.index.scores[i]);
        s.lower = format_ext("%.0Lf", f.index.lower[i]);
        s.upper = format_ext("%.0Lf", f.index.upper[i]);
        s.percentile = format_ext("%.1Lf", f.index.pr_score[i]);
        s.percentile_lower = format_ext("%.1Lf", f.index.pr_lower[i]);
        s.percentile_upper = format_ext("%.1Lf", f.index.pr_upper[i]);
    }
    out.low = count_of(f.index.n_low, f.rates.mc_pct_low);

    out.pairwise = f.mode == 0;
    out.corrected = f.correction == 1;
    if (out.pairwise)
        add_pairs(f, out);
    else
        add_deviations(f, out);

    // "Chi-square = %3.3Lf on %3d df,  p value = %2.5Lf", then "... = %3.3Lf%% ".
    out.chi_square = format_ext("%.3Lf", f.profile.maha_chi2);
    out.df = std::to_string(f.N);
    out.p = format_ext("%.5Lf", f.profile.maha_p);
    out.pct_more_unusual = format_ext("%.3Lf", 100.0L * f.profile.maha_p);
    return out;
}
