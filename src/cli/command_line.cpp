#include "command_line.h"

#include "analysis/normative_data.h"
#include "cases_csv.h"
#include "cli_text.h"
#include "common/format_ext.h"

#include <stdexcept>
#include <vector>

const std::array<const char*, 4> score_options = {"--vc", "--pr", "--wm", "--ps"};
const std::array<const char*, 4> score_columns = {"vc", "pr", "wm", "ps"};

namespace {

// The criterion option's accepted values, in the order of its items.
const std::array<const char*, criterion_count> criterion_values = {"25", "15.87", "15", "10",
                                                                   "5",  "2",     "1"};

class tUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

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
    throw tUsageError("bad --criterion value '" + visible(value) + "' (use 25, 15.87, 15, 10, 5, 2 or 1)");
}

// One option: its names and what it sets. A flag sets its member; a value
// option keeps its text in its member, or is one of the four scores (score
// 0..3); the one option with none of these is --criterion.
struct tOptionEntry {
    const char* name;
    const char* alias; // a second name, or nullptr
    bool tOptions::*flag;
    std::optional<std::string> tOptions::*text;
    int score;

    bool takes_value() const { return flag == nullptr; }
};

const tOptionEntry option_entries[] = {
    {score_options[0], nullptr, nullptr, nullptr, 0},
    {score_options[1], nullptr, nullptr, nullptr, 1},
    {score_options[2], nullptr, nullptr, nullptr, 2},
    {score_options[3], nullptr, nullptr, nullptr, 3},
    {"--notes", nullptr, nullptr, &tOptions::notes, -1},
    {"--cases", nullptr, nullptr, &tOptions::cases_path, -1},
    {"--criterion", nullptr, nullptr, nullptr, -1},
    {"--pairwise", nullptr, &tOptions::pairwise, nullptr, -1},
    {"--bonferroni", nullptr, &tOptions::bonferroni, nullptr, -1},
    {"--quiet", "-q", &tOptions::quiet, nullptr, -1},
    {"--help", "-h", &tOptions::help, nullptr, -1},
    {"--version", nullptr, &tOptions::version, nullptr, -1},
    {"--csv", nullptr, nullptr, &tOptions::csv_path, -1},
    {"--csv-excel", nullptr, nullptr, &tOptions::csv_excel_path, -1},
    {"--no-report", nullptr, &tOptions::no_report, nullptr, -1},
    {"--pdf", nullptr, nullptr, &tOptions::pdf_path, -1},
    {"--odt", nullptr, nullptr, &tOptions::odt_path, -1},
    {"--chart-dir", nullptr, nullptr, &tOptions::chart_dir, -1},
    {"--overwrite", nullptr, &tOptions::overwrite, nullptr, -1},
    {"--norms", nullptr, nullptr, &tOptions::norms_path, -1},
};

void apply(const tOptionEntry& entry, tOptions& options, const std::string& name, const std::string& value)
{
    if (entry.flag)
        options.*entry.flag = true;
    else if (entry.text)
        set_once(options.*entry.text, value, name);
    else if (entry.score >= 0)
        set_once(options.scores[static_cast<size_t>(entry.score)], value, name);
    else
        set_once(options.criterion_item, criterion_item_of(value), name);
}

const tOptionEntry* find_option(const std::string& name)
{
    for (const tOptionEntry& entry : option_entries)
        if (name == entry.name || (entry.alias && name == entry.alias))
            return &entry;
    return nullptr;
}

bool is_option_name(const std::string& arg)
{
    return find_option(arg.substr(0, arg.find('='))) != nullptr;
}

// A whole case: four scores from options, or a case file alone.
void check_case_options(const tOptions& options)
{
    if (options.cases_path) {
        for (size_t k = 0; k < score_options.size(); ++k)
            if (options.scores[k])
                throw tUsageError(std::string("--cases cannot be combined with ") + score_options[k]);
        if (options.notes)
            throw tUsageError("--cases cannot be combined with --notes (use a notes column)");
        return;
    }
    std::string missing;
    for (size_t k = 0; k < score_options.size(); ++k)
        if (!options.scores[k])
            missing += std::string(missing.empty() ? "" : ", ") + score_options[k];
    if (!missing.empty())
        throw tUsageError("missing " + missing + " (all four scores are needed, or --cases FILE)");
}

