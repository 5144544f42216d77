// Score entry: typed keys filtered, over-long texts cut, and the score and
// cell texts parsed (blanks skipped, a leading minus, one decimal point).
#include "methods/score_entry.h"

#include "common/format_ext.h"
#include "common/user_messages.h"

#include <cmath>
#include <cstdint>


namespace {

const char* const numeric_only_message = "INPUT ERROR\r\rEnter numeric data only.";

} // namespace

// d / 10^p with 10^p an exact integer while it fits in 64 bits; further
// places lie far below a double's last digit of any score, and from about
// the 309th on they add nothing at all (10^p is infinite as a double).
double decimal_place_value(int d, std::size_t p)
{
    if (p <= 19) {
        std::uint64_t power = 1;
        for (std::size_t k = 0; k < p; ++k)
            power *= 10u;
        return d / static_cast<double>(power);
    }
    return d / std::pow(10.0, static_cast<double>(p));
}

namespace {

struct tScanResult {
    double value = 0.0;
    bool negative = false;
    bool error = false;
};

// The scan shared by the score and cell parsers: blanks skipped, a leading
// minus, one decimal point, digits; it stops at the first error.
tScanResult scan_number(const std::string& text, bool comma_is_point)
{
    tScanResult r;
    bool fraction = false;
    // A count of characters, so a size: a text may be longer than any int.
    std::size_t place = 0;
    for (std::string::size_type i = 0; i < text.size() && !r.error; ++i) {
        char c = text[i];
        if (comma_is_point && c == ',')
            c = '.';
        if (c == ' ') {
            continue;
        } else if (c == '-') {
            if (i == 0) {
                r.negative = true;
            } else {
                r.error = true;
                r.value = 0.0;
            }
        } else if (c == '.') {
            if (!fraction) {
                fraction = true;
                place = 1;
            } else {
                r.error = true; // the value keeps what it had
            }
        } else if (c >= '0' && c <= '9') {
            const int d = c - '0';
            if (!fraction) {
                r.value = r.value * 10.0 + d;
            } else {
                r.value = r.value + decimal_place_value(d, place);
                ++place;
            }
        } else {
            r.error = true;
            r.value = 0.0;
        }
    }
    return r;
}

} // namespace

char FilterScoreKey(char key)
{
    if (key == ',')
        key = '.';
    const bool accepted = key == 8 || key == 9 || key == 13 || key == '-' || key == '.'
                          || (key >= '0' && key <= '9');
    if (accepted)
        return key;
    user_messages().beep();
    user_messages().warning(numeric_only_message);
    return '\0';
}

bool FilterScorePaste(const std::string& text, std::string& accepted)
{
    const char* const blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    const std::string trimmed =
        first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(blanks) - first + 1);
    std::string out;
    for (const char c : trimmed) {
        // The control characters that a typed key may be are no part of a score.
        const char key = c == 8 || c == 9 || c == 13 ? '\x01' : c;
        const char kept = FilterScoreKey(key);
        if (kept == '\0')
            return false;
        out += kept;
    }
    accepted = out;
    return true;
}

std::string LimitScoreLength(const std::string& text)
{
    if (text.size() <= 6)
        return text;
    user_messages().beep();
    user_messages().warning("Maximum length of input is 6 characters.");
    return text.substr(0, 6);
}

extended ParseScoreText(const std::string& text, const std::string& label, bool& input_error)
{
    if (text.empty()) {
        input_error = true;
        user_messages().warning(std::string("INPUT ERROR\r\r(  ") + label + "  " + text + ")" + "\r" + "\r"
                                + "Data have not been entered in this field.");
        return 0.0L;
    }
    input_error = false;
    const tScanResult r = scan_number(text, false);
    if (r.error) {
        input_error = true;
        user_messages().warning(std::string("INPUT ERROR\r(  ") + label + "  " + text + "  )" + "\r" + "\r"
                                + "Enter numeric data only.");
    }
    return static_cast<extended>(r.negative ? -r.value : r.value);
}

bool CheckScoreRange(const std::string& label, double value)
{
    if (value >= 50.0 && value <= 150.0)
        return true;
    user_messages().warning(std::string("INPUT ERROR\r(  ") + label + "  "
                            + format_ext("%3.3Lf", static_cast<extended>(value)) + "  )" + "\r"
                            + "The valid range for Orvane Index scores is 50 to 150 ");
    return false;
}

double ParseCellText(const std::string& text, bool& input_error)
{
    input_error = false;
    if (text.empty())
        return 0.0;
    const tScanResult r = scan_number(text, true);
    if (r.error) {
        input_error = true;
        user_messages().warning(
            "There is an invalid data entry, which will be highlighted once you click 'OK', please re-enter.");
    }
    return r.negative ? -r.value : r.value;
}
