// Fuzz target: brenlow-report's case file, from any bytes. The whole reading
// and checking of a case file runs as the tool runs it (nothing is printed),
// and the bare CSV reader runs again with small limits so that they are
// reached. Checked on every input: no field or row over its limit, nothing
// read after a fault that stops the reading, a checked case list holding only
// scores the worksheet's field can hold, and problems told in whole, visible
// messages.
#include "case_checks.h"
#include "cases_csv.h"
#include "fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

void read_with_small_limits(const std::string& text)
{
    std::istringstream in(text);
    tCsvLimits limits;
    limits.max_row_bytes = 48;
    limits.max_field_bytes = 12;
    tCsvReader reader(in, limits);
    tCsvRecord record;
    long long line = 0;
    while (reader.read_record(record)) {
        require(record.line > line); // records move on through the file
        line = record.line;
        size_t row_bytes = 0;
        for (const std::string& field : record.fields) {
            require(field.size() <= limits.max_field_bytes);
            row_bytes += field.size();
        }
        require(row_bytes <= limits.max_row_bytes);
        if (stops_reading(record.fault))
            require(!reader.read_record(record));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    read_with_small_limits(text);

    std::istringstream in(text);
    long long problems = 0;
    const tCaseList list = read_case_file(in, "fuzz.csv", [&](const std::string& message) {
        ++problems;
        for (const char c : message)
            require(c == '\n' || !is_control(c));
    });
    require(list.ok() == (problems == 0));
    require(list.ok() ? list.case_count() > 0 : list.case_count() == 0);
    for (size_t i = 0; i < list.case_count(); ++i)
        for (const std::string& score : list.case_at(i).scores) {
            require(!score.empty() && score.size() <= 6);
            require(score.find_first_not_of("0123456789.-") == std::string::npos);
        }
    return 0;
}
