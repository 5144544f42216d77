// The report's figures one by one (what the editable document shows) read
// exactly as the report prints them: every number and marker of the
// report's outputs, read back from its text, in the report's order, for
// both modes, with and without the correction, with the built-in normative
// data and a set of the user's.

#include "analysis_test_support.h"

#include "analysis/case_figures.h"
#include "analysis/report.h"
#include "analysis/report_figures.h"

#include <gtest/gtest.h>

#include <memory>
#include <regex>

namespace {

// The numbers and markers of the report's outputs as its text holds them:
// every line after " OUTPUTS:" but the tables' column headings (the only
// lines with "95%" in them, the confidence limits' heading).
std::vector<std::string> printed_figures(const std::vector<std::string>& lines)
{
    const std::regex figure(R"(p < \.05|not sig|-?\d+(\.\d+)?)");
    std::vector<std::string> out;
    const int outputs = find_line(lines, " OUTPUTS:");
    for (int i = outputs + 1; outputs >= 0 && i < static_cast<int>(lines.size()); ++i) {
        const std::string& line = lines[static_cast<size_t>(i)];
        if (line.find("95%") != std::string::npos)
            continue;
        for (auto m = std::sregex_iterator(line.begin(), line.end(), figure); m != std::sregex_iterator(); ++m)
            out.push_back(m->str());
    }
    return out;
}

// The figures in the order the report prints them.
std::vector<std::string> in_report_order(const tReportFigures& r)
{
    std::vector<std::string> out;
    for (const auto& s : r.scores)
        out.insert(out.end(), {s.score, s.lower, s.upper, s.percentile, s.percentile_lower, s.percentile_upper});
    out.insert(out.end(), {r.low.count, r.low.base_rate});
    if (!r.pairwise)
        out.push_back(r.case_mean);
    for (const auto& d : r.differences) {
        out.push_back(d.value);
        if (!d.lower.empty())
            out.insert(out.end(), {d.lower, d.upper});
        out.insert(out.end(), {d.p_one, d.p_two});
    }
    if (!r.pairwise)
        out.push_back(r.case_mean);
    for (const auto& d : r.differences)
        out.insert(out.end(), {d.abnormality_value, d.pct_same, d.pct_either});
    out.insert(out.end(), {r.abnormal.count, r.abnormal.base_rate, r.chi_square, r.df, r.p, r.pct_more_unusual});
    return out;
}

} // namespace

TEST(ReportFigures, EveryFigureReadsAsTheReportPrintsIt)
{
    const struct {
        std::array<std::string, 4> scores;
        std::shared_ptr<const tNormativeData> norms;
    } cases[] = {
        {{"100", "95", "110.5", "60"}, nullptr}, // 110.5 prints 110 (ties to even)
        {{"150", "50", "87.5", "121"}, nullptr}, // large negative differences
        {{"100", "100", "100", "100"}, clinic_set()}, // no abnormal count: base rates of 100
        {{"72", "135", "64.5", "99"}, clinic_set()},
    };
    for (const auto& c : cases) {
        tAnalysisInputs inputs = make_inputs(c.scores);
        inputs.norms = c.norms;
        tLineSink first;
        const tAnalysisOutcome outcome = run_analysis(inputs, first, {});
        ASSERT_TRUE(outcome.figures);
        // Every section is computed whatever the options: each mode and
        // correction of the same case.
        tCaseFigures figures = *outcome.figures;
        for (const int mode : {0, 1})
            for (const int correction : {0, 1}) {
                SCOPED_TRACE(c.scores[0] + " " + c.scores[1] + " mode " + std::to_string(mode)
                             + " correction " + std::to_string(correction));
                figures.mode = mode;
                figures.correction = correction;
                tLineSink report;
                write_report(report, figures, AppTitle, "User's Notes:");
                EXPECT_EQ(in_report_order(report_figures_of(figures)), printed_figures(report.lines));
            }
    }
}
