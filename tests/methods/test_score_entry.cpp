// The keystroke filter, the length limit, the score and cell parsers and the
// range check: every message text exactly, with its '\r' line breaks.
#include "methods/score_entry.h"

#include "message_recorder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

const std::string VC = "Verbal Comprehension Index score:";
const std::string NUMERIC_ONLY = "INPUT ERROR\r\rEnter numeric data only.";
const std::string RANGE = "The valid range for Orvane Index scores is 50 to 150 ";

// Values built digit by digit in a double: exact for these short texts.
constexpr extended TOL_PARSE = 1e-12L;

std::vector<tRecordedMessage> warning_only(const std::string& text)
{
    return {{tRecordedMessage::Warning, text}};
}

std::vector<tRecordedMessage> beep_then_warning(const std::string& text)
{
    return {{tRecordedMessage::Beep, ""}, {tRecordedMessage::Warning, text}};
}

class ScoreEntry : public ::testing::Test {
protected:
    tRecordingTest messages;
    std::vector<tRecordedMessage>& recorded() { return messages.recorder.messages; }
    bool input_error = false; // the parsers' flag
};

} // namespace

// --- Keystroke filter and length limit -------------------------------------

TEST_F(ScoreEntry, FilterAcceptsDigitsSignPointAndEditingKeys)
{
    for (char c : std::string("0123456789-.\b\t\r"))
        EXPECT_EQ(FilterScoreKey(c), c) << int(c);
    EXPECT_TRUE(recorded().empty());
}

TEST_F(ScoreEntry, FilterTurnsACommaIntoAPoint)
{
    EXPECT_EQ(FilterScoreKey(','), '.');
    EXPECT_TRUE(recorded().empty());
}

// Letters, a blank, other punctuation, Escape and the Ctrl-key codes of copy
// (3), paste (22), cut (24) and undo (26) are swallowed, each with a beep
// and then the warning.
TEST_F(ScoreEntry, FilterRefusesEverythingElse)
{
    for (char c : std::string("a Z+e/\x1b\x03\x16\x18\x1a")) {
        recorded().clear();
        EXPECT_EQ(FilterScoreKey(c), '\0') << int(c);
        EXPECT_EQ(recorded(), beep_then_warning(NUMERIC_ONLY)) << int(c);
    }
}

// A paste: blanks at the ends dropped, a comma made a point; anything else,
// a tab or line break inside included, refuses the whole text once.
TEST_F(ScoreEntry, PasteIsFilteredWholeAsTyping)
{
    std::string accepted = "kept";
    EXPECT_TRUE(FilterScorePaste(" \t99,5\r\n", accepted));
    EXPECT_EQ(accepted, "99.5");
    EXPECT_TRUE(FilterScorePaste("   ", accepted));
    EXPECT_EQ(accepted, "");
    EXPECT_TRUE(recorded().empty());
    for (const std::string text : {"9 9", "99a", "1\t2", "1\r\n2", "\b5"}) {
        recorded().clear();
        accepted = "kept";
        EXPECT_FALSE(FilterScorePaste(text, accepted)) << text;
        EXPECT_EQ(accepted, "kept");
        EXPECT_EQ(recorded(), beep_then_warning(NUMERIC_ONLY)) << text;
    }
}

TEST_F(ScoreEntry, LengthLimitKeepsTheFirstSixCharacters)
{
    EXPECT_EQ(LimitScoreLength("123456"), "123456");
    EXPECT_EQ(LimitScoreLength(""), "");
    EXPECT_TRUE(recorded().empty());
    // A seventh digit typed at the start of six digits.
    EXPECT_EQ(LimitScoreLength("7123456"), "712345");
    EXPECT_EQ(recorded(), beep_then_warning("Maximum length of input is 6 characters."));
}

// --- Score parser and range check ------------------------------------------

TEST_F(ScoreEntry, ValidScoresParseAndPassTheRange)
{
    const std::pair<const char*, extended> cases[] = {
        {"100", 100.0L}, {"99.5", 99.5L}, {"50", 50.0L}, {"150", 150.0L}, {"110.50", 110.5L}};
    for (const auto& [text, value] : cases) {
        const extended v = ParseScoreText(text, VC, input_error);
        EXPECT_FALSE(input_error) << text;
        EXPECT_NEAR(v, value, TOL_PARSE) << text;
        EXPECT_TRUE(CheckScoreRange(VC, static_cast<double>(v))) << text;
    }
    EXPECT_TRUE(recorded().empty());
}

TEST_F(ScoreEntry, EmptyFieldIsAnError)
{
    ParseScoreText("", VC, input_error);
    EXPECT_TRUE(input_error);
    EXPECT_EQ(recorded(), warning_only("INPUT ERROR\r\r(  " + VC + "  )\r\rData have not been entered in this field."));
}

TEST_F(ScoreEntry, NonNumericTextIsAnError)
{
    for (const char* text : {"12a", "8-0", "1.2.3", "9,5"}) {
        recorded().clear();
        ParseScoreText(text, VC, input_error);
        EXPECT_TRUE(input_error) << text;
        EXPECT_EQ(recorded(), warning_only("INPUT ERROR\r(  " + VC + "  " + text + "  )\r\rEnter numeric data only."))
            << text;
    }
}

// A success clears the flag left by an earlier failure.
TEST_F(ScoreEntry, SuccessClearsTheErrorFlag)
{
    ParseScoreText("12a", VC, input_error);
    ASSERT_TRUE(input_error);
    ParseScoreText("100", VC, input_error);
    EXPECT_FALSE(input_error);
}

