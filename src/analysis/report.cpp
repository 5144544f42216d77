#include "analysis/report.h"

#include "common/format_ext.h"

#include <initializer_list>

namespace {

// Row labels of the score table, 31 characters each.
const std::array<const char*, index_count> index_labels = {
    "Verbal Comprehension Index   : ",
    "Perceptual Reasoning Index   : ",
    "Working Memory Index         : ",
    "Processing Speed Index       : ",
};

const std::array<const char*, index_count> deviation_labels = {
    "VC minus Mean : ",
    "PR minus Mean : ",
    "WM minus Mean : ",
    "PS minus Mean : ",
};

// The six pairs in report order. `trailing` holds the blanks that end each
// row of the abnormality table; they differ from pair to pair.
struct tPairRow {
    int a;
    int b;
    const char* label;
    const char* trailing;
};

const std::array<tPairRow, 6> pair_rows = {{
    {1, 2, " VC minus PR", " "},
    {1, 3, " VC minus WM", "   "},
    {1, 4, " VC minus PS", "   "},
    {2, 3, " PR minus WM", "   "},
    {2, 4, " PR minus PS", "   "},
    {3, 4, " WM minus PS", "  "},
}};

// The pairs print in three groups (VC.., PR.., WM..) with an empty line
// between groups: after the third and the fifth row.
bool ends_pair_group(int row) { return row == 2 || row == 4; }

const char* marker(std::uint8_t flag) { return flag ? marker_significant : marker_not_significant; }

void write_low_base_rate(tReportSink& sink, int n_low, extended pct)
{
    sink.append(" PERCENTAGE of normal population expected to exhibit this number or more of abnormally low scores:");
    if (n_low == 0)
        sink.append(" Percentage = 100%");
    else
        sink.append(format_ext(" Percentage = %3.2Lf%%", pct));
}

void write_deviation_base_rate(tReportSink& sink, int n_dev, extended pct)
{
    if (n_dev == 0)
        sink.append(" PERCENTAGE of normal population expected to exhibit this number or more of abnormal deviations = 100%");
    else
        sink.append(format_ext(" PERCENTAGE of normal population expected to exhibit this number or more of abnormal deviations = %3.2Lf%%", pct));
}

void write_pair_base_rate(tReportSink& sink, int n_pair, extended pct)
{
    // The fixed text carries both percent signs as they stand.
    if (n_pair == 0)
        sink.append(" PERCENTAGE of normal population expected to exhibit this number or more of abnormal differences = %100%");
    else
        sink.append(format_ext(" PERCENTAGE of normal population expected to exhibit this number or more of abnormal differences = %3.2Lf%%", pct));
}

// A table's head: its title lines, then the column headings between two
// rules of one width, then an empty line.
void write_table_head(tReportSink& sink, std::initializer_list<std::string> titles, int rule,
                      std::initializer_list<const char*> headings)
{
    for (const std::string& title : titles)
        sink.append(title);
    sink.append(report_rule(rule));
    for (const char* heading : headings)
        sink.append(heading);
    sink.append(report_rule(rule));
    sink.append("");
}

// The rows of a deviation table, " label" and then what `rest` gives for
// score i.
template <class tRest>
void write_deviation_rows(tReportSink& sink, tRest rest)
{
    for (int i = 1; i <= index_count; ++i)
        sink.append(" " + std::string(deviation_labels[i - 1]) + rest(i));
}

// The six rows of a pairwise table in their three groups.
template <class tRowText>
void write_pair_rows(tReportSink& sink, tRowText row_text)
{
    for (int row = 0; row < 6; ++row) {
        sink.append(row_text(pair_rows[row]));
        if (ends_pair_group(row))
            sink.append("");
    }
}

void write_deviation_reliability(tReportSink& sink, const tDeviationSection& dev, bool corrected)
{
    const int rule = corrected ? 96 : 104;
    write_table_head(sink,
                     {"", corrected ? " RELIABLITY of Index score deviations from the case's mean Index score (with Bonferroni correction):"
                                    : " RELIABLITY of Index score deviations from the case's mean Index score:",
                      format_ext(" Case's mean Index score = %3.2Lf ", dev.case_mean)},
                     rule, {corrected ? " Index                          Deviation             One-tailed p               Two-tailed p       "
                                      : " Index                 Deviation    (  95% CI for deviation )        One-tailed p         Two-tailed p   "});
    write_deviation_rows(sink, [&](int i) {
        if (corrected)
            return format_ext(" %6.2Lf                ", dev.deviation[i]) + marker(dev.bonf_dev_one[i])
                   + std::string(19, ' ') + marker(dev.bonf_dev_two[i]);
        return format_ext("   %10.1Lf      ( %7.1Lf  to %7.1Lf   )          %7.4Lf             %7.4Lf",
                          dev.deviation[i], dev.lower[i], dev.upper[i], dev.p_one[i], dev.p_two[i]);
    });
    sink.append(report_rule(rule));
    sink.append("");
    sink.append("");
}

void write_deviation_abnormality(tReportSink& sink, const tDeviationSection& dev,
                                 const tBaseRates& rates)
{
    write_table_head(sink,
                     {"", " ABNORMALITY of Index score deviations from the case's mean Index score, i.e., percentage of",
                      " population estimated to obtain a larger deviation in same direction and percentage regardless of sign:",
                      format_ext(" Case's mean index score =  %3.2Lf", dev.case_mean)},
                     103, {" Index               Deviation          Percentage of population       Percentage with larger deviations",
                           "                                         with larger deviations               regardless of sign "});
    write_deviation_rows(sink, [&](int i) {
        return format_ext(" %10.1Lf               %10.2Lf                           %10.2Lf",
                          dev.deviation[i], dev.pct_same[i], dev.pct_either[i]);
    });
    sink.append(report_rule(105));
    sink.append(format_ext(" NUMBER of case's deviation scores that meet criterion for abnormality = %2d",
                           dev.n_dev_abnormal));
    write_deviation_base_rate(sink, dev.n_dev_abnormal, rates.mc_pct_dev);
}

void write_pair_reliability(tReportSink& sink, const tPairwiseSection& pair, bool corrected)
{
    const int rule = corrected ? 98 : 95;
    write_table_head(sink,
                     {"", corrected ? " RELIABLITY of pairwise differences between Index scores (with Bonferroni correction):"
                                    : " RELIABLITY of pairwise differences between Index scores:"},
                     rule, {corrected ? " Index Pair        Difference  (95% CI for difference)         One-tailed p           Two-tailed p "
                                      : " Index Pair       Difference  (95% CI for difference)      One-tailed p        Two-tailed p"});
    write_pair_rows(sink, [&](const tPairRow& p) {
        const extended difference = pair.pair_reliability_mat[p.b][p.a];
        const extended lower = pair.pair_limits_mat[p.b][p.a], upper = pair.pair_limits_mat[p.a][p.b];
        if (corrected)
            return p.label
                   + format_ext("       %5.0Lf       (%6.0Lf  to %6.0Lf    )          ", difference, lower, upper)
                   + marker(pair.bonf_pair_one[p.a][p.b]) + std::string(16, ' ')
                   + marker(pair.bonf_pair_two[p.a][p.b]);
        const extended p_one = pair.pair_reliability_mat[p.a][p.b];
        return p.label
               + format_ext("       %5.0Lf      (%6.0Lf  to %6.0Lf    )      %8.3Lf             %8.3Lf  ",
                            difference, lower, upper, p_one, 2.0L * p_one);
    });
    sink.append(report_rule(rule));
}

void write_pair_abnormality(tReportSink& sink, const tPairwiseSection& pair, const tBaseRates& rates)
{
    write_table_head(sink, {"", "", " ABNORMALITY of pairwise differences between Index scores:"},
                     103, {" Index Pair        Difference         Percentage of population        Percentage with larger differences",
                           "                                      with larger differences                 regardless of sign"});
    write_pair_rows(sink, [&](const tPairRow& p) {
        const extended pct = pair.pair_abnormality_mat[p.a][p.b];
        return p.label
               + format_ext("       %5.0Lf                    %8.3Lf                            %8.3Lf",
                            pair.pair_abnormality_mat[p.b][p.a], pct, 2.0L * pct)
               + p.trailing;
    });
    sink.append(report_rule(104));
    sink.append(format_ext(" NUMBER of case's pairwise differences that meet criterion for abnormality = %2d ",
                           pair.n_pair_abnormal));
    write_pair_base_rate(sink, pair.n_pair_abnormal, rates.mc_pct_pair);
}

} // namespace

