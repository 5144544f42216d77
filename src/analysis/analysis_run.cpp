// The analysis run behind Compute, in its fixed order: validate, optional
// matrix entry, save, normative set-up, every section, hand-over, report.
#include "analysis/analysis_run.h"

#include "analysis/normative_data.h"
#include "analysis/report.h"
#include "analysis/sections.h"
#include "methods/Metrics_Papers.h"
#include "methods/worksheet_config.h"

#include <memory>
#include <stdexcept>

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
    // The analysis always uses four scores; fewer validated fields would let
    // unchecked values into it.
    if (ActiveInputCount < index_count)
        throw std::logic_error("the worksheet configuration has not been set");
}

// Returns the first failing field (1..4), or 0 when all pass; the parser and
// the range check show their own messages.
int validate_scores(const tAnalysisInputs& inputs, tVector& scores)
{
    for (int k = 1; k <= index_count && k <= ActiveInputCount; ++k) {
        const std::string& caption = inputs.label_captions[k - 1];
        const extended value = ParseScoreText(inputs.score_texts[k - 1], caption);
        if (InputError)
            return k;
        if (!CheckScoreRange(caption, static_cast<double>(value)))
            return k;
        scores[k] = value;
    }
    return 0;
}

// The matrix-entry branch. Returns true when the user abandoned the run.
// The dialog edits a fresh copy: [column][row] there, [row][column] in
// EnteredMatrix.
bool enter_matrix(const tAnalysisHooks& hooks)
{
    auto matrix = std::make_unique<tEntryMatrix>();
    // The diagonal of a correlation matrix is 1 whatever EnteredMatrix holds:
    // the worksheet file keeps no matrix, so after a restore EnteredMatrix is
    // still all zeros, and the dialog's diagonal cells cannot be edited.
    for (int row = 1; row <= index_count; ++row)
        for (int column = 1; column <= index_count; ++column)
            (*matrix)[column][row] = row == column ? 1.0
                                     : WorksheetRestoredFromFile ? EnteredMatrix[row][column]
                                                                 : 0.0;
    if (hooks.matrix_entry && hooks.matrix_entry(*matrix, index_count, index_count))
        return true;
    for (int row = 1; row <= index_count; ++row)
        for (int column = 1; column <= index_count; ++column)
            EnteredMatrix[row][column] = (*matrix)[column][row];
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
    check_options(inputs);

    tVector scores{};
    if (const int failed = validate_scores(inputs, scores))
        return {tRunResult::InvalidField, failed};

    // The entered matrix is kept for the worksheet; the analysis itself
    // always uses the built-in normative correlations.
    if (MatrixEntryEnabled && enter_matrix(hooks))
        return {tRunResult::Abandoned, 0};

    call(hooks.save_worksheet);
    call(hooks.computing);

    tNormativeData norms;
    SetUpNormativeData(norms);

    const int k = inputs.criterion_item;
    const extended zLow = crit_low_z[k];
    const extended zAbs = crit_abs_z[k];

    // Every section whatever the options; the options choose what is printed.
    tIndexSection index;
    compute_index_section(norms, scores, zLow, index);
    tDeviationSection dev;
    compute_deviation_section(norms, scores, zAbs, dev);
    tPairwiseSection pair;
    compute_pairwise_section(norms, scores, zAbs, pair);
    tProfileSection profile;
    compute_profile_section(norms, scores, profile);
    tBaseRates rates;
    compute_base_rates(norms, zLow, zAbs, index.n_low, dev.n_dev_abnormal, pair.n_pair_abnormal,
                       rates);

    call(hooks.hand_over);

    if (sink.has_lines())
        write_separator_block(sink);
    write_heading_block(sink, inputs.app_title);
    write_notes_block(sink, inputs.notes_caption, inputs.note_lines);
    write_inputs_block(sink, inputs.mode, inputs.correction, crit_labels[k]);
    write_index_block(sink, index, rates);
    if (inputs.mode == 1)
        write_deviation_block(sink, dev, inputs.correction, rates);
    else
        write_pairwise_block(sink, pair, inputs.correction, rates);
    write_profile_block(sink, profile, norms.N);

    return {tRunResult::Completed, 0};
}
