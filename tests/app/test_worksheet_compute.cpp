// Compute from the worksheet: validation with the focus on the first bad
// field, the worksheet file written and restored at the next start, the hand
// over to the output window, Clear Data, and file failures in the general
// error box.
#include "test_worksheet_fixture.h"

#include <QDir>

namespace {

const QString kVC = QStringLiteral("Verbal Comprehension Index score:");
const QString kPR = QStringLiteral("Perceptual Reasoning Index score:");
const QString kWM = QStringLiteral("Working Memory Index score:");

struct tBadFieldCase {
    const char* name;
    const char* scores[4];
    int failing_field;
    const char* message; // line breaks as the box shows them
};

void PrintTo(const tBadFieldCase& c, std::ostream* os) { *os << c.name; }

class ComputeRejects : public tWorksheetTest, public ::testing::WithParamInterface<tBadFieldCase> {};

} // namespace

TEST_P(ComputeRejects, FirstBadFieldOnlyWithFocusAndNothingSaved)
{
    const tBadFieldCase& c = GetParam();
    start();
    enter_scores(QString::fromLatin1(c.scores[0]), QString::fromLatin1(c.scores[1]),
                 QString::fromLatin1(c.scores[2]), QString::fromLatin1(c.scores[3]));

    tSeenBox seen;
    answer_next_box(QStringLiteral("OK"), &seen);
    QTest::mouseClick(ws->cmdCompute, Qt::LeftButton);

    EXPECT_TRUE(seen.seen);
    EXPECT_EQ(seen.title, QStringLiteral("Warning"));
    EXPECT_EQ(seen.text.toStdString(), c.message);
    tScoreField* bad = ws->score_field(c.failing_field);
    EXPECT_EQ(focused(), bad);
    EXPECT_EQ(bad->selectedText(), bad->text());
    // Still so once the window is active again (offscreen, no window manager
    // hands the activation back after the box).
    ws->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(ws.get()));
    EXPECT_EQ(QApplication::focusWidget(), bad);
    EXPECT_EQ(bad->selectedText(), bad->text());
    EXPECT_TRUE(ws->isVisible());
    EXPECT_FALSE(results->isVisible());
    EXPECT_TRUE(results->memoResults->toPlainText().isEmpty());
    EXPECT_FALSE(file_exists());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, ComputeRejects,
    ::testing::Values(
        tBadFieldCase{"empty_first", {"", "95", "110", "87"}, 1,
                      "INPUT ERROR\n\n(  Verbal Comprehension Index score:  )\n\n"
                      "Data have not been entered in this field."},
        tBadFieldCase{"non_numeric_first", {"12a", "95", "110", "87"}, 1,
                      "INPUT ERROR\n(  Verbal Comprehension Index score:  12a  )\n\n"
                      "Enter numeric data only."},
        // 160 shown with "%3.3f", the range sentence with its trailing blank.
        tBadFieldCase{"out_of_range_third", {"100", "95", "160", "87"}, 3,
                      "INPUT ERROR\n(  Working Memory Index score:  160.000  )\n"
                      "The valid range for Orvane Index scores is 50 to 150 "},
        tBadFieldCase{"below_range_fourth", {"100", "95", "110", "49.99"}, 4,
                      "INPUT ERROR\n(  Processing Speed Index score:  49.990  )\n"
                      "The valid range for Orvane Index scores is 50 to 150 "},
        // The third field is out of range as well, but is never examined.
        tBadFieldCase{"empty_second_before_bad_third", {"100", "", "160", "87"}, 2,
                      "INPUT ERROR\n\n(  Perceptual Reasoning Index score:  )\n\n"
                      "Data have not been entered in this field."}),
    [](const ::testing::TestParamInfo<tBadFieldCase>& info) { return std::string(info.param.name); });

