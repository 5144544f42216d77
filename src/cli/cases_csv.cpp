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

} // namespace

std::vector<tCsvRecord> split_csv(const std::string& text, std::vector<std::string>& errors)
{
    std::vector<tCsvRecord> records;
    size_t pos = 0;
    int line = 1;
    // A byte-order mark is not part of the first column's name.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        pos = 3;

    const auto at_record_end = [&](size_t p) { return p >= text.size() || text[p] == '\n' || text[p] == '\r'; };
    const auto skip_record_end = [&]() {
        if (pos < text.size() && text[pos] == '\r')
            ++pos;
        if (pos < text.size() && text[pos] == '\n')
            ++pos;
        ++line;
    };

    while (pos < text.size()) {
        tCsvRecord record;
        record.line = line;
        if (at_record_end(pos)) { // an empty line holds no record
            skip_record_end();
            continue;
        }
        bool record_done = false;
        while (!record_done) {
            std::string field;
            if (pos < text.size() && text[pos] == '"') {
                const int opened_on = line;
                ++pos;
                bool closed = false;
                while (pos < text.size()) {
                    const char c = text[pos++];
                    if (c == '"') {
                        if (pos < text.size() && text[pos] == '"') {
                            field += '"';
                            ++pos;
                        } else {
                            closed = true;
                            break;
                        }
                    } else {
                        if (c == '\n' || (c == '\r' && (pos >= text.size() || text[pos] != '\n')))
                            ++line;
                        field += c;
                    }
                }
                if (!closed) {
                    errors.push_back("line " + std::to_string(opened_on)
                                     + ": a quoted field is not closed");
                    record.fields.push_back(field);
                    records.push_back(record);
                    return records;
                }
                if (!at_record_end(pos) && text[pos] != ',') {
                    errors.push_back("line " + std::to_string(line)
                                     + ": unexpected text after a closing quote");
                    while (!at_record_end(pos) && text[pos] != ',')
                        ++pos;
                }
            } else {
                while (!at_record_end(pos) && text[pos] != ',')
                    field += text[pos++];
            }
            record.fields.push_back(field);
            if (pos < text.size() && text[pos] == ',') {
                ++pos;
            } else {
                record_done = true;
                if (pos < text.size())
                    skip_record_end();
            }
        }
        records.push_back(record);
    }
    return records;
}

tCaseFile parse_case_file(const std::string& text)
{
    tCaseFile file;
    const std::vector<tCsvRecord> records = split_csv(text, file.errors);
    if (!file.errors.empty())
        return file;
    if (records.empty()) {
        file.errors.push_back("the file is empty (a header row with vc, pr, wm and ps is needed)");
        return file;
    }

    const tCsvRecord& header = records.front();
    std::array<int, 4> score_index = {-1, -1, -1, -1};
    int notes_index = -1;
    for (size_t c = 0; c < header.fields.size(); ++c) {
        const std::string name = header_name(header.fields[c]);
        for (size_t k = 0; k < score_columns.size(); ++k)
            if (name == score_columns[k]) {
                if (score_index[k] >= 0)
                    file.errors.push_back("column " + name + " appears more than once in the header");
                score_index[k] = static_cast<int>(c);
            }
        if (name == "notes") {
            if (notes_index >= 0)
                file.errors.push_back("column notes appears more than once in the header");
            notes_index = static_cast<int>(c);
        }
    }
    for (size_t k = 0; k < score_columns.size(); ++k)
        if (score_index[k] < 0)
            file.errors.push_back(std::string("missing column ") + score_columns[k]
                                  + " (the header row must name vc, pr, wm and ps)");
    if (!file.errors.empty())
        return file;

    for (size_t r = 1; r < records.size(); ++r) {
        const tCsvRecord& record = records[r];
        const int row = static_cast<int>(r);
        if (record.fields.size() != header.fields.size()) {
            file.errors.push_back("row " + std::to_string(row) + " (line " + std::to_string(record.line)
                                  + ") has " + std::to_string(record.fields.size())
                                  + " fields where the header has "
                                  + std::to_string(header.fields.size()));
            continue;
        }
        tCaseRow case_row;
        case_row.row = row;
        case_row.line = record.line;
        for (size_t k = 0; k < score_columns.size(); ++k)
            case_row.score_texts[k] = record.fields[static_cast<size_t>(score_index[k])];
        if (notes_index >= 0)
            case_row.notes = record.fields[static_cast<size_t>(notes_index)];
        file.rows.push_back(case_row);
    }
    if (file.rows.empty() && file.errors.empty())
        file.errors.push_back("the file has a header row but no cases");
    return file;
}
