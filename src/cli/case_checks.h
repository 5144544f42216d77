// The checks brenlow-report makes before it computes anything: every score
// of every case, with the worksheet's own messages, and the structure of a
// case file. The cases are kept, compactly, only while nothing is wrong.
#pragma once

#include "command_line.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <istream>
#include <optional>
#include <string>

// The worksheet's captions of the four score fields, slot order.
extern const std::array<const char*, 4> field_captions;

// One case to compute.
struct tCase {
    long long line = 0; // the file line on which its row starts; 0 for the command line
    std::array<std::string, 4> scores; // VC, PR, WM, PS, as checked
    std::string notes;
};

// The cases of a batch. A case file's rows are kept compactly (a row's
// parsed values are a few dozen bytes, notes aside), and only while nothing
// is wrong: once a problem is found nothing will be computed.
class tCaseList {
public:
    std::string source;       // the case file's name; empty for the command line
    long long bad_scores = 0; // fields refused by the score checks
    long long bad_notes = 0;  // notes refused by the notes' rules
    long long faults = 0;     // other problems: file structure, reading
    // False: the cases are only counted (a file that is read again to
    // compute them), so memory holds none of them.
    bool keep_rows = true;

    bool ok() const { return bad_scores == 0 && bad_notes == 0 && faults == 0; }

    // `scores` as checked: at most six characters each.
    void add(long long line, const std::array<std::string, 4>& scores, const std::string& notes);
    void clear_cases();
    std::size_t case_count() const { return count_; }
    tCase case_at(std::size_t index) const; // only while rows are kept

private:
    std::size_t count_ = 0;
    static constexpr std::size_t score_size = 6;
    struct tRow {
        long long line;
        std::size_t notes_at;
        std::uint32_t notes_size;
        std::array<char, 4 * score_size> scores; // each padded with NULs
    };
    std::deque<tRow> rows_;
    std::deque<char> notes_; // the notes of every row, one after the other
};

// Receives each problem as one message (its line breaks as line feeds).
using tProblemReport = std::function<void(const std::string& message)>;

// The score check of one field. Blanks at either end are dropped and a
// comma becomes a point, as the field's keystroke filter makes it; then the
// text must fit the worksheet's field (at most six characters, only what its
// keystroke filter lets through), parse as ParseScoreText parses and pass
// CheckScoreRange. Returns the checked text, or nothing with the worksheet's
// message (line breaks as carriage returns) in `message`.
std::optional<std::string> check_score_text(const std::string& text, int k, std::string& message);

// The case of the command line's --vc, --pr, --wm, --ps and --notes.
tCaseList check_command_line_case(const tOptions& options, const tProblemReport& report);

// Receives each good row of a case file as soon as it is checked.
using tCaseHandler = std::function<void(const tCase& one)>;

// At most this many rows with problems are reported, then their count.
constexpr long long max_reported_rows = 100;

// Reads the case file `in` (named `source` in messages) row by row and
// checks every row; stops at once at a row or field over its limit, or at a
// file in UTF-16. With `each`, every good row is handed to it while no
// problem has been found, besides being added to the list.
tCaseList read_case_file(std::istream& in, const std::string& source, const tProblemReport& report,
                         const tCaseHandler& each = nullptr, bool keep_rows = true);

// The words that name a case in messages: "cases.csv row 2 (line 3)", or
// nothing for the command line's case. `number` counts from 1.
std::string case_place(const tCaseList& list, long long number, const tCase& one);
