#include "case_checks.h"

#include "cases_csv.h"
#include "cli_text.h"
#include "common/notes_text.h"
#include "common/user_messages.h"
#include "methods/score_entry.h"

#include <algorithm>
#include <vector>

const std::array<const char*, 4> field_captions = {
    "Verbal Comprehension Index score:",
    "Perceptual Reasoning Index score:",
    "Working Memory Index score:",
    "Processing Speed Index score:",
};

namespace {

constexpr size_t field_capacity = 6; // what the worksheet's score field holds

// A seam that keeps the worksheet's messages instead of showing them.
class tCollectedMessages final : public tUnattendedMessages {
public:
    std::string texts;

private:
    void take(const std::string& text) override { texts += (texts.empty() ? "" : "\r") + text; }
};

std::string blanks_trimmed(const std::string& text)
{
    const size_t begin = text.find_first_not_of(' ');
    if (begin == std::string::npos)
        return std::string();
    return text.substr(begin, text.find_last_not_of(' ') + 1 - begin);
}

// What the keystroke filter lets into the field and stays there as typed
// (a comma has become a point by then).
bool field_can_hold(char c) { return (c >= '0' && c <= '9') || c == '.' || c == '-'; }

// The six-character check as the field would make it.
std::string length_message(const std::string& text)
{
    tCollectedMessages messages;
    tScopedUserMessages scope(messages);
    LimitScoreLength(text);
    return messages.texts;
}

std::string problem_text(const std::string& place, const std::string& field, const std::string& message)
{
    return (place.empty() ? field : place + ", " + field) + ":\n" + visible_lines(message);
}

} // namespace

void tCaseList::add(long long line, const std::array<std::string, 4>& scores, const std::string& notes)
{
    ++count_;
    if (!keep_rows)
        return;
    tRow row{line, notes_.size(), static_cast<std::uint32_t>(notes.size()), {}};
    for (size_t k = 0; k < scores.size(); ++k)
        scores[k].copy(row.scores.data() + k * score_size, score_size);
    notes_.insert(notes_.end(), notes.begin(), notes.end());
    rows_.push_back(row);
}

void tCaseList::clear_cases()
{
    count_ = 0;
    if (rows_.empty())
        return;
    rows_.clear();
    rows_.shrink_to_fit();
    notes_.clear();
    notes_.shrink_to_fit();
}

tCase tCaseList::case_at(std::size_t index) const
{
    const tRow& row = rows_.at(index);
    tCase one;
    one.line = row.line;
    for (size_t k = 0; k < one.scores.size(); ++k) {
        const char* text = row.scores.data() + k * score_size;
        one.scores[k].assign(text, std::find(text, text + score_size, '\0'));
    }
    const auto notes = notes_.begin() + static_cast<std::ptrdiff_t>(row.notes_at);
    one.notes.assign(notes, notes + row.notes_size);
    return one;
}

std::optional<std::string> check_score_text(const std::string& text, int k, std::string& message)
{
    const std::string label = field_captions[static_cast<size_t>(k)];
    // A comma is the decimal point to many users: typed into the field it
    // becomes a point, and so it does here.
    std::string score = blanks_trimmed(text);
    std::replace(score.begin(), score.end(), ',', '.');
    // Characters, not bytes: "１００" is three characters the field refuses.
    if (utf8_length(score) > field_capacity) {
        message = length_message(score);
        return std::nullopt;
    }
    for (const char c : score)
        if (!field_can_hold(c)) {
            // ParseScoreText's own message, with the text made visible.
            message = "INPUT ERROR\r(  " + label + "  " + visible(score) + "  )" + "\r" + "\r"
                      + "Enter numeric data only.";
            return std::nullopt;
        }
    tCollectedMessages messages;
    tScopedUserMessages scope(messages);
    bool input_error = false;
    const extended value = ParseScoreText(score, label, input_error);
    if (input_error || !CheckScoreRange(label, static_cast<double>(value))) {
        message = messages.texts;
        return std::nullopt;
    }
    return score;
}