// Digits after a decimal point are added as d / 10^p: 99.5 and 12.25 exactly.
TEST_F(ScoreEntry, FractionDigits)
{
    EXPECT_EQ(ParseScoreText("12.25", VC, input_error), 12.25L);
    EXPECT_EQ(ParseScoreText("99.", VC, input_error), 99.0L);
    EXPECT_EQ(ParseScoreText(".5", VC, input_error), 0.5L);
    EXPECT_FALSE(input_error);
    // Accumulated in a double: 0.1 is the double nearest 0.1, not the extended.
    EXPECT_EQ(ParseScoreText("0.1", VC, input_error), static_cast<extended>(0.1));
}

// However long the fraction: places past 10^19 use the power as a double,
// places past a double's range add 0, and a place count beyond any int (a
// text over 2 GiB long) is still a place, not a negative power.
TEST_F(ScoreEntry, FractionsOfAnyLength)
{
    EXPECT_EQ(decimal_place_value(5, 1), 0.5);
    EXPECT_EQ(decimal_place_value(7, 19), 7 / 1e19);
    EXPECT_EQ(decimal_place_value(7, 20), 7 / 1e20);
    EXPECT_EQ(decimal_place_value(9, 309), 0.0);
    EXPECT_EQ(decimal_place_value(9, std::size_t{1} << 31), 0.0);
    EXPECT_EQ(decimal_place_value(9, (std::size_t{1} << 32) + 1), 0.0);
    EXPECT_EQ(decimal_place_value(9, SIZE_MAX), 0.0);

    // 1/9 to 100,000 places; the sum of the first places is 1/9 within a
    // few units in the last place of a double.
    const std::string ninth = "0." + std::string(100000, '1');
    EXPECT_NEAR(ParseScoreText(ninth, VC, input_error), 1.0L / 9, 4e-16L);
    EXPECT_FALSE(input_error);
    EXPECT_NEAR(ParseCellText("0," + std::string(100000, '1'), input_error), 1.0 / 9, 4e-16);
    EXPECT_FALSE(input_error);
    EXPECT_TRUE(recorded().empty());
}

TEST_F(ScoreEntry, LeadingMinusIsNegativeAndFailsTheRange)
{
    const extended v = ParseScoreText("-80", VC, input_error);
    EXPECT_FALSE(input_error);
    EXPECT_EQ(v, -80.0L);
    EXPECT_FALSE(CheckScoreRange(VC, static_cast<double>(v)));
    EXPECT_EQ(recorded(), warning_only("INPUT ERROR\r(  " + VC + "  -80.000  )\r" + RANGE));
}

// Blanks are skipped: blanks alone are 0 without a parse error.
TEST_F(ScoreEntry, BlanksOnlyParseToZeroAndFailTheRange)
{
    EXPECT_EQ(ParseScoreText("1 00", VC, input_error), 100.0L);
    const extended v = ParseScoreText("   ", VC, input_error);
    EXPECT_FALSE(input_error);
    EXPECT_EQ(v, 0.0L);
    EXPECT_FALSE(CheckScoreRange(VC, static_cast<double>(v)));
    EXPECT_EQ(recorded(), warning_only("INPUT ERROR\r(  " + VC + "  0.000  )\r" + RANGE));
}

// Both ends are valid; just outside them is not.
TEST_F(ScoreEntry, RangeEnds)
{
    EXPECT_TRUE(CheckScoreRange(VC, 50.0));
    EXPECT_TRUE(CheckScoreRange(VC, 150.0));
    EXPECT_TRUE(recorded().empty());
    EXPECT_FALSE(CheckScoreRange(VC, static_cast<double>(ParseScoreText("49.99", VC, input_error))));
    EXPECT_FALSE(CheckScoreRange(VC, static_cast<double>(ParseScoreText("150.01", VC, input_error))));
    EXPECT_EQ(recorded().size(), 2u);
    EXPECT_EQ(recorded()[0].text, "INPUT ERROR\r(  " + VC + "  49.990  )\r" + RANGE);
    EXPECT_EQ(recorded()[1].text, "INPUT ERROR\r(  " + VC + "  150.010  )\r" + RANGE);
}

TEST_F(ScoreEntry, OutOfRangeMessageWithThreeDecimals)
{
    EXPECT_FALSE(CheckScoreRange("Perceptual Reasoning Index score:", 160.0));
    EXPECT_EQ(recorded(),
              warning_only("INPUT ERROR\r(  Perceptual Reasoning Index score:  160.000  )\r" + RANGE));
}

// --- Cell parser ---------------------------------------------------------------

TEST_F(ScoreEntry, CellParserTakesACommaAsAPoint)
{
    EXPECT_EQ(ParseCellText("0,25", input_error), 0.25);
    EXPECT_EQ(ParseCellText("-0.5", input_error), -0.5);
    EXPECT_FALSE(input_error);
    EXPECT_TRUE(recorded().empty());
}

TEST_F(ScoreEntry, CellParserEmptyIsZeroWithoutError)
{
    ParseScoreText("", VC, input_error); // leaves the flag set
    recorded().clear();
    EXPECT_EQ(ParseCellText("", input_error), 0.0);
    EXPECT_FALSE(input_error);
    EXPECT_TRUE(recorded().empty());
}

TEST_F(ScoreEntry, CellParserErrorHasItsOwnMessage)
{
    ParseCellText("0.6x", input_error);
    EXPECT_TRUE(input_error);
    EXPECT_EQ(recorded(), warning_only("There is an invalid data entry, which will be highlighted once you "
                                       "click 'OK', please re-enter."));
}
