// Reading the reports in the output window: each new report is shown from its
// first line, no report line wraps on screen (at any scale factor), and notes
// in any script reach the report and the saved file as UTF-8.
#include "test_worksheet_fixture.h"

#include <QFileDialog>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QPlainTextDocumentLayout>
#include <QProcess>
#include <QScrollBar>
#include <QTextBlock>

namespace {

class ReportView : public tWorksheetTest {
protected:
    void compute()
    {
        QTest::mouseClick(ws->cmdCompute, Qt::LeftButton);
        ASSERT_TRUE(results->isVisible());
    }
    // The block shown as the top line of the memo.
    int top_block() const
    {
        return results->memoResults->cursorForPosition(QPoint(2, 2)).blockNumber();
    }
};

// Types `text` one character at a time, as a keyboard with those keys would.
void type_text(QWidget* widget, const QString& text)
{
    for (const char32_t c : text.toUcs4())
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString::fromUcs4(&c, 1),
                            Qt::NoModifier);
}

} // namespace

TEST_F(ReportView, EveryComputeShowsTheNewReportFromItsFirstLine)
{
    start();
    enter_scores(QStringLiteral("100"), QStringLiteral("95"), QStringLiteral("110.5"),
                 QStringLiteral("87"));
    compute();
    EXPECT_EQ(top_block(), 0);
    const int first_report = results->memoResults->document()->blockCount();

    // The reader scrolls into the first report, goes back and computes again.
    results->memoResults->verticalScrollBar()->setValue(20);
    ASSERT_NE(top_block(), 0);
    QTest::mouseClick(results->cmdReturn, Qt::LeftButton);
    compute();
    // The second report's separator block is the top line, the caret on it.
    EXPECT_EQ(top_block(), first_report);
    EXPECT_EQ(results->memoResults->textCursor().blockNumber(), first_report);
    EXPECT_EQ(report_lines()[first_report + 3], std::string(103, '-'));
}

// The widest reports there are (pairwise and deviations, with notes as wide
// as the notes memo lets a line be) have no line that wraps: each block is one line on screen,
// and the longest is measured against the memo's text width.
TEST_F(ReportView, LongestReportLineFitsTheMemo)
{
    start();
    enter_scores(QStringLiteral("50"), QStringLiteral("150"), QStringLiteral("50.125"),
                 QStringLiteral("150"));
    ws->Pairs_vs_Deviations->setItemIndex(0);
    ws->Bonferroni->setItemIndex(1);
    ws->memoComments->setPlainText(QString(250, QLatin1Char('W')));
    compute();
    // and the deviation report, whose rules are the longest.
    QTest::mouseClick(results->cmdReturn, Qt::LeftButton);
    ws->Pairs_vs_Deviations->setItemIndex(1);
    compute();

    QPlainTextEdit* memo = results->memoResults;
    QTextDocument* document = memo->document();
    auto* layout = qobject_cast<QPlainTextDocumentLayout*>(document->documentLayout());
    ASSERT_NE(layout, nullptr);
    const QFontMetricsF metrics(memo->font());
    const qreal text_width = memo->viewport()->width() - 2 * document->documentMargin();
    QString longest;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        layout->ensureBlockLayout(block);
        EXPECT_EQ(block.layout()->lineCount(), 1) << block.text().toStdString();
        if (block.text().size() > longest.size())
            longest = block.text();
    }
    EXPECT_EQ(longest.size(), 106); // a rule of 105
    EXPECT_LE(metrics.horizontalAdvance(longest), text_width)
        << "scale " << qgetenv("QT_SCALE_FACTOR").toStdString();
}

// The same at the scale factors of high-density screens, each in a process
// of its own (the factor is read when the application starts).
TEST(ReportViewScaled, LongestReportLineFitsAtScaleFactorsOneAndAHalfAndTwo)
{
    for (const char* factor : {"1.5", "2"}) {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::fromLatin1(factor));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=ReportView.LongestReportLineFitsTheMemo")});
        ASSERT_TRUE(child.waitForFinished(110000));
        const QByteArray output = child.readAll();
        EXPECT_EQ(child.exitCode(), 0) << "QT_SCALE_FACTOR=" << factor << "\n"
                                       << output.toStdString();
        EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
    }
}

// Notes typed in any script count in characters, reach the report unchanged,
// and Save Output writes them in UTF-8 with the report's CR LF line ends.
TEST_F(ReportView, NotesInAnyScriptReachTheReportAndTheSavedFile)
{
    start();
    enter_scores(QStringLiteral("100"), QStringLiteral("95"), QStringLiteral("110.5"),
                 QStringLiteral("87"));
    tNotesMemo* memo = ws->memoComments;
    memo->setFocus(Qt::TabFocusReason);
    const QString note = QString::fromUtf8("Fee \u20ac120 \u2013 \u201curgent\u201d, Gr\u00fc\u00dfe");
    type_text(memo, note);
    ASSERT_EQ(memo->toPlainText(), note);

    compute();
    const std::string line = " User's Notes: " + note.toStdString();
    const std::vector<std::string> lines = report_lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end());

    const QString saved = folder.filePath(QStringLiteral("results.txt"));
    answer_save_dialog(saved);
    QTest::mouseClick(results->cmdSaveOutput, Qt::LeftButton);
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.contains("\r\n" + QByteArray::fromStdString(line) + "\r\n"));
    EXPECT_TRUE(bytes.contains("\xe2\x82\xac" "120 \xe2\x80\x93")); // the euro sign and the en dash
    EXPECT_EQ(QString::fromUtf8(bytes), results->results_text());

    // The limit of 250 counts characters: a character of two UTF-16 units
    // counts as one.
    QTest::mouseClick(results->cmdReturn, Qt::LeftButton);
    memo->clear();
    memo->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(memo, QString(247, QLatin1Char('x')));
    type_text(memo, QString::fromUtf8("\u20ac\u2013\U0001F600"));
    EXPECT_EQ(memo->stored_length(), 250);
    type_text(memo, QString::fromUtf8("\U0001F600\u20ac")); // the memo is full
    EXPECT_EQ(memo->toPlainText(), QString(247, QLatin1Char('x')) + QString::fromUtf8("\u20ac\u2013\U0001F600"));
}
