// The worksheet window: its state at start-up, the tab order, the notes memo
// (250 characters, a line break counting two; the height rule), Exit and the
// close box.
#include "test_worksheet_fixture.h"

#include "app/help_window.h"
#include "storage/worksheet_config.h"

#include <QTextBrowser>

#include <QAbstractButton>
#include <QClipboard>
#include <QRadioButton>
#include <QScrollBar>

namespace {

constexpr int kCollapsed = 25;
constexpr int kExpanded = 70;

} // namespace

TEST_F(tWorksheetTest, FirstStartShowsEmptyFieldsDefaultsAndFocusInTheFirstField)
{
    start();
    EXPECT_TRUE(ws->isVisible());
    EXPECT_FALSE(results->isVisible());
    EXPECT_EQ(ws->windowTitle().toStdString(),
              "Brenlow.EXE: Supplementary Analysis of Orvane Index Scores");
    EXPECT_EQ(ws->size(), QSize(792, 573));

    const char* const captions[4] = {"Verbal Comprehension Index score:",
                                     "Perceptual Reasoning Index score:",
                                     "Working Memory Index score:", "Processing Speed Index score:"};
    for (int k = 1; k <= 8; ++k) {
        EXPECT_TRUE(ws->score_field(k)->text().isEmpty()) << k;
        EXPECT_EQ(ws->score_field(k)->isVisible(), k <= 4) << k;
        EXPECT_EQ(ws->score_label(k)->isVisible(), k <= 4) << k;
    }
    for (int k = 1; k <= 4; ++k)
        EXPECT_EQ(ws->score_label(k)->text().toStdString(), captions[k - 1]);

    EXPECT_EQ(ws->Pairs_vs_Deviations->itemIndex(), 1);
    EXPECT_EQ(ws->Bonferroni->itemIndex(), 0);
    EXPECT_EQ(ws->RadioGroup1->itemIndex(), 4);
    EXPECT_EQ(focused(), ws->txtInput1);
    EXPECT_TRUE(ws->memoComments->toPlainText().isEmpty());
    EXPECT_EQ(ws->memoComments->height(), kCollapsed);
    EXPECT_FALSE(ws->matrix_entry().restored_from_file);
    EXPECT_EQ(ActiveInputCount, 4);
    EXPECT_EQ(RestoredValueCount, 4);
    EXPECT_FALSE(ws->matrix_entry().enabled);
}

