// The files made of the output: the results PDF read back with pdftotext,
// pdfinfo and pdffonts (poppler-utils), the chart's PNG, SVG and PDF, and a
// file written whole or not at all.
#include "render/documents.h"
#include "render/whole_file.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

QString run_tool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QStringLiteral("<%1 failed>").arg(program);
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

QString pdf_info(const QString& pdf, const QString& field)
{
    for (const QString& line : run_tool("pdfinfo", {pdf}).split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed();
    return QString();
}

QStringList pdf_lines(const QString& pdf, int first_page, int last_page)
{
    QStringList lines = run_tool("pdftotext", {"-layout", "-f", QString::number(first_page), "-l",
                                               QString::number(last_page), pdf, "-"})
                            .split('\n');
    for (QString& line : lines)
        line = line.simplified();
    lines.removeAll(QString());
    return lines;
}

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

class Documents : public ::testing::Test {
protected:
    QTemporaryDir dir;

    void SetUp() override
    {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
        ASSERT_TRUE(dir.isValid());
    }

    QString save(const QString& name, const QByteArray& bytes)
    {
        QString error;
        const QString path = dir.filePath(name);
        EXPECT_TRUE(write_whole_file(path, bytes, error)) << error.toStdString();
        return path;
    }
};

} // namespace

TEST_F(Documents, ResultsPdfIsTheTextAsPrintedThenOneChartPageEach)
{
    QString text = results_text_of({" INPUTS:", " Verbal Comprehension   VC  102", "", " end"});
    const QString pdf = save("results.pdf", results_pdf(text, {chart(102), chart(87)}));
    EXPECT_EQ(pdf_info(pdf, "Pages"), "3");
    EXPECT_EQ(pdf_lines(pdf, 1, 1), (QStringList{"INPUTS:", "Verbal Comprehension VC 102", "end"}));
    EXPECT_TRUE(pdf_lines(pdf, 2, 2).join(' ').contains("VC 102 PR 95 WM 110.5 PS 60"));
    EXPECT_TRUE(pdf_lines(pdf, 3, 3).join(' ').contains("VC 87 PR 95"));
    const QString fonts = run_tool("pdffonts", {pdf});
    EXPECT_TRUE(fonts.contains("LiberationMono"));
    EXPECT_TRUE(fonts.contains("LiberationSans"));
}

// Print All lays out a final form feed as an empty last page; before the
// charts it is left out, while the pages of text keep their breaks.
TEST_F(Documents, NoEmptyPageBetweenTextAndCharts)
{
    const QString pdf = save("ff.pdf", results_pdf("one\ftwo\f", {chart(100)}));
    EXPECT_EQ(pdf_info(pdf, "Pages"), "3");
    EXPECT_EQ(pdf_lines(pdf, 2, 2), QStringList{"two"});
    EXPECT_TRUE(pdf_lines(pdf, 3, 3).join(' ').contains("Index scores"));

    // 200 lines: three pages at 8 points on A4, as printed.
    QString lines;
    for (int i = 1; i <= 200; ++i)
        lines += QStringLiteral("line %1\r\n").arg(i);
    const QString longer = save("long.pdf", results_pdf(lines, {}));
    EXPECT_EQ(pdf_info(longer, "Pages"), "3");
    EXPECT_EQ(pdf_lines(longer, 3, 3).back(), "line 200");
}

TEST_F(Documents, PaperFollowsTheLocale)
{
    EXPECT_EQ(results_page_layout(QLocale(QLocale::English, QLocale::UnitedStates)).pageSize().id(),
              QPageSize::Letter);
    EXPECT_EQ(results_page_layout(QLocale(QLocale::French, QLocale::Canada)).pageSize().id(),
              QPageSize::Letter);
    EXPECT_EQ(results_page_layout(QLocale(QLocale::German, QLocale::Germany)).pageSize().id(),
              QPageSize::A4);
    const QString pdf = save("letter.pdf",
                             results_pdf("x", {}, results_page_layout(QLocale(QLocale::English,
                                                                              QLocale::UnitedStates))));
    EXPECT_TRUE(pdf_info(pdf, "Page size").startsWith("612 x 792"));
}

TEST_F(Documents, ChartAsPngSvgAndPdf)
{
    const QImage png = QImage::fromData(chart_file(tChartFormat::Png, chart(100)), "PNG");
    EXPECT_EQ(png.size(), chart_png_size);

    const QByteArray svg = chart_file(tChartFormat::Svg, chart(100));
    QSvgRenderer renderer(svg);
    EXPECT_TRUE(renderer.isValid());
    EXPECT_EQ(renderer.viewBox(), QRect(0, 0, 800, 600));
    EXPECT_TRUE(svg.contains("Liberation Sans"));

    const QString pdf = save("chart.pdf", chart_file(tChartFormat::Pdf, chart(100)));
    EXPECT_EQ(pdf_info(pdf, "Pages"), "1");
    EXPECT_TRUE(pdf_lines(pdf, 1, 1).join(' ').contains("Abnormally low below 75.3 (5%)"));
}

TEST_F(Documents, FailedWriteLeavesTheExistingFileIntact)
{
    const QString path = dir.filePath("kept.pdf");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old contents");
    }
    // A file size limit far below the PDF's size makes the write fail midway.
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 1000;
    const QByteArray bytes = results_pdf("text", {chart(100)});
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    QString error;
    const bool written = write_whole_file(path, bytes, error);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_FALSE(written);
    EXPECT_FALSE(error.isEmpty());
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("old contents"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"kept.pdf"});

    EXPECT_FALSE(write_whole_file(dir.filePath("missing/x.pdf"), bytes, error));
    EXPECT_FALSE(error.isEmpty());
}
