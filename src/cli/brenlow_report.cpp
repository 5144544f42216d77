// brenlow-report: the analysis run without windows. One case from the
// command line, or every row of a CSV file as successive Computes in one
// process; the report text goes to standard output exactly as the output
// window would hold it. Every case is validated before anything is computed,
// so bad input gives messages on standard error and no report at all. With
// --csv every figure of each case also goes to a CSV file, which replaces its
// target only when the whole run has succeeded.
#include "analysis/analysis_run.h"
#include "analysis/figures_csv.h"
#include "analysis/normative_data.h"
#include "cases_csv.h"
#include "common/errors.h"
#include "common/replacing_file.h"
#include "common/user_messages.h"
#include "methods/Metrics_Papers.h"
#include "methods/worksheet_config.h"
#include "render_outputs.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int exit_ok = 0;
constexpr int exit_failure = 1;   // output or CSV file could not be written, or an internal fault
constexpr int exit_bad_input = 2; // usage, case file or score errors; nothing written

const char* const program_name = "brenlow-report";

// The worksheet's captions, slot order VC, PR, WM, PS.
const std::array<const char*, index_count> score_options = {"--vc", "--pr", "--wm", "--ps"};
const std::array<const char*, index_count> score_columns = {"vc", "pr", "wm", "ps"};
const std::array<const char*, index_count> field_captions = {
    "Verbal Comprehension Index score:",
    "Perceptual Reasoning Index score:",
    "Working Memory Index score:",
    "Processing Speed Index score:",
};
const char* const notes_caption = "User's Notes:";

// The criterion option's accepted values, in the order of its items.
const std::array<const char*, criterion_count> criterion_values = {"25", "15.87", "15", "10",
                                                                   "5",  "2",     "1"};

const char* const help_text =
    "Usage:\n"
    "  brenlow-report --vc SCORE --pr SCORE --wm SCORE --ps SCORE [options] [--notes TEXT]\n"
    "  brenlow-report --cases FILE.csv [options]\n"
    "  brenlow-report --help | --version\n"
    "\n"
    "Analyses the four Orvane Index scores of a case (Verbal Comprehension,\n"
    "Perceptual Reasoning, Working Memory, Processing Speed; valid from 50 to 150)\n"
    "and writes the fixed-width report of the desktop program to standard output.\n"
    "\n"
    "Scores:\n"
    "  --vc SCORE        Verbal Comprehension Index score\n"
    "  --pr SCORE        Perceptual Reasoning Index score\n"
    "  --wm SCORE        Working Memory Index score\n"
    "  --ps SCORE        Processing Speed Index score\n"
    "  --notes TEXT      user's notes; each line feed starts a new note line\n"
    "\n"
    "Batch:\n"
    "  --cases FILE      analyse every row of a CSV file, in order, in one process\n"
    "                    (as successive Computes: the reports follow one another,\n"
    "                    each after a separator but the first, and the Monte Carlo\n"
    "                    generator carries on from row to row). The first row is a\n"
    "                    header naming the columns vc, pr, wm and ps (any order, any\n"
    "                    case) and optionally notes; other columns are ignored.\n"
    "                    Fields may be quoted (\"...\") to hold commas, line feeds\n"
    "                    and doubled quotes (\"\"); a line feed inside a notes field\n"
    "                    starts a new note line. Cannot be combined with --vc, --pr,\n"
    "                    --wm, --ps or --notes.\n"
    "\n"
    "Options:\n"
    "  --pairwise        analyse pairwise differences (default: deviations from\n"
    "                    the case's mean Index score)\n"
    "  --bonferroni      apply the sequential Bonferroni correction (default: not)\n"
    "  --criterion PCT   abnormality criterion, per cent of the normative\n"
    "                    population: 25, 15.87, 15, 10, 5, 2 or 1 (default 5)\n"
    "  --help, -h        show this text\n"
    "  --version         show the version\n"
    "\n"
    "Drawn outputs (need no display):\n"
    "  --pdf FILE        also write the reports as a PDF file, laid out as the\n"
    "                    output window prints them, followed by one page with the\n"
    "                    profile chart of each case (A4, or Letter where the\n"
    "                    locale uses it)\n"
    "  --chart-dir DIR   also write the profile chart of each case as an SVG\n"
    "                    drawing, DIR/case-0001.svg, case-0002.svg, ... (DIR is\n"
    "                    created when missing)\n"
    "\n"
    "Research data:\n"
    "  --csv FILE        also write every figure of each case to FILE, one CSV\n"
    "                    record per case after a header record (columns below).\n"
    "                    FILE is written whole at the end of a successful run; an\n"
    "                    existing FILE is replaced only then.\n"
    "  --no-report       write no report to standard output (needs --csv)\n"
    "\n"
    "An option's value may also be given as --option=VALUE.\n"
    "\n"
    "Every case is checked before anything is computed, with the worksheet's own\n"
    "messages. If any score is empty, not a number or outside 50 to 150, every such\n"
    "field is listed on standard error (with its row for a CSV file) and no report\n"
    "is written.\n"
    "\n"
    "Exit status: 0 report written; 2 bad options, case file or scores (nothing\n"
    "written, no CSV file created or changed); 1 the report, the CSV file, the\n"
    "PDF or a chart could not be written (then no report on standard output;\n"
    "each file is written whole or not at all).\n";

class tUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The CSV file could not be written.
class tOutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct tOptions {
    bool help = false;
    std::array<std::optional<std::string>, index_count> scores;
    std::optional<std::string> notes;
    std::optional<std::string> cases_path;
    bool pairwise = false;
    bool bonferroni = false;
    std::optional<int> criterion_item;
    tRenderOutputs render;
    std::optional<std::string> csv_path;
    bool no_report = false;
};

// One case to analyse, with the words that name it in messages.
struct tCase {
    std::string where; // "" for the command line, "cases.csv row 2 (line 3)" for a file
    std::array<std::string, index_count> score_texts;
    std::vector<std::string> note_lines;
};

std::string with_line_breaks(std::string text)
{
    for (char& c : text)
        if (c == '\r')
            c = '\n';
    return text;
}

void print_error(const std::string& text)
{
    std::fprintf(stderr, "%s: %s\n", program_name, text.c_str());
}

bool takes_value(const std::string& name)
{
    for (const char* option : score_options)
        if (name == option)
            return true;
    return name == "--notes" || name == "--cases" || name == "--criterion" || name == "--pdf"
           || name == "--chart-dir" || name == "--csv";
}

bool is_option_name(const std::string& arg)
{
    const std::string name = arg.substr(0, arg.find('='));
    return takes_value(name) || name == "--pairwise" || name == "--bonferroni" || name == "--help"
           || name == "-h" || name == "--no-report";
}

template <typename T>
void set_once(std::optional<T>& slot, const T& value, const std::string& name)
{
    if (slot)
        throw tUsageError("option " + name + " is given more than once");
    slot = value;
}

int criterion_item_of(const std::string& value)
{
    for (int item = 0; item < criterion_count; ++item)
        if (value == criterion_values[item])
            return item;
    throw tUsageError("bad --criterion value '" + value
                      + "' (use 25, 15.87, 15, 10, 5, 2 or 1)");
}

tOptions parse_options(int argc, char** argv)
{
    tOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string name = arg;
        std::optional<std::string> value;
        if (arg.compare(0, 2, "--") == 0 && arg.find('=') != std::string::npos) {
            name = arg.substr(0, arg.find('='));
            value = arg.substr(arg.find('=') + 1);
        }

        if (takes_value(name)) {
            if (!value) {
                // The next argument is the value unless it is itself an option.
                if (i + 1 >= argc || is_option_name(argv[i + 1]))
                    throw tUsageError("option " + name + " needs a value");
                value = argv[++i];
            }
            bool matched = false;
            for (int k = 0; k < index_count; ++k)
                if (name == score_options[k]) {
                    set_once(options.scores[k], *value, name);
                    matched = true;
                }
            if (matched)
                continue;
            if (name == "--notes")
                set_once(options.notes, *value, name);
            else if (name == "--cases")
                set_once(options.cases_path, *value, name);
            else if (name == "--pdf")
                set_once(options.render.pdf_path, *value, name);
            else if (name == "--chart-dir")
                set_once(options.render.chart_dir, *value, name);
            else if (name == "--csv")
                set_once(options.csv_path, *value, name);
            else
                set_once(options.criterion_item, criterion_item_of(*value), name);
            continue;
        }
        if (value)
            throw tUsageError("option " + name + " takes no value");
        if (name == "--pairwise")
            options.pairwise = true;
        else if (name == "--bonferroni")
            options.bonferroni = true;
        else if (name == "--no-report")
            options.no_report = true;
        else if (name == "--help" || name == "-h")
            options.help = true;
        else if (name.compare(0, 1, "-") == 0)
            throw tUsageError("unknown option " + name);
        else
            throw tUsageError("unexpected argument '" + arg + "'");
    }
    return options;
}

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