TEST_F(tWorksheetTest, ComputeWritesTheFileAndTheNextStartRestoresIt)
{
    start();
    enter_scores(QStringLiteral("100"), QStringLiteral("95"), QStringLiteral("110.5"),
                 QStringLiteral("87"));
    QTest::mouseClick(ws->cmdCompute, Qt::LeftButton);

    // Each of the eight field texts followed by one blank; fields 5 to 8 are
    // empty; no line end.
    EXPECT_EQ(file_bytes(), QByteArray("100 95 110.5 87     "));
    EXPECT_FALSE(ws->isVisible());
    EXPECT_TRUE(results->isVisible());
    EXPECT_EQ(results->windowTitle().toStdString(),
              "Results viewer: Brenlow.EXE: Supplementary Analysis of Orvane Index Scores");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    restart();
    EXPECT_TRUE(ws->matrix_entry().restored_from_file);
    EXPECT_EQ(ws->txtInput1->text(), QStringLiteral("100"));
    EXPECT_EQ(ws->txtInput2->text(), QStringLiteral("95"));
    EXPECT_EQ(ws->txtInput3->text(), QStringLiteral("110.5"));
    EXPECT_EQ(ws->txtInput4->text(), QStringLiteral("87"));
    EXPECT_EQ(focused(), ws->txtInput4); // field 5 is hidden: the fourth field
    EXPECT_FALSE(ws->txtInput5->isVisible());
    EXPECT_TRUE(ws->memoComments->toPlainText().isEmpty()); // notes are not kept
}

TEST_F(tWorksheetTest, ScoreIsSavedAsTypedAndRestoredInShortestForm)
{
    start();
    ws->txtInput1->setFocus();
    QTest::keyClicks(ws->txtInput1, QStringLiteral("110,50"));
    ws->txtInput2->setText(QStringLiteral("50"));
    ws->txtInput3->setText(QStringLiteral("150"));
    ws->txtInput4->setText(QStringLiteral("99."));
    QTest::mouseClick(ws->cmdCompute, Qt::LeftButton);
    EXPECT_EQ(file_bytes(), QByteArray("110.50 50 150 99.     "));

    restart(); // "%1.6g" of each number
    EXPECT_EQ(ws->txtInput1->text(), QStringLiteral("110.5"));
    EXPECT_EQ(ws->txtInput4->text(), QStringLiteral("99"));
}

TEST_F(tWorksheetTest, FileWithTwoNumbersOnSeparateLinesRestoresZeros)
{
    write_file("101\r\n\t 96\n");
    start();
    EXPECT_EQ(ws->txtInput1->text(), QStringLiteral("101"));
    EXPECT_EQ(ws->txtInput2->text(), QStringLiteral("96"));
    EXPECT_EQ(ws->txtInput3->text(), QStringLiteral("0"));
    EXPECT_EQ(ws->txtInput4->text(), QStringLiteral("0"));
    EXPECT_EQ(focused(), ws->txtInput4);
}

TEST_F(tWorksheetTest, MalformedFileAtStartIsReportedAndTheWorksheetShown)
{
    write_file("100 abc 90 80 ");
    tSeenBox seen;
    answer_next_box(QStringLiteral("OK"), &seen); // the box comes while the worksheet is created
    start();

    EXPECT_TRUE(seen.seen);
    EXPECT_EQ(seen.title.toStdString(), "Brenlow.EXE: Supplementary Analysis of Orvane Index Scores");
    // The box names the file, then the reason.
    EXPECT_TRUE(seen.text.contains(QString::fromStdString(file_path()))) << seen.text.toStdString();
    EXPECT_TRUE(seen.text.endsWith(QStringLiteral("\r\rInvalid numeric input."))) << seen.text.toStdString();
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_TRUE(ws->isVisible());
    EXPECT_FALSE(ws->matrix_entry().restored_from_file);
    EXPECT_EQ(ws->txtInput1->text(), QStringLiteral("100")); // read before the fault
    EXPECT_TRUE(ws->txtInput2->text().isEmpty());
    for (int k = 1; k <= 8; ++k)
        EXPECT_EQ(ws->score_field(k)->isVisible(), k <= 4) << k;
}

TEST_F(tWorksheetTest, ClearDataEmptiesFieldsNotesAndFileButKeepsTheOptions)
{
    write_file("100 95 110.5 87     ");
    start();
    ws->memoComments->setPlainText(QStringLiteral("seen in clinic"));
    ws->Pairs_vs_Deviations->setItemIndex(0);
    ws->Bonferroni->setItemIndex(1);
    ws->RadioGroup1->setItemIndex(6);
    ws->matrix_entry().entered[2][1] = 0.5;
    ws->txtInput3->setFocus();

    QTest::mouseClick(ws->btnclearData, Qt::LeftButton);

    for (int k = 1; k <= 8; ++k)
        EXPECT_TRUE(ws->score_field(k)->text().isEmpty()) << k;
    EXPECT_TRUE(ws->memoComments->toPlainText().isEmpty());
    EXPECT_FALSE(file_exists());
    EXPECT_EQ(ws->matrix_entry().entered[2][1], 0.0);
    EXPECT_EQ(focused(), ws->txtInput1);
    EXPECT_EQ(ws->Pairs_vs_Deviations->itemIndex(), 0);
    EXPECT_EQ(ws->Bonferroni->itemIndex(), 1);
    EXPECT_EQ(ws->RadioGroup1->itemIndex(), 6);
    EXPECT_EQ(messages.beeps, 0);

    // With no file, Clear Data is just as quiet; the next start is empty.
    QTest::mouseClick(ws->btnclearData, Qt::LeftButton);
    restart();
    EXPECT_TRUE(ws->txtInput1->text().isEmpty());
    EXPECT_EQ(focused(), ws->txtInput1);
}

