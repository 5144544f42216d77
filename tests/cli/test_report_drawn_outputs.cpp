// brenlow-report --pdf and --chart-dir, run without a display: the PDF holds
// the report's lines as printed and one chart page per case, each case gets
// its SVG, and bad input still writes nothing at all.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

// Runs a shell command and returns its standard output and exit status.
std::string capture(const std::string& command, int* status = nullptr)
{
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t got;
        while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.append(buffer, got);
        const int rc = pclose(pipe);
        if (status)
            *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    }
    return out;
}

// Non-empty lines with runs of blanks made one (pdftotext spaces columns
// only roughly).
std::vector<std::string> simplified_lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::string out;
        for (const char c : line) {
            const bool blank = c == ' ' || c == '\f' || c == '\r';
            if (blank && (out.empty() || out.back() == ' '))
                continue;
            out += blank ? ' ' : c;
        }
        while (!out.empty() && out.back() == ' ')
            out.pop_back();
        if (!out.empty())
            lines.push_back(out);
    }
    return lines;
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
        if (capture("command -v pdftotext").empty())
            GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/brenlow-drawn-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        std::ofstream(dir + "/cases.csv") << "vc,pr,wm,ps,notes\n100,95,110.5,60,first\n"
                                             "120,85,100,90,\n102,98,97,101,third\n";
    }
    void TearDown() override
    {
        if (!dir.empty()) {
            EXPECT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
        }
    }
};

} // namespace

TEST_F(DrawnOutputs, PdfHoldsTheReportThenOneChartPagePerCase)
{
    int status = -1;
    const std::string report = capture(tool + " --cases '" + dir + "/cases.csv' --pairwise --pdf '" + dir
                                           + "/out.pdf' --chart-dir '" + dir + "/charts' 2>/dev/null",
                                       &status);
    ASSERT_EQ(status, 0);
    const std::string pdf = "'" + dir + "/out.pdf'";
    const std::string pages = capture("pdfinfo " + pdf + " | sed -n 's/^Pages: *//p'");
    const int count = std::atoi(pages.c_str());
    ASSERT_GE(count, 3 + 2); // at least two pages of text for three reports

    // The text pages give the report's lines, in order, nothing else.
    const std::string text_pages = std::to_string(count - 3);
    EXPECT_EQ(simplified_lines(capture("pdftotext -layout -l " + text_pages + " " + pdf + " -")),
              simplified_lines(report));
    // Then the three charts in case order.
    const std::string first_chart = capture("pdftotext -f " + std::to_string(count - 2) + " -l "
                                            + std::to_string(count - 2) + " " + pdf + " - | tr -s ' \\n' ' '");
    EXPECT_NE(first_chart.find("VC 100 PR 95 WM 110.5 PS 60"), std::string::npos) << first_chart;
    EXPECT_NE(first_chart.find("Pairwise differences"), std::string::npos);
    const std::string last_chart = capture("pdftotext -f " + std::to_string(count) + " " + pdf
                                           + " - | tr -s ' \\n' ' '");
    EXPECT_NE(last_chart.find("VC 102 PR 98 WM 97 PS 101"), std::string::npos) << last_chart;

    for (const char* name : {"case-0001.svg", "case-0002.svg", "case-0003.svg"}) {
        std::ifstream svg(dir + "/charts/" + name);
        std::stringstream content;
        content << svg.rdbuf();
        EXPECT_NE(content.str().find("<svg"), std::string::npos) << name;
    }
    EXPECT_FALSE(exists(dir + "/charts/case-0004.svg"));
}

TEST_F(DrawnOutputs, BadInputWritesNothingWithStatusTwo)
{
    int status = -1;
    std::ofstream(dir + "/bad.csv") << "vc,pr,wm,ps\n100,95,110,90\n100,95,x,90\n";
    const std::string out = capture(tool + " --cases '" + dir + "/bad.csv' --pdf '" + dir
                                        + "/out.pdf' --chart-dir '" + dir + "/charts' 2>/dev/null",
                                    &status);
    EXPECT_EQ(status, 2);
    EXPECT_EQ(out, "");
    EXPECT_FALSE(exists(dir + "/out.pdf"));
    EXPECT_FALSE(exists(dir + "/charts"));

    // Outputs that cannot go where they are asked are refused before anything.
    capture(tool + " --vc 100 --pr 95 --wm 110 --ps 90 --pdf '" + dir + "/none/out.pdf' 2>/dev/null", &status);
    EXPECT_EQ(status, 2);
    capture(tool + " --vc 100 --pr 95 --wm 110 --ps 90 --chart-dir '" + dir + "/cases.csv' 2>/dev/null",
            &status);
    EXPECT_EQ(status, 2);
}