tOptions parse_options(const std::vector<std::string>& args)
{
    tOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // "--" ends the options; the tool takes no other arguments.
        if (arg == "--") {
            if (i + 1 < args.size())
                throw tUsageError("unexpected argument '" + visible(args[i + 1]) + "'");
            break;
        }
        std::string name = arg;
        std::optional<std::string> value;
        if (arg.compare(0, 2, "--") == 0 && arg.find('=') != std::string::npos) {
            name = arg.substr(0, arg.find('='));
            value = arg.substr(arg.find('=') + 1);
        }
        const tOptionEntry* entry = find_option(name);
        if (!entry) {
            if (name.compare(0, 1, "-") == 0 && name.size() > 1)
                throw tUsageError("unknown option " + visible(name));
            throw tUsageError("unexpected argument '" + visible(arg) + "'");
        }
        if (entry->takes_value() && !value) {
            // The next argument is the value unless it is itself an option.
            if (i + 1 >= args.size() || is_option_name(args[i + 1]))
                throw tUsageError("option " + name + " needs a value");
            value = args[++i];
        } else if (!entry->takes_value() && value) {
            throw tUsageError("option " + name + " takes no value");
        }
        apply(*entry, options, name, value.value_or(std::string()));
    }
    if (options.csv_excel_path) {
        if (options.csv_path)
            throw tUsageError("--csv and --csv-excel cannot be combined");
        options.csv_path = options.csv_excel_path;
        options.csv_byte_order_mark = true;
    }
    if (!options.help && !options.version)
        check_case_options(options);
    if (options.no_report && !options.csv_path && !options.pdf_path && !options.odt_path && !options.chart_dir)
        throw tUsageError("--no-report needs --csv FILE (or --pdf FILE, --odt FILE, --chart-dir DIR)");
    if (options.overwrite && !options.chart_dir)
        throw tUsageError("--overwrite needs --chart-dir DIR");
    return options;
}

} // namespace

tCommandLine parse_command_line(const std::vector<std::string>& args)
{
    tCommandLine result;
    try {
        result.options = parse_options(args);
    } catch (const tUsageError& error) {
        result.error = error.what();
    }
    return result;
}

namespace {

// `words` broken into lines of at most 79 characters, each line after the
// first indented by `indent` blanks; `column` is where the first one starts.
std::string help_lines(const std::string& words, size_t indent, size_t column = 0)
{
    constexpr size_t width = 79;
    std::string text;
    size_t at = 0;
    while (at < words.size()) {
        size_t end = words.find(' ', at);
        if (end == std::string::npos)
            end = words.size();
        const std::string word = words.substr(at, end - at);
        if (column > indent && column + 1 + word.size() > width) {
            text += "\n" + std::string(indent, ' ');
            column = indent;
        } else if (!text.empty() || column > indent) {
            text += ' ';
            ++column;
        }
        text += word;
        column += word.size();
        at = end + 1;
    }
    return text;
}

// A drawn output the build may have: its help, and its names in the help's
// later paragraphs.
struct tDrawnOutputHelp {
    bool built;
    const char* option;   // what --no-report needs one of
    const char* distinct; // what no two of may be the same file
    const char* whole;    // what is written whole or not at all
    const char* lines;
};

// The help of the drawn outputs the build has, their names added to the
// lists of the later paragraphs.
std::string drawn_outputs_help(const tHelpFacts& facts, std::vector<std::string>& no_report_needs,
                               std::vector<std::string>& distinct, std::vector<std::string>& whole)
{
    const tDrawnOutputHelp outputs[] = {
        {facts.pdf, "--pdf", "--pdf", "the PDF",
         "  --pdf FILE        also write the reports as a PDF file, laid out as the\n"
         "                    output window prints them, followed by one page with the\n"
         "                    profile chart of each case (A4, or Letter where the\n"
         "                    locale uses it); the report pages are drawn as each case\n"
         "                    is done into a temporary file beside FILE, which\n"
         "                    replaces FILE at the end\n"},
        {facts.document, "--odt", "--odt", "the document",
         "  --odt FILE        also write the reports as an editable document for a\n"
         "                    word processor (OpenDocument text, .odt, which\n"
         "                    LibreOffice and Word open): each case on pages of its\n"
         "                    own, its figures in tables as the report prints them,\n"
         "                    and its profile chart. The document is held in memory\n"
         "                    (some 0.2 MB a case; at most 1000 cases) and written\n"
         "                    after the last case into a temporary file beside\n"
         "                    FILE, which then replaces FILE\n"},
        {facts.charts, "--chart-dir", "the charts", "each chart",
         "  --chart-dir DIR   also write the profile chart of each case as an SVG\n"
         "                    drawing, DIR/case-0001.svg, case-0002.svg, ..., each as\n"
         "                    its case is done (DIR is created when missing). A DIR\n"
         "                    that already holds such charts is refused, so that the\n"
         "                    charts of two runs are never mixed, unless --overwrite\n"
         "                    is given\n"
         "  --overwrite       remove the charts (case-*.svg) already in DIR before the\n"
         "                    first case; other files in DIR are left alone\n"},
    };
    std::string drawn;
    for (const tDrawnOutputHelp& output : outputs)
        if (output.built) {
            no_report_needs.push_back(output.option);
            distinct.push_back(output.distinct);
            whole.push_back(output.whole);
            drawn += output.lines;
        }
    if (drawn.empty())
        return drawn;
    return "Drawn outputs (they need no screen: they are also written in a console\n"
           "without a desktop, over a remote login or from a scheduled task):\n"
           + drawn + "\n";
}

} // namespace

