#include "cases_csv.h"

#include <cctype>

namespace {

const std::array<const char*, 4> score_columns = {"vc", "pr", "wm", "ps"};

std::string header_name(const std::string& field)
{
    size_t begin = 0;
    size_t end = field.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(field[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(field[end - 1])))
        --end;
    std::string name = field.substr(begin, end - begin);
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

constexpr int end_of_input = std::char_traits<char>::eof();

} // namespace

bool stops_reading(tCsvFault fault)
{
    return fault == tCsvFault::UnclosedQuote || fault == tCsvFault::RowTooLong
           || fault == tCsvFault::FieldTooLong;
}

tCsvReader::tCsvReader(std::istream& in, tCsvLimits limits) : in_(in.rdbuf()), limits_(limits)
{
    // A byte-order mark is not part of the first column's name. The bytes
    // looked at are kept when they turn out not to be one.
    // A UTF-16 byte-order mark (FF FE or FE FF) is noted, not read past:
    // such a file cannot be read as it is.
    // So is a UTF-32 one (FF FE 00 00, 00 00 FE FF), named as such.
    const int first = in_ ? in_->sgetc() : end_of_input;
    if (first == 0xFF || first == 0xFE) {
        pending_ += static_cast<char>(in_->sbumpc());
        utf16_ = in_->sgetc() == (first == 0xFF ? 0xFE : 0xFF);
        if (utf16_ && first == 0xFF) {
            pending_ += static_cast<char>(in_->sbumpc());
            utf32_ = in_->sgetc() == 0 && (pending_ += static_cast<char>(in_->sbumpc()), in_->sgetc() == 0);
            utf16_ = !utf32_;
        }
        return;
    }
    if (first == 0) {
        static const char big_endian_mark[] = {0, 0, '\xFE', '\xFF'};
        for (int i = 0; i < 4 && in_->sgetc() != end_of_input && static_cast<char>(in_->sgetc()) == big_endian_mark[i]; ++i)
            pending_ += static_cast<char>(in_->sbumpc());
        utf32_ = pending_.size() == 4;
        return;
    }
    static const char mark[] = "\xEF\xBB\xBF";
    for (int i = 0; i < 3 && in_; ++i) {
        const int c = in_->sgetc();
        if (c == end_of_input || static_cast<char>(c) != mark[i])
            break;
        pending_ += static_cast<char>(in_->sbumpc());
    }
    if (pending_.size() == 3)
        pending_.clear();
}

int tCsvReader::peek()
{
    if (pending_at_ < pending_.size())
        return static_cast<unsigned char>(pending_[pending_at_]);
    return in_ ? in_->sgetc() : end_of_input;
}

int tCsvReader::get()
{
    if (pending_at_ < pending_.size())
        return static_cast<unsigned char>(pending_[pending_at_++]);
    return in_ ? in_->sbumpc() : end_of_input;
}

bool tCsvReader::at_record_end()
{
    const int c = peek();
    return c == end_of_input || c == '\n' || c == '\r';
}

// Counts one byte of the current row; false (with the fault set) once the
// row is longer than its limit.
bool tCsvReader::count_byte(tCsvRecord& record)
{
    if (++row_bytes_ <= limits_.max_row_bytes)
        return true;
    record.fault = tCsvFault::RowTooLong;
    record.fault_line = line_;
    return false;
}

// Consumes a line end (CR, LF or CR LF).
void tCsvReader::end_line()
{
    if (get() == '\r' && peek() == '\n')
        get();
    ++line_;
}

void tCsvReader::read_field(tCsvRecord& record, std::string& field)
{
    const auto append = [&](char c) {
        if (field.size() >= limits_.max_field_bytes) {
            record.fault = tCsvFault::FieldTooLong;
            record.fault_line = line_;
            return false;
        }
        field += c;
        return true;
    };

    if (peek() != '"') {
        while (!at_record_end() && peek() != ',')
            if (!count_byte(record) || !append(static_cast<char>(get())))
                return;
        return;
    }

    get();
    if (!count_byte(record))
        return;
    const long long opened_on = line_;
    for (;;) {
        const int c = get();
        if (c == end_of_input) {
            record.fault = tCsvFault::UnclosedQuote;
            record.fault_line = opened_on;
            return;
        }
        if (!count_byte(record))
            return;
        if (c == '"') {
            if (peek() != '"')
                break;
            get();
            if (!count_byte(record))
                return;
        } else if (c == '\n' || (c == '\r' && peek() != '\n')) {
            ++line_;
        }
        if (!append(static_cast<char>(c)))
            return;
    }
    if (!at_record_end() && peek() != ',') {
        if (record.fault == tCsvFault::None) { // a row's first such fault is the one reported
            record.fault = tCsvFault::TextAfterQuote;
            record.fault_line = line_;
        }
        while (!at_record_end() && peek() != ',') {
            get();
            if (!count_byte(record))
                return;
        }
    }
}

bool tCsvReader::read_record(tCsvRecord& record)
{
    record.fields.clear();
    record.fault = tCsvFault::None;
    record.fault_line = 0;
    if (stopped_)
        return false;
    while (peek() == '\n' || peek() == '\r') // an empty line holds no record
        end_line();
    if (peek() == end_of_input)
        return false;

    record.line = line_;
    row_bytes_ = 0;
    for (;;) {
        record.fields.emplace_back();
        read_field(record, record.fields.back());
        if (stops_reading(record.fault)) {
            stopped_ = true;
            return true;
        }
        if (peek() != ',')
            break;
        get();
        if (!count_byte(record)) {
            stopped_ = true;
            return true;
        }
    }
    if (peek() != end_of_input)
        end_line();
    return true;
}

tCaseColumns find_case_columns(const std::vector<std::string>& header, std::vector<std::string>& errors)
{
    tCaseColumns columns;
    columns.count = header.size();
    std::array<bool, 4> found{};
    for (size_t c = 0; c < header.size(); ++c) {
        const std::string name = header_name(header[c]);
        for (size_t k = 0; k < score_columns.size(); ++k)
            if (name == score_columns[k]) {
                if (found[k])
                    errors.push_back("column " + name + " appears more than once in the header");
                found[k] = true;
                columns.score[k] = c;
            }
        if (name == "notes") {
            if (columns.has_notes)
                errors.push_back("column notes appears more than once in the header");
            columns.has_notes = true;
            columns.notes = c;
        }
    }
    for (size_t k = 0; k < score_columns.size(); ++k)
        if (!found[k])
            errors.push_back(std::string("missing column ") + score_columns[k]
                             + " (the header row must name vc, pr, wm and ps)");
    return columns;
}
