// brenlow-report: the analysis run without windows. One case from the
// command line, or every row of a CSV file as successive Computes in one
// process; the report text goes to standard output exactly as the output
// window would hold it. Every case is checked before anything is computed,
// so bad input gives messages on standard error and no report at all; after
// that each case's report is written as soon as it is done.
#include "analysis/figures_csv.h"
#include "analysis/normative_data.h"
#include "batch_run.h"
#include "case_checks.h"
#include "cases_csv.h"
#include "cli_system.h"
#include "cli_text.h"
#include "command_line.h"
#include "common/errors.h"
#include "common/output_path.h"
#include "common/process_setup.h"
#include "common/replacing_file.h"
#include "common/small_file.h"
#include "common/temporary_files.h"
#include "common/x87_precision.h"
#include "output_checks.h"
#include "render_outputs.h"

#include <sys/stat.h>

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
    tFileInput(const tFileInput&) = delete;
    tFileInput& operator=(const tFileInput&) = delete;
    // Every byte read is also written to `fd`.
    void copy_to(int fd) { copy_ = fd; }

protected:
    int_type underflow() override
    {
        for (;;) {
            const ssize_t got = ::read(fd_, buffer_, sizeof buffer_);
            if (got > 0) {
                copy(got);
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
    void copy(ssize_t size)
    {
        if (copy_ < 0)
            return;
        if ((copied_ += size) > max_pipe_spool_bytes)
            throw tReadError("it gave more than " + std::to_string(max_pipe_spool_bytes >> 20) + " MiB ("
                             + std::to_string(max_pipe_spool_bytes)
                             + " bytes), the most of a pipe's cases that is kept while they are checked; "
                               "nothing is written (give the cases as a file, or in parts)");
        for (ssize_t done = 0; done < size;) {
            const ssize_t written = ::write(copy_, buffer_ + done, static_cast<size_t>(size - done));
            if (written < 0 && errno != EINTR)
                throw tReadError(errno == ENOSPC
                                     ? "the temporary folder " + temporary_folder()
                                           + " has no room left for its cases; nothing is written"
                                     : std::string("cannot keep its cases in a temporary file: ")
                                           + std::strerror(errno) + "; nothing is written");
            done += written > 0 ? written : 0;
        }
    }

    int fd_;
    int copy_ = -1;
    long long copied_ = 0;
    char buffer_[65536];
};

// exit_ok, or exit_failure with the reason on standard error.
int write_to_standard_output(const std::string& text)
{
    if (!write_text(stdout, text) || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        print_error(std::string("cannot write to standard output: ") + std::strerror(errno));
        return exit_failure;
    }
    return exit_ok;
}

int write_help()
{
    tHelpFacts facts;
    facts.pdf = pdf_output_built();
    facts.document = document_output_built();
    facts.charts = chart_output_built();
    facts.output_files = output_files_help();
    return write_to_standard_output(help_text(facts) + figures_csv_columns_help);
}

// The normative data of --norms, read and checked once, and prepared once for
// every case; null with the reason on standard error when the file cannot be
// used.
std::shared_ptr<const tNormativeData> read_norms_file(const std::string& path)
{
    const std::string name = "normative data file '" + visible(path) + "'";
    std::string text;
    try {
        if (!read_small_file(path, norms_file_max_size, tFileOwners::any, text)) {
            print_error("cannot open " + name + ": " + std::strerror(ENOENT));
            return nullptr;
        }
    } catch (const EInOutError& error) {
        print_error("normative data file " + visible(error.what()));
        return nullptr;
    }
    tNormativeSet set;
    const tNormsProblem problem = normative_set_from_text(text, set);
    if (!problem.message.empty()) {
        print_error(name + (problem.line > 0 ? ", line " + std::to_string(problem.line) : "")
                    + ": " + problem.message);
        return nullptr;
    }
    auto norms = std::make_shared<tNormativeData>();
    SetUpNormativeData(set, true, *norms);
    return norms;
}

// The case file, open from the first reading to the last.
struct tCaseFile {
    int fd = -1;
    // A regular file is read twice, checked and then computed, rather than
    // held in memory; a pipe's rows are copied as they are checked into a
    // private temporary file without a name, which is then read instead, so
    // that memory holds one row at a time however many come.
    bool read_again = false;
    int spool = -1;
    ~tCaseFile()
    {
        if (fd >= 0)
            ::close(fd);
        if (spool >= 0)
            ::close(spool);
    }
};

// Reads and checks the cases; every problem goes to standard error.
tCaseList collect_cases(const tOptions& options, tCaseFile& file)
{
    const auto report = [](const std::string& message) { print_error(message); };
    if (!options.cases_path)
        return check_command_line_case(options, report);

    const std::string& path = *options.cases_path;
    tCaseList failed;
    ++failed.faults;
    try {
        // Reached as the outputs are: a link or pipe another user planted on
        // the way would choose which cases are read.
        file.fd = open_stream_by_rule(path);
    } catch (const EInOutError& error) {
        print_error("cannot open case file '" + visible(path) + "': " + error.what());
        return failed;
    }
    struct stat info;
    file.read_again = ::fstat(file.fd, &info) == 0 && S_ISREG(info.st_mode);
    tFileInput input(file.fd);
    if (!file.read_again) {
        std::string error;
        file.spool = private_temporary_file(error);
        if (file.spool < 0) {
            print_error("cannot read case file '" + visible(path) + "': " + error);
            return failed;
        }
        input.copy_to(file.spool);
    }
    std::istream in(&input);
    try {
        tCaseList list = read_case_file(in, path, report, nullptr, false);
        if (file.spool >= 0) {
            ::close(file.fd);
            file.fd = file.spool;
            file.spool = -1;
            file.read_again = true;
        }
        return list;
    } catch (const tReadError& error) {
        print_error("cannot read case file '" + visible(path) + "': " + error.what());
        return failed;
    }
}

// The second reading of a regular case file: each row is computed as it is
// read. The rows were checked in the first reading; a row that fails now,
// or a different number of rows, means the file changed in between.
void compute_case_file(const tOptions& options, tCaseFile& file, long long checked, tBatchRun& run)
{
    const std::string name = visible(*options.cases_path);
    const auto changed = [&](const std::string&) {
        throw tOutputError("the case file '" + name + "' changed after it was checked; the run stops here");
    };
    if (::lseek(file.fd, 0, SEEK_SET) != 0)
        throw tOutputError("cannot read case file '" + name + "' again: " + std::strerror(errno));
    tFileInput input(file.fd);
    std::istream in(&input);
    try {
        long long computed = 0;
        read_case_file(
            in, *options.cases_path, changed,
            [&](const tCase& one) {
                if (++computed > checked)
                    changed(std::string());
                run.compute(one);
            },
            false);
        if (computed != checked)
            changed(std::string());
    } catch (const tReadError& error) {
        throw tOutputError("cannot read case file '" + name + "': " + error.what());
    }
}

// The outputs, looked at before anything is read: a link that may not be
// followed, or something there that is no file, is refused now. exit_ok
// when they may be written.
int check_outputs(const tOptions& options, const tRenderOutputs& drawn)
{
    if (options.csv_path) {
        try {
            inspect_output_path(*options.csv_path);
        } catch (const EInOutError& error) {
            print_error("cannot write CSV file '" + visible(*options.csv_path) + "': " + error.what());
            return exit_failure;
        }
    }
    try {
        if (const std::string problem = render_outputs_problem(drawn); !problem.empty()) {
            print_error(problem);
            return exit_bad_input;
        }
        if (const std::string problem = output_collision(options, !options.no_report); !problem.empty()) {
            print_error(problem);
            return exit_bad_input;
        }
    } catch (const EInOutError& error) {
        print_error(std::string("cannot write: ") + error.what());
        return exit_failure;
    }
    return exit_ok;
}

// The count of refused scores and notes fields, on standard error.
void report_invalid_fields(const tCaseList& list)
{
    std::string invalid;
    if (list.bad_scores > 0)
        invalid = std::to_string(list.bad_scores) + (list.bad_scores == 1 ? " invalid score" : " invalid scores");
    if (list.bad_notes > 0)
        invalid += (invalid.empty() ? "" : ", ") + std::to_string(list.bad_notes)
                   + (list.bad_notes == 1 ? " invalid notes field" : " invalid notes fields");
    if (!invalid.empty())
        print_error(invalid + "; no report written");
}

// Computes the checked cases into every output asked for.
int compute_cases(const tOptions& options, const tRenderOutputs& drawn, const tRunSettings& settings,
                  const tCaseList& list, tCaseFile& case_file, const char* argv0)
{
    std::unique_ptr<tProgressLine> progress;
    std::vector<std::unique_ptr<tCaseOutput>> owned;
    try {
        // Created only now, bad input leaving no file behind, but before the
        // first case, so that an output that cannot be written is found
        // before any time is spent.
        const long long total = static_cast<long long>(list.case_count());
        if (!options.no_report)
            owned.push_back(std::make_unique<tReportOutput>(stdout));
        if (options.csv_path)
            owned.push_back(std::make_unique<tCsvOutput>(*options.csv_path, options.csv_byte_order_mark));
        if (drawn.wanted())
            owned.push_back(make_drawn_output(drawn, total, argv0));
        std::vector<tCaseOutput*> outputs;
        for (const auto& output : owned)
            outputs.push_back(output.get());
        if (!options.quiet && is_terminal(stderr))
            progress = std::make_unique<tProgressLine>(stderr, total);
        tBatchRun batch(settings, outputs, total, list.source, progress.get(), progress && is_terminal(stdout));
        if (case_file.read_again) {
            compute_case_file(options, case_file, total, batch);
        } else {
            for (size_t index = 0; index < list.case_count(); ++index)
                batch.compute(list.case_at(index));
        }
        batch.finish();
    } catch (const tOutputError& error) {
        progress.reset();
        print_error(error.what());
        // The other outputs' temporary files go too; one that cannot (its
        // folder turned read-only) is named.
        for (const auto& output : owned)
            for (const std::string& left : output->abandon())
                print_error(left);
        return exit_failure;
    }
    return exit_ok;
}

int run_batch(const tOptions& options, const char* argv0)
{
    tRenderOutputs drawn;
    drawn.pdf_path = options.pdf_path;
    drawn.odt_path = options.odt_path;
    drawn.chart_dir = options.chart_dir;
    drawn.overwrite_charts = options.overwrite;
    if (const int status = check_outputs(options, drawn); status != exit_ok)
        return status;

    std::shared_ptr<const tNormativeData> norms;
    if (options.norms_path) {
        norms = read_norms_file(*options.norms_path);
        if (!norms)
            return exit_bad_input;
    }

    tCaseFile case_file;
    const tCaseList list = collect_cases(options, case_file);
    report_invalid_fields(list);
    if (!list.ok())
        return exit_bad_input;
    if (const std::string problem = render_outputs_batch_problem(drawn, static_cast<long long>(list.case_count()));
        !problem.empty()) {
        print_error(problem);
        return exit_bad_input;
    }

    tRunSettings settings;
    settings.criterion_item = options.criterion_item.value_or(settings.criterion_item);
    settings.mode = options.pairwise ? 0 : 1;
    settings.correction = options.bonferroni ? 1 : 0;
    settings.norms = norms;
    return compute_cases(options, drawn, settings, list, case_file, argv0);
}

} // namespace

int main(int argc, char** argv)
{
    // Before any file is opened: a closed standard output must not become
    // the --csv file's descriptor and receive the reports.
    open_closed_standard_streams();
    set_extended_precision();
    use_binary_standard_streams();
    // From here on a signal that ends the process removes the temporary
    // files first: they hold patient data.
    remove_temporaries_on_signals();
    try {
        const tCommandLine command_line = parse_command_line(program_arguments(argc, argv));
        if (!command_line.error.empty()) {
            print_error(command_line.error);
            write_text(stderr, "Try 'brenlow-report --help' for more information.\n");
            return exit_bad_input;
        }
        if (command_line.options.help)
            return write_help();
        if (command_line.options.version)
            return write_to_standard_output("brenlow-report " BRENLOW_VERSION "\n");
        return run_batch(command_line.options, argv[0]);
    } catch (const std::exception& error) {
        print_error(std::string("internal error: ") + error.what());
        return exit_failure;
    }
}
