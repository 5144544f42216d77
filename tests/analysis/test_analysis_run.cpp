// The run's order of steps: validation of the fields in slot order with the
// worksheet's messages, the matrix-entry branch, the save hook, the hooks
// around the computation, and where each report begins.

#include "analysis_test_support.h"

#include "analysis/report.h"
#include "common/errors.h"
#include "message_recorder.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// Records the order in which the hooks are called, and the sink's size at
// each call.
struct tHookLog {
    std::vector<std::string> calls;
    tAnalysisHooks hooks(const tLineSink& sink)
    {
        tAnalysisHooks h;
        h.save_worksheet = [this, &sink] { calls.push_back("save@" + std::to_string(sink.lines.size())); };
        h.computing = [this, &sink] { calls.push_back("computing@" + std::to_string(sink.lines.size())); };
        h.hand_over = [this, &sink] { calls.push_back("hand_over@" + std::to_string(sink.lines.size())); };
        return h;
    }
};

class ValidationTest : public ::testing::Test, public tRecordingTest {
protected:
    tLineSink sink;
    tHookLog log;

    tAnalysisOutcome run(const std::array<std::string, 4>& texts)
    {
        return run_analysis(make_inputs(texts), sink, log.hooks(sink));
    }
    void expect_nothing_done()
    {
        EXPECT_TRUE(sink.lines.empty());
        EXPECT_TRUE(log.calls.empty()) << "a hook ran for an invalid field";
    }
};

TEST_F(ValidationTest, EmptyFieldNamesItsLabelAndStopsAtIt)
{
    const tAnalysisOutcome outcome = run({"100", "", "100", "100"});
    EXPECT_EQ(outcome.result, tRunResult::InvalidField);
    EXPECT_EQ(outcome.failed_field, 2);
    EXPECT_EQ(recorder.texts(tRecordedMessage::Warning),
              std::vector<std::string>{"INPUT ERROR\r\r(  Perceptual Reasoning Index score:  )\r\r"
                                       "Data have not been entered in this field."});
    expect_nothing_done();
    EXPECT_EQ(outcome.figures, nullptr);
}

TEST_F(ValidationTest, NonNumericText)
{
    const tAnalysisOutcome outcome = run({"12a", "100", "100", "100"});
    EXPECT_EQ(outcome.result, tRunResult::InvalidField);
    EXPECT_EQ(outcome.failed_field, 1);
    EXPECT_EQ(recorder.texts(tRecordedMessage::Warning),
              std::vector<std::string>{"INPUT ERROR\r(  Verbal Comprehension Index score:  12a  )\r\r"
                                       "Enter numeric data only."});
    expect_nothing_done();
}

TEST_F(ValidationTest, OutOfRangeValueIsShownWithThreeDecimals)
{
    const tAnalysisOutcome outcome = run({"100", "100", "100", "160"});
    EXPECT_EQ(outcome.result, tRunResult::InvalidField);
    EXPECT_EQ(outcome.failed_field, 4);
    EXPECT_EQ(recorder.texts(tRecordedMessage::Warning),
              std::vector<std::string>{"INPUT ERROR\r(  Processing Speed Index score:  160.000  )\r"
                                       "The valid range for Orvane Index scores is 50 to 150 "});
    expect_nothing_done();
}

TEST_F(ValidationTest, OnlyTheFirstBadFieldIsReported)
{
    // Field 2 empty and field 3 out of range: the run never reaches field 3.
    const tAnalysisOutcome outcome = run({"100", "", "49.9", "abc"});
    EXPECT_EQ(outcome.failed_field, 2);
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_NE(recorder.messages[0].text.find("Perceptual Reasoning"), std::string::npos);
    expect_nothing_done();
}

TEST_F(ValidationTest, RangeEndsAreValidAndJustOutsideIsNot)
{
    EXPECT_EQ(run({"50", "150", "100", "100"}).result, tRunResult::Completed);
    EXPECT_TRUE(recorder.messages.empty());

    tLineSink other;
    const tAnalysisOutcome below = run_analysis(make_inputs({"100", "100", "49.9", "100"}), other, {});
    EXPECT_EQ(below.failed_field, 3);
    const tAnalysisOutcome above = run_analysis(make_inputs({"100", "100", "100", "150.1"}), other, {});
    EXPECT_EQ(above.failed_field, 4);
    EXPECT_TRUE(other.lines.empty());
}

TEST_F(ValidationTest, HooksRunInOrderAroundTheComputation)
{
    ASSERT_EQ(run({"100", "100", "100", "100"}).result, tRunResult::Completed);
    // The report is appended only after the hand-over.
    EXPECT_EQ(log.calls, (std::vector<std::string>{"save@0", "computing@0", "hand_over@0"}));
    EXPECT_FALSE(sink.lines.empty());
}

