// The case file's reader and the command-line parser, called from memory as
// the fuzz targets call them: record and line bookkeeping, the limits at
// their exact edges, and errors handed back rather than printed.

#include "case_checks.h"
#include "cases_csv.h"
#include "command_line.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {


std::vector<tCsvRecord> read_all(const std::string& text, tCsvLimits limits = tCsvLimits())
{
    std::istringstream in(text);
    tCsvReader reader(in, limits);
    std::vector<tCsvRecord> records;
    tCsvRecord record;
    while (reader.read_record(record))
        records.push_back(record);
    return records;
}

using tFields = std::vector<std::string>;

TEST(CsvReader, RecordsFieldsAndTheirLines)
{
    // CR, LF and CR LF end records; empty lines hold none; quoted fields keep
    // commas, doubled quotes and line breaks, which count as lines.
    const auto records = read_all("\xEF\xBB\xBFvc,pr\r\n\r\n1,\"a,\"\"b\"\"\r\nc\"\r2,\"x\ry\"\n\n3,");
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].fields, (tFields{"vc", "pr"}));
    EXPECT_EQ(records[1].fields, (tFields{"1", "a,\"b\"\r\nc"}));
    EXPECT_EQ(records[1].line, 3);
    EXPECT_EQ(records[2].fields, (tFields{"2", "x\ry"}));
    EXPECT_EQ(records[2].line, 5);
    EXPECT_EQ(records[3].fields, (tFields{"3", ""}));
    EXPECT_EQ(records[3].line, 8);

    // Two bytes of a byte-order mark, and no third, are data.
    EXPECT_EQ(read_all("\xEF\xBBx,y").at(0).fields, (tFields{"\xEF\xBBx", "y"}));
}

TEST(CsvReader, QuoteFaults)
{
    const auto after = read_all("a,\"b\"c,\"d\"e\nf\n");
    ASSERT_EQ(after.size(), 2u) << "reading goes on after text behind a closing quote";
    EXPECT_EQ(after[0].fault, tCsvFault::TextAfterQuote);
    EXPECT_EQ(after[0].fields, (tFields{"a", "b", "d"}));
    EXPECT_EQ(after[1].fields, (tFields{"f"}));

    const auto open = read_all("a\nb,\"c\nd\n");
    ASSERT_EQ(open.size(), 2u);
    EXPECT_EQ(open[1].fault, tCsvFault::UnclosedQuote);
    EXPECT_EQ(open[1].fault_line, 2);
}

TEST(CsvReader, LimitsAreExactAndStopTheReading)
{
    tCsvLimits limits;
    limits.max_row_bytes = 12;
    limits.max_field_bytes = 5;
    // A field of five bytes and a row of twelve pass; one byte more does not.
    const auto fit = read_all("abcde,\"12\"\"\"\nx", limits);
    ASSERT_EQ(fit.size(), 2u);
    EXPECT_EQ(fit[0].fault, tCsvFault::None);
    EXPECT_EQ(fit[0].fields, (tFields{"abcde", "12\""}));

    const auto field = read_all("abcdef\nx\n", limits);
    ASSERT_EQ(field.size(), 1u);
    EXPECT_EQ(field[0].fault, tCsvFault::FieldTooLong);

    const auto row = read_all("a\n\"1\n2\",\"3\n4\",x\nx\n", limits);
    ASSERT_EQ(row.size(), 2u);
    EXPECT_EQ(row[1].fault, tCsvFault::RowTooLong);
    EXPECT_EQ(row[1].line, 2);
    EXPECT_EQ(row[1].fault_line, 4);
}

TEST(CaseFile, RowsAreKeptAsCheckedAndOnlyWhileNothingIsWrong)
{
    std::vector<std::string> problems;
    const auto report = [&](const std::string& message) { problems.push_back(message); };
    std::istringstream good("ID,Notes,ps,WM,pr,VC\n1,\"two\nlines\",  87,110.5,95,100\n");
    const tCaseList list = read_case_file(good, "a.csv", report);
    ASSERT_EQ(list.case_count(), 1u);
    EXPECT_EQ(list.case_at(0).scores, (std::array<std::string, 4>{"100", "95", "110.5", "87"}));
    EXPECT_EQ(list.case_at(0).notes, "two\nlines");

    std::istringstream short_row("vc,pr,wm,ps\n100,100,100,100\n100,100\n");
    const tCaseList structure = read_case_file(short_row, "c.csv", report);
    EXPECT_EQ(structure.faults, 1);
    EXPECT_EQ(structure.case_count(), 0u);
    EXPECT_EQ(problems, std::vector<std::string>{"c.csv: row 2 (line 3) has 2 fields where the header has 4"});
}

TEST(CommandLine, ErrorsAreHandedBack)
{
    EXPECT_EQ(parse_command_line({"--cases"}).error, "option --cases needs a value");
    EXPECT_EQ(parse_command_line({"--vc", "1", "--help", "--what"}).error, "unknown option --what");
    const tCommandLine help = parse_command_line({"--vc", "1", "-h"});
    EXPECT_TRUE(help.error.empty()) << "a partial case is no error beside --help";
    EXPECT_TRUE(help.options.help);
    const tCommandLine quiet = parse_command_line({"--cases=a.csv", "-q", "--criterion=1"});
    EXPECT_TRUE(quiet.error.empty()) << quiet.error;
    EXPECT_TRUE(quiet.options.quiet);
    EXPECT_EQ(quiet.options.criterion_item, 6);
}

} // namespace
