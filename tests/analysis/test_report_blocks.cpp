// The report block by block: fixed texts, blanks and line lengths, the
// conditions on notes and options, the base-rate texts, and the widths of
// the formatted rows. Sections are filled by hand here, so every expected
// row can be worked out from the values put in.

#include "analysis/report.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

// Lengths of lines[0..count-1], or of all lines.
std::vector<size_t> lengths(const std::vector<std::string>& lines, size_t count = SIZE_MAX)
{
    std::vector<size_t> out;
    for (size_t i = 0; i < lines.size() && i < count; ++i)
        out.push_back(lines[i].size());
    return out;
}

// Four slots with the same values: what the tests below print.
tIndexSection index_section(extended score, int n_low)
{
    tIndexSection s;
    for (int i = 1; i <= 4; ++i) {
        s.scores[i] = score;
        s.lower[i] = score - 6;
        s.upper[i] = score + 6;
        s.pr_score[i] = 50;
        s.pr_lower[i] = 34.75;
        s.pr_upper[i] = 65.25;
    }
    s.n_low = n_low;
    return s;
}

TEST(HeadingBlock, TitleCitationAndBlankLines)
{
    tLineSink sink;
    write_heading_block(sink, "Title");
    ASSERT_EQ(sink.lines.size(), 8u);
    EXPECT_EQ(sink.lines[0], "");
    EXPECT_EQ(sink.lines[1], "Title");
    EXPECT_EQ(sink.lines[2], "");
    EXPECT_EQ(sink.lines[3], " THIS PROGRAM IMPLEMENTS METHODS DEVELOPED IN THE FOLLOWING PAPER:");
    EXPECT_EQ(sink.lines[3].size(), 66u);
    for (int k = 4; k <= 6; ++k) {
        EXPECT_EQ(sink.lines[k], citation_lines[k - 4]);
        EXPECT_EQ(sink.lines[k][0], ' ');
        EXPECT_NE(sink.lines[k][1], ' ') << "exactly one leading blank";
        EXPECT_LT(sink.lines[k].size(), 100u);
    }
    EXPECT_EQ(sink.lines[7], "");
}

TEST(SeparatorBlock, ThreeEmptyLinesRuleOfHyphensEmptyLine)
{
    tLineSink sink;
    write_separator_block(sink);
    EXPECT_EQ(sink.lines, (std::vector<std::string>{"", "", "", std::string(103, '-'), ""}));
}

TEST(NotesBlock, AbsentWithoutNotes)
{
    tLineSink sink;
    write_notes_block(sink, "User's Notes:", {});
    EXPECT_TRUE(sink.lines.empty());
}

TEST(NotesBlock, OneLine)
{
    tLineSink sink;
    write_notes_block(sink, "User's Notes:", {"Seen on 3 May"});
    EXPECT_EQ(sink.lines, (std::vector<std::string>{" User's Notes: Seen on 3 May", " "}));
}

TEST(NotesBlock, ThreeLinesFurtherLinesIndentedByFifteenBlanks)
{
    tLineSink sink;
    // A percent sign in a note is text, never a format.
    write_notes_block(sink, "User's Notes:", {"first", "second 100%", "%s third"});
    EXPECT_EQ(sink.lines, (std::vector<std::string>{" User's Notes: first",
                                                    "               second 100%",
                                                    "               %s third", " "}));
}

TEST(InputsBlock, DeviationModeWithoutCorrection)
{
    tLineSink sink;
    write_inputs_block(sink, 1, 0, "5%");
    const std::vector<std::string> expected = {
        " INPUTS:",
        " Analysis of Index scores is based on comparisons with the case's MEAN Index score",
        "",
        " A sequential Bonferroni correction is NOT applied when testing for reliabilty of differences",
        "",
        " An abnormally LOW score has been defined as a score exhibited by less than 5% of the population.",
        "",
        " An abnormally large DEVIATION score has been defined as a deviation exhibited by less than ",
        " 5% of the population, regardless of sign.",
        "",
        "",
    };
    EXPECT_EQ(sink.lines, expected);
    EXPECT_EQ(sink.lines[7].size(), 92u);
}

