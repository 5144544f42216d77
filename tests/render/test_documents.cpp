// The files made of the output: the results PDF read back with pdftotext,
// pdfinfo and pdffonts (poppler-utils), and the chart's PNG and PDF (its SVG:
// test_documents_svg.cpp or _nosvg.cpp, by the build).
// (The PDF's text against the memo and a failed write: the output window's
// and the batch tool's tests.)
#include "render/documents.h"
#include "chart_sample.h"
#include "poppler_tool.h"
#include "required_tool.h"

#include <QBuffer>
#include <QDate>
#include <QRegularExpression>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <gtest/gtest.h>

namespace {

QString page_text(const QByteArray& pdf, int page)
{
    return poppler("pdftotext", {"-f", QString::number(page), "-l", QString::number(page)}, pdf);
}

} // namespace

tChartData chart(double vc)
{
    tChartData d;
    d.score = {vc, 95, 110.5, 60};
    d.lower = {vc - 6, 89, 104, 52};
    d.upper = {vc + 6, 101, 117, 68};
    d.is_low = {false, false, false, true};
    d.low_cut = 75.32719;
    d.criterion_item = 4;
    return d;
}

namespace {

class Documents : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            SKIP_OR_FAIL_WITHOUT("pdftotext (poppler-utils) is not installed");
    }
};

} // namespace

// Print All lays a final form feed out as an empty last page; before the
// charts it is left out, while the pages of text keep their breaks.
TEST_F(Documents, ResultsPdfIsTheTextAsPrintedThenOneChartPageEachWithNoEmptyPageBetween)
{
    const QByteArray pdf = results_pdf(results_text_of({" one", "", " two"}) + "\fthree\f",
                                       {chart(102), chart(87)});
    EXPECT_TRUE(poppler("pdfinfo", {}, pdf).contains("Pages: 4"));
    EXPECT_TRUE(page_text(pdf, 1).startsWith("one two Brenlow"));
    EXPECT_TRUE(page_text(pdf, 2).startsWith("three Brenlow"));
    EXPECT_TRUE(page_text(pdf, 3).startsWith("Index scores: VC 102 PR 95 WM 110.5 PS 60"));
    EXPECT_TRUE(page_text(pdf, 4).startsWith("Index scores: VC 87 PR 95"));
    const QString fonts = poppler("pdffonts", {}, pdf);
    EXPECT_TRUE(fonts.contains("LiberationMono"));
    EXPECT_TRUE(fonts.contains("LiberationSans"));
    EXPECT_TRUE(poppler("pdfinfo", {}, pdf).contains("A4"));

    const auto paper = [](QLocale::Language l, QLocale::Territory t) {
        return results_page_layout(QLocale(l, t)).pageSize().id();
    };
    EXPECT_EQ(paper(QLocale::English, QLocale::UnitedStates), QPageSize::Letter);
    EXPECT_EQ(paper(QLocale::French, QLocale::Canada), QPageSize::Letter);
    EXPECT_EQ(paper(QLocale::German, QLocale::Germany), QPageSize::A4);
}

namespace {

struct tWord {
    double x_min, y_min, x_max, y_max;
    QString text;
};

// The words of each page as `pdftotext -bbox` gives them, and the page size.
std::vector<std::vector<tWord>> bbox_pages(const QByteArray& pdf, QSizeF& page)
{
    std::vector<std::vector<tWord>> pages;
    QTemporaryFile file;
    if (!file.open() || file.write(pdf) != pdf.size() || !file.flush())
        return pages;
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), file.fileName(), QStringLiteral("-")});
    process.waitForFinished(30000);
    const QString html = QString::fromUtf8(process.readAllStandardOutput());
    const QRegularExpression tag(QStringLiteral(
        R"RE(<page width="([\d.]+)" height="([\d.]+)">|<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)RE"));
    for (auto m = tag.globalMatch(html); m.hasNext();) {
        const QRegularExpressionMatch w = m.next();
        if (!w.captured(1).isEmpty()) {
            page = QSizeF(w.captured(1).toDouble(), w.captured(2).toDouble());
            pages.emplace_back();
        } else if (!pages.empty()) {
            pages.back().push_back({w.captured(3).toDouble(), w.captured(4).toDouble(), w.captured(5).toDouble(),
                                    w.captured(6).toDouble(), w.captured(7)});
        }
    }
    return pages;
}

} // namespace

