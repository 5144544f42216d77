// The rules of the worksheet's notes, for every way notes come in: at most
// 250 characters, a line break counting as two (carriage return and line
// feed), no other control character, no invisible character, and valid
// UTF-8 text. The notes memo counts what is typed or pasted with the same
// costs; the batch tool refuses notes that break a rule with the message
// that names it. The names of sets of normative data follow the same
// character rule.
#pragma once

#include <string>

constexpr int notes_max_length = 250;

// What one character of the notes costs: a line break (line feed, or the
// paragraph separator U+2029 that selected text carries) two, any other one.
int notes_character_cost(char32_t c);

// The length of UTF-8 notes as the memo counts it; a carriage return before
// a line feed is part of that line break.
int notes_length(const std::string& text);

// Why a character of text that is signed in a report may not stand there:
// bytes that are not UTF-8; a control character (C0, C1, the bidirectional
// controls, which can make "100" read "001", and the line and paragraph
// separators); or an invisible character (zero-width blanks and joiners,
// the byte-order mark, the tag characters, interlinear annotations), which
// can hide text. Line breaks (LF, CR LF) are allowed when `line_breaks`.
enum class tTextFault { None, NotUtf8, Control, Invisible };
struct tTextCheck {
    tTextFault fault = tTextFault::None;
    char32_t character = 0; // for Control and Invisible
};
tTextCheck hidden_text_check(const std::string& text, bool line_breaks);
// "U+202E".
std::string code_point_text(char32_t c);
// Whether one character may stand in the notes: anything valid but the
// controls and invisible characters above; a line feed may.
bool notes_character_allowed(char32_t c);

// Empty when `text` may be the notes, otherwise what is wrong with it
// (line breaks as carriage returns, as the worksheet's messages have them).
std::string notes_problem(const std::string& text);

// The number of characters of UTF-8 text (a byte that begins no valid
// character counts as one).
std::size_t utf8_length(const std::string& text);