TEST(InputsBlock, PairwiseModeWithCorrectionAndOneSdCriterion)
{
    tLineSink sink;
    write_inputs_block(sink, 0, 1, "15.87%");
    ASSERT_EQ(sink.lines.size(), 11u);
    EXPECT_EQ(sink.lines[1], " Analysis of the case's Index scores is based on PAIRWISE comparisons");
    EXPECT_EQ(sink.lines[3], " A sequential Bonferroni correction IS applied when testing for reliabilty of differences");
    EXPECT_EQ(sink.lines[5], " An abnormally LOW score has been defined as a score exhibited by less than "
                             "15.87% of the population.");
    EXPECT_EQ(sink.lines[7], " An abnormally large PAIRWISE difference has been defined as a difference "
                             "exhibited by less than ");
    EXPECT_EQ(sink.lines[7].size(), 97u);
    EXPECT_EQ(sink.lines[8], " 15.87% of the population, regardless of sign.");
    // The fixed part of line 6 is 76 characters, ending in a blank.
    EXPECT_EQ(sink.lines[5].size(), 76u + 6 + 19);
}

TEST(IndexBlock, LinesAndLengths)
{
    tLineSink sink;
    write_index_block(sink, index_section(100, 0), tBaseRates{});
    // Title lines, rules of 95, header, empty line, four rows, rule of 94,
    // NUMBER line, two base-rate lines, two empty lines.
    ASSERT_EQ(sink.lines.size(), 16u);
    EXPECT_EQ(sink.lines[0], " OUTPUTS:");
    EXPECT_EQ(sink.lines[3], " Index                             Score   (     95% CI    )        PR     ( 95% CI on PR  )    ");
    EXPECT_EQ(sink.lines[2], " " + std::string(95, '_'));
    EXPECT_EQ(sink.lines[10], " " + std::string(94, '_'));
    // The NUMBER format (65) loses one character: %2d prints 2.
    const std::vector<size_t> expected = {9, 96, 96, 96, 96, 0, 99, 99, 99, 99, 95, 64, 98, 18, 0, 0};
    EXPECT_EQ(lengths(sink.lines), expected);
    EXPECT_EQ(sink.lines[11], " NUMBER of case's Index scores classified as abnormally low =  0");
}

TEST(IndexBlock, RowFieldsAndLabels)
{
    tLineSink sink;
    write_index_block(sink, index_section(100, 0), tBaseRates{});
    // Row = blank + 31-character label + the formatted fragment:
    // " %6.0f" -> "    100", "(%4.0f" of 94 -> "(  94", "to%6.0f" of 106 -> "to   106",
    // "%8.1f" of 50 -> "    50.0", "(%4.1f" of 34.75 -> "(34.8" (34.75 is held as
    // 34.75 exactly and rounds to even), "to%6.1f" of 65.25 -> "to  65.2".
    EXPECT_EQ(sink.lines[6], " Verbal Comprehension Index   :     100    (  94  to   106 )       50.0    (34.8  to  65.2 )       ");
    EXPECT_EQ(sink.lines[7].substr(0, 32), " Perceptual Reasoning Index   : ");
    EXPECT_EQ(sink.lines[8].substr(0, 32), " Working Memory Index         : ");
    EXPECT_EQ(sink.lines[9].substr(0, 32), " Processing Speed Index       : ");
}

TEST(IndexBlock, HalfwayScoreRoundsToEven)
{
    tLineSink sink;
    write_index_block(sink, index_section(110.5L, 0), tBaseRates{});
    // %6.0f of 110.5 is a tie, and C rounds ties to even: 110.
    EXPECT_EQ(sink.lines[6].substr(32, 7), "    110");
    tLineSink other;
    write_index_block(other, index_section(111.5L, 0), tBaseRates{});
    EXPECT_EQ(other.lines[6].substr(32, 7), "    112");
}

