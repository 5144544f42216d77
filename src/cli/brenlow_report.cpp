// brenlow-report: the analysis run without windows. One case from the
// command line, or every row of a CSV file as successive Computes in one
// process; the report text goes to standard output exactly as the output
// window would hold it. Every case is checked before anything is computed,
// so bad input gives messages on standard error and no report at all; after
// that each case's report is written as soon as it is done.
#include "analysis/figures_csv.h"
#include "batch_run.h"
#include "case_checks.h"
#include "cli_system.h"
#include "cli_text.h"
#include "command_line.h"
#include "common/errors.h"
#include "common/replacing_file.h"
#include "common/x87_precision.h"
#include "methods/worksheet_config.h"
#include "render_outputs.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <istream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int exit_ok = 0;
constexpr int exit_failure = 1;   // output could not be written, or an internal fault
constexpr int exit_bad_input = 2; // usage, case file or score errors; nothing written

class tReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The case file, read through a buffer of its own: a read error (a folder, a
// failing disk) is an error, not an early end of the file.
class tFileInput final : public std::streambuf {
public:
    explicit tFileInput(int fd) : fd_(fd) {}
    ~tFileInput() override { ::close(fd_); }
    tFileInput(const tFileInput&) = delete;
    tFileInput& operator=(const tFileInput&) = delete;

protected:
    int_type underflow() override
    {
        for (;;) {
            const ssize_t got = ::read(fd_, buffer_, sizeof buffer_);
            if (got > 0) {
                setg(buffer_, buffer_, buffer_ + got);
                return traits_type::to_int_type(buffer_[0]);
            }
            if (got == 0)
                return traits_type::eof();
            if (errno != EINTR)
                throw tReadError(std::strerror(errno));
        }
    }

private:
    int fd_;
    char buffer_[65536];
};

int write_help()
{
    std::fputs(help_text(), stdout);
    std::fputs(figures_csv_columns_help, stdout);
    std::fputs(render_outputs_note(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        print_error(std::string("cannot write to standard output: ") + std::strerror(errno));
        return exit_failure;
    }
    return exit_ok;
}

// Reads and checks the cases; every problem goes to standard error.
tCaseList collect_cases(const tOptions& options)
{
    const auto report = [](const std::string& message) { print_error(message); };
    if (!options.cases_path)
        return check_command_line_case(options, report);

    const std::string& path = *options.cases_path;
    tCaseList failed;
    ++failed.faults;
    const int fd = open_for_reading(path);
    if (fd < 0) {
        print_error("cannot open case file '" + visible(path) + "': " + std::strerror(errno));
        return failed;
    }
    tFileInput input(fd);
    std::istream in(&input);
    try {
        return read_case_file(in, path, report);
    } catch (const tReadError& error) {
        print_error("cannot read case file '" + visible(path) + "': " + error.what());
        return failed;
    }
}

// Every figure of each case, a record written as its case is done into a
// file that replaces FILE only after the last case.
class tCsvOutput final : public tCaseOutput {
public:
    explicit tCsvOutput(std::string path) : path_(std::move(path))
    {
        step([&] {
            file_ = std::make_unique<tReplacingFile>(path_);
            file_->write(figures_csv_header());
        });
    }
    void write_case(const tCaseResult& result) override
    {
        step([&] { file_->write(figures_csv_row(result.figures)); });
    }
    void finish() override
    {
        step([&] { file_->commit(); });
    }

private:
    template <typename F>
    void step(F&& action)
    {
        try {
            action();
        } catch (const EInOutError& error) {
            throw tOutputError("cannot write CSV file '" + visible(path_) + "': " + error.what());
        }
    }

    std::string path_;
    std::unique_ptr<tReplacingFile> file_;
};

int run(const tOptions& options, const char* argv0)
{
    if (options.csv_path && options.cases_path && same_file(*options.csv_path, *options.cases_path)) {
        print_error("--csv " + *options.csv_path + " would replace the case file");
        return exit_bad_input;
    }
    tRenderOutputs drawn;
    drawn.pdf_path = options.pdf_path;
    drawn.chart_dir = options.chart_dir;
    if (const std::string problem = render_outputs_problem(drawn); !problem.empty()) {
        print_error(problem);
        return exit_bad_input;
    }

    set_program_strings();
    set_worksheet_configuration();

    const tCaseList list = collect_cases(options);
    if (list.bad_scores > 0)
        print_error(std::to_string(list.bad_scores) + (list.bad_scores == 1 ? " invalid score" : " invalid scores")
                    + "; no report written");
    if (!list.ok())
        return exit_bad_input;

    tRunSettings settings;
    settings.criterion_item = options.criterion_item.value_or(settings.criterion_item);
    settings.mode = options.pairwise ? 0 : 1;
    settings.correction = options.bonferroni ? 1 : 0;

    std::unique_ptr<tProgressLine> progress;
    try {
        // Created only now: bad input leaves no file behind.
        std::vector<std::unique_ptr<tCaseOutput>> owned;
        if (!options.no_report)
            owned.push_back(std::make_unique<tReportOutput>(stdout));
        if (options.csv_path)
            owned.push_back(std::make_unique<tCsvOutput>(*options.csv_path));
        if (drawn.wanted())
            owned.push_back(make_drawn_output(drawn, argv0));
        std::vector<tCaseOutput*> outputs;
        for (const auto& output : owned)
            outputs.push_back(output.get());
        if (!options.quiet && is_terminal(stderr))
            progress = std::make_unique<tProgressLine>(stderr, static_cast<long long>(list.size()));
        run_cases(list, settings, outputs, progress.get(), progress && is_terminal(stdout));
    } catch (const tOutputError& error) {
        progress.reset();
        print_error(error.what());
        return exit_failure;
    }
    return exit_ok;
}

} // namespace

int main(int argc, char** argv)
{
    set_extended_precision();
    use_binary_standard_streams();
    try {
        const tCommandLine command_line = parse_command_line(program_arguments(argc, argv));
        if (!command_line.error.empty()) {
            print_error(command_line.error);
            std::fputs("Try 'brenlow-report --help' for more information.\n", stderr);
            return exit_bad_input;
        }
        if (command_line.options.help)
            return write_help();
        if (command_line.options.version) {
            std::fputs("brenlow-report " BRENLOW_VERSION "\n", stdout);
            return std::fflush(stdout) == 0 ? exit_ok : exit_failure;
        }
        return run(command_line.options, argv[0]);
    } catch (const std::exception& error) {
        print_error(std::string("internal error: ") + error.what());
        return exit_failure;
    }
}
