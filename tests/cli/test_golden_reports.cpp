// Golden reports: brenlow-report's standard output compared byte for byte
// with reports worked out independently (tests/golden/oracle.py, which shares
// no code with the program). Each case runs in a fresh process, so the random
// generator starts from its fixed seeds exactly as after program start.

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kGoldenDir = BRENLOW_GOLDEN_DIR;

// Every case of the golden folder; the listing test below keeps this in step
// with the *.args files there.
const std::vector<std::string> kCases = {
    "deviation_bonferroni_10",      // MEAN mode, correction on, 10 %, a zero deviation, non-zero counts
    "deviation_bonferroni_1_notes", // MEAN mode, correction on, 1 %, three note lines, zero counts
    "deviation_flat_15",            // four equal scores: zero deviations, four low scores, 15 %
    "deviation_one_low_5",          // one low score at 5 % (13.74 %), 110.5 shown as 110
    "pairwise_25",                  // PAIRWISE, 25 %, three abnormal differences
    "pairwise_abnormal_5",          // PAIRWISE, 5 %, the 130/70/100/100 profile
    "pairwise_bonferroni_1587_note",// PAIRWISE, correction on, 15.87 %, one note line, "= %100%"
    "two_cases",                    // two reports from one CSV: separator, generator carries over
};

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// One argument per line; the two characters "\n" inside an argument stand
// for a line feed.
std::vector<std::string> read_args(const std::string& path) {
    std::vector<std::string> args;
    std::istringstream in(read_file(path));
    std::string line;
    while (std::getline(in, line)) {
        std::string arg;
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == 'n') {
                arg += '\n';
                ++i;
            } else {
                arg += line[i];
            }
        }
        args.push_back(arg);
    }
    return args;
}

struct tRunOutput {
    std::string out;
    int status = -1; // exit status, or -1 when the process did not exit normally
};

// Runs the tool with argv built here (no shell, so blanks and line feeds in
// arguments arrive unchanged), in the golden folder so that relative file
// names resolve there; captures standard output.
tRunOutput run_report(const std::vector<std::string>& args) {
    tRunOutput result;
    int fds[2];
    if (pipe(fds) != 0) {
        ADD_FAILURE() << "pipe failed";
        return result;
    }
    std::vector<std::string> owned;
    owned.push_back(BRENLOW_REPORT_EXE);
    owned.insert(owned.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : owned) argv.push_back(a.data());
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0) {
        ADD_FAILURE() << "fork failed";
        close(fds[0]);
        close(fds[1]);
        return result;
    }
    if (pid == 0) {
        // Child: only async-signal-safe calls until exec.
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        if (chdir(kGoldenDir.c_str()) != 0) _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    char buf[8192];
    for (;;) {
        const ssize_t got = read(fds[0], buf, sizeof buf);
        if (got > 0) {
            result.out.append(buf, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            break;
        }
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start) + "   [no line feed at the end]");
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The first differing line of the two texts, for the failure message.
std::string first_difference(const std::string& expected, const std::string& actual) {
    const auto want = split_lines(expected);
    const auto got = split_lines(actual);
    const std::size_t n = std::max(want.size(), got.size());
    for (std::size_t i = 0; i < n; ++i) {
        const std::string* w = i < want.size() ? &want[i] : nullptr;
        const std::string* g = i < got.size() ? &got[i] : nullptr;
        if (w && g && *w == *g) continue;
        std::ostringstream msg;
        msg << "first difference at line " << i + 1 << " (expected " << want.size()
            << " lines, got " << got.size() << ")\n"
            << "  expected: " << (w ? "[" + *w + "]" : std::string("<end of text>")) << "\n"
            << "  actual:   " << (g ? "[" + *g + "]" : std::string("<end of text>"));
        return msg.str();
    }
    return "texts differ only in their line ends";
}

class GoldenReport : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenReport, OutputMatchesOracleByteForByte) {
    const std::string name = GetParam();
    const std::string expected = read_file(kGoldenDir + "/" + name + ".expected");
    ASSERT_FALSE(expected.empty()) << "missing golden " << name << ".expected";

    const tRunOutput run = run_report(read_args(kGoldenDir + "/" + name + ".args"));
    EXPECT_EQ(run.status, 0) << name << ": brenlow-report did not exit with status 0";
    EXPECT_TRUE(run.out == expected) << name << ": " << first_difference(expected, run.out);
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenReport, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             return info.param;
                         });

// A case added to the folder but not to the list above would never run.
TEST(GoldenFolder, EveryArgsFileIsACase) {
    std::vector<std::string> found;
    DIR* dir = opendir(kGoldenDir.c_str());
    ASSERT_NE(dir, nullptr);
    while (const dirent* entry = readdir(dir)) {
        const std::string file = entry->d_name;
        const std::string ext = ".args";
        if (file.size() > ext.size() && file.compare(file.size() - ext.size(), ext.size(), ext) == 0)
            found.push_back(file.substr(0, file.size() - ext.size()));
    }
    closedir(dir);
    std::sort(found.begin(), found.end());
    std::vector<std::string> listed = kCases;
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(found, listed);
}

} // namespace