TEST(IndexBlock, BaseRateLines)
{
    tBaseRates rates;
    rates.mc_pct_low = 42.0L; // ignored when the count is 0
    tLineSink none;
    write_index_block(none, index_section(100, 0), rates);
    EXPECT_EQ(none.lines[12], " PERCENTAGE of normal population expected to exhibit this number or more of abnormally low scores:");
    EXPECT_EQ(none.lines[13], " Percentage = 100%");

    rates.mc_pct_low = 13.7351L;
    tLineSink one;
    write_index_block(one, index_section(100, 1), rates);
    EXPECT_EQ(one.lines[11], " NUMBER of case's Index scores classified as abnormally low =  1");
    EXPECT_EQ(one.lines[13], " Percentage = 13.74%");
}

tDeviationSection equal_scores_deviations()
{
    // Four equal scores: deviations 0, p 0.5 and 1.0, percentages 50 and 100,
    // limits +-1.959964 * SEM_Diffs_Mean[i], hand calculation:
    // SEM_Diffs_Mean = sqrt(0.5 * SEM_i^2 + 56.25 / 16) = 2.8312, 3.0233,
    // 3.2040, 3.8426, so the limits are 5.549, 5.926, 6.280, 7.531.
    tDeviationSection d;
    d.case_mean = 100;
    const extended half[5] = {0, 5.549L, 5.926L, 6.280L, 7.531L};
    for (int i = 1; i <= 4; ++i) {
        d.p_one[i] = 0.5L;
        d.p_two[i] = 1.0L;
        d.lower[i] = -half[i];
        d.upper[i] = half[i];
        d.pct_same[i] = 50;
        d.pct_either[i] = 100;
    }
    return d;
}

TEST(DeviationBlock, WithoutCorrection)
{
    tLineSink sink;
    write_deviation_block(sink, equal_scores_deviations(), 0, tBaseRates{});
    ASSERT_EQ(sink.lines.size(), 14u + 16u);
    EXPECT_EQ(sink.lines[1], " RELIABLITY of Index score deviations from the case's mean Index score:");
    EXPECT_EQ(sink.lines[2], " Case's mean Index score = 100.00 ");
    EXPECT_EQ(sink.lines[4], " Index                 Deviation    (  95% CI for deviation )        One-tailed p         Two-tailed p   ");
    EXPECT_EQ(sink.lines[7], " VC minus Mean :           0.0      (    -5.5  to     5.5   )           0.5000              1.0000");
    EXPECT_EQ(sink.lines[10], " PS minus Mean :           0.0      (    -7.5  to     7.5   )           0.5000              1.0000");
    // Rows: blank + 16-character label + the 69-character fragment, whose
    // %10.1f, two %7.1f and two %7.4f conversions widen it by 12: 98.
    const std::vector<size_t> expected = {0, 71, 34, 105, 105, 105, 0, 98, 98, 98, 98, 105, 0, 0};
    EXPECT_EQ(lengths(sink.lines, 14), expected);
}

TEST(DeviationBlock, WithCorrectionMarkers)
{
    tDeviationSection d = equal_scores_deviations();
    d.deviation[4] = 7.5L;
    d.bonf_dev_one[4] = 1; // significant one-tailed only
    d.bonf_dev_one[1] = 1;
    d.bonf_dev_two[1] = 1;
    tLineSink sink;
    write_deviation_block(sink, d, 1, tBaseRates{});
    EXPECT_EQ(sink.lines[1], " RELIABLITY of Index score deviations from the case's mean Index score (with Bonferroni correction):");
    EXPECT_EQ(sink.lines[4], " Index                          Deviation             One-tailed p               Two-tailed p       ");
    // blank + 16-character label + " %6.2f" + 16 blanks + marker + 19 blanks + marker.
    EXPECT_EQ(sink.lines[7], " VC minus Mean :    0.00                 p < .05                    p < .05");
    EXPECT_EQ(sink.lines[8], " PR minus Mean :    0.00                 not sig                    not sig");
    EXPECT_EQ(sink.lines[10], " PS minus Mean :    7.50                 p < .05                    not sig");
    const std::vector<size_t> expected = {0, 100, 34, 97, 100, 97, 0, 75, 75, 75, 75, 97, 0, 0};
    EXPECT_EQ(lengths(sink.lines, 14), expected);
}

