// Sets of normative data entered by the user (the figures of another
// edition's manual), as text: the small file one set is exported to and
// imported from, and the user's file of every set entered, kept beside the
// worksheet file with the set chosen for the next Compute.
//
// One set's text (UTF-8; `#` begins a comment, blank lines are ignored;
// scores in the order VC, PR, WM, PS; the correlations' lower triangle one
// row a line, diagonal included):
//
//     # Brenlow normative data
//     name: Independent indexes (test)
//     reliabilities: 0.90 0.90 0.90 0.90
//     correlations:
//     1
//     0 1
//     0 0 1
//     0 0 0 1
//
// The user's file holds a line "chosen: <name>" (absent: the built-in set)
// and then any number of sets, each beginning with its name line.
//
// Numbers are plain decimals (a leading minus, digits, at most one decimal
// point or comma and at most six decimals): read as the nearest extended
// real to the decimal, the same value whichever way the figure came in, and
// written back as the same decimal, with a point.
#pragma once

#include "common/extended.h"

#include <array>
#include <string>
#include <vector>

constexpr int norms_scores = 4; // VC, PR, WM, PS
constexpr int norms_max_decimals = 6;
constexpr int norms_name_max_length = 80; // characters

struct tNormativeSet {
    std::string name;
    std::array<extended, norms_scores> rels{}; // [0] VC .. [3] PS
    // [row][column] from 0; only the diagonal and the lower triangle count.
    std::array<std::array<extended, norms_scores>, norms_scores> corr{};
    // Where the figures stood in the text they were read from (1-based; 0
    // for a set entered in a window): a check that fails names the line.
    int name_line = 0;
    int rels_line = 0;
    std::array<int, norms_scores> corr_lines{};
};

// A decimal as described above. False when the text is not one.
bool parse_norms_number(const std::string& text, extended& value);
// A figure the windows hold as a double (a cell of the matrix dialog): the
// decimal of at most six decimals that the double stands for (within a few
// units of its last place), read as parse_norms_number reads it, so that
// 0.61 typed in a window and 0.61 in a file are the same value. False when
// the double is no such decimal.
bool norms_value_of_double(double figure, extended& value);
// The shortest decimal (at most six decimals) that reads back to `value`,
// for a value read by parse_norms_number.
std::string norms_number_text(extended value);

// "<what> is not a number (a plain decimal such as 0.85 or 0,85, ...)": the
// words every window and file reader uses for a figure that is none.
std::string norms_number_problem(const std::string& what);

// Empty when `name` may name a set, otherwise what is wrong with it.
std::string norms_name_problem(const std::string& name);

// One set's text, ending in a line feed.
std::string normative_set_text(const tNormativeSet& set);

// What reading a text gave: the sets, the chosen name (the user's file
// only), or the first fault with its line.
struct tNormsText {
    std::vector<tNormativeSet> sets;
    std::string chosen;
    std::string error; // empty when the text was read
    int error_line = 0;
};

// Reads an exported file: exactly one set, no "chosen" line. The figures are
// read, not checked (see check_normative_set).
tNormsText parse_normative_set_text(const std::string& text);
// Reads the user's file of sets.
tNormsText parse_normative_sets_file(const std::string& text);

// The user's file of sets: its name beside the worksheet file, its text, and
// its save, which replaces the file whole (readable by its user only) as the
// worksheet file's save does. Raises EInOutError with the reason.
extern const char* const normative_sets_file_name; // "orvane_norms.txt"
std::string normative_sets_file_text(const std::vector<tNormativeSet>& sets,
                                     const std::string& chosen);
void save_normative_sets_file(const std::string& path, const std::vector<tNormativeSet>& sets,
                              const std::string& chosen);
// Writes one set's text to an export file, replaced whole.
void export_normative_set(const std::string& path, const tNormativeSet& set);

// The largest file of sets or exported set that is read (bytes): a set's
// text is some 150 bytes, so this holds thousands of sets, and anything
// larger is no such file and is refused unread.
constexpr std::size_t norms_file_max_size = 1 << 20;
