// Score entry: the filter of typed keys, the length limit, and the parsers of
// a score field's text and a matrix cell's text, with the warnings each gives.
#pragma once

#include "common/extended.h"

#include <cstddef>
#include <string>

// What the digit `d` adds in the decimal place `p` (1 for tenths) when a
// score or cell text is parsed: d / 10^p, for any place however far.
double decimal_place_value(int d, std::size_t p);
// The character to insert for a typed character, or '\0' to swallow it (with
// a beep and the warning "INPUT ERROR\r\rEnter numeric data only.").
char FilterScoreKey(char key);
// A pasted text as the field takes it: blanks at either end dropped, then
// every character as FilterScoreKey lets it through (a comma becomes a full
// stop). A text holding anything else (line breaks and tabs inside it
// included) is refused whole, with FilterScoreKey's beep and warning: false,
// and `accepted` is left alone.
bool FilterScorePaste(const std::string& text, std::string& accepted);
// The first six characters of an over-long text, after a beep and the warning
// "Maximum length of input is 6 characters."; shorter texts come back as they are.
std::string LimitScoreLength(const std::string& text);
// The two parsers set input_error when the text is refused (after their
// warning) and clear it otherwise.
extended ParseScoreText(const std::string& text, const std::string& label, bool& input_error);
bool CheckScoreRange(const std::string& label, double value);
double ParseCellText(const std::string& text, bool& input_error);