TEST(DeviationBlock, AbnormalityPartAndZeroCountBaseRate)
{
    tLineSink sink;
    write_deviation_block(sink, equal_scores_deviations(), 0, tBaseRates{});
    const std::vector<std::string> part(sink.lines.begin() + 14, sink.lines.end());
    ASSERT_EQ(part.size(), 16u);
    EXPECT_EQ(part[3], " Case's mean index score =  100.00");
    EXPECT_EQ(part[6], "                                         with larger deviations               regardless of sign ");
    EXPECT_EQ(part[9], " VC minus Mean :         0.0                    50.00                               100.00");
    EXPECT_EQ(part[14], " NUMBER of case's deviation scores that meet criterion for abnormality =  0");
    EXPECT_EQ(part[15], " PERCENTAGE of normal population expected to exhibit this number or more of abnormal deviations = 100%");
    // Rows: 17 + the 61-character fragment widened by 4 for each of its three
    // 10-wide conversions: 90.
    const std::vector<size_t> expected = {0, 92, 103, 34, 104, 104, 97, 104, 0, 90, 90, 90, 90, 106, 75, 102};
    // (The NUMBER format, 76, prints its %2d in two characters.)
    EXPECT_EQ(lengths(part), expected);
}

TEST(DeviationBlock, NonZeroCountPrintsTheEstimate)
{
    tDeviationSection d = equal_scores_deviations();
    d.n_dev_abnormal = 2;
    tBaseRates rates;
    rates.mc_pct_dev = 3.456L;
    tLineSink sink;
    write_deviation_block(sink, d, 0, rates);
    EXPECT_EQ(sink.lines.back(), " PERCENTAGE of normal population expected to exhibit this number or more of abnormal deviations = 3.46%");
    EXPECT_EQ(sink.lines[sink.lines.size() - 2], " NUMBER of case's deviation scores that meet criterion for abnormality =  2");
}

// VC 100, PR 91 and the others 100. Hand calculation: SE of the VC-PR
// difference sqrt(9 + 11.25) = 4.5, so p = 1 - Phi(2) = 0.02275 and the limits
// are 9 -+ 1.959964 * 4.5 = 0.18 and 17.82; SD of the difference
// sqrt(450 * (1 - 0.61)) = 13.2476, 100 * (1 - Phi(9 / 13.2476)) = 24.845.
tPairwiseSection pair_section()
{
    tPairwiseSection p;
    p.pair_reliability_mat[2][1] = 9;
    p.pair_reliability_mat[1][2] = 0.0227501L;
    p.pair_limits_mat[2][1] = 0.180162L;
    p.pair_limits_mat[1][2] = 17.819838L;
    p.pair_abnormality_mat[2][1] = 9;
    p.pair_abnormality_mat[1][2] = 24.8452924L;
    for (int a = 1; a <= 4; ++a)
        for (int b = a + 1; b <= 4; ++b)
            if (a != 1 || b != 2) {
                p.pair_reliability_mat[a][b] = 0.5L;
                p.pair_abnormality_mat[a][b] = 50;
            }
    return p;
}

TEST(PairwiseBlock, ReliabilityWithoutCorrection)
{
    tLineSink sink;
    write_pairwise_block(sink, pair_section(), 0, tBaseRates{});
    EXPECT_EQ(sink.lines[1], " RELIABLITY of pairwise differences between Index scores:");
    EXPECT_EQ(sink.lines[3], " Index Pair       Difference  (95% CI for difference)      One-tailed p        Two-tailed p");
    // The 82-character format widens by 1 for each %6.0f and by 3 for each
    // %8.3f: 90 characters.
    EXPECT_EQ(sink.lines[6], " VC minus PR           9      (     0  to     18    )         0.023                0.046  ");
    EXPECT_EQ(sink.lines[7], " VC minus WM           0      (     0  to      0    )         0.500                1.000  ");
    // Groups VC.. / PR.. / WM.. separated by one empty line.
    const std::vector<size_t> expected = {0, 57, 96, 91, 96, 0, 90, 90, 90, 0, 90, 90, 0, 90, 96};
    EXPECT_EQ(lengths(sink.lines, 15), expected);
    EXPECT_EQ(sink.lines[10].substr(0, 12), " PR minus WM");
    EXPECT_EQ(sink.lines[13].substr(0, 12), " WM minus PS");
}

