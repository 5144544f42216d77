// Normative data sets as text: the exported file of one set and the user's
// file of every set (see normative_sets.h for the format).
#include "storage/normative_sets.h"

#include "common/notes_text.h"
#include "common/replacing_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

const char* const score_names[norms_scores] = {"VC", "PR", "WM", "PS"};

extended power_of_ten(int d)
{
    extended p = 1.0L;
    for (int i = 0; i < d; ++i)
        p *= 10.0L; // exact up to 10^27
    return p;
}

// `units` in units of the d-th decimal place: "0.05" for 5 and 2.
std::string decimal_text(std::uint64_t units, int d)
{
    std::string digits = std::to_string(units);
    if (d > 0) {
        if (digits.size() <= static_cast<std::size_t>(d))
            digits.insert(0, static_cast<std::size_t>(d) + 1 - digits.size(), '0');
        digits.insert(digits.size() - static_cast<std::size_t>(d), ".");
    }
    return digits;
}

std::string blanks_and_tabs_trimmed(const std::string& text)
{
    std::string::size_type first = 0;
    std::string::size_type last = text.size();
    while (first < last && (text[first] == ' ' || text[first] == '\t'))
        ++first;
    while (last > first && (text[last - 1] == ' ' || text[last - 1] == '\t'))
        --last;
    return text.substr(first, last - first);
}

