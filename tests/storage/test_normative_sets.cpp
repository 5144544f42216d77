// The user's file of normative data sets as text: numbers read as the
// decimals they are and written back the same, the chosen set and every set
// read back, and a file that is not one refused with its line.

#include "storage/normative_sets.h"

#include <gtest/gtest.h>

TEST(NormativeSetsFile, NumbersSetsAndChoiceReadBackAsWritten)
{
    // The nearest extended reals to the decimals, as a literal gives them.
    extended v = 0;
    ASSERT_TRUE(parse_norms_number("0.61", v));
    EXPECT_EQ(v, 0.61L);
    ASSERT_TRUE(parse_norms_number("-.05", v));
    EXPECT_EQ(v, -0.05L);
    // A decimal comma, as the score fields take it.
    ASSERT_TRUE(parse_norms_number("0,61", v));
    EXPECT_EQ(v, 0.61L);
    for (const char* bad : {"", "-", ".", "1e-3", "0.1234567", "0,5.1", "+1", "1.2.3", "nan"})
        EXPECT_FALSE(parse_norms_number(bad, v)) << bad;
    EXPECT_EQ(norms_number_text(0.9L), "0.9");
    EXPECT_EQ(norms_number_text(-0.045L), "-0.045");

    tNormativeSet a;
    a.name = "Édition française";
    a.rels = {0.9L, 0.91L, 0.925L, 0.88L};
    for (int i = 0; i < norms_scores; ++i)
        for (int j = 0; j <= i; ++j)
            a.corr[i][j] = i == j ? 1.0L : -0.125L * (i + j);
    tNormativeSet b = a;
    b.name = "B";
    const tNormsText read = parse_normative_sets_file(normative_sets_file_text({a, b}, "B"));
    ASSERT_EQ(read.error, "");
    EXPECT_EQ(read.chosen, "B");
    ASSERT_EQ(read.sets.size(), 2u);
    EXPECT_EQ(read.sets[0].name, a.name);
    EXPECT_EQ(read.sets[0].rels, a.rels);
    EXPECT_EQ(read.sets[0].corr, a.corr);
    EXPECT_EQ(read.sets[1].name_line, 12); // the comment, "chosen", blank, 6 lines, blank

    const tNormsText twice = parse_normative_sets_file(normative_sets_file_text({b, b}, ""));
    EXPECT_EQ(twice.error_line, 11); // the comment, blank, 7 lines, blank
    EXPECT_NE(twice.error.find("a second set named \"B\""), std::string::npos);
    EXPECT_NE(norms_name_problem("A # B"), "");
    EXPECT_NE(norms_name_problem(" A"), "");
    EXPECT_NE(norms_name_problem("\xC3("), "");
    // The notes' reasons, not "not valid UTF-8".
    EXPECT_EQ(norms_name_problem("Set \u202E1"), "The name of the normative data holds the control character U+202E.");
    EXPECT_EQ(norms_name_problem("Set \xC2\x9B" "1"), "The name of the normative data holds the control character U+009B.");
    EXPECT_EQ(norms_name_problem("Set\u200B1"), "The name of the normative data holds the invisible character U+200B.");
}