// Throws tUsageError (an unreadable file is a usage problem of its own).
std::string read_file(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        throw tUsageError("cannot open case file '" + path + "': " + std::strerror(errno));
    std::string text;
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, got);
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed)
        throw tUsageError("cannot read case file '" + path + "': " + std::strerror(error));
    return text;
}

// Gathers the cases, or lists the problems and returns false.
bool collect_cases(const tOptions& options, std::vector<tCase>& cases)
{
    if (options.cases_path) {
        for (int k = 0; k < index_count; ++k)
            if (options.scores[k])
                throw tUsageError(std::string("--cases cannot be combined with ") + score_options[k]);
        if (options.notes)
            throw tUsageError("--cases cannot be combined with --notes (use a notes column)");
        const std::string& path = *options.cases_path;
        const tCaseFile file = parse_case_file(read_file(path));
        for (const std::string& error : file.errors)
            print_error(path + ": " + error);
        if (!file.errors.empty())
            return false;
        for (const tCaseRow& row : file.rows)
            cases.push_back({path + " row " + std::to_string(row.row) + " (line "
                                 + std::to_string(row.line) + ")",
                             row.score_texts, note_lines_of(row.notes)});
        return true;
    }

    std::string missing;
    for (int k = 0; k < index_count; ++k)
        if (!options.scores[k])
            missing += std::string(missing.empty() ? "" : ", ") + score_options[k];
    if (!missing.empty())
        throw tUsageError("missing " + missing + " (all four scores are needed, or --cases FILE)");
    tCase one;
    for (int k = 0; k < index_count; ++k)
        one.score_texts[k] = *options.scores[k];
    one.note_lines = note_lines_of(options.notes.value_or(std::string()));
    cases.push_back(one);
    return true;
}

// A seam that keeps the worksheet's messages instead of showing them.
class tCollectedMessages final : public tUserMessages {
public:
    std::vector<std::string> texts;
    void warning(const std::string& text) override { texts.push_back(text); }
    void information(const std::string& text) override { texts.push_back(text); }
    bool confirm(const std::string& text) override
    {
        texts.push_back(text);
        return false;
    }
    void beep() override {}
};

// The parse and range checks of the run, on every field of every case. Each
// bad field is reported with the worksheet's own message; returns the count.
int validate_cases(const std::vector<tCase>& cases, bool from_file)
{
    int bad_fields = 0;
    for (const tCase& one : cases)
        for (int k = 0; k < index_count; ++k) {
            tCollectedMessages messages;
            tScopedUserMessages scope(messages);
            const extended value = ParseScoreText(one.score_texts[k], field_captions[k]);
            const bool valid = !InputError && CheckScoreRange(field_captions[k], static_cast<double>(value));
            if (valid)
                continue;
            ++bad_fields;
            const std::string field = from_file ? std::string("column ") + score_columns[k]
                                                : std::string(score_options[k]);
            std::string text;
            for (const std::string& message : messages.texts)
                text += "\n" + with_line_breaks(message);
            print_error((one.where.empty() ? field : one.where + ", " + field) + ":" + text);
        }
    return bad_fields;
}

// Numerical warnings of a run go to standard error, naming the case.
class tRunMessages final : public tUserMessages {
public:
    std::string where;
    void warning(const std::string& text) override { show(text); }
    void information(const std::string& text) override { show(text); }
    bool confirm(const std::string& text) override
    {
        show(text);
        return false;
    }
    void beep() override {}

private:
    void show(const std::string& text)
    {
        print_error("warning" + (where.empty() ? std::string() : " (" + where + ")") + ": "
                    + with_line_breaks(text));
    }
};