std::vector<std::string> words_of(const std::string& text)
{
    std::vector<std::string> words;
    std::string word;
    for (const char c : text + ' ') {
        if (c == ' ' || c == '\t') {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    return words;
}

// "key: value" with the key in any case; false when the line is no such line.
bool keyed(const std::string& line, const char* key, std::string& value)
{
    const std::string k(key);
    if (line.size() <= k.size() || line[k.size()] != ':')
        return false;
    for (std::string::size_type i = 0; i < k.size(); ++i)
        if ((line[i] | 0x20) != k[i])
            return false;
    value = blanks_and_tabs_trimmed(line.substr(k.size() + 1));
    return true;
}


struct tReader {
    std::vector<std::string> lines; // without comments, trimmed
    std::size_t at = 0;             // index of the next line
    tNormsText result;

    explicit tReader(const std::string& text)
    {
        std::string::size_type start = 0;
        // A byte-order mark that some editors put at the start is no text.
        if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
            start = 3;
        while (start <= text.size()) {
            std::string::size_type end = text.find('\n', start);
            if (end == std::string::npos)
                end = text.size();
            std::string line = text.substr(start, end - start);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            const std::string::size_type hash = line.find('#');
            if (hash != std::string::npos)
                line.erase(hash);
            lines.push_back(blanks_and_tabs_trimmed(line));
            start = end + 1;
        }
    }

    bool refuse_line(int line, const std::string& message)
    {
        result.error = message;
        result.error_line = line;
        return false;
    }

    // The next line that is not blank; false at the end.
    bool next_line(std::string& line, int& number)
    {
        while (at < lines.size() && lines[at].empty())
            ++at;
        if (at >= lines.size())
            return false;
        line = lines[at];
        number = static_cast<int>(++at);
        return true;
    }

    bool peek_is(const char* key)
    {
        std::size_t i = at;
        while (i < lines.size() && lines[i].empty())
            ++i;
        std::string value;
        return i < lines.size() && keyed(lines[i], key, value);
    }

    int end_line() const { return static_cast<int>(lines.size()); }

    bool numbers(const std::string& text, int line, std::size_t count, const std::string& what,
                 std::vector<extended>& out)
    {
        const std::vector<std::string> words = words_of(text);
        if (words.size() != count)
            return refuse_line(line, what + " must hold " + std::to_string(count)
                                  + (count == 1 ? " number" : " numbers") + "; it holds "
                                  + std::to_string(words.size()));
        out.clear();
        for (const std::string& word : words) {
            extended value = 0;
            if (!parse_norms_number(word, value))
                return refuse_line(line, norms_number_problem("\"" + word + "\""));
            out.push_back(value);
        }
        return true;
    }

    bool read_set(tNormativeSet& set)
    {
        std::string line;
        std::string value;
        int number = 0;
        if (!next_line(line, number))
            return refuse_line(end_line(), "the file holds no set: expected \"name: ...\"");
        if (!keyed(line, "name", value))
            return refuse_line(number, "expected the set's name: \"name: ...\"");
        if (const std::string problem = norms_name_problem(value); !problem.empty())
            return refuse_line(number, problem);
        set.name = value;
        set.name_line = number;

        const char* const rels_expected = "expected the four reliabilities: \"reliabilities: VC PR WM PS\"";
        if (!next_line(line, number))
            return refuse_line(end_line(), std::string("the file ends early: ") + rels_expected);
        if (!keyed(line, "reliabilities", value))
            return refuse_line(number, rels_expected);
        std::vector<extended> row;
        if (!numbers(value, number, norms_scores, "The line of the reliabilities (VC, PR, WM, PS)", row))
            return false;
        for (int i = 0; i < norms_scores; ++i)
            set.rels[static_cast<size_t>(i)] = row[static_cast<size_t>(i)];
        set.rels_line = number;

        const char* const corr_expected = "expected \"correlations:\" and then the lower triangle, one row a line";
        if (!next_line(line, number))
            return refuse_line(end_line(), std::string("the file ends early: ") + corr_expected);
        if (!keyed(line, "correlations", value))
            return refuse_line(number, corr_expected);
        if (!value.empty())
            return refuse_line(number, "the correlations begin on the next line, one row a line");
        for (int i = 0; i < norms_scores; ++i) {
            const std::string what = "Row " + std::to_string(i + 1) + " of the correlations ("
                                     + score_names[i] + ")";
            if (!next_line(line, number))
                return refuse_line(end_line(), "the file ends before row " + std::to_string(i + 1)
                                            + " of the correlations (" + score_names[i] + ")");
            if (!numbers(line, number, static_cast<std::size_t>(i + 1), what, row))
                return false;
            for (int j = 0; j <= i; ++j)
                set.corr[static_cast<size_t>(i)][static_cast<size_t>(j)] = row[static_cast<size_t>(j)];
            if (row[static_cast<size_t>(i)] != 1.0L)
                return refuse_line(number, "the last number of row " + std::to_string(i + 1)
                                        + " is the diagonal, which must be 1");
            set.corr_lines[static_cast<size_t>(i)] = number;
        }
        return true;
    }
};

} // namespace

bool parse_norms_number(const std::string& text, extended& value)
{
    std::string::size_type i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative)
        ++i;
    std::uint64_t mantissa = 0;
    int significant = 0;
    int decimals = 0;
    bool point = false;
    bool any_digit = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        // A decimal comma is taken as the score fields take it.
        if ((c == '.' || c == ',') && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9')
            return false;
        if (point && ++decimals > norms_max_decimals)
            return false;
        // Up to 18 significant digits: the mantissa stays exact.
        if ((mantissa != 0 || c != '0') && ++significant > 18)
            return false;
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
        any_digit = true;
    }
    if (!any_digit)
        return false;
    // Both operands are exact in extended precision; the one division rounds
    // once, to the nearest extended real to the decimal (as a literal would).
    const extended magnitude = static_cast<extended>(mantissa) / power_of_ten(decimals);
    value = negative ? -magnitude : magnitude;
    return true;
}

bool norms_value_of_double(double figure, extended& value)
{
    // The shortest decimal of at most six decimals within a few units of the
    // double's last place: a window's parser need not give the nearest
    // double to what was typed.
    if (!std::isfinite(figure) || std::fabs(figure) >= 1e9)
        return false;
    for (int d = 0; d <= norms_max_decimals; ++d) {
        const double scaled = figure * static_cast<double>(power_of_ten(d));
        const double units = std::round(scaled);
        if (std::fabs(scaled - units) > 1e-9 * std::max(1.0, std::fabs(scaled)))
            continue;
        const std::string digits = decimal_text(static_cast<std::uint64_t>(std::fabs(units)), d);
        return parse_norms_number((units < 0 ? "-" : "") + digits, value);
    }
    return false;
}

std::string norms_number_text(extended value)
{
    const bool negative = value < 0;
    const extended magnitude = negative ? -value : value;
    for (int d = 0; d <= norms_max_decimals; ++d) {
        const extended scaled = std::round(magnitude * power_of_ten(d));
        if (!(scaled < 1e18L))
            break;
        const auto units = static_cast<std::uint64_t>(scaled);
        const std::string text = (negative && units != 0 ? "-" : "") + decimal_text(units, d);
        extended back = 0;
        if (parse_norms_number(text, back) && back == value)
            return text;
    }
    // Not a value this format reads: the nearest six-decimal text.
    return std::to_string(static_cast<double>(value));
}

