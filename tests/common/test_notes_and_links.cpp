// The notes' rules shared by the worksheet and the batch tool, and the link
// rule every output follows. The expected lengths are counted by hand.
#include "common/link_rule.h"
#include "common/notes_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {
bool refused(const std::string& notes, const std::string& because)
{
    return notes_problem(notes).find(because) != std::string::npos;
}
} // namespace

// 250 characters, not bytes; a line break (LF, or CR LF) counts as two.
TEST(NotesRules, AtMost250CharactersWithALineBreakCountingTwo)
{
    EXPECT_EQ(notes_problem(std::string(250, 'x')), "");
    EXPECT_TRUE(refused(std::string(251, 'x'), "hold 251 characters"));
    std::string accents;
    for (int i = 0; i < 250; ++i)
        accents += "\xC3\xA9"; // é: 500 bytes, 250 characters
    EXPECT_EQ(notes_problem(accents), "");
    EXPECT_EQ(notes_length(std::string(248, 'x') + "\n"), 250);
    EXPECT_EQ(notes_length(std::string(248, 'x') + "\r\n"), 250);
    EXPECT_TRUE(refused(std::string(249, 'x') + "\r\n", "hold 251 characters"));
    EXPECT_EQ(notes_length("\xF0\x9F\x99\x82"), 1); // one character outside the BMP
}

TEST(NotesRules, ControlCharactersAndInvalidUtf8AreRefused)
{
    EXPECT_EQ(notes_problem("two\nlines\r\nthree"), "");
    EXPECT_TRUE(refused("\x1b]0;owned\x07", "control character U+001B"));
    EXPECT_TRUE(refused("a\x01", "U+0001"));
    EXPECT_TRUE(refused("tab\there", "U+0009"));
    EXPECT_TRUE(refused("lone\rreturn", "U+000D"));
    EXPECT_TRUE(refused("next \xC2\x85 line", "U+0085")); // a C1 control
    // Text turned round or broken out of sight: "001" shown for "100".
    for (const char* hidden : {"\u202E001", "\u202A", "\u2066", "\u2069", "\u200E", "\u200F", "\u061C", "\u2028",
                               "\u2029"})
        EXPECT_TRUE(refused(std::string("score ") + hidden, "control character U+")) << hidden;
    EXPECT_EQ(notes_problem("\u2010\u2030\u2065 fine"), "");
    for (const char* bad : {"\xC3", "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"})
        EXPECT_TRUE(refused(std::string("x") + bad, "not valid UTF-8")) << bad;
}

TEST(NotesRules, FullWidthDigitsAreThreeCharacters)
{
    EXPECT_EQ(utf8_length("\xEF\xBC\x91\xEF\xBC\x90\xEF\xBC\x90"), 3u); // "１００"
    EXPECT_EQ(utf8_length("99.5"), 4u);
}

// Only what belongs to the user or to root is trusted, whatever folder holds
// it: another user's link in a folder of that user's own (not sticky) is
// refused as surely as one in /tmp.
TEST(LinkRule, OnlyTheUsersAndRootsLinksAreFollowedAnywhere)
{
    const unsigned me = 1000, other = 1001, root = 0;
    EXPECT_TRUE(link_may_be_followed(me, me));
    EXPECT_TRUE(link_may_be_followed(root, me));
    EXPECT_FALSE(link_may_be_followed(other, me));
    EXPECT_FALSE(link_may_be_followed(other, root)); // root is held to it too
}

TEST(LinkRule, AnotherUsersFileOnlyInAFolderOfTheUsersAlone)
{
    const unsigned me = 1000, other = 1001, root = 0;
    EXPECT_TRUE(file_may_be_used(me, other, 0777, me));
    EXPECT_TRUE(file_may_be_used(root, root, 01777, me));
    EXPECT_TRUE(file_may_be_used(other, me, 0755, me)); // the user's folder: no one else planted it
    EXPECT_FALSE(file_may_be_used(other, other, 0755, me)); // that user's own folder, not sticky
    EXPECT_FALSE(file_may_be_used(other, me, 0775, me));    // others may write the folder
    EXPECT_FALSE(file_may_be_used(other, root, 01777, root)); // /tmp, even for root
    // Pipes and devices: the user's or root's, and in /tmp not another's.
    EXPECT_TRUE(in_place_may_be_used(root, root, 0755, me));
    EXPECT_TRUE(in_place_may_be_used(me, root, 01777, me));
    EXPECT_FALSE(in_place_may_be_used(other, other, 0777, me));
}

// Characters that show nothing could hide text in a signed report.
TEST(NotesRules, InvisibleCharactersAreRefusedAsSuch)
{
    for (const char* hidden : {"\u200B", "\u2060", "\uFEFF", "\U000E0041", "\U000E007F", "\uFFF9", "\uFFFB"})
        EXPECT_TRUE(refused(std::string("no") + hidden + "rmal", "invisible character U+")) << hidden;
    EXPECT_TRUE(refused("a\u200Bb", "U+200B"));
    EXPECT_EQ(notes_problem("\u200D joins emoji"), ""); // the joiner stays allowed
    EXPECT_EQ(hidden_text_check("x\xC2\x85", false).fault, tTextFault::Control); // C1 stays a control
}