const char* const report_separator =
    "-------------------------------------------------------------------------------------------------------";
const char* const marker_significant = " p < .05";
const char* const marker_not_significant = " not sig";

// The conversions of the rows below, widths left out: the score table's
// %6.0Lf, the deviation abnormality table's %10.1Lf, the pairwise tables'
// %5.0Lf.
std::string report_score_text(extended score)
{
    return format_ext("%.0Lf", score);
}

std::string report_deviation_text(extended deviation)
{
    return format_ext("%.1Lf", deviation);
}

std::string report_difference_text(extended difference)
{
    return format_ext("%.0Lf", difference);
}

std::string report_rule(int underscores)
{
    return " " + std::string(static_cast<size_t>(underscores), '_');
}

void write_separator_block(tReportSink& sink)
{
    sink.append("");
    sink.append("");
    sink.append("");
    sink.append(report_separator);
    sink.append("");
}

void write_heading_block(tReportSink& sink, const std::string& app_title)
{
    sink.append("");
    sink.append(app_title);
    sink.append("");
    sink.append(" THIS PROGRAM IMPLEMENTS METHODS DEVELOPED IN THE FOLLOWING PAPER:");
    for (const char* line : citation_lines)
        sink.append(line);
    sink.append("");
}

void write_notes_block(tReportSink& sink, const std::string& caption,
                       const std::vector<std::string>& note_lines)
{
    if (note_lines.empty())
        return;
    sink.append(" " + caption + " " + note_lines.front());
    for (size_t k = 1; k < note_lines.size(); ++k)
        sink.append(std::string(15, ' ') + note_lines[k]);
    sink.append(" ");
}

