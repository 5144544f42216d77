// Normative data entered by the user: the figures follow the set (checked
// against closed forms worked out here, not against the code), a bad set is
// refused naming its field, cell or line, and a set typed into the windows
// gives the same report as the same set read from an exported file.

#include "analysis_test_support.h"

#include "analysis/case_figures.h"
#include "analysis/normative_data.h"
#include "methods/score_entry.h"
#include "numerics/distrib.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

constexpr extended TOL_CLOSED_FORM = 1e-15L; // relative; a few roundings of 80-bit reals
constexpr double MC_STANDARD_ERRORS = 4.0;

tNormativeSet equicorrelated(const char* name, extended rho, extended reliability)
{
    tNormativeSet set;
    set.name = name;
    set.rels.fill(reliability);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j <= i; ++j)
            set.corr[i][j] = i == j ? 1.0L : rho;
    return set;
}

std::shared_ptr<const tNormativeData> prepared(const tNormativeSet& set)
{
    auto norms = std::make_shared<tNormativeData>();
    SetUpNormativeData(set, true, *norms);
    return norms;
}

tAnalysisOutcome run_with(const std::shared_ptr<const tNormativeData>& norms,
                          const std::array<std::string, 4>& scores, tLineSink& sink)
{
    tAnalysisInputs inputs = make_inputs(scores);
    inputs.norms = norms;
    return run_analysis(inputs, sink, {});
}

// P(X >= k) for X binomial with 4 trials of probability p.
double binomial_tail(int k, double p)
{
    double tail = 0;
    for (int j = k; j <= 4; ++j) {
        double choose = 1;
        for (int i = 0; i < j; ++i)
            choose = choose * (4 - i) / (i + 1);
        tail += choose * std::pow(p, j) * std::pow(1 - p, 4 - j);
    }
    return tail;
}

TEST(UserNorms, IndependentIndexesGiveBinomialBaseRatesAndSummedSquaredZ)
{
    const auto norms = prepared(equicorrelated("Independent indexes (test)", 0.0L, 0.90L));
    // The 5% criterion's cut; Phi from the C library's erfc, not the program's.
    const double z_low = -1.644854;
    const double p_low = 0.5 * std::erfc(-z_low / std::sqrt(2.0));
    const struct {
        std::array<std::string, 4> scores;
        int low;
    } cases[] = {
        {{"70", "100", "110", "95"}, 1},
        {{"70", "72", "110", "95"}, 2},
        {{"70", "72", "60", "95"}, 3},
    };
    for (const auto& c : cases) {
        tLineSink sink;
        const tAnalysisOutcome outcome = run_with(norms, c.scores, sink);
        ASSERT_TRUE(outcome.figures);
        const tCaseFigures& f = *outcome.figures;
        ASSERT_EQ(f.index.n_low, c.low);
        const double expected = 100.0 * binomial_tail(c.low, p_low);
        const double se = 100.0 * std::sqrt(expected / 100 * (1 - expected / 100) / f.mc_trials);
        EXPECT_NEAR(double(f.rates.mc_pct_low), expected, MC_STANDARD_ERRORS * se) << c.low;

        extended squares = 0;
        for (int i = 1; i <= 4; ++i) {
            const extended z = (f.index.scores[i] - 100.0L) / 15.0L;
            squares += z * z;
        }
        EXPECT_NEAR(f.profile.maha_chi2, squares, squares * TOL_CLOSED_FORM);
        EXPECT_NE(find_line(sink.lines, " Normative data: Independent indexes (test), entered by the user"), -1);
    }
}

TEST(UserNorms, EqualCorrelationsGiveClosedFormDifferenceSDs)
{
    for (const extended rho : {0.3L, 0.5L, 0.8L}) {
        tLineSink sink;
        const tAnalysisOutcome outcome
            = run_with(prepared(equicorrelated("Equal", rho, 0.95L)), {"100", "95", "110", "87"}, sink);
        ASSERT_TRUE(outcome.figures);
        const tNormativeData& n = *outcome.figures->norms;
        // Var(x_i - mean) = 1 - (1 + 3 rho) / 4 = 3 (1 - rho) / 4 in SD units;
        // Var(x_a - x_b) = 2 (1 - rho).
        const extended sd_dev = 15.0L * std::sqrt(3.0L * (1.0L - rho) / 4.0L);
        const extended sd_pair = 15.0L * std::sqrt(2.0L * (1.0L - rho));
        for (int a = 1; a <= 4; ++a) {
            EXPECT_NEAR(n.SD_DevMean[a], sd_dev, sd_dev * TOL_CLOSED_FORM);
            for (int b = a + 1; b <= 4; ++b)
                EXPECT_NEAR(n.SDdiff_Pairwise[a][b], sd_pair, sd_pair * TOL_CLOSED_FORM);
        }
        // The report's abnormality of VC - PR = 5 follows: 100 (1 - Phi(5 / sd)).
        const tCaseFigures& f = *outcome.figures;
        const extended same = 100.0L * 0.5L * std::erfc(5.0L / sd_pair / std::sqrt(2.0L));
        EXPECT_NEAR(f.pair.pair_abnormality_mat[1][2], same, 1e-4L);
    }
}

