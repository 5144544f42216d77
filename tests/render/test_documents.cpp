// The files made of the output: the results PDF read back with pdftotext,
// pdfinfo and pdffonts (poppler-utils), and the chart's PNG and PDF (its SVG:
// test_documents_svg.cpp or _nosvg.cpp, by the build).
// (The PDF's text against the memo and a failed write: the output window's
// and the batch tool's tests.)
#include "render/documents.h"
#include "chart_sample.h"
#include "required_tool.h"

#include <QBuffer>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <gtest/gtest.h>

namespace {

// Runs a poppler tool on `pdf` (written to a temporary file).
QString poppler(const QString& program, QStringList arguments, const QByteArray& pdf)
{
    QTemporaryFile file;
    if (!file.open() || file.write(pdf) != pdf.size() || !file.flush())
        return QStringLiteral("<no file>");
    arguments << file.fileName();
    if (program == QLatin1String("pdftotext"))
        arguments << QStringLiteral("-");
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QStringLiteral("<%1 failed>").arg(program);
    return QString::fromUtf8(process.readAllStandardOutput()).simplified();
}

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
    EXPECT_EQ(page_text(pdf, 1), "one two");
    EXPECT_EQ(page_text(pdf, 2), "three");
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

TEST_F(Documents, ChartAsPngAndPdf)
{
    const QImage png = QImage::fromData(chart_file(tChartFormat::Png, chart(100)), "PNG");
    EXPECT_EQ(png.size(), chart_png_size);

    const QByteArray pdf = chart_file(tChartFormat::Pdf, chart(100));
    EXPECT_TRUE(poppler("pdfinfo", {}, pdf).contains("Pages: 1"));
    EXPECT_TRUE(page_text(pdf, 1).contains("Abnormally low below 75.3 (5%)"));
}
