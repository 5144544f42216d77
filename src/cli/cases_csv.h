// The case file of brenlow-report: comma-separated values with a header row.
// Columns vc, pr, wm and ps are required (any order, any case), notes is
// optional, other columns are ignored. Quoted fields may hold commas, doubled
// quotes and line breaks.
//
// The file is read as a stream, one row at a time, so that memory never
// holds more than one row of text: a row or a field longer than its limit
// ends the reading at once (a file without line breaks, or /dev/zero, is
// refused after the first row's limit, not read to its end).
#pragma once

#include <array>
#include <cstddef>
#include <istream>
#include <string>
#include <vector>

struct tCsvLimits {
    // Every byte of a row counts, line breaks inside its quoted fields too.
    std::size_t max_row_bytes = 65536;
    std::size_t max_field_bytes = 4096;
};

// A case file that is a pipe is kept, while its rows are checked, in a
// private temporary file, which is read again to compute them: at most this
// much of it, so that a pipe without end cannot fill the disk. A case takes
// about a tenth of a second, so 256 MiB of rows (a million cases with 250
// characters of notes each) is more than a day's run.
constexpr long long max_pipe_spool_bytes = 256LL << 20; // 256 MiB

enum class tCsvFault {
    None,
    TextAfterQuote, // the rest of the field up to the next comma is skipped; reading goes on
    UnclosedQuote,  // the input ended inside a quoted field (the last record)
    RowTooLong,     // reading stops
    FieldTooLong,   // reading stops
};

struct tCsvRecord {
    long long line = 0; // the file line on which the record starts
    std::vector<std::string> fields;
    tCsvFault fault = tCsvFault::None;
    long long fault_line = 0; // where the fault lies (where the quote opened, for UnclosedQuote)
};

// Splits CSV text into records of fields. Records end at LF, CR LF or CR
// outside quotes; empty lines are skipped; a byte-order mark at the start is
// not part of the first field.
class tCsvReader {
public:
    explicit tCsvReader(std::istream& in, tCsvLimits limits = tCsvLimits());

    // The next record; false at the end of the input and after a record
    // whose fault stops the reading.
    bool read_record(tCsvRecord& record);

    const tCsvLimits& size_limits() const { return limits_; }
    // Whether the input begins with a UTF-16 byte-order mark.
    bool utf16() const { return utf16_; }
    // Whether it begins with a UTF-32 byte-order mark (then utf16() is false).
    bool utf32() const { return utf32_; }

private:
    int peek();
    int get();
    bool at_record_end();
    bool count_byte(tCsvRecord& record);
    void read_field(tCsvRecord& record, std::string& field);
    void end_line();

    std::streambuf* in_;
    tCsvLimits limits_;
    std::string pending_; // bytes read ahead while looking for a byte-order mark
    std::size_t pending_at_ = 0;
    long long line_ = 1;
    std::size_t row_bytes_ = 0;
    bool stopped_ = false;
    bool utf16_ = false;
    bool utf32_ = false;
};

// True for the faults after which nothing more is read.
bool stops_reading(tCsvFault fault);

// Where the columns of a case file are, from its header row.
struct tCaseColumns {
    std::array<std::size_t, 4> score{}; // VC, PR, WM, PS
    bool has_notes = false;
    std::size_t notes = 0;
    std::size_t count = 0; // fields in the header, and so in every row
};

// Finds the columns by name (blanks around a name and case do not matter).
// Appends a message to `errors` for each missing or repeated column.
tCaseColumns find_case_columns(const std::vector<std::string>& header, std::vector<std::string>& errors);