TEST_F(tWorksheetTest, DescriptionIsReadOnlyWithScrollBarAndTheWorkedExample)
{
    start();
    const QString text = ws->DescripFld->toPlainText();
    EXPECT_GT(text.size(), 550);
    EXPECT_TRUE(ws->DescripFld->isReadOnly());
    EXPECT_EQ(ws->DescripFld->focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(ws->DescripFld->verticalScrollBar()->isVisible());
    EXPECT_TRUE(text.contains(QStringLiteral("13.74%")));
    EXPECT_TRUE(text.contains(QStringLiteral("Orvane")));
    EXPECT_TRUE(text.contains(QStringLiteral("Mahalanobis Distance")));
    EXPECT_TRUE(text.contains(QStringLiteral("RELIABILITY")));
    EXPECT_TRUE(text.contains(QStringLiteral("ABNORMALITY")));
    EXPECT_TRUE(text.endsWith(QStringLiteral(".)")));

    // A short text takes the scroll bar away again.
    ws->DescripFld->setPlainText(QStringLiteral("short"));
    EXPECT_EQ(ws->DescripFld->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

TEST_F(tWorksheetTest, TabRunsFieldsGroupsNotesThenButtons)
{
    start();
    const std::vector<QWidget*> expected = {
        ws->txtInput2, ws->txtInput3, ws->txtInput4,
        ws->RadioGroup1->item(4), ws->Pairs_vs_Deviations->item(1), ws->Bonferroni->item(0),
        ws->memoComments, ws->cmdCompute, ws->btnclearData, ws->cmdNorms, ws->ExitBtn, ws->txtInput1};
    ASSERT_EQ(focused(), ws->txtInput1);
    for (QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(focused(), next) << "after Tab, focus on "
                                   << (focused() ? focused()->metaObject()->className() : "none");
    }
    // Backwards, a group is entered on its checked item too.
    ws->Bonferroni->setItemIndex(1);
    ws->memoComments->setFocus();
    QTest::keyClick(ws->memoComments, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(focused(), ws->Bonferroni->item(1));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(focused(), ws->Pairs_vs_Deviations->item(1));
    ws->txtInput1->setFocus();
    QTest::keyClick(ws->txtInput1, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(focused(), ws->ExitBtn);
}

TEST_F(tWorksheetTest, TabLeavesTheNotesMemoWithoutTypingATab)
{
    start();
    ws->memoComments->setFocus();
    QTest::keyClicks(ws->memoComments, QStringLiteral("ab"));
    QTest::keyClick(ws->memoComments, Qt::Key_Tab);
    EXPECT_EQ(ws->memoComments->toPlainText(), QStringLiteral("ab"));
    EXPECT_EQ(focused(), ws->cmdCompute);
}

TEST_F(tWorksheetTest, NotesTakeAtMost250CharactersALineBreakCountingTwo)
{
    start();
    tNotesMemo* memo = ws->memoComments;
    memo->setFocus();

    QTest::keyClicks(memo, QString(250, QLatin1Char('x')));
    EXPECT_EQ(memo->toPlainText().size(), 250); // the 250th is accepted
    QTest::keyClick(memo, Qt::Key_Y);
    EXPECT_EQ(memo->toPlainText().size(), 250); // the 251st is refused
    EXPECT_EQ(memo->stored_length(), 250);

    // 248 characters and a line break fill the memo: 248 + 2 = 250.
    memo->clear();
    QTest::keyClicks(memo, QString(248, QLatin1Char('x')));
    QTest::keyClick(memo, Qt::Key_Return);
    EXPECT_EQ(memo->stored_length(), 250);
    QTest::keyClick(memo, Qt::Key_Y);
    EXPECT_EQ(memo->toPlainText(), QString(248, QLatin1Char('x')) + QLatin1Char('\n'));

    // At 249 there is no room for a line break.
    memo->clear();
    QTest::keyClicks(memo, QString(249, QLatin1Char('x')));
    QTest::keyClick(memo, Qt::Key_Return);
    EXPECT_EQ(memo->toPlainText(), QString(249, QLatin1Char('x')));

    // A selection being replaced makes room.
    memo->selectAll();
    QTest::keyClick(memo, Qt::Key_Z);
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("z"));

    // Pasted text is cut to what fits.
    memo->setPlainText(QString(245, QLatin1Char('x')));
    memo->moveCursor(QTextCursor::End);
    QApplication::clipboard()->setText(QStringLiteral("0123456789"));
    memo->paste();
    EXPECT_EQ(memo->stored_length(), 250);
    EXPECT_TRUE(memo->toPlainText().endsWith(QStringLiteral("x01234")));
}

TEST_F(tWorksheetTest, NotesMemoGrowsWithASecondLineAndShrinksOnLeaving)
{
    start();
    tNotesMemo* memo = ws->memoComments;
    QTest::keyClick(ws->txtInput1, Qt::Key_Tab); // leave the memo's height alone on the way
    memo->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(memo->height(), kCollapsed);

    QTest::keyClicks(memo, QStringLiteral("first"));
    EXPECT_EQ(memo->height(), kCollapsed); // one line

    QTest::keyClick(memo, Qt::Key_Return); // Enter expands at once
    EXPECT_EQ(memo->height(), kExpanded);

    ws->txtInput1->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(memo->height(), kCollapsed);

    // "first" and an empty last line count as one line: entering keeps 25.
    memo->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(memo->height(), kCollapsed);
    QTest::keyClicks(memo, QStringLiteral("second"));
    EXPECT_EQ(memo->height(), kExpanded);

    ws->txtInput1->setFocus(Qt::TabFocusReason); // shrinks even with two lines
    EXPECT_EQ(memo->height(), kCollapsed);
    memo->setFocus(Qt::TabFocusReason); // and grows again on entering
    EXPECT_EQ(memo->height(), kExpanded);
}

// F1 opens the user guide from the worksheet too, whatever has the focus.
TEST_F(tWorksheetTest, F1OpensTheUserGuide)
{
    start();
    QTest::keyClick(ws->txtInput1, Qt::Key_F1);
    auto* guide = ws->findChild<tUserGuideWindow*>();
    ASSERT_NE(guide, nullptr);
    EXPECT_TRUE(guide->isVisible());
    EXPECT_TRUE(guide->txtGuide->toPlainText().startsWith(QStringLiteral("Brenlow User Guide")));
    EXPECT_EQ(messages.beeps, 0); // no key refused
    guide->close();
}

// Expanded, the memo lies over no score field and no label: a click where a
// field shows reaches the field, not the notes.
TEST_F(tWorksheetTest, ExpandedNotesMemoLeavesEveryScoreFieldAndLabelUncovered)
{
    start();
    tNotesMemo* memo = ws->memoComments;
    const QRect collapsed = memo->geometry();
    memo->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(memo, QStringLiteral("first"));
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, QStringLiteral("second"));
    ASSERT_EQ(memo->height(), kExpanded);
    for (int k = 1; k <= 4; ++k) {
        for (QWidget* w : {static_cast<QWidget*>(ws->score_field(k)), static_cast<QWidget*>(ws->score_label(k))}) {
            const QPoint centre = w->mapTo(ws.get(), QRect(QPoint(0, 0), w->size()).center());
            EXPECT_EQ(ws->childAt(centre), w) << w->objectName().toStdString();
        }
    }
    QTest::mouseClick(ws->txtInput1, Qt::LeftButton);
    EXPECT_EQ(memo->geometry(), collapsed); // collapsed exactly where it was
}

// With the notes expanded, a press anywhere on the options panel (every 8
// pixels: each label, field and gap of it is larger) or on the description
// ends their editing: "85" typed next goes into the field pressed or
// labelled, or nowhere, and the notes stay as they were, collapsed. (A
// button pressed takes the keys itself.)
TEST_F(tWorksheetTest, PressOutsideTheExpandedNotesEndsTheirEditing)
{
    start();
    tNotesMemo* memo = ws->memoComments;
    const QString notes = QStringLiteral("Referred by the GP.\nSeen twice before.\nEducation: 12 years.");
    std::vector<QPoint> spots{ws->DescripFld->geometry().topLeft() + QPoint(40, 20)};
    for (int y = 0; y < ws->Panel1->height(); y += 8)
        for (int x = 0; x < ws->Panel1->width(); x += 8)
            spots.push_back(ws->Panel1->mapTo(ws.get(), QPoint(x, y)));
    int in_fields = 0;
    for (const QPoint& at : spots) {
        for (int k = 1; k <= 4; ++k)
            ws->score_field(k)->clear();
        memo->setPlainText(notes);
        memo->setFocus(Qt::TabFocusReason);
        ASSERT_EQ(memo->height(), kExpanded);
        QWidget* under = ws->childAt(at);
        if (qobject_cast<QAbstractButton*>(under))
            continue;
        const std::string where = std::to_string(at.x()) + "," + std::to_string(at.y()) + " on "
                                  + under->metaObject()->className() + " " + under->objectName().toStdString();
        tScoreField* takes = nullptr;
        for (int k = 1; k <= 4; ++k)
            if (under == ws->score_label(k) || under == ws->score_field(k))
                takes = ws->score_field(k);
        in_fields += takes != nullptr;

        QTest::mouseClick(ws->windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::keyClick(ws->windowHandle(), '8');
        QTest::keyClick(ws->windowHandle(), '5');
        EXPECT_EQ(memo->toPlainText(), notes) << where;
        EXPECT_EQ(memo->height(), kCollapsed) << where;
        for (int k = 1; k <= 4; ++k)
            EXPECT_EQ(ws->score_field(k)->text().toStdString(), ws->score_field(k) == takes ? "85" : "")
                << where << ", field " << k;
    }
    EXPECT_GT(in_fields, 4 * 6); // every label and field met more than once
    EXPECT_EQ(messages.beeps, 0);
}

// The notes' own label is the memo's: a press on it enters the notes.
TEST_F(tWorksheetTest, PressOnTheNotesLabelEntersTheNotes)
{
    start();
    const QPoint at = ws->lblComments->mapTo(ws.get(), ws->lblComments->rect().center());
    QTest::mouseClick(ws->windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::keyClick(ws->windowHandle(), 'x');
    EXPECT_EQ(ws->memoComments->toPlainText(), QStringLiteral("x"));
}

TEST_F(tWorksheetTest, WrappedNotesCountAsDisplayedLines)
{
    start();
    tNotesMemo* memo = ws->memoComments;
    memo->setFocus(Qt::TabFocusReason);
    // 20 words of 9 characters: 200 characters, far wider than the memo.
    QString words;
    for (int i = 0; i < 20; ++i)
        words += QStringLiteral("word%1 ").arg(i, 3, 10, QLatin1Char('0'));
    words = words.trimmed();
    QTest::keyClicks(memo, words);
    EXPECT_EQ(memo->document()->blockCount(), 1);

    const std::vector<std::string> lines = memo->displayed_lines();
    ASSERT_GT(lines.size(), 1u);
    std::string joined;
    for (const std::string& line : lines) {
        EXPECT_LT(line.size(), words.size());
        joined += line;
    }
    EXPECT_EQ(joined, words.toStdString()); // the pieces are the text, nothing added
    EXPECT_EQ(memo->height(), kExpanded);   // more than one line as displayed

    ws->txtInput1->setFocus(Qt::TabFocusReason);
    memo->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(memo->height(), kExpanded);
}

TEST_F(tWorksheetTest, ExitAnsweredNoChangesNothing)
{
    start();
    enter_scores(QStringLiteral("100"), QStringLiteral("95"), QString(), QStringLiteral("87"));
    ws->memoComments->setPlainText(QStringLiteral("note"));
    ws->Pairs_vs_Deviations->setItemIndex(0);
    ws->RadioGroup1->setItemIndex(2);

    tSeenBox seen;
    answer_next_box(QStringLiteral("&No"), &seen);
    QTest::mouseClick(ws->ExitBtn, Qt::LeftButton);

    EXPECT_TRUE(seen.seen);
    EXPECT_EQ(seen.title, QStringLiteral("Confirm"));
    EXPECT_EQ(seen.text, QStringLiteral("Exit from program?"));
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_TRUE(ws->isVisible());
    EXPECT_EQ(ws->txtInput1->text(), QStringLiteral("100"));
    EXPECT_EQ(ws->txtInput3->text(), QString());
    EXPECT_EQ(ws->txtInput4->text(), QStringLiteral("87"));
    EXPECT_EQ(ws->memoComments->toPlainText(), QStringLiteral("note"));
    EXPECT_EQ(ws->Pairs_vs_Deviations->itemIndex(), 0);
    EXPECT_EQ(ws->Bonferroni->itemIndex(), 0);
    EXPECT_EQ(ws->RadioGroup1->itemIndex(), 2);
    EXPECT_FALSE(file_exists()); // Exit saves nothing
}

// Runs the event loop until the program ends it; fails (code 99) when it
// does not end within the watchdog's time.
int run_event_loop_until_end()
{
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    watchdog.start(10000);
    return QApplication::exec();
}

TEST_F(tWorksheetTest, ExitAnsweredYesEndsTheEventLoopWithoutSaving)
{
    start();
    enter_scores(QStringLiteral("100"), QStringLiteral("95"), QStringLiteral("110"),
                 QStringLiteral("87"));
    tSeenBox seen;
    answer_next_box(QStringLiteral("&Yes"), &seen);
    QTimer::singleShot(0, [this] { QTest::mouseClick(ws->ExitBtn, Qt::LeftButton); });
    EXPECT_EQ(run_event_loop_until_end(), 0);
    EXPECT_EQ(seen.text, QStringLiteral("Exit from program?"));
    EXPECT_FALSE(file_exists());
}

TEST_F(tWorksheetTest, CloseBoxEndsTheProgramWithoutAsking)
{
    start();
    QTimer::singleShot(0, [this] { ws->close(); });
    EXPECT_EQ(run_event_loop_until_end(), 0);
    EXPECT_EQ(messages.beeps, 0);
    EXPECT_TRUE(guard->unanswered.empty());
}
