#include "batch_run.h"

#include "analysis/analysis_run.h"
#include "analysis/figures_csv.h"
#include "numerics/distrib.h"
#include "common/errors.h"
#include "common/output_path.h"
#include "common/replacing_file.h"
#include "cli_system.h"
#include "cli_text.h"
#include "common/user_messages.h"
#include "common/program_title.h"

#include <cerrno>
#include <cstring>

namespace {

const char* const program_name = "brenlow-report";
const char* const notes_caption = "User's Notes:";

// The progress line is redrawn at most this often (the last state excepted).
constexpr std::chrono::milliseconds redraw_interval(250);

// The report lines of the case being computed. The separator block goes
// before every report but the first, as in the output window.
class tCaseSink final : public tReportSink {
public:
    std::vector<std::string> lines;
    bool earlier_reports = false;
    void append(const std::string& line) override { lines.push_back(line); }
    bool has_lines() const override { return earlier_reports || !lines.empty(); }
};

// Numerical warnings of a run go to standard error, naming the case.
class tRunMessages final : public tUnattendedMessages {
public:
    std::string place;
    tProgressLine* progress = nullptr;

private:
    void take(const std::string& text) override
    {
        if (progress)
            progress->hide();
        print_error("warning" + (place.empty() ? std::string() : " (" + place + ")") + ": " + visible_lines(text));
    }
};

// The memo's lines: a line feed (with or without a carriage return before it)
// separates lines; no text means no lines, and a final line feed adds none.
std::vector<std::string> note_lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    if (text.empty())
        return lines;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (end == std::string::npos) {
            if (!line.empty() || lines.empty())
                lines.push_back(line);
            break;
        }
        lines.push_back(line);
        start = end + 1;
        if (start == text.size())
            break;
    }
    return lines;
}

std::string clock_text(std::chrono::seconds time)
{
    const long long s = time.count();
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    return text;
}

} // namespace

void print_error(const std::string& text)
{
    write_text(stderr, std::string(program_name) + ": " + visible_lines(text) + "\n");
}

void tReportOutput::write_case(const tCaseResult& result)
{
    std::string text;
    for (const std::string& line : result.report_lines)
        text += line + '\n';
    if (!write_text(file_, text) || std::fflush(file_) != 0 || std::ferror(file_))
        throw tOutputError("cannot write the report to " + name_ + ": " + std::strerror(errno));
}

std::unique_ptr<tOutputHold> hold_output(const std::string& what, const std::string& path)
{
    long long holder = 0;
    std::unique_ptr<tOutputHold> hold;
    try {
        hold = hold_file(inspect_output_path(path), holder);
    } catch (const EInOutError&) {
        return nullptr; // the output's own opening names the fault
    }
    if (!hold)
        throw tOutputError(what + " '" + visible(path) + "' is being written by another run of brenlow-report"
                           + (holder > 0 ? " (process " + std::to_string(holder) + ")" : std::string())
                           + "; one of them would replace the other's");
    return hold;
}

tCsvOutput::tCsvOutput(std::string path, bool byte_order_mark) : path_(std::move(path))
{
    hold_ = hold_output("the CSV file", path_);
    step([&] {
        file_ = std::make_unique<tReplacingFile>(path_);
        file_->write((byte_order_mark ? "\xEF\xBB\xBF" : "") + figures_csv_header());
    });
}

tCsvOutput::~tCsvOutput() = default;

void tCsvOutput::write_case(const tCaseResult& result)
{
    step([&] { file_->write(figures_csv_row(result.figures)); });
}

void tCsvOutput::finish()
{
    step([&] { file_->commit(); });
}

std::vector<std::string> tCsvOutput::abandon()
{
    if (!file_)
        return {};
    const std::string left = file_->abandon();
    return left.empty() ? std::vector<std::string>() : std::vector<std::string>{left};
}

template <typename F>
void tCsvOutput::step(F&& action)
{
    try {
        action();
    } catch (const EInOutError& error) {
        throw tOutputError("cannot write CSV file '" + visible(path_) + "': " + error.what());
    }
}