TEST_F(tWorksheetTest, TwoComputesLeaveTwoReportsAndReturnAppliesTheFocusRule)
{
    start();
    enter_scores(QStringLiteral("100"), QStringLiteral("95"), QStringLiteral("110.5"),
                 QStringLiteral("87"));
    QTest::mouseClick(ws->cmdCompute, Qt::LeftButton);
    ASSERT_TRUE(results->isVisible());
    const std::vector<std::string> first = report_lines();
    ASSERT_GT(first.size(), 3u);
    EXPECT_EQ(first[0], "");
    EXPECT_EQ(first[1], AppTitle);

    QTest::mouseClick(results->cmdReturn, Qt::LeftButton);
    EXPECT_TRUE(ws->isVisible());
    EXPECT_FALSE(results->isVisible());
    EXPECT_EQ(focused(), ws->txtInput4); // fields hold scores: the fourth field

    QTest::mouseClick(ws->cmdCompute, Qt::LeftButton);
    EXPECT_TRUE(results->isVisible());
    EXPECT_FALSE(ws->isVisible());
    const std::vector<std::string> both = report_lines();
    const std::string separator(103, '-');
    int separators = 0;
    int headings = 0;
    std::size_t separator_at = 0;
    for (std::size_t i = 0; i < both.size(); ++i) {
        if (both[i] == separator) {
            ++separators;
            separator_at = i;
        }
        if (both[i] == AppTitle)
            ++headings;
    }
    EXPECT_EQ(separators, 1);
    EXPECT_EQ(headings, 2);
    // The first report, three empty lines, the separator, an empty line, then
    // the second report starting with block 1's empty line and the title.
    ASSERT_EQ(separator_at, first.size() + 3);
    ASSERT_GT(both.size(), separator_at + 3);
    EXPECT_EQ(both[separator_at - 1], "");
    EXPECT_EQ(both[separator_at - 3], "");
    EXPECT_EQ(both[separator_at + 1], "");
    EXPECT_EQ(both[separator_at + 2], "");
    EXPECT_EQ(both[separator_at + 3], AppTitle);
}

TEST_F(tWorksheetTest, NotesReachTheReportAsDisplayedLines)
{
    start();
    enter_scores(QStringLiteral("100"), QStringLiteral("95"), QStringLiteral("110"),
                 QStringLiteral("87"));
    QString words;
    for (int i = 0; i < 18; ++i)
        words += QStringLiteral("remark%1 ").arg(i, 2, 10, QLatin1Char('0'));
    ws->memoComments->setPlainText(words.trimmed() + QStringLiteral("\nsecond paragraph"));
    const std::vector<std::string> shown = ws->memoComments->displayed_lines();
    ASSERT_GE(shown.size(), 3u); // the long paragraph wraps

    QTest::mouseClick(ws->cmdCompute, Qt::LeftButton);
    const std::vector<std::string> lines = report_lines();
    std::size_t at = 0;
    while (at < lines.size() && lines[at].rfind(" User's Notes: ", 0) != 0)
        ++at;
    ASSERT_LT(at + shown.size(), lines.size());
    EXPECT_EQ(lines[at], " User's Notes: " + shown[0]);
    for (std::size_t i = 1; i < shown.size(); ++i)
        EXPECT_EQ(lines[at + i], std::string(15, ' ') + shown[i]);
    EXPECT_EQ(shown.back(), "second paragraph");
    EXPECT_EQ(lines[at + shown.size()], " ");
}

// The report is never withheld for want of the worksheet file: it is shown,
// and a box says the scores were not saved.
TEST_F(tWorksheetTest, UnwritableFileShowsTheReportAndSaysTheScoresWereNotSaved)
{
    location.folder = folder.filePath(QStringLiteral("no-such-folder")).toStdString();
    start();
    enter_scores(QStringLiteral("100"), QStringLiteral("95"), QStringLiteral("110"),
                 QStringLiteral("87"));
    tSeenBox seen;
    answer_next_box(QStringLiteral("OK"), &seen);
    QTest::mouseClick(ws->cmdCompute, Qt::LeftButton);

    EXPECT_TRUE(seen.seen);
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.title.toStdString(), AppTitle);
    EXPECT_TRUE(seen.text.endsWith(QStringLiteral("these scores were not saved.")));
    EXPECT_TRUE(results->isVisible());
    EXPECT_TRUE(results->memoResults->toPlainText().contains(QStringLiteral("Verbal Comprehension")));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// Reports neither saved nor printed since they were computed are asked
