// The output window's PDF file and Chart menu, after real Computes on the
// worksheet: Save as PDF... read back with pdftotext and pdfinfo, a failed
// write, Clear Results, and the chart window with Save Chart... and Close.
#include "app/chart_window.h"
#include "test_worksheet_fixture.h"
#include "required_tool.h"

#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <csignal>
#include <unistd.h>
#include <sys/resource.h>

namespace {

// A poppler tool's output, blanks squeezed (pdftotext spaces columns only
// roughly) and empty lines dropped.
QStringList poppler(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(30000);
    QStringList lines = QString::fromUtf8(process.readAllStandardOutput()).split('\n');
    for (QString& line : lines)
        line = line.simplified();
    lines.removeAll(QString());
    return lines;
}

int pdf_pages(const QString& pdf)
{
    return poppler("pdfinfo", {pdf}).filter(QRegularExpression("^Pages:")).value(0).mid(6).toInt();
}

class OutputFiles : public tWorksheetTest {
protected:
    void SetUp() override
    {
        tWorksheetTest::SetUp();
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            SKIP_OR_FAIL_WITHOUT("pdftotext (poppler-utils) is not installed");
        start();
    }

    QString save_pdf(const QString& name)
    {
        const QString path = folder.filePath(name);
        answer_save_dialog(path);
        results->mnuSaveAsPdf->trigger();
        return path;
    }
};

} // namespace

TEST_F(OutputFiles, PdfHoldsTheMemoAsPrintedThenTheChartOfEachReport)
{
    EXPECT_FALSE(results->mnuProfileChart->isEnabled());
    compute("100", "95", "110.5", "60");
    compute("120", "85", "100", "90");
    EXPECT_TRUE(results->mnuProfileChart->isEnabled());
    ASSERT_EQ(results->report_charts().size(), 2u);

    // An edit by hand is printed as it stands.
    results->memoResults->appendPlainText(QStringLiteral("Seen on review."));
    const QString pdf = save_pdf("results.pdf");
    const int pages = pdf_pages(pdf);
    ASSERT_GE(pages, 4);
    const QString text_pages = QString::number(pages - 2);
    QStringList memo = results->memoResults->toPlainText().split('\n');
    for (QString& line : memo)
        line = line.simplified();
    memo.removeAll(QString());
    // Each page's footer aside (the render layer's tests check it).
    QStringList printed = poppler("pdftotext", {"-layout", "-l", text_pages, pdf, "-"});
    const qsizetype with_footers = printed.size();
    const QRegularExpression footer(QStringLiteral("^Brenlow .* page \\d+ of \\d+$"));
    printed.removeIf([&footer](const QString& line) { return footer.match(line).hasMatch(); });
    EXPECT_EQ(with_footers - printed.size(), pages - 2);
    EXPECT_EQ(printed, memo);
    const auto page_text = [&](int page) {
        const QString n = QString::number(page);
        return poppler("pdftotext", {"-f", n, "-l", n, pdf, "-"}).join(' ');
    };
    // The scores as the report prints them: 110.5 as 110.
    EXPECT_TRUE(page_text(pages - 1).contains("VC 100 PR 95 WM 110 PS 60")) << page_text(pages - 1).toStdString();
    EXPECT_TRUE(page_text(pages).contains("VC 120 PR 85 WM 100 PS 90"));

    // Clear Results forgets the charts with the reports: no chart of a
    // cleared report can be shown.
    results->cmdClearResults->click();
    EXPECT_TRUE(results->report_charts().empty());
    EXPECT_FALSE(results->mnuProfileChart->isEnabled());
    bool chart_shown = false;
    on_next_modal([&chart_shown](QWidget* w) {
        chart_shown = true;
        w->close();
    }, 2000);
    results->mnuProfileChartClick();
    EXPECT_FALSE(chart_shown);
    compute("100", "100", "100", "100");
    ASSERT_EQ(results->report_charts().size(), 1u);
    EXPECT_EQ(results->report_charts()[0].score[1], 100);
}

TEST_F(OutputFiles, FailedPdfWriteLeavesTheExistingFileAndShowsTheGeneralError)
{
    compute("100", "95", "110.5", "60");
    const QString path = folder.filePath("kept.pdf");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old contents");
    }
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 1000; // far below the PDF's size
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    tSeenBox overwrite;
    tSeenBox error;
    answer_save_dialog(path);
    answer_message_boxes({{"&Yes", &overwrite}, {"OK", &error}}); // replace it? then the error
    results->mnuSaveAsPdf->trigger();
    setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_TRUE(overwrite.seen);
    EXPECT_TRUE(error.seen);
    EXPECT_EQ(error.icon, QMessageBox::Critical);
    EXPECT_TRUE(error.text.endsWith('.'));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("old contents"));
}

