// The computing half of brenlow-report: the checked cases, one after the
// other, as successive Computes in one process. Each finished case is handed
// at once to every output (the report text on standard output, and whatever
// else is asked for), and each output flushes it before the next case
// starts, so a long batch can be read, or stopped, as it goes.
#pragma once

#include "analysis/case_figures.h"
#include "case_checks.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class tOutputHold;
class tReplacingFile;

// The option groups of the worksheet, as the run takes them.
struct tRunSettings {
    int criterion_item = 4;
    int mode = 1;       // 0 pairwise, 1 the case's mean
    int correction = 0; // 1 sequential Bonferroni
    // The normative data of every case, prepared once (null: the built-in set).
    std::shared_ptr<const tNormativeData> norms;
};

// What one finished case hands to the outputs.
struct tCaseResult {
    long long number;      // from 1
    long long total;       // cases in the batch
    std::string place;     // "cases.csv row 2 (line 3)", or empty for the command line
    const std::vector<std::string>& report_lines; // the separator block first, after the first case
    const tCaseFigures& figures;                  // what the report was written from
};

// An output failed; what() says which and why. The run stops at once.
class tOutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class tCaseOutput {
public:
    virtual ~tCaseOutput() = default;
    // Writes and flushes one case; throws tOutputError when it cannot.
    virtual void write_case(const tCaseResult& result) = 0;
    // After the last case.
    virtual void finish() {}
    // When the run stops without finishing: the temporary files it cannot
    // remove, each named with the reason (none for most outputs).
    virtual std::vector<std::string> abandon() { return {}; }
};

// The report text, each line ending in a line feed.
class tReportOutput final : public tCaseOutput {
public:
    explicit tReportOutput(std::FILE* file, std::string name = "standard output")
        : file_(file), name_(std::move(name)) {}
    void write_case(const tCaseResult& result) override;

private:
    std::FILE* file_;
    std::string name_;
};

// Holds an output file that exists for this run while the hold lives;
// raises tOutputError naming `what`, the path and the other run when another
// run of the user's holds it.
std::unique_ptr<tOutputHold> hold_output(const std::string& what, const std::string& path);

// Every figure of each case as a CSV record, written as its case is done
// into a temporary file (made by the constructor, before the first case)
// that replaces `path` only after the last case.
class tCsvOutput final : public tCaseOutput {
public:
    // With `byte_order_mark` the file begins with UTF-8's byte-order mark,
    // which Excel needs to read it as UTF-8.
    explicit tCsvOutput(std::string path, bool byte_order_mark = false);
    ~tCsvOutput() override;
    void write_case(const tCaseResult& result) override;
    void finish() override;
    std::vector<std::string> abandon() override;

private:
    template <typename F>
    void step(F&& action);

    std::string path_;
    std::unique_ptr<tOutputHold> hold_;
    std::unique_ptr<tReplacingFile> file_;
};

// A one-line display of cases done, time taken and time left, redrawn in
// place (carriage return) at most a few times a second. The first and the
// last state are always drawn; the line is blanked out at the end. Hidden
// while other text goes to the terminal, it comes back at the next redraw.
class tProgressLine {
public:
    using tClock = std::chrono::steady_clock;

    tProgressLine(std::FILE* terminal, long long total);
    ~tProgressLine() { hide(); }
    tProgressLine(const tProgressLine&) = delete;
    tProgressLine& operator=(const tProgressLine&) = delete;

    void update(long long done);
    // Blanks the line out (before other text is written to the terminal); the
    // next update draws it again.
    void hide();

private:
    void draw(long long done, tClock::time_point now);

    std::FILE* terminal_;
    long long total_;
    tClock::time_point start_;
    tClock::time_point drawn_at_;
    size_t shown_ = 0; // characters on the line now
};

// Computes cases in order, writing each to every output as it is done;
// `progress` (may be null) is updated after each case and hidden before
// anything else goes to standard error. With `progress_shares_output`, the
// progress line is hidden while the outputs write (they go to the same
// terminal). Throws tOutputError.
class tBatchRun {
public:
    tBatchRun(const tRunSettings& settings, const std::vector<tCaseOutput*>& outputs, long long total,
              std::string source, tProgressLine* progress, bool progress_shares_output);
    ~tBatchRun();
    tBatchRun(const tBatchRun&) = delete;
    tBatchRun& operator=(const tBatchRun&) = delete;

    // The next case; `one.line` names its row of the case file `source`.
    void compute(const tCase& one);
    // After the last case.
    void finish();

private:
    struct tState;
    std::unique_ptr<tState> d_;
};

// "brenlow-report: " + text on standard error, control characters made visible.
void print_error(const std::string& text);
