// brenlow-report as a program: its options, the case file, the error texts
// and exit status 2 with nothing on standard output, and --help. Every test
// runs the built binary in a fresh process.

#include "child_process_unix.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <pty.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int EXIT_BAD_INPUT = 2;

struct tToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

// A scratch folder per test, made at run time and removed afterwards.
class ReportTool : public ::testing::Test {
protected:
    tScratchFolder scratch{"brenlow-cli"};
    std::string dir = scratch.path;
    uid_t run_as = 0;       // another user than root, when not 0
    rlim_t file_limit = 0;  // the largest file the tool may write (ulimit -f), when not 0
    bool close_streams = false; // standard output and error closed, as `>&- 2>&-`

    void SetUp() override { ASSERT_FALSE(dir.empty()); }

    std::string write(const std::string& name, const std::string& content)
    {
        const std::string path = dir + "/" + name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    // Starts the tool with the given standard output and error.
    pid_t start(const std::vector<std::string>& args, int out, int err)
    {
        tChildSetup setup;
        setup.folder = dir;
        setup.out = out;
        setup.err = err;
        setup.user = run_as;
        setup.file_limit = file_limit;
        setup.close_streams = close_streams;
        std::vector<std::string> argv{BRENLOW_REPORT_EXE};
        argv.insert(argv.end(), args.begin(), args.end());
        const pid_t pid = start_child(argv, setup);
        EXPECT_GT(pid, 0) << "fork failed";
        return pid;
    }

    // Runs the tool to its end; standard output and error go to files.
    tToolRun run(const std::vector<std::string>& args, const std::string& out_path_given = "")
    {
        const std::string out_path = out_path_given.empty() ? dir + "/stdout" : out_path_given;
        const std::string err_path = dir + "/stderr";
        const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        tToolRun result;
        if (out < 0 || err < 0) {
            ADD_FAILURE() << "cannot create " << out_path << " or " << err_path;
            return result;
        }
        const pid_t pid = start(args, out, err);
        close(out);
        close(err);
        if (pid > 0)
            result.status = exit_status_of(pid);
        if (out_path_given.empty())
            result.out = file_text(out_path);
        result.err = file_text(err_path);
        return result;
    }

    void expect_refused(const tToolRun& r, const std::string& in_error)
    {
        EXPECT_EQ(r.status, EXIT_BAD_INPUT);
        EXPECT_TRUE(r.out.empty()) << "a refused run wrote: " << r.out.substr(0, 200);
        EXPECT_NE(r.err.find(in_error), std::string::npos) << "standard error was:\n" << r.err;
    }
};

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A pseudo-terminal for the tool's standard error; slave < 0, with errno
// in error, when the system gives none.
struct tTerminal {
    int master = -1;
    int slave = -1;
    int error = 0;
    tTerminal()
    {
        if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
            error = errno;
            master = slave = -1;
            return;
        }
        fcntl(master, F_SETFD, FD_CLOEXEC);
        fcntl(slave, F_SETFD, FD_CLOEXEC);
    }
    ~tTerminal()
    {
        if (slave >= 0)
            close(slave);
        if (master >= 0)
            close(master);
    }
};

const std::vector<std::string> kScores70 = {"--vc", "70", "--pr", "100", "--wm", "100", "--ps", "100"};

std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more)
{
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// --- Options ---------------------------------------------------------------

TEST_F(ReportTool, HelpExplainsEveryOption)
{
    const tToolRun r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.err.empty());
    for (const char* part : {"--vc", "--pr", "--wm", "--ps", "--notes", "--cases", "--pairwise",
                             "--bonferroni", "--criterion", "25, 15.87, 15, 10, 5, 2 or 1",
                             "default 5", "header", "notes", "Exit status", "--quiet",
                             "at most 65536 bytes", "at most 4096", "at most 6 characters", "--csv FILE",
                             "--no-report", "S_percentile_lower", "D_bonf_two", "n_pair_abnormal_base_rate",
                             "chi_square_df", "--pdf FILE", "--odt FILE", "--chart-dir DIR", "--version", "--csv-excel FILE",
                             "(such as /dev/stdout)", "SIGHUP"})
        EXPECT_TRUE(has(r.out, part)) << part;
    // In the words of its users, not of its developers.
    for (const char* part : {"QT_QPA_PLATFORM", "XXXXXX", "offscreen"})
        EXPECT_FALSE(has(r.out, part)) << part;
}

TEST_F(ReportTool, DefaultsAreDeviationsWithoutCorrectionAtFivePercent)
{
    const tToolRun r = run(kScores70);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.err.empty()) << r.err;
    // The report starts with the heading's empty line and ends with the
    // profile line, each line followed by a line feed.
    EXPECT_EQ(r.out.rfind("\nBrenlow.EXE: Supplementary Analysis of Orvane Index Scores\n", 0), 0u);
    EXPECT_EQ(r.out.substr(r.out.size() - 3), "% \n");
    EXPECT_TRUE(has(r.out, "\n Analysis of Index scores is based on comparisons with the case's MEAN Index score\n"));
    EXPECT_TRUE(has(r.out, "\n A sequential Bonferroni correction is NOT applied"));
    EXPECT_TRUE(has(r.out, "by less than 5% of the population.\n"));
    EXPECT_FALSE(has(r.out, "User's Notes:"));
    // The first run of a process: one low score at 5% has the base rate 13.74%.
    EXPECT_TRUE(has(r.out, "\n Percentage = 13.74%\n"));
}