void write_inputs_block(tReportSink& sink, int mode, int correction, const std::string& crit_label,
                        const std::string& user_norms_name)
{
    sink.append(" INPUTS:");
    if (mode == 0)
        sink.append(" Analysis of the case's Index scores is based on PAIRWISE comparisons");
    else
        sink.append(" Analysis of Index scores is based on comparisons with the case's MEAN Index score");
    sink.append("");
    if (correction == 0)
        sink.append(" A sequential Bonferroni correction is NOT applied when testing for reliabilty of differences");
    else
        sink.append(" A sequential Bonferroni correction IS applied when testing for reliabilty of differences");
    sink.append("");
    sink.append(" An abnormally LOW score has been defined as a score exhibited by less than " + crit_label
                + " of the population.");
    sink.append("");
    if (mode == 0)
        sink.append(" An abnormally large PAIRWISE difference has been defined as a difference exhibited by less than ");
    else
        sink.append(" An abnormally large DEVIATION score has been defined as a deviation exhibited by less than ");
    sink.append(" " + crit_label + " of the population, regardless of sign.");
    sink.append("");
    if (!user_norms_name.empty()) {
        sink.append(" Normative data: " + user_norms_name + ", entered by the user");
        sink.append("");
    }
    sink.append("");
}

void write_index_block(tReportSink& sink, const tIndexSection& index, const tBaseRates& rates)
{
    write_table_head(sink, {" OUTPUTS:", " Index scores with confidence limits expressed on an Index score metric and as percentile ranks:"},
                     95, {" Index                             Score   (     95% CI    )        PR     ( 95% CI on PR  )    "});
    for (int i = 1; i <= index_count; ++i)
        sink.append(" " + std::string(index_labels[i - 1])
                    + format_ext(" %6.0Lf    (%4.0Lf  to%6.0Lf )   %8.1Lf    (%4.1Lf  to%6.1Lf )       ",
                                 index.scores[i], index.lower[i], index.upper[i], index.pr_score[i],
                                 index.pr_lower[i], index.pr_upper[i]));
    sink.append(report_rule(94));
    sink.append(format_ext(" NUMBER of case's Index scores classified as abnormally low = %2d", index.n_low));
    write_low_base_rate(sink, index.n_low, rates.mc_pct_low);
    sink.append("");
    sink.append("");
}

void write_deviation_block(tReportSink& sink, const tDeviationSection& dev, int correction,
                           const tBaseRates& rates)
{
    write_deviation_reliability(sink, dev, correction == 1);
    write_deviation_abnormality(sink, dev, rates);
}

void write_pairwise_block(tReportSink& sink, const tPairwiseSection& pair, int correction,
                          const tBaseRates& rates)
{
    write_pair_reliability(sink, pair, correction == 1);
    write_pair_abnormality(sink, pair, rates);
}

void write_profile_block(tReportSink& sink, const tProfileSection& profile, int n)
{
    sink.append("");
    sink.append("");
    sink.append(" MAHALANOBIS DISTANCE Index of the overall abnormality of the case's Index score profile: ");
    sink.append(format_ext(" Chi-square = %3.3Lf on %3d df,  p value = %2.5Lf", profile.maha_chi2, n,
                           profile.maha_p));
    sink.append(format_ext(" Percentage of normative population expected to exhibit a more unusual profile = %3.3Lf%% ",
                           100.0L * profile.maha_p));
}

void write_report(tReportSink& sink, const tCaseFigures& figures, const std::string& app_title,
                  const std::string& notes_caption)
{
    if (sink.has_lines())
        write_separator_block(sink);
    write_heading_block(sink, app_title);
    write_notes_block(sink, notes_caption, figures.note_lines);
    write_inputs_block(sink, figures.mode, figures.correction, figures.crit_label(),
                       figures.user_norms_name());
    write_index_block(sink, figures.index, figures.rates);
    if (figures.mode == 1)
        write_deviation_block(sink, figures.dev, figures.correction, figures.rates);
    else
        write_pairwise_block(sink, figures.pair, figures.correction, figures.rates);
    write_profile_block(sink, figures.profile, figures.N);
}
