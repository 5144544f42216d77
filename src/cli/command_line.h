// The command line of brenlow-report. Parsing neither prints nor exits: it
// hands back the options or the one message that explains what is wrong.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

struct tOptions {
    bool help = false;
    bool quiet = false; // no progress display
    std::array<std::optional<std::string>, 4> scores; // VC, PR, WM, PS
    std::optional<std::string> notes;
    std::optional<std::string> cases_path;
    bool pairwise = false;
    bool bonferroni = false;
    std::optional<int> criterion_item; // item of the criterion group, 0 "25%" .. 6 "1%"
    bool version = false;
    std::optional<std::string> csv_path;  // every figure of each case as data
    std::optional<std::string> csv_excel_path; // the same for Excel; parsing moves it to csv_path
    bool csv_byte_order_mark = false;          // the CSV begins with UTF-8's byte-order mark
    bool no_report = false;               // nothing on standard output
    std::optional<std::string> pdf_path;  // the reports and their charts
    std::optional<std::string> odt_path;  // the reports as an editable document
    std::optional<std::string> chart_dir; // one SVG chart per case
    bool overwrite = false;               // remove an earlier run's charts from chart_dir
    std::optional<std::string> norms_path; // a set of normative data in the exported form
};

struct tCommandLine {
    tOptions options;
    std::string error; // empty when the command line is good
};

// The arguments after the program name. With --help the other options are
// still parsed, but need not make a whole case.
tCommandLine parse_command_line(const std::vector<std::string>& args);

// What the help says that depends on the build and the system.
struct tHelpFacts {
    bool pdf = false;    // --pdf is built in
    bool document = false; // --odt is built in
    bool charts = false; // --chart-dir (SVG) is built in
    // How output files are replaced and removed on this system: sentences
    // of one paragraph, which the help breaks into lines.
    std::string output_files;
};

// The text of --help.
std::string help_text(const tHelpFacts& facts);

// The option names of the four scores and the case file's column names,
// slot order VC, PR, WM, PS.
extern const std::array<const char*, 4> score_options;
extern const std::array<const char*, 4> score_columns;