std::string norms_number_problem(const std::string& what)
{
    return what + " is not a number (a plain decimal such as 0.85 or 0,85, at most "
           + std::to_string(norms_max_decimals) + " decimals)";
}

std::string norms_name_problem(const std::string& name)
{
    if (blanks_and_tabs_trimmed(name).empty())
        return "The name of the normative data is empty.";
    if (blanks_and_tabs_trimmed(name) != name)
        return "The name of the normative data begins or ends with a blank.";
    // The notes' rule for what may stand in a signed report, line breaks
    // excepted.
    const tTextCheck check = hidden_text_check(name, false);
    if (check.fault == tTextFault::NotUtf8)
        return "The name of the normative data is not valid UTF-8 text.";
    if (check.fault != tTextFault::None)
        return "The name of the normative data holds the "
               + std::string(check.fault == tTextFault::Control ? "control" : "invisible") + " character "
               + code_point_text(check.character) + ".";
    if (name.find('#') != std::string::npos)
        return "The name of the normative data holds \"#\", which begins a comment in the file.";
    if (utf8_length(name) > static_cast<std::size_t>(norms_name_max_length))
        return "The name of the normative data is longer than "
               + std::to_string(norms_name_max_length) + " characters.";
    return std::string();
}

std::string normative_set_text(const tNormativeSet& set)
{
    std::string text = "name: " + set.name + "\n";
    text += "reliabilities:";
    for (const extended r : set.rels)
        text += " " + norms_number_text(r);
    text += "\ncorrelations:\n";
    for (int i = 0; i < norms_scores; ++i) {
        for (int j = 0; j < i; ++j)
            text += norms_number_text(set.corr[static_cast<size_t>(i)][static_cast<size_t>(j)]) + " ";
        text += "1\n";
    }
    return text;
}

tNormsText parse_normative_set_text(const std::string& text)
{
    tReader reader(text);
    tNormativeSet set;
    if (reader.peek_is("chosen")) {
        std::string line;
        int number = 0;
        reader.next_line(line, number);
        reader.refuse_line(number, "a file of one set has no \"chosen:\" line");
        return reader.result;
    }
    if (!reader.read_set(set))
        return reader.result;
    std::string line;
    int number = 0;
    if (reader.next_line(line, number)) {
        reader.refuse_line(number, "unexpected text after the correlations (a file holds one set)");
        return reader.result;
    }
    reader.result.sets.push_back(set);
    return reader.result;
}

tNormsText parse_normative_sets_file(const std::string& text)
{
    tReader reader(text);
    std::string line;
    std::string value;
    int number = 0;
    if (reader.peek_is("chosen")) {
        reader.next_line(line, number);
        keyed(line, "chosen", value);
        reader.result.chosen = value;
    }
    while (reader.peek_is("name")) {
        tNormativeSet set;
        if (!reader.read_set(set))
            return reader.result;
        for (const tNormativeSet& other : reader.result.sets)
            if (other.name == set.name) {
                reader.refuse_line(set.name_line, "a second set named \"" + set.name + "\"");
                return reader.result;
            }
        reader.result.sets.push_back(set);
    }
    if (reader.next_line(line, number))
        reader.refuse_line(number, "expected a set's name: \"name: ...\"");
    return reader.result;
}

const char* const normative_sets_file_name = "orvane_norms.txt";

std::string normative_sets_file_text(const std::vector<tNormativeSet>& sets,
                                     const std::string& chosen)
{
    std::string text = "# Brenlow normative data entered by the user\n";
    if (!chosen.empty())
        text += "chosen: " + chosen + "\n";
    for (const tNormativeSet& set : sets)
        text += "\n" + normative_set_text(set);
    return text;
}

void save_normative_sets_file(const std::string& path, const std::vector<tNormativeSet>& sets,
                              const std::string& chosen)
{
    tReplacingFile file(path, 0600);
    file.write(normative_sets_file_text(sets, chosen));
    file.commit();
}

void export_normative_set(const std::string& path, const tNormativeSet& set)
{
    tReplacingFile file(path);
    file.write("# Brenlow normative data\n" + normative_set_text(set));
    file.commit();
}