TEST(UserNorms, BadSetsAreRefusedNamingTheirPlace)
{
    tNormativeSet set = equicorrelated("Test", 0.5L, 0.9L);
    EXPECT_EQ(check_normative_set(set).message, "");

    set.rels[2] = 1.0L;
    tNormsProblem p = check_normative_set(set);
    EXPECT_EQ(p.field, tNormsProblem::reliability);
    EXPECT_EQ(p.row, 3);
    EXPECT_NE(p.message.find("Working Memory (WM)"), std::string::npos) << p.message;
    set.rels[2] = 0.0L;
    EXPECT_EQ(check_normative_set(set).row, 3);

    set = equicorrelated("Test", 0.5L, 0.9L);
    set.corr[3][1] = -1.0L;
    p = check_normative_set(set);
    EXPECT_EQ(p.field, tNormsProblem::correlation);
    EXPECT_EQ(p.row, 4);
    EXPECT_EQ(p.column, 2);

    // Correlations of 0.9, 0.9 and -0.9 among three scores: no population has
    // them (the determinant of that block is negative).
    set = equicorrelated("Test", 0.0L, 0.9L);
    set.corr[1][0] = 0.9L;
    set.corr[2][0] = 0.9L;
    set.corr[2][1] = -0.9L;
    p = check_normative_set(set);
    EXPECT_EQ(p.field, tNormsProblem::correlation);
    EXPECT_EQ(p.row, 3);
    EXPECT_NE(p.message.find("not positive definite"), std::string::npos);

    // Reliabilities of 0.7 cannot go with a correlation of 0.8: the SE of
    // the difference, 15 sqrt(0.6), exceeds its SD, 15 sqrt(0.4).
    set = equicorrelated("Test", 0.5L, 0.7L);
    set.corr[1][0] = 0.8L;
    p = check_normative_set(set);
    EXPECT_EQ(p.field, tNormsProblem::reliability);
    EXPECT_NE(p.message.find("VC and PR"), std::string::npos) << p.message;

    set = equicorrelated("built-in (ORVANE)", 0.5L, 0.9L);
    EXPECT_EQ(check_normative_set(set).field, tNormsProblem::name);
}

// Classical test theory asks more than each difference keeping a true part:
// the true scores' covariance R - diag(1 - r) must be that of a population.
TEST(UserNorms, TrueScoresBeyondAnyPopulationAreRefusedNamingTheFigures)
{
    // r = .5 and .9 with a correlation of .69: each difference keeps a true
    // part (.69 < (.5 + .9) / 2 = .7), but the true scores would correlate
    // .69 / sqrt(.5 x .9) = 1.0286.
    tNormativeSet set = equicorrelated("Test", 0.0L, 0.9L);
    set.rels[0] = 0.5L;
    set.corr[1][0] = 0.69L;
    tNormsProblem p = check_normative_set(set);
    EXPECT_EQ(p.field, tNormsProblem::correlation);
    EXPECT_EQ(p.row, 2);
    EXPECT_EQ(p.column, 1);
    EXPECT_NE(p.message.find("The correlation of PR with VC (0.69) is too large for the reliabilities of VC "
                             "and PR (0.5 and 0.9)"),
              std::string::npos)
        << p.message;
    EXPECT_NE(p.message.find("would correlate 1.029"), std::string::npos) << p.message;
    EXPECT_NE(p.message.find("here 0.671"), std::string::npos) << p.message; // sqrt(.45)
    set.corr[1][0] = 0.67L; // below sqrt(.45) = .6708
    EXPECT_EQ(check_normative_set(set).message, "");

    // r = .2 with every correlation -.3: R is positive definite (its least
    // eigenvalue 1 - 3 x .3 = .1), but the true scores would correlate -1.5.
    p = check_normative_set(equicorrelated("Test", -0.3L, 0.2L));
    EXPECT_NE(p.message.find("is too strongly negative"), std::string::npos) << p.message;
    EXPECT_NE(p.message.find("would correlate -1.500"), std::string::npos) << p.message;

    // r = .9 with every correlation -.31: each pair is in bounds (.31 / .9 =
    // .34) and R positive definite (1 - 3 x .31 = .07), but the true scores'
    // sum would have the variance 4 (.9 - 3 x .31) = -.12.
    p = check_normative_set(equicorrelated("Test", -0.31L, 0.9L));
    EXPECT_NE(p.message.find("Taken together"), std::string::npos) << p.message;
    EXPECT_EQ(p.row, 4);
    EXPECT_EQ(check_normative_set(equicorrelated("Test", -0.29L, 0.9L)).message, "");
}

