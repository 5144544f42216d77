#include "common/notes_text.h"

#include <cstdio>

namespace {

// The length of the valid UTF-8 character at text[i] (shortest form, no
// surrogates, at most U+10FFFF), or 0; `c` gets its code.
std::size_t utf8_character(const std::string& text, std::size_t i, char32_t& c)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        c = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    return length;
}

// The C0 and C1 controls, and the characters that reorder or break text
// out of sight: the bidirectional controls (a right-to-left override makes
// "100" read "001") and the line and paragraph separators.
bool is_control(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F
           || (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// Characters that show nothing and take no room, which could hide text in
// a signed report: U+200C and U+200D stay allowed, as some scripts and
// emoji need them.
bool is_invisible(char32_t c)
{
    return c == 0x034F || c == 0x115F || c == 0x1160 || c == 0x180E || c == 0x200B || (c >= 0x2060 && c <= 0x2064)
           || (c >= 0x206A && c <= 0x206F) || c == 0x3164 || c == 0xFEFF || c == 0xFFA0
           || (c >= 0xFFF9 && c <= 0xFFFB) || (c >= 0x1D173 && c <= 0x1D17A) || (c >= 0xE0000 && c <= 0xE007F);
}

} // namespace

tTextCheck hidden_text_check(const std::string& text, bool line_breaks)
{
    for (std::size_t i = 0; i < text.size();) {
        tTextCheck check;
        const std::size_t size = utf8_character(text, i, check.character);
        if (size == 0)
            return {tTextFault::NotUtf8, 0};
        const bool line_break =
            line_breaks && (check.character == U'\n' || (check.character == U'\r' && i + 1 < text.size() && text[i + 1] == '\n'));
        if (is_control(check.character) && !line_break)
            return {tTextFault::Control, check.character};
        if (is_invisible(check.character))
            return {tTextFault::Invisible, check.character};
        i += size;
    }
    return {};
}

bool notes_character_allowed(char32_t c)
{
    return c == U'\n' || (!is_control(c) && !is_invisible(c));
}

std::string code_point_text(char32_t c)
{
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
    return code;
}

int notes_character_cost(char32_t c)
{
    return (c == U'\n' || c == U'\u2029') ? 2 : 1;
}

int notes_length(const std::string& text)
{
    int length = 0;
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0;
        const std::size_t size = utf8_character(text, i, c);
        if (size == 0) {
            ++length;
            ++i;
            continue;
        }
        if (!(c == U'\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            length += notes_character_cost(c);
        i += size;
    }
    return length;
}

std::string notes_problem(const std::string& text)
{
    const tTextCheck check = hidden_text_check(text, true);
    switch (check.fault) {
    case tTextFault::NotUtf8:
        return "The notes are not valid UTF-8 text.";
    case tTextFault::Control:
        return "The notes hold the control character " + code_point_text(check.character)
               + ";\ronly line breaks may be among them.";
    case tTextFault::Invisible:
        return "The notes hold the invisible character " + code_point_text(check.character)
               + ";\rit could hide text in the report.";
    case tTextFault::None:
        break;
    }
    const int length = notes_length(text);
    if (length > notes_max_length)
        return "The notes hold " + std::to_string(length) + " characters; at most "
               + std::to_string(notes_max_length) + " fit in the worksheet\r(a line break counts as two).";
    return std::string();
}

std::size_t utf8_length(const std::string& text)
{
    std::size_t length = 0;
    for (std::size_t i = 0; i < text.size(); ++length) {
        char32_t c = 0;
        const std::size_t size = utf8_character(text, i, c);
        i += size == 0 ? 1 : size;
    }
    return length;
}
