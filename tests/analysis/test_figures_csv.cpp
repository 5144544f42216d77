// The research CSV: RFC 4180 quoting, numbers that read back to the same
// double under any locale, and the figures the report derives at print time.
// The golden tests (tests/cli) hold every printed figure against the reports.

#include "analysis/figures_csv.h"
#include "required_tool.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <charconv>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <locale>
#include <map>

namespace {

constexpr double TOL_SE = 1e-15; // base-rate standard errors, percentage points

// Header names to fields, for a record without quoted fields.
std::map<std::string, std::string> columns_of(const tCaseFigures& f)
{
    const auto split = [](std::string line) {
        std::vector<std::string> fields(1);
        line.resize(line.size() - 2); // CR LF
        for (const char c : line) {
            if (c == ',')
                fields.emplace_back();
            else
                fields.back().push_back(c);
        }
        return fields;
    };
    const auto names = split(figures_csv_header());
    const auto values = split(figures_csv_row(f));
    EXPECT_EQ(names.size(), values.size());
    std::map<std::string, std::string> out;
    for (size_t i = 0; i < names.size() && i < values.size(); ++i)
        EXPECT_TRUE(out.emplace(names[i], values[i]).second) << "column " << names[i] << " twice";
    return out;
}

tCaseFigures sample_figures()
{
    tCaseFigures f;
    f.score_texts = {"100", "95", "110.5", "72"};
    f.zLow = -1.644854L;
    f.zAbs = 1.959964L;
    f.index.n_low = 1;
    f.rates.mc_pct_low = 13.74L;
    f.rates.mc_pct_dev = 99.9L; // a count of 0 reads 100 whatever the estimate
    f.pair.pair_reliability_mat[1][2] = 0.0228L; // VC minus PR, one-tailed p
    f.pair.pair_reliability_mat[1][3] = 0.05L;   // exactly .05 is not below it
    f.pair.pair_abnormality_mat[1][2] = 4.127L;
    f.mc_trials = 1000000;
    return f;
}

TEST(FiguresCsv, QuotingFollowsRfc4180)
{
    EXPECT_EQ(csv_field("110.5"), "110.5");
    EXPECT_EQ(csv_field(""), "");
    EXPECT_EQ(csv_field("110,5"), "\"110,5\"");
    EXPECT_EQ(csv_field("say \"calm\""), "\"say \"\"calm\"\"\"");
    EXPECT_EQ(csv_field("two\nlines"), "\"two\nlines\"");
    EXPECT_EQ(csv_field("cr\r"), "\"cr\r\"");

    tCaseFigures f = sample_figures();
    f.score_texts[2] = "110,5"; // the worksheet takes a decimal comma
    f.note_lines = {"Seen twice, \"calm\"", "retest"};
    const std::string row = figures_csv_row(f);
    EXPECT_EQ(row.rfind("100,95,\"110,5\",72,deviations,0,5,", 0), 0u) << row.substr(0, 40);
    // The notes, then the normative data's name, the one column after them.
    const std::string tail = ",\"Seen twice, \"\"calm\"\"\nretest\",Built-in (Orvane)\r\n";
    EXPECT_EQ(row.substr(row.size() - tail.size()), tail);
}

// What a spreadsheet would run as a formula starts with an apostrophe
// instead; numbers, which are no text fields, keep their sign.
TEST(FiguresCsv, FormulaLikeTextIsMadeInert)
{
    EXPECT_EQ(csv_field("=HYPERLINK(\"http://x\",\"y\")"), "\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\"");
    EXPECT_EQ(csv_field("+cmd|' /C calc'!A0"), "'+cmd|' /C calc'!A0");
    EXPECT_EQ(csv_field("@SUM(1)"), "'@SUM(1)");
    EXPECT_EQ(csv_field("-2 points"), "'-2 points");
    EXPECT_EQ(csv_field("\tx"), "'\tx");
    EXPECT_EQ(csv_field("\rx"), "\"'\rx\"");
    EXPECT_EQ(csv_field("a=b"), "a=b");
    EXPECT_EQ(csv_number(-2.5L), "-2.5");
}

TEST(FiguresCsv, NumbersAreShortestRoundTripsOfTheDouble)
{
    EXPECT_EQ(csv_number(0.1L) + " " + csv_number(-23.0L) + " " + csv_number(1.0L / 3), "0.1 -23 0.3333333333333333");
    for (const double x : {2.0 / 3 * 1e-7, DBL_MAX, DBL_TRUE_MIN, -0.047}) {
        const std::string text = csv_number(x);
        double back = 0;
        const auto r = std::from_chars(text.data(), text.data() + text.size(), back);
        EXPECT_TRUE(r.ec == std::errc() && r.ptr == text.data() + text.size() && back == x) << text;
    }
}

TEST(FiguresCsv, DerivedFiguresAndBaseRates)
{
    const auto c = columns_of(sample_figures());
    EXPECT_EQ(c.size(), 180u);
    EXPECT_EQ(c.at("norms"), "Built-in (Orvane)");
    // Pairs: two-tailed p and the regardless-of-sign percentage are twice
    // the stored companions; significance without correction is p < .05.
    EXPECT_EQ(c.at("vc_pr_diff_p_two"), "0.0456");
    EXPECT_EQ(c.at("vc_pr_diff_pct_either"), "8.254");
    EXPECT_EQ(c.at("vc_pr_diff_sig_one") + c.at("vc_pr_diff_sig_two"), "11");
    EXPECT_EQ(c.at("vc_wm_diff_sig_one") + c.at("vc_wm_diff_sig_two"), "00");
    // 100 * sqrt(0.1374 * 0.8626 / 1e6), worked out in Python.
    EXPECT_EQ(c.at("n_low_base_rate"), "13.74");
    EXPECT_NEAR(std::stod(c.at("n_low_base_rate_se")), 0.03442691389015286, TOL_SE);
    EXPECT_EQ(c.at("n_low_trials"), "1000000");
    EXPECT_EQ(c.at("n_dev_abnormal_base_rate"), "100");
    EXPECT_EQ(c.at("n_dev_abnormal_base_rate_se"), "0");
}

// A comma locale, installed or compiled into a scratch folder when the
// locale sources are there; "" when neither works.
std::string comma_locale(std::string& scratch)
{
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        return "de_DE.UTF-8";
    const char* tmp = std::getenv("TMPDIR");
    scratch = std::string(tmp && *tmp ? tmp : "/tmp") + "/brenlow-locale-XXXXXX";
    if (!mkdtemp(scratch.data()))
        return "";
    const std::string command = "localedef -i de_DE -f UTF-8 '" + scratch + "/de_DE.UTF-8' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        return "";
    setenv("LOCPATH", scratch.c_str(), 1);
    return std::setlocale(LC_NUMERIC, "de_DE.UTF-8") ? "de_DE.UTF-8" : "";
}

// Decimal commas in the C library and in the global C++ locale leave the
// record as it is in the C locale.
TEST(FiguresCsv, RecordIgnoresTheLocale)
{
    const tCaseFigures f = sample_figures();
    const std::string in_c = figures_csv_row(f);

    struct tCommaPoint : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
    };
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new tCommaPoint));
    EXPECT_EQ(figures_csv_row(f), in_c);
    std::locale::global(previous);

    std::string scratch;
    const std::string name = comma_locale(scratch);
    char probe[16] = "";
    if (!name.empty())
        std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    const std::string row = figures_csv_row(f);
    std::setlocale(LC_NUMERIC, "C");
    unsetenv("LOCPATH");
    if (!scratch.empty()) {
        EXPECT_EQ(std::system(("rm -rf '" + scratch + "'").c_str()), 0);
    }
    if (std::string(probe) != "0,5")
        SKIP_OR_FAIL_WITHOUT("no comma locale could be set (package locales): checked with the C++ locale only");
    EXPECT_EQ(row, in_c) << "under " << name;
}

} // namespace