// about (save, discard, cancel) before Clear Results, Exit or the close box
// would lose them; once saved, everything goes as before, unasked.
TEST_F(tWorksheetTest, UnsavedResultsAreAskedAboutBeforeTheyAreLost)
{
    start();
    enter_scores(QStringLiteral("100"), QStringLiteral("95"), QStringLiteral("110"), QStringLiteral("87"));
    QTest::mouseClick(ws->cmdCompute, Qt::LeftButton);
    ASSERT_TRUE(results->isVisible());
    const QString report = results->memoResults->toPlainText();

    tSeenBox clear;
    answer_next_box(QStringLiteral("Cancel"), &clear);
    QTest::mouseClick(results->cmdClearResults, Qt::LeftButton);
    EXPECT_TRUE(clear.text.contains(QStringLiteral("not been saved")));
    EXPECT_EQ(results->memoResults->toPlainText(), report);

    tSeenBox exit;
    answer_next_box(QStringLiteral("Cancel"), &exit);
    QTest::mouseClick(results->cmdExit, Qt::LeftButton);
    EXPECT_EQ(exit.text, clear.text); // the question, not "Exit from program?"
    EXPECT_TRUE(results->isVisible());

    QTest::mouseClick(results->cmdReturn, Qt::LeftButton);
    tSeenBox close;
    answer_next_box(QStringLiteral("Cancel"), &close);
    EXPECT_FALSE(ws->close());
    EXPECT_EQ(close.text, clear.text);
    EXPECT_TRUE(ws->isVisible());

    // Save: the file dialog, then Clear Results goes on.
    QTest::mouseClick(ws->cmdCompute, Qt::LeftButton);
    answer_next_box(QStringLiteral("&Save"));
    answer_save_dialog(folder.filePath(QStringLiteral("case12")));
    QTest::mouseClick(results->cmdClearResults, Qt::LeftButton);
    QFile saved(folder.filePath(QStringLiteral("case12.txt")));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().startsWith(report.left(40).replace('\n', "\r\n").toUtf8()));
    EXPECT_TRUE(results->memoResults->toPlainText().isEmpty());

    // Saved, nothing is asked; Discard clears without saving.
    QTest::mouseClick(results->cmdReturn, Qt::LeftButton);
    QTest::mouseClick(ws->cmdCompute, Qt::LeftButton);
    answer_save_dialog(folder.filePath(QStringLiteral("again.txt")));
    QTest::mouseClick(results->cmdSaveOutput, Qt::LeftButton);
    QTest::mouseClick(results->cmdClearResults, Qt::LeftButton);
    EXPECT_TRUE(results->memoResults->toPlainText().isEmpty());
    QTest::mouseClick(results->cmdReturn, Qt::LeftButton);
    QTest::mouseClick(ws->cmdCompute, Qt::LeftButton);
    answer_next_box(QStringLiteral("&Discard"));
    QTest::mouseClick(results->cmdClearResults, Qt::LeftButton);
    EXPECT_TRUE(results->memoResults->toPlainText().isEmpty());
    EXPECT_EQ(QDir(folder.path()).entryList({QStringLiteral("*.txt")}, QDir::Files).size(), 3); // + the worksheet file
}

// A Print All that fails leaves the results unsaved, and its box says so.
TEST_F(tWorksheetTest, FailedPrintAllSaysTheResultsStillCountAsUnsaved)
{
    qputenv("CUPS_SERVER", QFile::encodeName(folder.filePath(QStringLiteral("no-such-server.sock"))));
    start();
    compute(QStringLiteral("100"), QStringLiteral("95"), QStringLiteral("110.5"), QStringLiteral("87"));
    ASSERT_TRUE(results->results_unsaved());
    tSeenBox error;
    answer_next_box(QStringLiteral("OK"), &error);
    results->mnuPrint->trigger();
    EXPECT_TRUE(error.text.endsWith(QStringLiteral("\n\nThe results were not printed and still count as unsaved.")))
        << error.text.toStdString();
    EXPECT_TRUE(results->results_unsaved());
}
