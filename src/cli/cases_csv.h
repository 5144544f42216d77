// The case file of brenlow-report: comma-separated values with a header row.
// Columns vc, pr, wm and ps are required (any order, any case), notes is
// optional, other columns are ignored. Quoted fields may hold commas, doubled
// quotes and line breaks.
#pragma once

#include <array>
#include <string>
#include <vector>

struct tCaseRow {
    int row = 0;  // 1 for the first row after the header
    int line = 0; // the file line on which the row starts
    std::array<std::string, 4> score_texts; // VC, PR, WM, PS as written
    std::string notes;
};

struct tCaseFile {
    std::vector<tCaseRow> rows;
    std::vector<std::string> errors; // the file's structural faults, one per entry
};

// Splits CSV text into records of fields. Records end at LF, CR LF or CR
// outside quotes; empty lines are skipped. Appends a message to `errors` for
// an unterminated quote or a character after a closing quote.
struct tCsvRecord {
    int line = 0;
    std::vector<std::string> fields;
};
std::vector<tCsvRecord> split_csv(const std::string& text, std::vector<std::string>& errors);

// Reads the case rows out of CSV text. Structural faults (a missing column,
// a row whose field count differs from the header's) are listed in `errors`;
// the score texts themselves are not checked here.
tCaseFile parse_case_file(const std::string& text);