TEST(PairwiseBlock, ReliabilityWithCorrectionMarkers)
{
    tPairwiseSection p = pair_section();
    p.bonf_pair_one[1][2] = 1; // significant at 0.05, not at 0.025
    tLineSink sink;
    write_pairwise_block(sink, p, 1, tBaseRates{});
    EXPECT_EQ(sink.lines[1], " RELIABLITY of pairwise differences between Index scores (with Bonferroni correction):");
    EXPECT_EQ(sink.lines[3], " Index Pair        Difference  (95% CI for difference)         One-tailed p           Two-tailed p ");
    // 62-character fragment (64 once formatted) + marker + 16 blanks + marker.
    EXPECT_EQ(sink.lines[6], " VC minus PR           9       (     0  to     18    )           p < .05                 not sig");
    const std::vector<size_t> expected = {0, 86, 99, 99, 99, 0, 96, 96, 96, 0, 96, 96, 0, 96, 99};
    EXPECT_EQ(lengths(sink.lines, 15), expected);
}

TEST(PairwiseBlock, AbnormalityPartTrailingBlanksAndZeroCount)
{
    tLineSink sink;
    write_pairwise_block(sink, pair_section(), 0, tBaseRates{});
    const std::vector<std::string> part(sink.lines.begin() + 15, sink.lines.end());
    EXPECT_EQ(part[2], " ABNORMALITY of pairwise differences between Index scores:");
    EXPECT_EQ(part[5], "                                      with larger differences                 regardless of sign");
    EXPECT_EQ(part[8], " VC minus PR           9                      24.845                              49.691 ");
    // The pair formats (83, 85, 85, 85, 85 and 84 characters: they end in 1, 3,
    // 3, 3, 3 and 2 blanks) widen by 3 for each %8.3f.
    const std::vector<size_t> expected = {0, 0, 58, 104, 104, 96, 104, 0, 89, 91, 91, 0, 91, 91, 0, 90, 105, 80, 104};
    EXPECT_EQ(lengths(part), expected);
    EXPECT_EQ(part[17], " NUMBER of case's pairwise differences that meet criterion for abnormality =  0 ");
    // Both percent signs written as they stand.
    EXPECT_EQ(part[18], " PERCENTAGE of normal population expected to exhibit this number or more of abnormal differences = %100%");
}

TEST(PairwiseBlock, NonZeroCountPrintsTheEstimate)
{
    tPairwiseSection p = pair_section();
    p.n_pair_abnormal = 3;
    tBaseRates rates;
    rates.mc_pct_pair = 0.5L; // exactly representable tie: rounds to even
    tLineSink sink;
    write_pairwise_block(sink, p, 0, rates);
    EXPECT_EQ(sink.lines.back(), " PERCENTAGE of normal population expected to exhibit this number or more of abnormal differences = 0.50%");
    // The 106-character format: %3.2f gives 4 characters, %% one.
    EXPECT_EQ(sink.lines.back().size(), 104u);
}

TEST(ProfileBlock, LinesAndLengths)
{
    tProfileSection profile;
    profile.maha_chi2 = 6.0386L;
    profile.maha_p = 0.196290L;
    tLineSink sink;
    write_profile_block(sink, profile, 4);
    EXPECT_EQ(sink.lines, (std::vector<std::string>{
                              "",
                              "",
                              " MAHALANOBIS DISTANCE Index of the overall abnormality of the case's Index score profile: ",
                              " Chi-square = 6.039 on   4 df,  p value = 0.19629",
                              " Percentage of normative population expected to exhibit a more unusual profile = 19.629% ",
                          }));
    // %2.5f widens line 4 (47) by 2; in line 5 (89) %3.3f widens by 1 and %%
    // narrows by 1.
    EXPECT_EQ(lengths(sink.lines), (std::vector<size_t>{0, 0, 90, 49, 89}));
}

} // namespace