// True when both names reach one existing file.
bool same_file(const std::string& a, const std::string& b)
{
    struct stat sa, sb;
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev
           && sa.st_ino == sb.st_ino;
}

// One step on the CSV file; its failure names the file.
void csv_step(const std::string& path, const std::function<void()>& step)
{
    try {
        step();
    } catch (const EInOutError& error) {
        throw tOutputError("cannot write CSV file '" + path + "': " + error.what());
    }
}

int run(int argc, char** argv)
{
    const tOptions options = parse_options(argc, argv);
    if (options.help) {
        std::fputs(help_text, stdout);
        std::fputs("\n", stdout);
        std::fputs(figures_csv_columns_help, stdout);
        return std::fflush(stdout) == 0 ? exit_ok : exit_failure;
    }

    if (options.no_report && !options.csv_path)
        throw tUsageError("--no-report needs --csv FILE");
    if (options.csv_path && options.cases_path && same_file(*options.csv_path, *options.cases_path))
        throw tUsageError("--csv " + *options.csv_path + " would replace the case file");

    set_program_strings();
    set_worksheet_configuration();
    if (const std::string problem = render_outputs_problem(options.render); !problem.empty())
        throw tUsageError(problem);

    std::vector<tCase> cases;
    if (!collect_cases(options, cases))
        return exit_bad_input;
    if (const int bad = validate_cases(cases, options.cases_path.has_value())) {
        print_error(std::to_string(bad) + (bad == 1 ? " invalid score" : " invalid scores")
                    + "; no report written");
        return exit_bad_input;
    }

    tAnalysisInputs inputs;
    for (int k = 0; k < index_count; ++k)
        inputs.label_captions[k] = field_captions[k];
    inputs.criterion_item = options.criterion_item.value_or(default_criterion_item);
    inputs.mode = options.pairwise ? 0 : 1;
    inputs.correction = options.bonferroni ? 1 : 0;
    inputs.notes_caption = notes_caption;
    inputs.app_title = AppTitle;

    tRunMessages messages;
    tScopedUserMessages scope(messages);
    tLineSink sink;
    std::vector<tChartData> charts; // one per case, for --pdf and --chart-dir
    const tAnalysisHooks hooks; // no worksheet file, no windows
    std::unique_ptr<tReplacingFile> csv;
    if (options.csv_path)
        csv_step(*options.csv_path, [&] {
            csv = std::make_unique<tReplacingFile>(*options.csv_path);
            csv->write(figures_csv_header());
        });
    for (const tCase& one : cases) {
        messages.where = one.where;
        inputs.score_texts = one.score_texts;
        inputs.note_lines = one.note_lines;
        const tAnalysisOutcome outcome = run_analysis(inputs, sink, hooks);
        if (outcome.result != tRunResult::Completed)
            throw std::logic_error("a validated case did not complete");
        if (options.render.wanted())
            charts.push_back(chart_data_of(*outcome.figures));
        if (csv)
            csv_step(*options.csv_path, [&] { csv->write(figures_csv_row(*outcome.figures)); });
        // The PDF's text pages are the reports, printed or not.
        if (options.no_report && !options.render.pdf_path)
            sink.lines.clear();
    }

    std::string render_error;
    if (!write_render_outputs(options.render, sink.lines, charts, argv[0], render_error)) {
        print_error(render_error);
        return exit_failure;
    }

    if (!options.no_report)
        for (const std::string& line : sink.lines) {
            std::fwrite(line.data(), 1, line.size(), stdout);
            std::fputc('\n', stdout);
        }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        print_error("cannot write the report to standard output");
        return exit_failure;
    }
    if (csv)
        csv_step(*options.csv_path, [&] { csv->commit(); });
    return exit_ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("%s %s\n", program_name, BRENLOW_VERSION);
        return std::fflush(stdout) == 0 ? exit_ok : exit_failure;
    }
    try {
        return run(argc, argv);
    } catch (const tUsageError& error) {
        print_error(error.what());
        std::fprintf(stderr, "Try '%s --help' for more information.\n", program_name);
        return exit_bad_input;
    } catch (const tOutputError& error) {
        print_error(error.what());
        return exit_failure;
    } catch (const std::exception& error) {
        print_error(std::string("internal error: ") + error.what());
        return exit_failure;
    }
}