TEST_F(ReportTool, PairwiseBonferroniAndCriterion)
{
    const tToolRun r = run(with(kScores70, {"--pairwise", "--bonferroni", "--criterion", "15.87"}));
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(has(r.out, "\n Analysis of the case's Index scores is based on PAIRWISE comparisons\n"));
    EXPECT_TRUE(has(r.out, "\n A sequential Bonferroni correction IS applied"));
    EXPECT_TRUE(has(r.out, "\n RELIABLITY of pairwise differences between Index scores (with Bonferroni correction):\n"));
    EXPECT_TRUE(has(r.out, "\n 15.87% of the population, regardless of sign.\n"));
    EXPECT_FALSE(has(r.out, "deviations from the case's mean Index score"));
}

TEST_F(ReportTool, EveryCriterionValueAndTheEqualsForm)
{
    for (const char* value : {"25", "15.87", "15", "10", "5", "2", "1"}) {
        const tToolRun r = run(with(kScores70, {std::string("--criterion=") + value}));
        EXPECT_EQ(r.status, 0) << value;
        EXPECT_TRUE(has(r.out, std::string(" less than ") + value + "% of the population.\n")) << value;
    }
}

TEST_F(ReportTool, NotesLineFeedsSeparateNoteLines)
{
    const tToolRun r = run(with(kScores70, {"--notes", "Seen twice\nretest in May, 50% effort"}));
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(has(r.out, "\n User's Notes: Seen twice\n               retest in May, 50% effort\n \n INPUTS:\n"));
}