TEST_F(OutputFiles, ChartWindowShowsTheLatestReportAndSavesItByFileType)
{
    compute("100", "95", "110.5", "60");
    compute("120", "85", "100", "90");
    bool shown = false;
    tSaveDialogSeen seen;
    on_next_modal([&](QWidget* w) {
        auto* chart = qobject_cast<tChartWindow*>(w);
        if (!chart)
            return;
        shown = true;
        EXPECT_EQ(chart->pnlChart->chart().score[0], 120);
        EXPECT_EQ(chart->pnlChart->size(), QSize(800, 600));
        // Its figures as text for a screen reader, as the report prints them.
        const QString spoken = chart->pnlChart->accessibleDescription();
        EXPECT_TRUE(spoken.contains(QStringLiteral("VC 120, 95% limits"))) << spoken.toStdString();
        EXPECT_TRUE(spoken.contains(QStringLiteral("Deviations from the case's mean: VC ")));
        // No extension typed: the chosen type's (PNG, the first) is added.
        answer_save_dialog(folder.filePath("profile"), &seen);
        chart->cmdSaveChart->click();
        chart->cmdClose->click();
    });
    results->mnuProfileChart->trigger();
    EXPECT_TRUE(shown);
    EXPECT_EQ(seen.proposed_name, "chart.png");
    const QImage png(folder.filePath("profile.png"), "PNG");
    EXPECT_EQ(png.size(), QSize(1600, 1200));
}

// The typed extension decides the format when it is one of the three,
// whatever file type is chosen; another extension keeps the chosen type and
// gets its extension added.
TEST_F(OutputFiles, SaveChartWritesTheFormatTheTypedNameSays)
{
    compute("100", "95", "110.5", "60");
    const struct {
        const char* typed;
        const char* written;
        QByteArray magic;
    } cases[] = {
        {"chart_a.svg", "chart_a.svg", "<?xml"},
        {"chart_b.PDF", "chart_b.PDF", "%PDF"},
        {"chart_c.png", "chart_c.png", "\x89PNG"},
        {"chart_d.v2", "chart_d.v2.png", "\x89PNG"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        on_next_modal([&](QWidget* w) {
            auto* chart = qobject_cast<tChartWindow*>(w);
            if (!chart)
                return;
            answer_save_dialog(folder.filePath(c.typed)); // the PNG type, proposed first
            chart->cmdSaveChart->click();
            chart->cmdClose->click();
        });
        results->mnuProfileChart->trigger();
        QFile file(folder.filePath(c.written));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.readAll().startsWith(c.magic));
    }
    EXPECT_FALSE(QFileInfo::exists(folder.filePath("chart_a.svg.png")));
    EXPECT_FALSE(QFileInfo::exists(folder.filePath("chart_d.v2")));

    const tChartSaveTarget svg_type = chart_save_target(QStringLiteral("/x/report.final"), tChartFormat::Svg);
    EXPECT_EQ(svg_type.file, QStringLiteral("/x/report.final.svg"));
    EXPECT_EQ(svg_type.format, tChartFormat::Svg);
    EXPECT_EQ(chart_save_target(QStringLiteral("/x/a.Png"), tChartFormat::Pdf).format, tChartFormat::Png);
}

// No save of a window replaces the program's own files, whatever name leads
// to them: a link, a hard link, or the name of the sets file that is not
// there yet.
TEST_F(OutputFiles, SavesRefuseTheProgramsOwnFilesByAnyName)
{
    compute("100", "95", "110.5", "60");
    const QString sheet = folder.filePath("orvane_index.txt");
    const QByteArray kept = file_bytes();
    ASSERT_NE(kept, QByteArray("<no file>"));
    ASSERT_TRUE(QFile::link(sheet, folder.filePath("mine.txt")));
    ASSERT_EQ(::link(sheet.toLocal8Bit().constData(), folder.filePath("copy.png").toLocal8Bit().constData()), 0);
    const auto expect_refused = [&](const tSeenBox& box, const QString& named, const char* what) {
        ASSERT_TRUE(box.seen);
        EXPECT_EQ(box.icon, QMessageBox::Warning);
        EXPECT_TRUE(box.text.startsWith(named)) << box.text.toStdString();
        EXPECT_TRUE(box.text.contains(what)) << box.text.toStdString();
        EXPECT_TRUE(box.text.contains("It is not replaced; choose another name.")) << box.text.toStdString();
    };

    tSeenBox replace, text_box;
    answer_save_dialog(folder.filePath("mine.txt"));
    answer_message_boxes({{"&Yes", &replace}, {"OK", &text_box}});
    results->cmdSaveOutput->click();
    expect_refused(text_box, folder.filePath("mine.txt"), "the worksheet file");

    tSeenBox pdf_box;
    answer_save_dialog(folder.filePath("orvane_norms.txt"));
    answer_message_boxes({{"OK", &pdf_box}});
    results->mnuSaveAsPdf->trigger();
    expect_refused(pdf_box, folder.filePath("orvane_norms.txt"), "sets of normative data");
    EXPECT_FALSE(QFileInfo::exists(folder.filePath("orvane_norms.txt")));

    tSeenBox chart_box;
    on_next_modal([&](QWidget* w) {
        auto* chart = qobject_cast<tChartWindow*>(w);
        if (!chart)
            return;
        answer_save_dialog(folder.filePath("copy.png"));
        answer_message_boxes({{"&Yes", &replace}, {"OK", &chart_box}});
        chart->cmdSaveChart->click();
        chart->cmdClose->click();
    });
    results->mnuProfileChart->trigger();
    expect_refused(chart_box, folder.filePath("copy.png"), "the worksheet file");
    EXPECT_EQ(file_bytes(), kept);
}
