// Every figure of each case as research data: one comma-separated record per
// case under one header record, in the quoting of RFC 4180 (records end in
// CR LF; a field holding a comma, a double quote, CR or LF is enclosed in
// double quotes and its quotes doubled). A text cell that would start a
// spreadsheet formula begins with an apostrophe instead.
//
// Numbers are the nearest 64-bit double to the computed value, written with
// the fewest digits that read back to exactly that double (std::to_chars), so
// the decimal mark is a full stop whatever the locale. Counts and flags are
// integers; flags are 0 or 1.
#pragma once

#include "analysis/case_figures.h"

#include <string>

// One text field, quoted only when it must be. A text that a spreadsheet
// would take for a formula (its first character =, +, -, @, tab or carriage
// return) is made inert by a leading apostrophe; numbers are not text
// fields and stay as they are.
std::string csv_field(const std::string& text);
// A real as described above; "nan" or "inf" only for a non-finite value.
std::string csv_number(extended value);

// The header record and the record of one case, each ending in CR LF. Every
// section is written whatever the mode and correction of the case.
std::string figures_csv_header();
std::string figures_csv_row(const tCaseFigures& figures);

// The column list for users, a few lines per group (plain text, 80 columns).
extern const char* const figures_csv_columns_help;

// Figures the report derives at print time rather than storing.
extended pair_p_two(const tPairwiseSection& pair, int a, int b);      // twice the one-tailed p
extended pair_pct_either(const tPairwiseSection& pair, int a, int b); // twice the same-direction %
// The base rate of a count: every profile shows 0 or more, so a count of 0
// has the base rate 100 whatever the simulation gave.
extended count_base_rate(int count, extended mc_pct);
// The standard error in percentage points of a base rate estimated from
// `trials` profiles: 100 * sqrt(p (1 - p) / trials), p the rate as a proportion.
extended base_rate_SE(extended pct, long trials);
