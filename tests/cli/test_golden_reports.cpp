// Golden reports: brenlow-report's standard output compared byte for byte
// with reports worked out independently (tests/golden/oracle.py, which shares
// no code with the program). Each case runs in a fresh process, so the random
// generator starts from its fixed seeds exactly as after program start.

#include <gtest/gtest.h>

#include "common/format_ext.h"
#include "run_process.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
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
    "notes_utf8",                   // "Müller – €" as a note: UTF-8 on every system and code page
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

using tRunOutput = tProcessOutput;

// Runs the tool in the golden folder, so that relative file names resolve
// there; captures standard output.
tRunOutput run_report(const std::vector<std::string>& args) {
    return run_process(BRENLOW_REPORT_EXE, args, kGoldenDir);
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

// RFC 4180 records ending in CR LF; quoted fields may hold commas, doubled
// quotes and line breaks.
std::vector<std::vector<std::string>> parse_csv(const std::string& text) {
    std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool pair = i + 1 < text.size();
        if (quoted && c == '"' && pair && text[i + 1] == '"') {
            records.back().back() += text[i++];
        } else if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && c == ',') {
            records.back().emplace_back();
        } else if (!quoted && c == '\r' && pair && text[i + 1] == '\n') {
            records.emplace_back(1);
            ++i;
        } else {
            records.back().back() += c;
        }
    }
    EXPECT_EQ(records.back(), std::vector<std::string>(1)) << "the last record has no CR LF";
    records.pop_back();
    return records;
}

// Every figure the report prints, formatted the report's way from one CSV
// record, must stand in that report (up to trailing blanks).
void expect_figures_in_report(const std::map<std::string, std::string>& col, const std::string& report) {
    const auto text = [&](const std::string& name) {
        const auto it = col.find(name);
        EXPECT_NE(it, col.end()) << "no column " << name;
        return it == col.end() ? std::string() : it->second;
    };
    const auto num = [&](const std::string& name) -> long double {
        const std::string t = text(name);
        double value = 0;
        const auto r = std::from_chars(t.data(), t.data() + t.size(), value);
        EXPECT_TRUE(r.ec == std::errc() && r.ptr == t.data() + t.size()) << name << " = " << t;
        return value;
    };
    const auto integer = [&](const std::string& name) { return std::stoi(text(name)); };
    const auto marker = [&](const std::string& name) { return text(name) == "1" ? " p < .05" : " not sig"; };
    const std::vector<std::string> lines = split_lines(report);
    const auto expect_line = [&](const std::string& want) {
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.compare(0, want.size(), want) == 0
                   && line.find_first_not_of(' ', want.size()) == std::string::npos;
        })) << "not in the report: [" << want << "]";
    };
    // A count of 0 prints a fixed text, otherwise prefix + the base rate.
    const auto count = [&](const std::string& n, const std::string& number_line, const std::string& zero,
                           const std::string& prefix) {
        expect_line(format_ext("%s%2d", number_line.c_str(), integer(n)));
        const long double p = num(n + "_base_rate") / 100;
        EXPECT_NEAR(num(n + "_base_rate_se"), 100 * std::sqrt(p * (1 - p) / num(n + "_trials")), 1e-15);
        EXPECT_EQ(text(n + "_trials"), "1000000");
        if (integer(n) != 0)
            return expect_line(prefix + format_ext("%3.2Lf%%", num(n + "_base_rate")));
        expect_line(zero);
        EXPECT_EQ(text(n + "_base_rate") + " " + text(n + "_base_rate_se"), "100 0");
    };
    const bool pairwise = text("mode") == "pairwise";
    const bool bonferroni = text("bonferroni") == "1";
    expect_line(" An abnormally LOW score has been defined as a score exhibited by less than " + text("criterion")
                + "% of the population.");

    const char* index_labels[] = {" Verbal Comprehension Index   : ", " Perceptual Reasoning Index   : ",
                                  " Working Memory Index         : ", " Processing Speed Index       : "};
    const std::string slots[] = {"vc", "pr", "wm", "ps"};
    const std::string shown[] = {"VC", "PR", "WM", "PS"};
    int flagged = 0; // the flags of one kind add up to its count
    for (int i = 0; i < 4; ++i) {
        const std::string s = slots[i];
        expect_line(index_labels[i]
                    + format_ext(" %6.0Lf    (%4.0Lf  to%6.0Lf )   %8.1Lf    (%4.1Lf  to%6.1Lf )       ",
                                 num(s + "_score"), num(s + "_lower"), num(s + "_upper"), num(s + "_percentile"),
                                 num(s + "_percentile_lower"), num(s + "_percentile_upper")));
        flagged += integer(s + "_low");
    }
    EXPECT_EQ(flagged, integer("n_low"));
    flagged = 0;
    count("n_low", " NUMBER of case's Index scores classified as abnormally low = ", " Percentage = 100%",
          " Percentage = ");

    // The deviations ("vc_dev" ..) or the pairs ("vc_pr_diff" ..) of the mode.
    std::vector<std::pair<std::string, std::string>> items; // column, report label
    for (int a = 0; a < 4; ++a)
        for (int b = a + 1; b < 4 && pairwise; ++b)
            items.push_back({slots[a] + "_" + slots[b] + "_diff", " " + shown[a] + " minus " + shown[b]});
    for (int a = 0; a < 4 && !pairwise; ++a)
        items.push_back({slots[a] + "_dev", " " + shown[a] + " minus Mean : "});
    for (const auto& [d, label] : items) {
        const long double v = num(d), lo = num(d + "_lower"), up = num(d + "_upper");
        flagged += integer(d + "_abnormal");
        if (!pairwise && bonferroni)
            expect_line(label + format_ext(" %6.2Lf                ", v) + marker(d + "_bonf_one")
                        + std::string(19, ' ') + marker(d + "_bonf_two"));
        if (!pairwise && !bonferroni)
            expect_line(label + format_ext("   %10.1Lf      ( %7.1Lf  to %7.1Lf   )          %7.4Lf             %7.4Lf",
                                           v, lo, up, num(d + "_p_one"), num(d + "_p_two")));
        if (!pairwise)
            expect_line(label + format_ext(" %10.1Lf               %10.2Lf                           %10.2Lf", v,
                                           num(d + "_pct_same"), num(d + "_pct_either")));
        if (pairwise && bonferroni)
            expect_line(label + format_ext("       %5.0Lf       (%6.0Lf  to %6.0Lf    )          ", v, lo, up)
                        + marker(d + "_bonf_one") + std::string(16, ' ') + marker(d + "_bonf_two"));
        if (pairwise && !bonferroni)
            expect_line(label + format_ext("       %5.0Lf      (%6.0Lf  to %6.0Lf    )      %8.3Lf             %8.3Lf",
                                           v, lo, up, num(d + "_p_one"), num(d + "_p_two")));
        if (pairwise)
            expect_line(label + format_ext("       %5.0Lf                    %8.3Lf                            %8.3Lf", v,
                                           num(d + "_pct_same"), num(d + "_pct_either")));
    }
    EXPECT_EQ(flagged, integer(pairwise ? "n_pair_abnormal" : "n_dev_abnormal"));
    const std::string rate = " PERCENTAGE of normal population expected to exhibit this number or more of abnormal ";
    if (pairwise)
        count("n_pair_abnormal", " NUMBER of case's pairwise differences that meet criterion for abnormality = ",
              rate + "differences = %100%", rate + "differences = ");
    if (!pairwise) {
        expect_line(format_ext(" Case's mean Index score = %3.2Lf ", num("case_mean")));
        count("n_dev_abnormal", " NUMBER of case's deviation scores that meet criterion for abnormality = ",
              rate + "deviations = 100%", rate + "deviations = ");
    }
    expect_line(format_ext(" Chi-square = %3.3Lf on %3d df,  p value = %2.5Lf", num("chi_square"),
                           integer("chi_square_df"), num("chi_square_p")));
    expect_line(format_ext(" Percentage of normative population expected to exhibit a more unusual profile = %3.3Lf%% ",
                           num("pct_more_unusual")));
}