// The figures handed back are those the report was written from: writing
// them again gives the same lines, and they carry what was analysed.
TEST(CaseFigures, TheReportIsWrittenFromTheFiguresHandedBack)
{
    tLineSink sink;
    tAnalysisInputs inputs = make_inputs({"130", "70", "100", "100.5"}, 0, 1, 2);
    inputs.note_lines = {"first", "second"};
    const tAnalysisOutcome outcome = run_analysis(inputs, sink, {});
    ASSERT_NE(outcome.figures, nullptr);
    const tCaseFigures& f = *outcome.figures;
    EXPECT_EQ(f.score_texts[3], "100.5");
    EXPECT_EQ(f.index.scores[4], 100.5L);
    EXPECT_EQ(std::string(f.crit_label()), "15%");
    EXPECT_EQ(f.mc_trials, 1000000);
    tLineSink again;
    write_report(again, f, inputs.app_title, inputs.notes_caption);
    EXPECT_EQ(again.lines, sink.lines);
}

TEST(SaveFailure, StopsTheRunBeforeAnythingIsComputedOrAppended)
{
    tLineSink sink;
    bool computed = false;
    bool handed_over = false;
    tAnalysisHooks hooks;
    hooks.save_worksheet = [] { throw EInOutError("File access denied"); };
    hooks.computing = [&] { computed = true; };
    hooks.hand_over = [&] { handed_over = true; };
    EXPECT_THROW(run_analysis(make_inputs({"100", "100", "100", "100"}), sink, hooks), EInOutError);
    EXPECT_FALSE(computed);
    EXPECT_FALSE(handed_over);
    EXPECT_TRUE(sink.lines.empty());
}

TEST(Options, OutOfRangeOptionsAreRefusedBeforeAnythingHappens)
{
    tLineSink sink;
    bool saved = false;
    tAnalysisHooks hooks;
    hooks.save_worksheet = [&] { saved = true; };
    for (const auto& [item, mode, correction] :
         std::vector<std::tuple<int, int, int>>{{7, 1, 0}, {-1, 1, 0}, {4, 2, 0}, {4, 1, 2}}) {
        EXPECT_THROW(run_analysis(make_inputs({"100", "100", "100", "100"}, mode, correction, item),
                                  sink, hooks),
                     std::invalid_argument);
    }
    EXPECT_FALSE(saved);
    EXPECT_TRUE(sink.lines.empty());
}

TEST(Separator, OnlyBeforeAReportIntoASinkThatHoldsLines)
{
    const tAnalysisInputs inputs = make_inputs({"100", "100", "100", "100"});
    tLineSink sink;
    run_analysis(inputs, sink, {});
    ASSERT_GE(sink.lines.size(), 2u);
    EXPECT_EQ(sink.lines[0], "");
    EXPECT_EQ(sink.lines[1], AppTitle);
    // The report ends with the profile block, no empty line after it.
    EXPECT_EQ(sink.lines.back().rfind(" Percentage of normative population expected", 0), 0u);
    const size_t first_report = sink.lines.size();

    run_analysis(inputs, sink, {});
    const std::vector<std::string> opening(sink.lines.begin() + static_cast<long>(first_report),
                                           sink.lines.begin() + static_cast<long>(first_report) + 7);
    EXPECT_EQ(opening, (std::vector<std::string>{"", "", "", std::string(103, '-'), "", "", AppTitle}));
    // Only the separator block is added: both reports have the same length.
    EXPECT_EQ(sink.lines.size(), 2 * first_report + 5);
}

TEST(Separator, ASinkWithForeignTextAlsoGetsIt)
{
    tLineSink sink;
    sink.lines = {"earlier text"};
    run_analysis(make_inputs({"100", "100", "100", "100"}), sink, {});
    // The foreign line, three empty lines, the separator, an empty line, then
    // the heading's empty line and the title.
    EXPECT_EQ(sink.lines[4], std::string(103, '-'));
    EXPECT_EQ(sink.lines[7], AppTitle);
}

// The matrix-entry branch, off in this program's configuration: each test
// hands the run a worksheet's matrix entry turned on.
class MatrixEntryTest : public ::testing::Test {
protected:
    tMatrixEntry entry;

    tAnalysisInputs inputs_with_entry()
    {
        tAnalysisInputs inputs = make_inputs({"100", "100", "100", "100"});
        entry.enabled = true;
        inputs.matrix_entry = &entry;
        return inputs;
    }
};

