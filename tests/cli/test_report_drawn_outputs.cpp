// brenlow-report --pdf and --chart-dir, run without a display: the PDF holds
// the report's lines as printed and one chart page per case, each case gets
// its SVG, and bad input still writes nothing at all.
#include <gtest/gtest.h>
#include "required_tool.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
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
