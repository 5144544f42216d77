// brenlow-report: the analysis run without windows. One case from the
// command line, or every row of a CSV file as successive Computes in one
// process; the report text goes to standard output exactly as the output
// window would hold it. Every case is checked before anything is computed,
// so bad input gives messages on standard error and no report at all; after
// that each case's report is written as soon as it is done.
#include "batch_run.h"
#include "case_checks.h"
#include "cli_text.h"
#include "command_line.h"
#include "methods/worksheet_config.h"

#include <fcntl.h>
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
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
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

int run(const tOptions& options)
{
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

    tReportOutput report(stdout);
    const std::vector<tCaseOutput*> outputs = {&report};
    std::unique_ptr<tProgressLine> progress;
    if (!options.quiet && isatty(STDERR_FILENO))
        progress = std::make_unique<tProgressLine>(stderr, static_cast<long long>(list.size()));
    try {
        run_cases(list, settings, outputs, progress.get(), progress && isatty(STDOUT_FILENO));
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
    try {
        const tCommandLine command_line = parse_command_line(std::vector<std::string>(argv + 1, argv + argc));
        if (!command_line.error.empty()) {
            print_error(command_line.error);
            std::fputs("Try 'brenlow-report --help' for more information.\n", stderr);
            return exit_bad_input;
        }
        if (command_line.options.help)
            return write_help();
        return run(command_line.options);
    } catch (const std::exception& error) {
        print_error(std::string("internal error: ") + error.what());
        return exit_failure;
    }
}
