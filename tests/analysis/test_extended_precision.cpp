// A case computed on a thread at 53-bit precision (what Windows starts
// threads with) gives the report and every figure of 64-bit precision.
#include "analysis_test_support.h"

#include "analysis/case_figures.h"
#include "analysis/figures_csv.h"
#include "common/x87_precision.h"
#include "numerics/distrib.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

std::string golden(const std::string& name)
{
    std::ifstream in(std::string(BRENLOW_GOLDEN_DIR) + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST(ExtendedPrecision, CaseAtFiftyThreeBitsGivesTheSameReportAndFigures)
{
    // The case of notes_utf8.args, from the generator's fixed seeds.
    const tAnalysisInputs inputs = make_inputs({"100", "95", "110.5", "87"}, 1, 0, 4, {"Müller – €"});

    tLineSink at_64;
    const tAnalysisOutcome first = run_analysis(inputs, at_64, {});
    ASSERT_EQ(first.result, tRunResult::Completed);

    set_x87_control_word(0x027f);
    tLineSink at_53;
    const tAnalysisOutcome second = run_analysis(inputs, at_53, {});
    set_extended_precision();
    ASSERT_EQ(second.result, tRunResult::Completed);

    std::string report;
    for (const std::string& line : at_53.lines)
        report += line + "\n";
    EXPECT_EQ(report, golden("notes_utf8.expected"));
    EXPECT_EQ(at_53.lines, at_64.lines);
    // Every figure to the last bit of its double: the printed digits alone
    // would rarely show 53-bit arithmetic.
    EXPECT_EQ(figures_csv_row(*second.figures), figures_csv_row(*first.figures));
}