// The same run with --csv: the report is unchanged, and each CSV record's
// figures, rounded as the report rounds them, are the figures of its report.
TEST_P(GoldenReport, CsvRecordsHoldTheReportsFigures) {
    const std::string name = GetParam();
    const std::string expected = read_file(kGoldenDir + "/" + name + ".expected");
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("brenlow-golden-" + name + "-" + std::to_string(std::random_device{}()));
    ASSERT_TRUE(fs::create_directory(dir));
    std::vector<std::string> args = read_args(kGoldenDir + "/" + name + ".args");
    args.insert(args.end(), {"--csv", (dir / "figures.csv").string()});
    const tRunOutput run = run_report(args);
    const std::string csv = read_file((dir / "figures.csv").string());
    fs::remove_all(dir);
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out == expected) << name << ": " << first_difference(expected, run.out);

    // The reports of one run follow one another after a separator line.
    std::vector<std::string> reports(1);
    for (const std::string& line : split_lines(expected)) {
        if (line == std::string(103, '-'))
            reports.emplace_back();
        else
            reports.back() += line + "\n";
    }
    const auto records = parse_csv(csv);
    ASSERT_EQ(records.size(), reports.size() + 1) << "a header and one record per report";
    for (std::size_t k = 1; k < records.size(); ++k) {
        ASSERT_EQ(records[k].size(), records[0].size()) << "record " << k;
        std::map<std::string, std::string> col;
        for (std::size_t i = 0; i < records[0].size(); ++i)
            col[records[0][i]] = records[k][i];
        SCOPED_TRACE(name + " record " + std::to_string(k));
        expect_figures_in_report(col, reports[k - 1]);
    }
}

// A case added to the folder but not to the list above would never run.
TEST(GoldenFolder, EveryArgsFileIsACase) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(kGoldenDir)) {
        if (entry.path().extension() == ".args")
            found.push_back(entry.path().stem().string());
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> listed = kCases;
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(found, listed);
}

} // namespace
