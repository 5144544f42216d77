// brenlow-report --pdf, --odt and --chart-dir, run without a display: the PDF
// holds the report's lines as printed and one chart page per case, the
// document a chart image per case, each case gets its SVG, and bad input
// still writes nothing at all.
#include <gtest/gtest.h>
#include "required_tool.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#include <sys/stat.h>

namespace {

// A shell command's standard output; `status` gets its exit status.
std::string sh(const std::string& command, int* status = nullptr)
{
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return "<popen failed>";
    char buffer[4096];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, got);
    const int rc = pclose(pipe);
    if (status)
        *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

bool exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

class DrawnOutputs : public ::testing::Test {
protected:
    std::string dir;
    // No display and no platform chosen: the tool must draw offscreen.
    const std::string tool = std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '")
                             + BRENLOW_REPORT_EXE + "'";

    void SetUp() override
    {
        if (sh("command -v pdftotext").empty())
            SKIP_OR_FAIL_WITHOUT("pdftotext (poppler-utils) is not installed");
        std::string pattern = "/tmp/brenlow-drawn-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        std::ofstream(dir + "/cases.csv") << "vc,pr,wm,ps,notes\n100,95,110.5,60,first\n"
                                             "120,85,100,90,\n102,98,97,101,third\n";
    }
    void TearDown() override { sh("rm -rf '" + dir + "'"); }
};

} // namespace

TEST_F(DrawnOutputs, PdfHoldsTheReportThenOneChartPagePerCase)
{
    int status = -1;
    sh("cd '" + dir + "' && " + tool
           + " --cases cases.csv --pairwise --pdf out.pdf --chart-dir charts >report.txt 2>/dev/null",
       &status);
    ASSERT_EQ(status, 0);
    const int pages = std::atoi(sh("pdfinfo '" + dir + "/out.pdf' | sed -n 's/^Pages: *//p'").c_str());
    ASSERT_GE(pages, 3 + 2); // three reports take two pages or more

    // The text pages give the report's lines, in order, nothing else
    // (blanks squeezed: pdftotext spaces columns only roughly;
    // (and each page's footer left out: the render layer's tests check it).
    const std::string squeeze = " | tr -d '\\f' | tr -s ' ' | sed 's/^ //; s/ $//' | grep -v '^$'"
                                " | grep -v '^Brenlow .* page [0-9]* of [0-9]*$'";
    sh("cd '" + dir + "' && pdftotext -layout -l " + std::to_string(pages - 3) + " out.pdf -" + squeeze
           + " >pdf.txt && tr -d '\\r' <report.txt" + squeeze + " | diff -q - pdf.txt",
       &status);
    EXPECT_EQ(status, 0);
    // Then the three charts in case order.
    const auto page = [&](int n) {
        return sh("pdftotext -f " + std::to_string(n) + " -l " + std::to_string(n) + " '" + dir
                  + "/out.pdf' - | tr -s ' \\n' ' '");
    };
    // The scores as the report prints them: 110.5 as 110.
    EXPECT_NE(page(pages - 2).find("VC 100 PR 95 WM 110 PS 60 Pairwise differences"), std::string::npos);
    EXPECT_NE(page(pages).find("VC 102 PR 98 WM 97 PS 101"), std::string::npos);

    EXPECT_EQ(sh("cd '" + dir + "/charts' && grep -l '<svg' *.svg"), "case-0001.svg\ncase-0002.svg\ncase-0003.svg\n");

    // With --no-report nothing goes to standard output, and the PDF still
    // holds the reports.
    EXPECT_EQ(sh("cd '" + dir + "' && " + tool + " --cases cases.csv --pairwise --no-report --pdf quiet.pdf"), "");
    sh("cd '" + dir + "' && pdftotext quiet.pdf a.txt && pdftotext out.pdf b.txt && cmp -s a.txt b.txt", &status);
    EXPECT_EQ(status, 0);
}

TEST_F(DrawnOutputs, BadInputWritesNothingWithStatusTwo)
{
    int status = -1;
    std::ofstream(dir + "/bad.csv") << "vc,pr,wm,ps\n100,95,110,90\n100,95,x,90\n";
    const std::string scores = " --vc 100 --pr 95 --wm 110 --ps 90";
    EXPECT_EQ(sh(tool + " --cases '" + dir + "/bad.csv' --pdf '" + dir + "/out.pdf' --chart-dir '" + dir
                     + "/charts' 2>/dev/null",
                 &status),
              "");
    EXPECT_EQ(status, 2);
    EXPECT_FALSE(exists(dir + "/out.pdf"));
    EXPECT_FALSE(exists(dir + "/charts"));
    // Outputs that cannot go where they are asked are refused before anything.
    EXPECT_EQ(sh(tool + scores + " --pdf '" + dir + "/none/out.pdf' 2>/dev/null", &status), "");
    EXPECT_EQ(status, 2);
    EXPECT_EQ(sh(tool + scores + " --chart-dir '" + dir + "/cases.csv' 2>/dev/null", &status), "");
    EXPECT_EQ(status, 2);
}

namespace {

// The names in a zip file's central directory, read from its end record:
// what a reader of the file finds (a file written without knowing where it
// stood has its directory's offsets wrong, and no names).
std::vector<std::string> zip_names(const std::string& zip)
{
    const auto u16 = [&](size_t at) { return size_t(uint8_t(zip[at])) | size_t(uint8_t(zip[at + 1])) << 8; };
    const auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
    std::vector<std::string> names;
    const size_t end = zip.rfind(std::string("PK\x05\x06", 4));
    if (end == std::string::npos || end + 22 > zip.size())
        return names;
    size_t at = u32(end + 16);
    for (size_t k = 0; k < u16(end + 10) && at + 46 <= zip.size() && zip.compare(at, 4, "PK\x01\x02") == 0; ++k) {
        names.push_back(zip.substr(at + 46, u16(at + 28)));
        at += 46 + u16(at + 28) + u16(at + 30) + u16(at + 32);
    }
    return names;
}

} // namespace

// The document holds each case's chart; it is written whole at the end, and
// a batch larger than one document takes is refused before anything.
TEST_F(DrawnOutputs, OdtHoldsEveryCaseAndALargerBatchIsRefused)
{
    int status = -1;
    sh("cd '" + dir + "' && " + tool + " --cases cases.csv --no-report --odt out.odt", &status);
    EXPECT_EQ(status, 0);
    std::ifstream file(dir + "/out.odt", std::ios::binary);
    const std::string zip((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(zip.compare(30, 47, "mimetypeapplication/vnd.oasis.opendocument.text"), 0);
    const std::vector<std::string> names = zip_names(zip);
    for (const char* name : {"content.xml", "META-INF/manifest.xml", "Pictures/Picture3"})
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
    EXPECT_EQ(std::find(names.begin(), names.end(), "Pictures/Picture4"), names.end());

    std::ofstream many(dir + "/many.csv");
    many << "vc,pr,wm,ps\n";
    for (int row = 0; row < 1001; ++row)
        many << "100,100,100,100\n";
    many.close();
    EXPECT_EQ(sh("cd '" + dir + "' && " + tool + " --cases many.csv --odt big.odt 2>&1", &status),
              "brenlow-report: --odt writes at most 1000 cases into one document (it is held in memory until the "
              "last case); this batch has 1001: split the case file, or use --pdf or --csv\n");
    EXPECT_EQ(status, 2);
    EXPECT_FALSE(exists(dir + "/big.odt"));
}