// Margins of 15 mm (42.52 points) on every side, measured on the words
// drawn: the text's left edge, the footer's right edge, the first line's
// top and the footer's foot. Each report begins a page with its separator
// line; each page ends with "page n of m", the date and the version.
TEST_F(Documents, ResultsPdfHasEvenMarginsEachReportOnANewPageAndAFooter)
{
    const double margin = 15 / 25.4 * 72;
    constexpr double TOL_POINTS = 1.5; // glyph side bearings
    const std::string separator(103, '-');
    std::vector<std::string> lines = {"", "first report", " " + std::string(105, '_')};
    for (int i = 0; i < 120; ++i) // two pages
        lines.push_back(" line " + std::to_string(i));
    for (const char* line : {"", "", "", separator.c_str(), "", "", "second report"})
        lines.push_back(line);
    for (const QLocale& locale : {QLocale(QLocale::German, QLocale::Germany), QLocale(QLocale::English, QLocale::UnitedStates)}) {
        QSizeF size;
        const auto pages = bbox_pages(results_pdf(results_text_of(lines), {chart(100)}, results_page_layout(locale)), size);
        ASSERT_EQ(pages.size(), 4u);
        EXPECT_NEAR(size.width(), locale.territory() == QLocale::Germany ? 595 : 612, 1);
        const QString date = QLocale::c().toString(QDate::currentDate(), QStringLiteral("d MMMM yyyy"));
        for (std::size_t p = 0; p < pages.size(); ++p) {
            const std::vector<tWord>& words = pages[p];
            ASSERT_GE(words.size(), 5u);
            double left = 1e9, right = 0, top = 1e9, bottom = 0;
            for (const tWord& w : words) {
                left = std::min(left, w.x_min);
                right = std::max(right, w.x_max);
                top = std::min(top, w.y_min);
                bottom = std::max(bottom, w.y_max);
            }
            EXPECT_NEAR(left, margin, TOL_POINTS) << p;
            EXPECT_NEAR(size.width() - right, margin, TOL_POINTS) << p;
            EXPECT_GE(top, margin - TOL_POINTS) << p;
            EXPECT_NEAR(size.height() - bottom, margin, 4) << p; // the descenders' room
            QString tail;
            for (std::size_t i = words.size() - 7; i < words.size(); ++i)
                tail += words[i].text + ' ';
            EXPECT_EQ(tail.toStdString(), QStringLiteral("%1 page %2 of 4 ").arg(date).arg(p + 1).toStdString()) << p;
            EXPECT_EQ(words[words.size() - 9].text, "Brenlow") << p;
        }
        // The second report at the top of page 3, its separator first.
        EXPECT_EQ(pages[2][0].text.toStdString(), separator);
        EXPECT_NEAR(pages[2][0].y_min, margin, TOL_POINTS);
        EXPECT_EQ(pages[2][1].text, "second");
        EXPECT_EQ(pages[0][0].text, "first");
    }
}

TEST_F(Documents, ChartAsPngAndPdf)
{
    const QImage png = QImage::fromData(chart_file(tChartFormat::Png, chart(100)), "PNG");
    EXPECT_EQ(png.size(), chart_png_size);

    const QByteArray pdf = chart_file(tChartFormat::Pdf, chart(100));
    EXPECT_TRUE(poppler("pdfinfo", {}, pdf).contains("Pages: 1"));
    EXPECT_TRUE(page_text(pdf, 1).contains("Abnormally low below 75.3 (5%)"));
}