std::string help_text(const tHelpFacts& facts)
{
    const tCsvLimits limits;
    std::vector<std::string> no_report_needs{"--csv"};
    std::vector<std::string> distinct{"the case file", "standard output (unless --no-report)", "--csv"};
    std::vector<std::string> whole{"the CSV file"};
    const std::string drawn = drawn_outputs_help(facts, no_report_needs, distinct, whole);
    return std::string(
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
               "  --notes TEXT      user's notes; each line feed starts a new note line.\n"
               "                    As in the worksheet: at most 250 characters (a line\n"
               "                    break counts as two), no control character but line\n"
               "                    feeds (CR LF counts as one line break), no invisible\n"
               "                    character (such as U+200B), UTF-8 text\n"
               "\n"
               "  A score is written as in the worksheet's fields: at most 6 characters\n"
               "  (blanks at either end do not count), digits with at most one point (.)\n"
               "  and an optional leading minus, e.g. 100, 99.5 or 110.25. A comma is read\n"
               "  as the point, as the worksheet's field reads it (99,5 is 99.5; in a case\n"
               "  file such a field is quoted: \"99,5\").\n"
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
               "                    starts a new note line; notes follow the rules of --notes.\n"
               "                    Cannot be combined with --vc, --pr, --wm, --ps or --notes.\n"
               "                    A UTF-16 file (with its byte-order mark) is refused: save\n"
               "                    it as UTF-8. A regular file is read twice (checked, then\n"
               "                    computed) rather than held in memory; a pipe's rows are\n"
               "                    kept meanwhile in a private temporary file of at most\n"
               "                    ")
           + std::to_string(max_pipe_spool_bytes >> 20) + " MiB (" + std::to_string(max_pipe_spool_bytes)
           + " bytes): a pipe that gives more is\n"
             "                    refused when it reaches that, and nothing is written.\n"
             "                    Limits: a row may hold at most "
           + std::to_string(limits.max_row_bytes)
           + " bytes (line feeds\n"
             "                    inside its quoted fields included) and a field at most "
           + std::to_string(limits.max_field_bytes)
           + "\n"
             "                    bytes; a longer one is an error naming its row, found as\n"
             "                    soon as it is read.\n"
             "                    Every row is checked before the first case is computed\n"
             "                    (the problems of the first 100 bad rows are listed, then\n"
             "                    how many more rows have problems); then each case's\n"
             "                    report is written as soon as it is done.\n"
             "\n"
             "Options:\n"
             "  --pairwise        analyse pairwise differences (default: deviations from\n"
             "                    the case's mean Index score)\n"
             "  --bonferroni      apply the sequential Bonferroni correction (default: not)\n"
             "  --criterion PCT   abnormality criterion, per cent of the normative\n"
             "                    population: 25, 15.87, 15, 10, 5, 2 or 1 (default 5)\n"
             "  --norms FILE      use the normative data in FILE (a set as the desktop\n"
             "                    program exports it: name, four reliabilities and the\n"
             "                    correlations' lower triangle; brenlow-report(1)) instead\n"
             "                    of the built-in set; a bad file is refused with its\n"
             "                    line (exit status 2)\n"
             "  --quiet, -q       no progress display (it is shown on standard error only\n"
             "                    when that is a terminal: cases done of all, time taken\n"
             "                    and time left)\n"
             "  --help, -h        show this text\n"
             "  --version         show the version\n"
             "\n"
           + drawn
           + "Research data:\n"
             "  --csv FILE        also write every figure of each case to FILE, one CSV\n"
             "                    record per case after a header record (columns below).\n"
             "                    Each record is written as its case is done, into a\n"
             "                    temporary file beside FILE that replaces FILE after\n"
             "                    the last case; an existing FILE is replaced only\n"
             "                    then. A text cell that a spreadsheet would read\n"
             "                    as a formula (first character =, +, -, @, tab or\n"
             "                    carriage return, as in notes like =HYPERLINK(...)) is\n"
             "                    written with a leading apostrophe ('); numbers are\n"
             "                    written as they are.\n"
             "  --csv-excel FILE  as --csv FILE, the file beginning with a UTF-8 byte-order\n"
             "                    mark, by which Microsoft Excel knows it is UTF-8 (opened\n"
             "                    without it, accented names and notes come out garbled).\n"
             "                    Not together with --csv\n"
             "  --no-report       "
           + help_lines("write no report to standard output (needs " + joined_list(no_report_needs, " or ") + ")", 20, 20)
           + "\n"
             "\n"
             "An option's value may also be given as --option=VALUE; -- ends the options.\n"
             "\n"
           + help_lines("Output files: no two of " + joined_list(distinct, " and ")
                         + " may be the same file (exit status 2). " + facts.output_files,
                     0)
           + "\n"
             "\n"
             "Every case is checked before anything is computed, with the worksheet's own\n"
             "messages. If any score is empty, not a number as above or outside 50 to 150,\n"
             "every such field is listed on standard error (with its row for a CSV file)\n"
             "and no report is written.\n"
             "\n"
           + help_lines("Exit status: 0 report written; 2 bad options, case file, scores or notes, or "
                     "outputs that are the same file (nothing written, no file created or changed); 1 an "
                     "output could not be written (the reports of the cases finished before stay written; "
                         + joined_list(whole, " and ") + (whole.size() == 1 ? " is" : " are")
                         + " written whole or not at all).",
                     0)
           + "\n";
}