namespace {

// Checks the four scores of a case, reports each bad field and returns
// their number; `texts` become the checked scores.
int check_scores(std::array<std::string, 4>& texts, const std::string& place, bool from_file,
                 const tProblemReport& report)
{
    int bad = 0;
    for (size_t k = 0; k < texts.size(); ++k) {
        std::string message;
        const std::optional<std::string> score = check_score_text(texts[k], static_cast<int>(k), message);
        if (score) {
            texts[k] = *score;
            continue;
        }
        ++bad;
        const std::string field = from_file ? std::string("column ") + score_columns[k]
                                            : std::string(score_options[k]);
        report(problem_text(place, field, message));
    }
    return bad;
}

// The notes' check; reports and counts a bad one.
int check_notes(const std::string& notes, const std::string& place, const std::string& field,
                const tProblemReport& report)
{
    const std::string problem = notes_problem(notes);
    if (problem.empty())
        return 0;
    report(problem_text(place, field, problem));
    return 1;
}

// Passes on the problems of the first rows with problems, and counts the
// rows of the others.
class tRowProblems {
public:
    explicit tRowProblems(const tProblemReport& report) : report_(report) {}
    // Problems from now on belong to this row (0: not a row's).
    void at_row(long long row) { row_ = row; }
    void operator()(const std::string& message)
    {
        if (row_ > 0 && row_ != last_bad_row_) {
            last_bad_row_ = row_;
            ++bad_rows_;
        }
        if (row_ == 0 || bad_rows_ <= max_reported_rows)
            report_(message);
    }
    void finish() const
    {
        if (bad_rows_ > max_reported_rows)
            report_("... and " + std::to_string(bad_rows_ - max_reported_rows)
                    + " more rows with problems (not shown)");
    }

private:
    const tProblemReport& report_;
    long long row_ = 0;
    long long last_bad_row_ = 0;
    long long bad_rows_ = 0;
};

std::string row_words(long long row, long long line)
{
    return "row " + std::to_string(row) + " (line " + std::to_string(line) + ")";
}

std::string row_place(const std::string& source, long long row, long long line)
{
    return visible(source) + " " + row_words(row, line);
}

std::string limit_text(const tCsvReader& reader, tCsvFault fault)
{
    const tCsvLimits& limits = reader.size_limits();
    return fault == tCsvFault::RowTooLong
               ? "is longer than " + std::to_string(limits.max_row_bytes) + " bytes (the limit of a row)"
               : "has a field longer than " + std::to_string(limits.max_field_bytes)
                     + " bytes (the limit of a field)";
}

bool over_limit(tCsvFault fault)
{
    return fault == tCsvFault::RowTooLong || fault == tCsvFault::FieldTooLong;
}

std::string quote_fault_text(const tCsvRecord& record)
{
    return "line " + std::to_string(record.fault_line)
           + (record.fault == tCsvFault::UnclosedQuote ? ": a quoted field is not closed"
                                                       : ": unexpected text after a closing quote");
}

// Reads the header row and finds the columns in it: the faults of the file's
// start (its encoding, no header row, a header row over a limit or with a
// broken quote, columns missing or repeated); none when the rows may follow.
std::vector<std::string> header_faults(tCsvReader& reader, tCaseColumns& columns)
{
    if (reader.utf32())
        return {"the file is UTF-32 text (it begins with a UTF-32 byte-order mark); save it as UTF-8"};
    if (reader.utf16())
        return {"the file is UTF-16 text (it begins with a UTF-16 byte-order mark); save it as UTF-8"};
    tCsvRecord record;
    if (!reader.read_record(record))
        return {"the file is empty (a header row with vc, pr, wm and ps is needed)"};
    if (over_limit(record.fault))
        return {"the header row (line " + std::to_string(record.line) + ") " + limit_text(reader, record.fault)};
    if (record.fault != tCsvFault::None)
        return {quote_fault_text(record)};
    std::vector<std::string> errors;
    columns = find_case_columns(record.fields, errors);
    return errors;
}

// The scores and notes of one well-formed row, named `place` in messages;
// the row is kept and handed to `each` while nothing is wrong.
void check_row(tCsvRecord& record, const tCaseColumns& columns, const std::string& place,
               const tProblemReport& report, const tCaseHandler& each, tCaseList& list)
{
    std::array<std::string, 4> texts;
    for (size_t k = 0; k < texts.size(); ++k)
        texts[k] = std::move(record.fields[columns.score[k]]);
    list.bad_scores += check_scores(texts, place, true, report);
    static const std::string no_notes;
    const std::string& notes = columns.has_notes ? record.fields[columns.notes] : no_notes;
    list.bad_notes += check_notes(notes, place, "column notes", report);
    if (list.ok()) {
        list.add(record.line, texts, notes);
        if (each)
            each(tCase{record.line, texts, notes});
    } else {
        list.clear_cases(); // nothing will be computed
    }
}

} // namespace

tCaseList check_command_line_case(const tOptions& options, const tProblemReport& report)
{
    tCaseList list;
    std::array<std::string, 4> texts;
    for (size_t k = 0; k < texts.size(); ++k)
        texts[k] = options.scores[k].value_or(std::string());
    list.bad_scores = check_scores(texts, std::string(), false, report);
    if (options.notes)
        list.bad_notes = check_notes(*options.notes, std::string(), "--notes", report);
    if (list.ok())
        list.add(0, texts, options.notes.value_or(std::string()));
    return list;
}

tCaseList read_case_file(std::istream& in, const std::string& source, const tProblemReport& given_report,
                         const tCaseHandler& each, bool keep_rows)
{
    tCaseList list;
    list.source = source;
    list.keep_rows = keep_rows;
    const std::string name = visible(source);
    tRowProblems problems(given_report);
    const tProblemReport report = [&](const std::string& message) { problems(message); };
    const auto fault = [&](const std::string& text) {
        ++list.faults;
        list.clear_cases(); // nothing will be computed
        report(name + ": " + text);
    };

    tCsvReader reader(in);
    tCaseColumns columns;
    const std::vector<std::string> header = header_faults(reader, columns);
    for (const std::string& error : header)
        fault(error);
    if (!header.empty())
        return list;

    long long row = 0;
    for (tCsvRecord record; reader.read_record(record);) {
        problems.at_row(++row);
        const std::string words = row_words(row, record.line);
        if (over_limit(record.fault)) {
            fault(words + " " + limit_text(reader, record.fault));
            return list;
        }
        if (record.fault != tCsvFault::None)
            fault(quote_fault_text(record));
        else if (record.fields.size() != columns.count)
            fault(words + " has " + std::to_string(record.fields.size()) + " fields where the header has "
                  + std::to_string(columns.count));
        else
            check_row(record, columns, name + " " + words, report, each, list);
    }
    problems.at_row(0);
    problems.finish();
    if (list.ok() && list.case_count() == 0)
        fault("the file has a header row but no cases");
    return list;
}

std::string case_place(const tCaseList& list, long long number, const tCase& one)
{
    return list.source.empty() ? std::string() : row_place(list.source, number, one.line);
}