tProgressLine::tProgressLine(std::FILE* terminal, long long total)
    : terminal_(terminal), total_(total), start_(tClock::now())
{
    draw(0, start_);
}

void tProgressLine::update(long long done)
{
    const tClock::time_point now = tClock::now();
    if (done >= total_ || now - drawn_at_ >= redraw_interval)
        draw(done, now);
}

void tProgressLine::draw(long long done, tClock::time_point now)
{
    const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(now - start_);
    std::string text = std::to_string(done) + " of " + std::to_string(total_)
                       + (total_ == 1 ? " case" : " cases") + " done, " + clock_text(elapsed) + " elapsed";
    if (done > 0 && done < total_) {
        const auto left = std::chrono::duration_cast<std::chrono::seconds>((now - start_) * (total_ - done) / done);
        text += ", about " + clock_text(left) + " left";
    }
    // Blanks cover what is left of a longer line drawn before.
    const size_t length = text.size();
    if (length < shown_)
        text.append(shown_ - length, ' ');
    write_text(terminal_, "\r" + text);
    std::fflush(terminal_);
    shown_ = length;
    drawn_at_ = now;
}

void tProgressLine::hide()
{
    if (shown_ == 0)
        return;
    write_text(terminal_, "\r" + std::string(shown_, ' ') + "\r");
    std::fflush(terminal_);
    shown_ = 0;
}

struct tBatchRun::tState {
    tState(const std::vector<tCaseOutput*>& outputs_, long long total_, std::string source_,
           tProgressLine* progress_, bool shares)
        : outputs(outputs_), total(total_), source(std::move(source_)), progress(progress_),
          progress_shares_output(shares)
    {
    }
    tAnalysisInputs inputs;
    tRunMessages messages;
    tScopedUserMessages scope{messages};
    tCaseSink sink;
    const tAnalysisHooks hooks; // no worksheet file, no windows
    tRandom_generator generator; // carries on from case to case
    std::vector<tCaseOutput*> outputs;
    long long total;
    long long number = 0; // cases done
    std::string source;
    tProgressLine* progress;
    bool progress_shares_output;
};

tBatchRun::tBatchRun(const tRunSettings& settings, const std::vector<tCaseOutput*>& outputs, long long total,
                     std::string source, tProgressLine* progress, bool progress_shares_output)
    : d_(std::make_unique<tState>(outputs, total, std::move(source), progress, progress_shares_output))
{
    tAnalysisInputs& inputs = d_->inputs;
    for (size_t k = 0; k < field_captions.size(); ++k)
        inputs.label_captions[k] = field_captions[k];
    inputs.criterion_item = settings.criterion_item;
    inputs.mode = settings.mode;
    inputs.correction = settings.correction;
    inputs.norms = settings.norms;
    inputs.notes_caption = notes_caption;
    inputs.app_title = AppTitle;
    d_->messages.progress = progress;
}

tBatchRun::~tBatchRun() = default;

void tBatchRun::compute(const tCase& one)
{
    tState& d = *d_;
    const long long number = ++d.number;
    tCaseList named;
    named.source = d.source;
    d.messages.place = case_place(named, number, one);
    d.inputs.score_texts = one.scores;
    d.inputs.note_lines = note_lines_of(one.notes);
    d.sink.lines.clear();
    const tAnalysisOutcome outcome = run_analysis(d.inputs, d.sink, d.hooks, d.generator);
    if (outcome.result != tRunResult::Completed || !outcome.figures)
        throw std::logic_error("a checked case did not complete");
    d.sink.earlier_reports = true;

    if (d.progress && d.progress_shares_output)
        d.progress->hide();
    const tCaseResult result{number, d.total, d.messages.place, d.sink.lines, *outcome.figures};
    for (tCaseOutput* output : d.outputs)
        output->write_case(result);
    if (d.progress)
        d.progress->update(number);
}

void tBatchRun::finish()
{
    for (tCaseOutput* output : d_->outputs)
        output->finish();
}