// The deviation of one score from the case's mean can lose its true part
// while every pair keeps one. With r = (.3, .9, .9, .9), VC correlating .55
// with each other score and those .6 among themselves, the deviation of VC,
// (3 VC - PR - WM - PS) / 4, has the true variance (in units of 15^2)
// (9 x .3 + 3 x .9 + 6 x .6 - 18 x .55) / 16 = -.05625, while the least
// pair, VC - PR, keeps .3 + .9 - 2 x .55 = .1.
TEST(UserNorms, ADeviationWithoutATruePartIsRefused)
{
    tNormativeSet set = equicorrelated("Test", 0.6L, 0.9L);
    set.rels[0] = 0.3L;
    for (int j = 1; j < 4; ++j)
        set.corr[j][0] = 0.55L;
    const tNormsProblem p = check_normative_set(set);
    EXPECT_EQ(p.field, tNormsProblem::reliability);
    EXPECT_EQ(p.row, 1);
    EXPECT_NE(p.message.find("the deviation of VC from the case's mean would be measurement error only"),
              std::string::npos)
        << p.message;
    EXPECT_NE(p.message.find("reliability of VC (0.3) and at its correlations with PR, WM and PS"),
              std::string::npos)
        << p.message;
}

TEST(UserNorms, ImportedFilesAreRefusedWithTheLine)
{
    const struct {
        const char* text;
        int line;
        const char* says;
    } files[] = {
        {"name: A\nreliabilities: 0.9 0.9 0.9\n", 2, "must hold 4 numbers"},
        {"# c\n\nname: A\nreliabilities: 0.9 0.9 0.9 0.9\ncorrelations:\n1\n0.5 1\n0.5 0.5 1\n0.5 0.5 0.5\n",
         9, "must hold 4 numbers"},
        {"name: A\nreliabilities: 0.9 0.9 0.9 0,9,\n", 2, "\"0,9,\" is not a number"},
        {"name: A\nreliabilities: 0.9 0.9 0.9 0.9\ncorrelations:\n1\n0.5 1\n", 6, "ends before row 3"},
        {"name: A\nreliabilities: 0.9 0.9 0.9 0.9\ncorrelations:\n1\n0.5 1\n0.5 0.5 2\n0.5 0.5 0.5 1\n", 6,
         "diagonal"},
        {"name: A\nreliabilities: 0.9 0.9 0.9 0.9\ncorrelations:\n1\n0.5 1\n0.5 1.5 1\n0.5 0.5 0.5 1\n", 6,
         "row 3, column 2"},
        {"name: A\nreliabilities: 0.9 0.9 0.9 0.9\ncorrelations:\n1\n0 1\n0 0 1\n0 0 0 1\nname: B\n", 8,
         "nexpected text"},
        {"reliabilities: 0.9 0.9 0.9 0.9\n", 1, "name"},
    };
    for (const auto& f : files) {
        tNormativeSet set;
        const tNormsProblem p = normative_set_from_text(f.text, set);
        EXPECT_EQ(p.line, f.line) << f.text;
        EXPECT_NE(p.message.find(f.says), std::string::npos) << p.message;
    }
}

// What the desktop program keeps from its dialogs (cells and fields read as
// doubles) and what brenlow-report reads from the exported text are one set,
// and the analysis both call writes one report from it.
TEST(UserNorms, EnteredAndImportedSetsGiveTheSameReport)
{
    tNormativeSet entered;
    entered.name = "Edition B";
    const char* const rels[4] = {"0.93", "0.91", "0.92", "0.88"};
    // The cells as typed, read by the matrix dialog's own parser.
    const char* const cells[4][4] = {{"1"}, {"0.58", "1"}, {"0.6", "0.55", "1"}, {"0.41", "0.5", "0.47", "1"}};
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(parse_norms_number(rels[i], entered.rels[i]));
        for (int j = 0; j <= i; ++j) {
            bool input_error = false;
            const double cell = ParseCellText(cells[i][j], input_error);
            ASSERT_FALSE(input_error) << cells[i][j];
            ASSERT_TRUE(norms_value_of_double(cell, entered.corr[i][j])) << cells[i][j];
        }
    }
    ASSERT_EQ(check_normative_set(entered).message, "");

    tNormativeSet imported;
    ASSERT_EQ(normative_set_from_text("# Brenlow normative data\nname: Edition B\n"
                                      "reliabilities: 0.93 0.91 0.92 0.88\ncorrelations:\n1\n"
                                      "0.58 1\n0.6 0.55 1\n0.41 0.5 0.47 1\n",
                                      imported)
                  .message,
              "");
    EXPECT_EQ(normative_set_text(imported), normative_set_text(entered));

    // Both runs start the generator from its fixed seeds, as the first
    // Compute of the desktop program and the first case of the tool do.
    tLineSink from_window, from_file;
    run_with(prepared(entered), {"100", "95", "110.5", "87"}, from_window);
    run_with(prepared(imported), {"100", "95", "110.5", "87"}, from_file);
    EXPECT_EQ(from_window.lines, from_file.lines);
    EXPECT_NE(find_line(from_file.lines, " Normative data: Edition B, entered by the user"), -1);
}

} // namespace