TEST_F(ReportTool, ScoreOfOneHundredTenAndAHalfPrintsAs110)
{
    const tToolRun r = run({"--vc", "100", "--pr", "95", "--wm", "110.5", "--ps", "87"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(has(r.out, "\n Working Memory Index         :     110    ("));
}

TEST_F(ReportTool, BadCriterionValue)
{
    expect_refused(run(with(kScores70, {"--criterion", "3"})), "bad --criterion value '3'");
}

TEST_F(ReportTool, UnknownOptionAndStrayArgument)
{
    expect_refused(run(with(kScores70, {"--verbose"})), "unknown option --verbose");
    expect_refused(run(with(kScores70, {"extra"})), "unexpected argument 'extra'");
    expect_refused(run(with(kScores70, {"--pairwise=yes"})), "option --pairwise takes no value");
}

TEST_F(ReportTool, MissingOptionValue)
{
    expect_refused(run({"--vc", "70", "--pr", "100", "--wm", "100", "--ps"}), "option --ps needs a value");
    expect_refused(run({"--vc", "--pr", "100", "--wm", "100", "--ps", "100"}), "option --vc needs a value");
    expect_refused(run(with(kScores70, {"--criterion"})), "option --criterion needs a value");
}

TEST_F(ReportTool, MissingScoreOptionsAreNamed)
{
    expect_refused(run({"--vc", "70", "--pr", "100"}), "missing --wm, --ps");
    expect_refused(run(with(kScores70, {"--vc", "80"})), "option --vc is given more than once");
}

// --- Validation ------------------------------------------------------------

TEST_F(ReportTool, ScoreErrorsUseTheWorksheetMessagesWithLineBreaks)
{
    const tToolRun r = run({"--vc", "12a", "--pr", "", "--wm", "160", "--ps", "100"});
    expect_refused(r, "--vc:\nINPUT ERROR\n(  Verbal Comprehension Index score:  12a  )\n\nEnter numeric data only.\n");
    // Every bad field is listed, not just the first.
    EXPECT_TRUE(has(r.err, "--pr:\nINPUT ERROR\n\n(  Perceptual Reasoning Index score:  )\n\n"
                           "Data have not been entered in this field.\n"));
    EXPECT_TRUE(has(r.err, "--wm:\nINPUT ERROR\n(  Working Memory Index score:  160.000  )\n"
                           "The valid range for Orvane Index scores is 50 to 150 \n"));
    EXPECT_FALSE(has(r.err, "--ps:"));
    EXPECT_TRUE(has(r.err, "3 invalid scores; no report written"));
}

TEST_F(ReportTool, ScoresAreWhatTheWorksheetFieldCanHold)
{
    // Blanks at either end are dropped, as if never typed.
    EXPECT_EQ(run({"--vc", " 70 ", "--pr", "100", "--wm", "100  ", "--ps", "100"}).out, run(kScores70).out);

    // A comma is read as the point the worksheet's field turns it into, also
    // in a quoted cell of a case file; the CSV keeps the score as the field holds it.
    const tToolRun point = run({"--vc", "97.5", "--pr", "100", "--wm", "100", "--ps", "100", "--csv", dir + "/p.csv"});
    EXPECT_EQ(point.status, 0) << point.err;
    EXPECT_EQ(run({"--vc", "97,5", "--pr", "100", "--wm", "100", "--ps", "100", "--csv", dir + "/c.csv"}).out,
              point.out);
    EXPECT_EQ(file_text(dir + "/c.csv"), file_text(dir + "/p.csv"));
    write("comma.csv", "vc,pr,wm,ps\n\"97,5\",100,100,100\n");
    EXPECT_EQ(run({"--cases", "comma.csv"}).out, point.out);

    const tToolRun r = run({"--vc", "10 5", "--pr", "49.99999999999999999", "--wm", "9,5,5", "--ps", "1000000"});
    expect_refused(r, "--vc:\nINPUT ERROR\n(  Verbal Comprehension Index score:  10 5  )\n\nEnter numeric data only.\n");
    EXPECT_TRUE(has(r.err, "--pr:\nMaximum length of input is 6 characters.\n"));
    EXPECT_TRUE(has(r.err, "--wm:\nINPUT ERROR\n(  Working Memory Index score:  9.5.5  )\n\nEnter numeric data only.\n"));
    EXPECT_TRUE(has(r.err, "--ps:\nMaximum length of input is 6 characters.\n"));
    EXPECT_TRUE(has(r.err, "4 invalid scores; no report written"));

    write("cases.csv", "vc,pr,wm,ps\n100,100,100,100\n100,  149.99  , 1 0 0,100.0001\n");
    const tToolRun f = run({"--cases", "cases.csv"});
    expect_refused(f, "cases.csv row 2 (line 3), column wm:\nINPUT ERROR\n(  Working Memory Index score:  1 0 0  )\n\nEnter numeric data only.\n");
    EXPECT_TRUE(has(f.err, "cases.csv row 2 (line 3), column ps:\nMaximum length of input is 6 characters.\n"));
    EXPECT_FALSE(has(f.err, "column pr"));
}

TEST_F(ReportTool, ControlCharactersAreShownAndMessagesAreWhole)
{
    using namespace std::string_literals; // for the NUL inside
    write("cases.csv", "vc,pr,wm,ps\n1\0x,100,\"1\n0\",\x1b[2J\n"s);
    const tToolRun r = run({"--cases", "cases.csv"});
    expect_refused(r, "cases.csv row 1 (line 2), column vc:\nINPUT ERROR\n(  Verbal Comprehension Index score:  1\\0x  )\n\nEnter numeric data only.\n");
    EXPECT_TRUE(has(r.err, "(  Working Memory Index score:  1\\n0  )\n\nEnter numeric data only.\n"));
    EXPECT_TRUE(has(r.err, "(  Processing Speed Index score:  \\x1b[2J  )\n\nEnter numeric data only.\n"));
    EXPECT_FALSE(has(r.err, "\x1b"));

    expect_refused(run(with(kScores70, {"--x\x7f\x01"})), "unknown option --x\\x7f\\x01\n");
}

TEST_F(ReportTool, AFullDeviceIsAnErrorWithAMessage)
{
    const tToolRun help = run({"--help"}, "/dev/full");
    EXPECT_EQ(help.status, 1);
    EXPECT_TRUE(has(help.err, "cannot write to standard output: No space left on device")) << help.err;
    const tToolRun version = run({"--version"}, "/dev/full");
    EXPECT_EQ(version.status, 1);
    EXPECT_TRUE(has(version.err, "cannot write to standard output: No space left on device")) << version.err;
    const tToolRun report = run(kScores70, "/dev/full");
    EXPECT_EQ(report.status, 1);
    EXPECT_TRUE(has(report.err, "cannot write the report to standard output: No space left on device")) << report.err;
}

// --- Case files ------------------------------------------------------------

TEST_F(ReportTool, CaseFileRowMatchesTheSameCaseFromOptions)
{
    // Columns in any order and case, an ignored column, quoted notes with a
    // comma, doubled quotes and a line feed.
    write("cases.csv", "id,PS,Notes,wm,Vc,pR\n"
                       "7,100,\"Seen twice, \"\"calm\"\"\nretest in May\",100,70,100\n");
    const tToolRun from_file = run({"--cases", "cases.csv"});
    EXPECT_EQ(from_file.status, 0) << from_file.err;
    const tToolRun from_options = run(with(kScores70, {"--notes", "Seen twice, \"calm\"\nretest in May"}));
    EXPECT_EQ(from_file.out, from_options.out);
    EXPECT_TRUE(has(from_file.out, "\n User's Notes: Seen twice, \"calm\"\n               retest in May\n \n"));
}

TEST_F(ReportTool, RowsAreSuccessiveComputesWithSeparators)
{
    write("cases.csv", "vc,pr,wm,ps\r\n70,100,100,100\r\n70,100,100,100\r\n\r\n");
    const tToolRun both = run({"--cases", "cases.csv"});
    EXPECT_EQ(both.status, 0) << both.err;
    const tToolRun single = run(kScores70);
    // The first report is the same as a first Compute; the second follows
    // the separator block.
    const std::string separator = "\n\n\n" + std::string(103, '-') + "\n\n";
    ASSERT_EQ(both.out.rfind(single.out + separator, 0), 0u);
    const std::string second = both.out.substr(single.out.size() + separator.size());
    EXPECT_EQ(second.size(), single.out.size());
    // The generator carries on, so the second base rate is a later estimate
    // of the same percentage: with a standard error of at most 0.05 points
    // each, the two lie within 0.2 of each other (four standard errors).
    const auto base_rate = [](const std::string& report) {
        const size_t at = report.find("\n Percentage = ");
        return at == std::string::npos ? -1.0 : std::atof(report.c_str() + at + 15);
    };
    EXPECT_NEAR(base_rate(single.out), 13.74, 1e-9);
    EXPECT_NEAR(base_rate(second), 13.74, 0.2);
}

TEST_F(ReportTool, EveryBadRowIsListedAndNothingIsWritten)
{
    write("cases.csv", "vc,pr,wm,ps,notes\n"
                       "100,100,100,100,fine\n"
                       "100,x,100,100,\"two\nlines\"\n"
                       "100,100,100,100,\n"
                       "100,100,100,40,\n");
    const tToolRun r = run({"--cases", "cases.csv"});
    expect_refused(r, "cases.csv row 2 (line 3), column pr:\nINPUT ERROR\n(  Perceptual Reasoning Index score:  x  )");
    // Row 4 starts on line 6: row 2's quoted notes took two lines.
    EXPECT_TRUE(has(r.err, "cases.csv row 4 (line 6), column ps:\nINPUT ERROR\n(  Processing Speed Index score:  40.000  )"));
    EXPECT_FALSE(has(r.err, "row 1 "));
    EXPECT_FALSE(has(r.err, "row 3 "));
}

// --norms: a set in the exported form names itself in the report and in the
// research CSV's last column; a bad set is refused with its line, and a
// pipe as soon as it is named.
TEST_F(ReportTool, NormsFileIsUsedAndABadOneRefusedWithItsLine)
{
    write("ind.txt", "# Brenlow normative data\nname: Independent indexes (test)\n"
                     "reliabilities: 0.90 0.90 0.90 0.90\ncorrelations:\n1\n0 1\n0 0 1\n0 0 0 1\n");
    const tToolRun r = run(with(kScores70, {"--norms", "ind.txt", "--csv", "out.csv"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.out, "\n Normative data: Independent indexes (test), entered by the user\n"));
    // SEM 15 sqrt(0.1) = 4.743: the limits of 70 are 60.70 and 79.30, printed whole.
    EXPECT_TRUE(has(r.out, ":      70    (  61  to    79 )"));
    const std::string csv = file_text(dir + "/out.csv");
    EXPECT_TRUE(has(csv, ",notes,norms\r\n")) << csv.substr(0, 100);
    EXPECT_TRUE(has(csv, ",Independent indexes (test)\r\n"));

    write("rel.txt", "name: A\nreliabilities: 0 0.9 0.9 0.9\ncorrelations:\n1\n0 1\n0 0 1\n0 0 0 1\n");
    expect_refused(run(with(kScores70, {"--norms", "rel.txt"})),
                   "normative data file 'rel.txt', line 2: The reliability of Verbal Comprehension (VC)");
    write("short.txt", "name: A\nreliabilities: 0.9 0.9 0.9 0.9\ncorrelations:\n1\n0 1 0\n");
    expect_refused(run(with(kScores70, {"--norms", "short.txt"})),
                   "normative data file 'short.txt', line 5: Row 2 of the correlations (PR) must hold 2 numbers");
    expect_refused(run(with(kScores70, {"--norms", "missing.txt"})), "cannot open normative data file 'missing.txt'");
    // A pipe with no writer is refused at once, not waited on.
    ASSERT_EQ(mkfifo((dir + "/fifo").c_str(), 0600), 0);
    expect_refused(run(with(kScores70, {"--norms", "fifo"})),
                   "normative data file 'fifo' is not a regular file (a folder, a pipe or a device); it is not read");
}

TEST_F(ReportTool, CaseFileStructureErrors)
{
    write("missing.csv", "VC,PR,WM,notes\n100,100,100,x\n");
    expect_refused(run({"--cases", "missing.csv"}), "missing.csv: missing column ps");

    write("short.csv", "vc,pr,wm,ps\n100,100,100\n");
    expect_refused(run({"--cases", "short.csv"}), "short.csv: row 1 (line 2) has 3 fields where the header has 4");

    write("open.csv", "vc,pr,wm,ps,notes\n100,100,100,100,\"never closed\n");
    expect_refused(run({"--cases", "open.csv"}), "open.csv: line 2: a quoted field is not closed");

    write("header.csv", "vc,pr,wm,ps\n");
    expect_refused(run({"--cases", "header.csv"}), "header.csv: the file has a header row but no cases");

    write("empty.csv", "");
    expect_refused(run({"--cases", "empty.csv"}), "empty.csv: the file is empty");
}

TEST_F(ReportTool, RowsAndFieldsOverTheirLimitsStopTheReadingAtOnce)
{
    // No line break ever: refused after the first field's limit, not read
    // until memory runs out.
    expect_refused(run({"--cases", "/dev/zero"}),
                   "/dev/zero: the header row (line 1) has a field longer than 4096 bytes (the limit of a field)\n");

    const std::string row = "100,100,100,100,";
    write("field.csv", "vc,pr,wm,ps,notes\n" + row + "\n" + row + "\"" + std::string(4097, 'x') + "\"\n" + row + "x\n");
    expect_refused(run({"--cases", "field.csv"}), "field.csv: row 2 (line 3) has a field longer than 4096 bytes");

    // Many short fields, over several lines inside quotes: the row's limit.
    std::string fields;
    while (fields.size() <= 65536)
        fields += ",\"a\nb\"";
    write("row.csv", "vc,pr,wm,ps,notes\n" + row + "\n" + row + fields + "\n");
    const tToolRun r = run({"--cases", "row.csv"});
    expect_refused(r, "row.csv: row 2 (line 3) is longer than 65536 bytes (the limit of a row)\n");
    EXPECT_FALSE(has(r.err, "fields where the header has")) << "reading went on after the limit";
}

TEST_F(ReportTool, UnreadableCaseFile)
{
    expect_refused(run({"--cases", "nowhere.csv"}), "cannot open case file 'nowhere.csv': No such file or directory");
    ASSERT_EQ(mkdir((dir + "/folder.csv").c_str(), 0700), 0);
    expect_refused(run({"--cases", "folder.csv"}), "case file 'folder.csv'");
}

TEST_F(ReportTool, CasesCannotBeMixedWithScoreOptions)
{
    write("cases.csv", "vc,pr,wm,ps\n100,100,100,100\n");
    expect_refused(run({"--cases", "cases.csv", "--vc", "100"}), "--cases cannot be combined with --vc");
    expect_refused(run({"--cases", "cases.csv", "--notes", "x"}), "--cases cannot be combined with --notes");
}

// --- Research CSV ------------------------------------------------------------

// The names in the scratch folder but the tool's captured output.
std::string listing(const std::string& dir)
{
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    if (!d)
        return "(no folder " + dir + ")";
    while (const dirent* e = readdir(d))
        names.push_back(e->d_name);
    closedir(d);
    std::sort(names.begin(), names.end());
    std::string joined;
    for (const std::string& name : names)
        joined += name[0] == '.' || name == "stdout" || name == "stderr" ? "" : name + " ";
    return joined;
}

TEST_F(ReportTool, CsvBesideOrInsteadOfTheReport)
{
    const tToolRun plain = run(kScores70);
    const tToolRun both = run(with(kScores70, {"--csv", "out.csv"}));
    EXPECT_EQ(both.status, 0) << both.err;
    EXPECT_EQ(both.out, plain.out);
    const std::string one = file_text(dir + "/out.csv");
    EXPECT_EQ(std::count(one.begin(), one.end(), '\n'), 2);

    // A second run replaces the file: the same first record (the first
    // Compute of a process) and one more.
    write("cases.csv", "vc,pr,wm,ps\n70,100,100,100\n70,100,100,100\n");
    const tToolRun quiet = run({"--cases", "cases.csv", "--csv", "out.csv", "--no-report"});
    EXPECT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_TRUE(quiet.out.empty());
    const std::string two = file_text(dir + "/out.csv");
    EXPECT_EQ(two.rfind(one, 0), 0u);
    EXPECT_EQ(std::count(two.begin(), two.end(), '\n'), 3);
    EXPECT_EQ(listing(dir), "cases.csv out.csv ");

    // For Excel: the same bytes after UTF-8's byte-order mark; never both.
    EXPECT_EQ(run({"--cases", "cases.csv", "--csv-excel", "excel.csv", "--no-report"}).status, 0);
    EXPECT_EQ(file_text(dir + "/excel.csv"), "\xEF\xBB\xBF" + two);
    expect_refused(run(with(kScores70, {"--csv", "a.csv", "--csv-excel", "b.csv"})),
                   "--csv and --csv-excel cannot be combined");
}

TEST_F(ReportTool, CsvIsNeitherCreatedNorChangedOnFailure)
{
    write("out.csv", "keep");
    expect_refused(run({"--vc", "12a", "--pr", "100", "--wm", "100", "--ps", "100", "--csv", "out.csv"}),
                   "no report written");
    expect_refused(run({"--vc", "12a", "--pr", "100", "--wm", "100", "--ps", "100", "--csv", "new.csv"}),
                   "no report written");
    expect_refused(run(with(kScores70, {"--no-report"})), "--no-report needs --csv FILE");
    write("cases.csv", "vc,pr,wm,ps\n70,100,100,100\n");
    expect_refused(run({"--cases", "cases.csv", "--csv", "./cases.csv"}), "--csv ./cases.csv would replace the case file");

    const tToolRun nowhere = run(with(kScores70, {"--csv", "missing/out.csv"}));
    EXPECT_EQ(nowhere.status, 1);
    EXPECT_TRUE(nowhere.out.empty());
    EXPECT_TRUE(has(nowhere.err, "cannot write CSV file 'missing/out.csv': No such file or directory")) << nowhere.err;
    EXPECT_TRUE(has(run(with(kScores70, {"--csv="})).err, "cannot write CSV file '': No such file"));
    ASSERT_EQ(mkdir((dir + "/folder.csv").c_str(), 0700), 0);
    const tToolRun folder = run(with(kScores70, {"--csv", "folder.csv", "--no-report"}));
    EXPECT_EQ(folder.status, 1);
    EXPECT_TRUE(has(folder.err, "cannot write CSV file 'folder.csv': Is a directory")) << folder.err;

    EXPECT_EQ(file_text(dir + "/out.csv"), "keep");
    EXPECT_EQ(file_text(dir + "/cases.csv"), "vc,pr,wm,ps\n70,100,100,100\n");
    EXPECT_EQ(listing(dir), "cases.csv folder.csv out.csv ");
}

// --- A batch as it runs ---------------------------------------------------

TEST_F(ReportTool, EachReportIsWrittenAsItsCaseIsDoneWithProgressOnATerminal)
{
    tTerminal terminal;
    ASSERT_GE(terminal.slave, 0) << "no pseudo-terminal: " << std::strerror(terminal.error);
    const std::string first = run(kScores70).out;
    write("cases.csv", "vc,pr,wm,ps\n70,100,100,100\n70,100,100,100\n70,100,100,100\n");

    // Standard output is a pipe that holds less than one report, so the
    // tool can write only one report ahead of what is read.
    int out[2];
    ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
    const int capacity = fcntl(out[0], F_SETPIPE_SZ, 4096);
    ASSERT_GT(capacity, 0);
    ASSERT_LT(static_cast<size_t>(capacity), first.size());
    const pid_t pid = start({"--cases", "cases.csv"}, out[1], terminal.slave);
    close(out[1]);
    close(terminal.slave);
    terminal.slave = -1;

    // The first report arrives whole while the last case cannot be done:
    // its report cannot have been written, and the progress line's last
    // state, drawn after it, is not on the terminal.
    EXPECT_EQ(read_up_to(out[0], first.size()), first);
    std::string progress;
    while (!has(progress, "0 of 3 cases done, 0:00:0")) {
        const std::string more = read_up_to(terminal.master, 1);
        ASSERT_FALSE(more.empty()) << "no progress line: " << progress;
        progress += more;
    }
    ASSERT_EQ(fcntl(terminal.master, F_SETFL, O_NONBLOCK), 0);
    progress += read_up_to(terminal.master);
    EXPECT_FALSE(has(progress, "3 of 3")) << progress;
    ASSERT_EQ(fcntl(terminal.master, F_SETFL, 0), 0);

    const std::string rest = read_up_to(out[0]);
    close(out[0]);
    progress += read_up_to(terminal.master);
    EXPECT_EQ(exit_status_of(pid), 0);
    const std::string separator = "\n\n\n" + std::string(103, '-') + "\n\n";
    EXPECT_EQ(rest.size(), 2 * (separator.size() + first.size())) << "two more reports, each after the separator";
    // Drawn in place, the last state too, and blanked out at the end.
    EXPECT_EQ(progress.front(), '\r');
    EXPECT_TRUE(has(progress, "\r3 of 3 cases done, 0:")) << progress;
    EXPECT_EQ(progress.find('\n'), std::string::npos);
    const size_t last_draw = progress.rfind('\r', progress.size() - 2);
    EXPECT_EQ(progress.back(), '\r');
    EXPECT_EQ(progress.find_first_not_of(' ', last_draw + 1), progress.size() - 1) << "not blanked out at the end";
}

TEST_F(ReportTool, QuietShowsNoProgressOnATerminal)
{
    tTerminal terminal;
    ASSERT_GE(terminal.slave, 0) << "no pseudo-terminal: " << std::strerror(terminal.error);
    const int out = open("/dev/null", O_WRONLY | O_CLOEXEC);
    const pid_t pid = start(with(kScores70, {"--quiet"}), out, terminal.slave);
    close(out);
    close(terminal.slave);
    terminal.slave = -1;
    EXPECT_EQ(read_up_to(terminal.master), "");
    EXPECT_EQ(exit_status_of(pid), 0);
}

// --- Outputs that collide or are not plain files -----------------------------

// `n` cases of the same scores, with a header.
std::string cases_text(int n, const std::string& row = "70,100,100,100")
{
    std::string text = "vc,pr,wm,ps\n";
    for (int i = 0; i < n; ++i)
        text += row + "\n";
    return text;
}

bool is_kind(const std::string& path, mode_t kind)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0 && (info.st_mode & S_IFMT) == kind;
}

TEST_F(ReportTool, OutputsThatAreTheSameFileAreRefusedBeforeAnything)
{
    write("in.csv", cases_text(1));
    ASSERT_EQ(link((dir + "/in.csv").c_str(), (dir + "/hard.pdf").c_str()), 0);
    expect_refused(run({"--cases", "in.csv", "--pdf", "./hard.pdf"}), "--pdf ./hard.pdf would replace the case file");
    expect_refused(run(with(kScores70, {"--csv", "x", "--pdf", "x"})), "--pdf x would replace the --csv file");
    expect_refused(run(with(kScores70, {"--pdf", "x", "--odt", "./x"})), "--odt ./x would replace the --pdf file");
    const tToolRun out = run({"--cases", "in.csv", "--csv", "out.txt"}, dir + "/out.txt");
    EXPECT_EQ(out.status, EXIT_BAD_INPUT);
    EXPECT_TRUE(has(out.err, "--csv out.txt would replace standard output")) << out.err;
    ASSERT_EQ(mkdir((dir + "/charts").c_str(), 0700), 0);
    expect_refused(run(with(kScores70, {"--pdf", "charts/case-0002.svg", "--chart-dir", "charts"})),
                   "--chart-dir charts would replace the --pdf file");
    EXPECT_EQ(file_text(dir + "/in.csv"), cases_text(1));
    EXPECT_EQ(listing(dir), "charts hard.pdf in.csv out.txt ");
}

TEST_F(ReportTool, PipesAndDevicesAreWrittenInPlaceAndOtherKindsRefused)
{
    const std::string fifo = dir + "/fifo.csv";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(run(with(kScores70, {"--csv", "fifo.csv", "--no-report"})).status, 0);
    EXPECT_EQ(read_up_to(reader, 12), "vc,pr,wm,ps,");
    close(reader);
    EXPECT_TRUE(is_kind(fifo, S_IFIFO)) << "the pipe was replaced";

    // /dev/stdout, for any user: standard output is a pipe here.
    int out[2];
    ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
    const int err = open((dir + "/stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const pid_t pid = start(with(kScores70, {"--csv", "/dev/stdout", "--no-report"}), out[1], err);
    close(out[1]);
    close(err);
    EXPECT_EQ(read_up_to(out[0]).rfind("vc,pr,wm,ps,", 0), 0u) << file_text(dir + "/stderr");
    close(out[0]);
    EXPECT_EQ(exit_status_of(pid), 0);

    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socket_path = dir + "/sock";
    ASSERT_LT(socket_path.size(), sizeof address.sun_path);
    socket_path.copy(address.sun_path, socket_path.size());
    const int sock = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const tToolRun r = run(with(kScores70, {"--csv", "sock"}));
    close(sock);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.empty()) << "a case was computed";
    EXPECT_TRUE(has(r.err, "'sock' is neither a regular file, a character device nor a pipe")) << r.err;
}

TEST_F(ReportTool, OnlyTheUsersOwnLinksAndRootsAreFollowed)
{
    ASSERT_EQ(symlink("target.csv", (dir + "/link.csv").c_str()), 0);
    EXPECT_EQ(run(with(kScores70, {"--csv", "link.csv", "--no-report"})).status, 0);
    EXPECT_TRUE(is_kind(dir + "/link.csv", S_IFLNK)) << "the link was replaced";
    EXPECT_EQ(file_text(dir + "/target.csv").rfind("vc,pr,wm,ps,", 0), 0u);

    // Another user's link in a sticky folder that everyone may write.
    ASSERT_EQ(geteuid(), 0u) << "planting another user's link needs root";
    const std::string shared = dir + "/shared";
    ASSERT_EQ(mkdir(shared.c_str(), 0777), 0);
    ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
    write("victim.txt", "keep");
    for (const char* option : {"--csv", "--pdf"}) {
        const std::string link_path = shared + "/results" + (option[2] == 'c' ? ".csv" : ".pdf");
        ASSERT_EQ(symlink("../victim.txt", link_path.c_str()), 0);
        ASSERT_EQ(lchown(link_path.c_str(), 65534, 65534), 0);
        const tToolRun r = run(with(kScores70, {option, link_path, "--no-report"}));
        EXPECT_EQ(r.status, 1) << option;
        EXPECT_TRUE(has(r.err, "is a symbolic link of another user (only the user's own links and the system's are "
                               "followed); it is not followed"))
            << r.err;
    }
    EXPECT_EQ(file_text(dir + "/victim.txt"), "keep");
}

TEST_F(ReportTool, AReplacedFileKeepsItsModeUnderTheUmask)
{
    write("out.csv", "planted");
    ASSERT_EQ(chmod((dir + "/out.csv").c_str(), 0666), 0);
    const mode_t before = umask(077);
    const tToolRun r = run(with(kScores70, {"--csv", "out.csv", "--no-report"}));
    umask(before);
    EXPECT_EQ(r.status, 0);
    struct stat info;
    ASSERT_EQ(stat((dir + "/out.csv").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

// A place that cannot be written is found before the first case (no report
// on standard output), even for root: nothing can be created in /proc.
TEST_F(ReportTool, UnwritableOutputsAreFoundBeforeTheFirstCaseAndDrawingNeedsNoDisplay)
{
    write("cases.csv", cases_text(2));
    for (const char* option : {"--pdf", "--odt", "--chart-dir"}) {
        const tToolRun r = run({"--cases", "cases.csv", option, "/proc/brenlow-output"});
        EXPECT_EQ(r.status, 1) << option << ": " << r.err;
        EXPECT_TRUE(r.out.empty()) << option << ": cases were computed first";
    }
    // An X11 platform without a display: the drawing is offscreen all the same.
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    const char* display = std::getenv("DISPLAY");
    const std::string saved_display = display ? display : "";
    unsetenv("DISPLAY");
    const tToolRun drawn = run(with(kScores70, {"--pdf", "out.pdf", "--no-report"}));
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (display)
        setenv("DISPLAY", saved_display.c_str(), 1);
    EXPECT_EQ(drawn.status, 0) << drawn.err;
    EXPECT_EQ(file_text(dir + "/out.pdf").rfind("%PDF", 0), 0u);
}

// Every signal whose default action ends the process, a file size limit
// (ulimit -f) reached, and a folder made read-only in the middle of a run:
// the tool ends as the signal or the failure says, and no temporary file
// with the cases' data is left.
TEST_F(ReportTool, NoEndingOfARunLeavesATemporaryFile)
{
    const std::string first = run(kScores70).out;
    write("cases.csv", cases_text(20));
    const int by_limit = 0, read_only = -1;
    for (const int ending : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM,
                             SIGPROF, SIGXCPU, SIGXFSZ, SIGRTMIN, by_limit, read_only}) {
        SCOPED_TRACE(ending);
        file_limit = ending == by_limit ? 6000 : 0; // the CSV file passes it in the second case
        run_as = ending == read_only ? 65534 : 0;   // root would write into a read-only folder
        ASSERT_EQ(chown(dir.c_str(), run_as, run_as), 0);
        // Standard output holds less than a report: the tool is held up
        // writing the second one while the test looks.
        int out[2];
        ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
        ASSERT_GT(fcntl(out[0], F_SETPIPE_SZ, 4096), 0);
        const int err = open((dir + "/../" + basename(dir.c_str()) + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const pid_t pid = start({"--cases", "cases.csv", "--csv", "out.csv", "--pdf", "out.pdf", "--odt", "out.odt",
                                 "--chart-dir", "charts", "--overwrite", "--quiet"},
                                out[1], err);
        close(out[1]);
        close(err);
        if (ending > 0) {
            // The second report has begun: the first case's chart is written.
            EXPECT_EQ(read_up_to(out[0], first.size() + 1).size(), first.size() + 1);
            EXPECT_EQ(listing(dir + "/charts").rfind("case-0001.svg ", 0), 0u);
        }
        if (ending == read_only) {
            EXPECT_EQ(read_up_to(out[0], first.size() + 1).size(), first.size() + 1);
            ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
            ASSERT_EQ(chmod((dir + "/charts").c_str(), 0555), 0);
        }
        if (ending == SIGPIPE)
            close(out[0]);
        else if (ending > 0)
            kill(pid, ending);
        const std::string rest = ending > 0 && ending != SIGPIPE ? "" : read_up_to(out[0]);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        if (ending != SIGPIPE)
            close(out[0]);
        const int expected = ending == by_limit ? SIGXFSZ : ending;
        if (ending == read_only)
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "status " << status;
        else
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == expected) << "status " << status;
        chmod(dir.c_str(), 0700);
        chmod((dir + "/charts").c_str(), 0700);
        EXPECT_EQ(listing(dir), "cases.csv charts ") << "a temporary file is left";
        const std::string charts = listing(dir + "/charts");
        EXPECT_EQ(charts.find(".svg."), std::string::npos) << charts;
        ASSERT_EQ(chown(dir.c_str(), 0, 0), 0);
        EXPECT_EQ(std::system(("rm -rf '" + dir + "/charts' '" + dir + "/../" + basename(dir.c_str()) + ".err'").c_str()), 0);
    }
}

// A second run on a chart folder (or an existing output file) that a run is
// writing is refused, naming it and the run that holds it; the first run's
// charts stay its own.
TEST_F(ReportTool, ASecondRunOnTheSameChartFolderOrFileIsRefused)
{
    const std::string first = run(kScores70).out;
    write("cases.csv", cases_text(5));
    int out[2];
    ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
    ASSERT_GT(fcntl(out[0], F_SETPIPE_SZ, 4096), 0);
    const int err = open("/dev/null", O_WRONLY | O_CLOEXEC);
    write("out.csv", "");
    const pid_t holder = start({"--cases", "cases.csv", "--chart-dir", "charts", "--csv", "out.csv", "--quiet"}, out[1], err);
    close(out[1]);
    close(err);
    EXPECT_EQ(read_up_to(out[0], first.size() + 1).size(), first.size() + 1); // held up in its second case
    const tToolRun second = run({"--cases", "cases.csv", "--chart-dir", "./charts/", "--overwrite"});
    EXPECT_EQ(second.status, 1);
    EXPECT_TRUE(has(second.err, "the chart folder './charts/' is in use by another run of brenlow-report (process "
                                    + std::to_string(holder) + ")"))
        << second.err;
    EXPECT_TRUE(second.out.empty());
    const tToolRun third = run({"--cases", "cases.csv", "--csv", "out.csv", "--no-report"});
    EXPECT_EQ(third.status, 1);
    EXPECT_TRUE(has(third.err, "the CSV file 'out.csv' is being written by another run of brenlow-report (process "
                                   + std::to_string(holder) + ")"))
        << third.err;
    read_up_to(out[0]);
    close(out[0]);
    EXPECT_EQ(exit_status_of(holder), 0);
    EXPECT_EQ(listing(dir + "/charts"), "case-0001.svg case-0002.svg case-0003.svg case-0004.svg case-0005.svg ");
}

// Standard output and error closed at start: neither the --csv file nor
// any other file takes their place, and Qt has nothing to say where
// XDG_RUNTIME_DIR is not set (as under cron).
TEST_F(ReportTool, ClosedStandardStreamsAndNoRuntimeFolderChangeNoFile)
{
    close_streams = true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = runtime ? runtime : "";
    unsetenv("XDG_RUNTIME_DIR");
    const tToolRun r = run(with(kScores70, {"--csv", "out.csv", "--chart-dir", "charts"}));
    if (runtime)
        setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    EXPECT_EQ(r.status, 0);
    const std::string csv = file_text(dir + "/out.csv");
    EXPECT_EQ(csv.rfind("vc,pr,wm,ps,", 0), 0u);
    EXPECT_FALSE(has(csv, "Index")) << "the report went into the CSV file";
    EXPECT_FALSE(has(csv, "XDG_RUNTIME_DIR"));
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 2);
    close_streams = false;
    unsetenv("XDG_RUNTIME_DIR");
    const tToolRun warned = run(with(kScores70, {"--pdf", "out.pdf", "--no-report"}));
    if (runtime)
        setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    EXPECT_EQ(warned.err, "");
}

// --- What goes into the files ------------------------------------------------

TEST_F(ReportTool, NotesFollowTheWorksheetsRulesAndScoresCountCharacters)
{
    write("cases.csv", "vc,pr,wm,ps,notes\n"
                       "70,100,100,100,\"\x1b]0;owned\x07\"\n"
                       "70,100,100,100," + std::string(251, 'x') + "\n"
                       "\xEF\xBC\x91\xEF\xBC\x90\xEF\xBC\x90,100,100,100,fine\n");
    const tToolRun r = run({"--cases", "cases.csv"});
    expect_refused(r, "cases.csv row 1 (line 2), column notes:\nThe notes hold the control character U+001B");
    EXPECT_TRUE(has(r.err, "cases.csv row 2 (line 3), column notes:\nThe notes hold 251 characters")) << r.err;
    EXPECT_TRUE(has(r.err, "row 3 (line 4), column vc:\nINPUT ERROR\n(  Verbal Comprehension Index score:  "
                           "\xEF\xBC\x91\xEF\xBC\x90\xEF\xBC\x90  )\n\nEnter numeric data only.\n"))
        << r.err;
    EXPECT_TRUE(has(r.err, "1 invalid score, 2 invalid notes fields; no report written")) << r.err;
    EXPECT_FALSE(has(r.err, "\x1b"));
    expect_refused(run(with(kScores70, {"--notes", "bad \xC3("})), "--notes:\nThe notes are not valid UTF-8 text.");
}

// --- Small ones ------------------------------------------------------------

TEST_F(ReportTool, Utf16FilesAreNamedAsSuch)
{
    using namespace std::string_literals;
    for (const std::string& mark : {"\xFF\xFE"s, "\xFE\xFF"s}) {
        write("u16.csv", mark + "v\0c\0,\0p\0r\0"s);
        const tToolRun r = run({"--cases", "u16.csv"});
        expect_refused(r, "u16.csv: the file is UTF-16 text");
        EXPECT_FALSE(has(r.err, "missing column")) << r.err;
    }
    for (const std::string& mark : {"\xFF\xFE\0\0"s, "\0\0\xFE\xFF"s}) {
        write("u32.csv", mark + "v\0\0\0c\0\0\0"s);
        expect_refused(run({"--cases", "u32.csv"}), "u32.csv: the file is UTF-32 text");
    }
}

TEST_F(ReportTool, DoubleDashEndsTheOptions)
{
    EXPECT_EQ(run(with(kScores70, {"--"})).status, 0);
    expect_refused(run(with(kScores70, {"--", "--pairwise"})), "unexpected argument '--pairwise'");
}

TEST_F(ReportTool, TheFirstHundredBadRowsAreListedThenACount)
{
    write("cases.csv", cases_text(150, "x,100,100,100"));
    const tToolRun r = run({"--cases", "cases.csv"});
    expect_refused(r, "cases.csv row 100 (line 101), column vc:");
    EXPECT_FALSE(has(r.err, "row 101 ")) << "more than 100 rows listed";
    EXPECT_TRUE(has(r.err, "... and 50 more rows with problems (not shown)\n")) << r.err;
}

// An earlier, longer run's charts are never mixed with this run's: the
// folder is refused, or with --overwrite emptied of charts first.
TEST_F(ReportTool, ChartsOfAnEarlierRunAreNotMixedWithThisRunsCharts)
{
    write("three.csv", cases_text(3));
    write("one.csv", cases_text(1));
    ASSERT_EQ(run({"--cases", "three.csv", "--chart-dir", "charts", "--no-report"}).status, 0);
    write("charts/notes.txt", "mine");
    expect_refused(run({"--cases", "one.csv", "--chart-dir", "charts"}),
                   "--chart-dir charts already holds the charts of an earlier run (case-0001.svg, ...)");
    EXPECT_EQ(run({"--cases", "one.csv", "--chart-dir", "charts", "--overwrite", "--no-report"}).status, 0);
    EXPECT_EQ(listing(dir + "/charts"), "case-0001.svg notes.txt ");
}

} // namespace