TEST_F(MatrixEntryTest, AbandonedRunSavesAndAppendsNothing)
{
    tAnalysisInputs inputs = inputs_with_entry();
    tLineSink sink;
    bool saved = false;
    tAnalysisHooks hooks;
    hooks.save_worksheet = [&] { saved = true; };
    hooks.matrix_entry = [&](tEntryMatrix& m, int columns, int rows) {
        EXPECT_EQ(columns, 4);
        EXPECT_EQ(rows, 4);
        m[2][1] = 0.5;
        return true;
    };
    const tAnalysisOutcome outcome = run_analysis(inputs, sink, hooks);
    EXPECT_EQ(outcome.result, tRunResult::Abandoned);
    EXPECT_FALSE(saved);
    EXPECT_TRUE(sink.lines.empty());
    EXPECT_EQ(entry.entered[1][2], 0.0) << "an abandoned entry must not reach the worksheet";
}

TEST_F(MatrixEntryTest, InvalidFieldStopsBeforeTheDialog)
{
    tRecordingTest recording;
    tAnalysisInputs inputs = inputs_with_entry();
    inputs.score_texts[1] = "";
    bool opened = false;
    tAnalysisHooks hooks;
    hooks.matrix_entry = [&](tEntryMatrix&, int, int) {
        opened = true;
        return false;
    };
    tLineSink sink;
    EXPECT_EQ(run_analysis(inputs, sink, hooks).failed_field, 2);
    EXPECT_FALSE(opened);
}

TEST_F(MatrixEntryTest, FreshIdentityIsOfferedAndTheEditIsKept)
{
    tAnalysisInputs inputs = inputs_with_entry();
    tLineSink with_entry;
    tAnalysisHooks hooks;
    hooks.matrix_entry = [&](tEntryMatrix& m, int, int) {
        for (int column = 1; column <= 4; ++column)
            for (int row = 1; row <= 4; ++row)
                EXPECT_EQ(m[column][row], row == column ? 1.0 : 0.0);
        EXPECT_EQ(m[5][5], 0.0); // only the first 4 x 4 are filled
        m[1][3] = 0.25;          // column 1, row 3
        m[3][1] = 0.25;
        return false;
    };
    ASSERT_EQ(run_analysis(inputs, with_entry, hooks).result, tRunResult::Completed);
    // Row 3, column 1 of the worksheet's matrix.
    EXPECT_EQ(entry.entered[3][1], 0.25);
    EXPECT_EQ(entry.entered[2][2], 1.0);

    // The analysis keeps the built-in correlations: the profile block is the
    // same as without matrix entry.
    entry.enabled = false;
    tLineSink without_entry;
    run_analysis(inputs, without_entry, {});
    const std::vector<std::string> tail_a(with_entry.lines.end() - 2, with_entry.lines.end());
    const std::vector<std::string> tail_b(without_entry.lines.end() - 2, without_entry.lines.end());
    EXPECT_EQ(tail_a, tail_b);
}

TEST_F(MatrixEntryTest, RestoredWorksheetOffersItsOwnMatrix)
{
    tAnalysisInputs inputs = inputs_with_entry();
    entry.restored_from_file = true;
    entry.entered[2][1] = 0.7; // row 2, column 1
    tAnalysisHooks hooks;
    double offered = -1;
    hooks.matrix_entry = [&](tEntryMatrix& m, int, int) {
        offered = m[1][2]; // column 1, row 2
        return false;
    };
    tLineSink sink;
    run_analysis(inputs, sink, hooks);
    EXPECT_EQ(offered, 0.7);
    EXPECT_EQ(entry.entered[2][1], 0.7);
}

// After a restore the worksheet file brings back only the scores, so
// the entered matrix is still all zeros; the dialog's read-only diagonal must
// nevertheless show 1, or the user could not correct it.
TEST_F(MatrixEntryTest, RestoredWorksheetStillOffersAUnitDiagonal)
{
    tAnalysisInputs inputs = inputs_with_entry();
    entry.restored_from_file = true;
    tAnalysisHooks hooks;
    hooks.matrix_entry = [&](tEntryMatrix& m, int, int) {
        for (int column = 1; column <= 4; ++column)
            for (int row = 1; row <= 4; ++row)
                EXPECT_EQ(m[column][row], row == column ? 1.0 : 0.0);
        return false;
    };
    tLineSink sink;
    ASSERT_EQ(run_analysis(inputs, sink, hooks).result, tRunResult::Completed);
    EXPECT_EQ(entry.entered[3][3], 1.0);
}

} // namespace
