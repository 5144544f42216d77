// The page layout on a real QPrinter writing a PDF file (no print server),
// read back with pdftotext -layout and pdfinfo from poppler-utils.
#include "app/qt_print_canvas.h"
#include "required_tool.h"

#include <QFontMetrics>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString run_tool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QStringLiteral("<%1 failed>").arg(program);
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

int pdf_pages(const QString& pdf)
{
    for (const QString& line : run_tool("pdfinfo", {pdf}).split('\n'))
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    return -1;
}

class PrintPdf : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QPrinter printer{QPrinter::HighResolution};
    QString pdf;

    void SetUp() override
    {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            SKIP_OR_FAIL_WITHOUT("pdftotext (poppler-utils) is not installed");
        ASSERT_TRUE(dir.isValid());
        pdf = dir.filePath("out.pdf");
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageSize(QPageSize(QPageSize::A4));
    }

    QStringList printed_lines()
    {
        QStringList lines = run_tool("pdftotext", {"-layout", pdf, "-"}).split('\n');
        for (QString& line : lines)
            line = line.simplified(); // pdftotext spaces columns only roughly
        lines.removeAll(QString());
        lines.removeAll(QStringLiteral("\f"));
        return lines;
    }
};

} // namespace

TEST_F(PrintPdf, ReportLinesComeBackAsPrinted)
{
    ASSERT_TRUE(print_text_on(printer, " INPUTS:\r\n Verbal Comprehension   VC  102\r\n\r\n end\r\n"));
    EXPECT_EQ(pdf_pages(pdf), 1);
    EXPECT_EQ(printed_lines(), (QStringList{"INPUTS:", "Verbal Comprehension VC 102", "end"}));
}

TEST_F(PrintPdf, TheFontIsLiberationMonoAt8Points)
{
    ASSERT_TRUE(print_text_on(printer, "x\r\n"));
    EXPECT_TRUE(run_tool("pdffonts", {pdf}).contains("LiberationMono"));
    // 8 points at the printer's resolution: the font's height in device units
    // lies near 8 / 72 inch (Liberation Mono's line height is 1.13 em).
    const QFontMetrics metrics(printed_text_font(), &printer);
    const double em = 8.0 / 72.0 * printer.resolution();
    EXPECT_NEAR(metrics.height(), 1.13 * em, 0.05 * em);
    // Fixed pitch of 0.6 em.
    EXPECT_NEAR(metrics.horizontalAdvance('W'), 0.6 * em, 0.02 * em);
    EXPECT_EQ(metrics.horizontalAdvance('W'), metrics.horizontalAdvance('i'));
}

TEST_F(PrintPdf, LineWiderThanThePageContinuesOnTheNextLineWithNothingLost)
{
    // 300 digits; at 0.6 em of 8 points the page takes some 120 a line.
    QString digits;
    for (int i = 0; i < 300; ++i)
        digits += QChar('0' + i % 10);
    ASSERT_TRUE(print_text_on(printer, digits + "\r\n"));
    const QStringList lines = printed_lines();
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines.join(QString()), digits);
    // Every line but the last as full as the page allows.
    // The font's own advance, unrounded, against the printable width.
    const double advance = QFontMetricsF(printed_text_font(), &printer).horizontalAdvance('0');
    EXPECT_EQ(lines[0].size(), int(printer.width() / advance));
}

TEST_F(PrintPdf, FormFeedAndLongTextsStartNewPages)
{
    ASSERT_TRUE(print_text_on(printer, "page one\fpage two\r\n"));
    EXPECT_EQ(pdf_pages(pdf), 2);
    EXPECT_EQ(printed_lines(), (QStringList{"page one", "page two"}));

    // A4 at 8 points holds some 80 lines; 200 lines need three pages.
    QString text;
    for (int i = 1; i <= 200; ++i)
        text += QStringLiteral("line %1\r\n").arg(i);
    QTemporaryDir other;
    printer.setOutputFileName(other.filePath("long.pdf"));
    ASSERT_TRUE(print_text_on(printer, text));
    pdf = other.filePath("long.pdf");
    EXPECT_EQ(pdf_pages(pdf), 3);
    const QStringList lines = printed_lines();
    ASSERT_EQ(lines.size(), 200);
    EXPECT_EQ(lines.front(), "line 1");
    EXPECT_EQ(lines.back(), "line 200");
}

TEST_F(PrintPdf, EmptyTextIsStillOnePage)
{
    ASSERT_TRUE(print_text_on(printer, "\r\n"));
    EXPECT_EQ(pdf_pages(pdf), 1);
}
