// The analysis run behind Compute, in its fixed order: validate, optional
// matrix entry, save, normative set-up, every section, hand-over, report.
#include "analysis/analysis_run.h"

#include "analysis/case_figures.h"
#include "analysis/normative_data.h"
#include "analysis/report.h"
#include "common/x87_precision.h"
#include "methods/score_entry.h"
#include "numerics/distrib.h"
#include "storage/worksheet_config.h"

#include <memory>
#include <stdexcept>
#include <utility>

namespace {

void check_options(const tAnalysisInputs& inputs)
{
    // The option groups cannot produce other values; a caller that does is
    // refused before anything is validated, saved or written.
    if (inputs.criterion_item < 0 || inputs.criterion_item >= criterion_count)
        throw std::invalid_argument("criterion item out of range");
    if (inputs.mode != 0 && inputs.mode != 1)
        throw std::invalid_argument("comparison mode out of range");
    if (inputs.correction != 0 && inputs.correction != 1)
        throw std::invalid_argument("correction option out of range");
}

// Returns the first failing field (1..4), or 0 when all pass; the parser and
// the range check show their own messages.
int validate_scores(const tAnalysisInputs& inputs, tVector& scores)
{
    // The analysis always uses four scores; fewer validated fields would let
    // unchecked values into it.
    static_assert(ActiveInputCount >= index_count, "every score the analysis uses is validated");
    for (int k = 1; k <= index_count; ++k) {
        const std::string& caption = inputs.label_captions[k - 1];
        bool input_error = false;
        const extended value = ParseScoreText(inputs.score_texts[k - 1], caption, input_error);
        if (input_error)
            return k;
        if (!CheckScoreRange(caption, static_cast<double>(value)))
            return k;
        scores[k] = value;
    }
    return 0;
}

// The matrix-entry branch. Returns true when the user abandoned the run.
// The dialog edits a fresh copy: [column][row] there, [row][column] in the
// worksheet's entered matrix.
bool enter_matrix(tMatrixEntry& entry, const tAnalysisHooks& hooks)
{
    auto matrix = std::make_unique<tEntryMatrix>();
    // The diagonal of a correlation matrix is 1 whatever the entered matrix
    // holds: the worksheet file keeps no matrix, so after a restore it is
    // still all zeros, and the dialog's diagonal cells cannot be edited.
    for (int row = 1; row <= index_count; ++row)
        for (int column = 1; column <= index_count; ++column)
            (*matrix)[column][row] = row == column ? 1.0
                                     : entry.restored_from_file ? entry.entered[row][column]
                                                                : 0.0;
    if (hooks.matrix_entry && hooks.matrix_entry(*matrix, index_count, index_count))
        return true;
    for (int row = 1; row <= index_count; ++row)
        for (int column = 1; column <= index_count; ++column)
            entry.entered[row][column] = (*matrix)[column][row];
    return false;
}

void call(const std::function<void()>& hook)
{
    if (hook)
        hook();
}

} // namespace

tAnalysisOutcome run_analysis(const tAnalysisInputs& inputs, tReportSink& sink,
                              const tAnalysisHooks& hooks)
{
    tRandom_generator generator;
    return run_analysis(inputs, sink, hooks, generator);
}

tAnalysisOutcome run_analysis(const tAnalysisInputs& inputs, tReportSink& sink,
                              const tAnalysisHooks& hooks, tRandom_generator& generator)
{
    // The caller's thread may run at the 53-bit precision Windows starts
    // threads with.
    set_extended_precision();
    check_options(inputs);

    tVector scores{};
    if (const int failed = validate_scores(inputs, scores))
        return {tRunResult::InvalidField, failed, nullptr};

    // The entered matrix is kept for the worksheet; the analysis itself
    // uses the normative data of the inputs.
    if (inputs.matrix_entry && inputs.matrix_entry->enabled
        && enter_matrix(*inputs.matrix_entry, hooks))
        return {tRunResult::Abandoned, 0, nullptr};

    call(hooks.save_worksheet);
    call(hooks.computing);

    auto figures = std::make_shared<tCaseFigures>();
    figures->score_texts = inputs.score_texts;
    figures->mode = inputs.mode;
    figures->correction = inputs.correction;
    figures->note_lines = inputs.note_lines;
    compute_case_figures(scores, inputs.criterion_item, generator, *figures, inputs.norms);

    call(hooks.hand_over);

    write_report(sink, *figures, inputs.app_title, inputs.notes_caption);

    return {tRunResult::Completed, 0, std::move(figures)};
}
