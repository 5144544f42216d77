// The analysis run behind Compute: validate the four scores, save the
// worksheet, compute every section whatever the options, and append the
// report (blocks 0 to 7) to a sink. It needs only plain values, so the
// desktop program, the batch tool and the tests drive the same code.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Where report lines go. The output window's memo implements it by appending,
// the batch tool and the tests with a vector of lines.
class tReportSink {
public:
    virtual ~tReportSink() = default;
    virtual void append(const std::string& line) = 0;
    // True when the sink already holds at least one line (the separator block
    // is written before a report only then).
    virtual bool has_lines() const = 0;
};

class tLineSink final : public tReportSink {
public:
    std::vector<std::string> lines;
    void append(const std::string& line) override { lines.push_back(line); }
    bool has_lines() const override { return !lines.empty(); }
};

struct tNormativeData;

// A worksheet's matrix entry: whether Compute first asks for a correlation
// matrix (configured off), the matrix entered last, and whether the
// worksheet's scores came from its file. The worksheet owns it.
struct tMatrixEntry {
    bool enabled = false;
    // [row][column] from 1 (index 0 unused); all zeros at start-up and after
    // Clear Data.
    double entered[21][21] = {};
    // True when the scores were restored from the worksheet file at start-up:
    // the entry then starts from `entered` rather than the identity.
    bool restored_from_file = false;

    void clear_entered()
    {
        for (auto& row : entered)
            for (double& cell : row)
                cell = 0.0;
    }
};

struct tAnalysisInputs {
    std::array<std::string, 4> score_texts;    // txtInput1..txtInput4
    std::array<std::string, 4> label_captions; // Label1..Label4
    int criterion_item = 4; // RadioGroup1: 0 "25%" .. 6 "1%"
    int mode = 1;           // Pairs_vs_Deviations: 0 pairwise, 1 the case's mean
    int correction = 0;     // Bonferroni: 0 not applied, 1 sequential Bonferroni
    std::vector<std::string> note_lines; // memoComments, lines as displayed, UTF-8
    std::string notes_caption = "User's Notes:";
    std::string app_title;
    // The normative data chosen for the run, prepared once (null: the
    // built-in set).
    std::shared_ptr<const tNormativeData> norms;
    // The worksheet's matrix entry, read and written by the run (null: none,
    // as in the batch tool).
    tMatrixEntry* matrix_entry = nullptr;
};

// The caller's matrix for the matrix-entry dialog: [column][row] from 1.
using tEntryMatrix = std::array<std::array<double, 51>, 51>;

struct tAnalysisHooks {
    // Writes the worksheet file. May throw (EInOutError): the run then stops
    // before anything is computed and the error travels on to the caller.
    std::function<void()> save_worksheet;
    // Called once the scores are valid and saved, before the computation
    // (the window shows the busy cursor).
    std::function<void()> computing;
    // Called after the computation, before the first report line (the window
    // shows the output window, hides the worksheet and sets the caption).
    std::function<void()> hand_over;
    // Only when the inputs' matrix entry is enabled: opens the matrix-entry
    // dialog on a fresh matrix (columns = rows = 4). Returns true when the
    // user chose to return to the worksheet, which abandons the run.
    std::function<bool(tEntryMatrix& matrix, int columns, int rows)> matrix_entry;
};

enum class tRunResult {
    Completed,
    InvalidField, // a score failed its parse or range check; see failed_field
    Abandoned,    // the user returned from the matrix-entry dialog
};

struct tCaseFigures;

struct tAnalysisOutcome {
    tRunResult result = tRunResult::Completed;
    int failed_field = 0; // 1..4 when result is InvalidField: the field to focus
    // Every figure of the case the report was written from; set when the run
    // completed.
    std::shared_ptr<const tCaseFigures> figures;
};

class tRandom_generator;

// Messages (validation warnings, numerical warnings) go through the
// user-message seam that is installed. The Monte Carlo draws from the
// caller's generator, which carries over from run to run: the worksheet keeps
// one for its session, the batch tool one for its run of cases.
tAnalysisOutcome run_analysis(const tAnalysisInputs& inputs, tReportSink& sink,
                              const tAnalysisHooks& hooks, tRandom_generator& generator);
// A run as a program's first: from a generator at its fixed seeds.
tAnalysisOutcome run_analysis(const tAnalysisInputs& inputs, tReportSink& sink,
                              const tAnalysisHooks& hooks);
