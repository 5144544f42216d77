// Details of the windows a clinician meets every day: the collapsed notes memo
// shows one whole line, every control has a name a screen reader can say, a
// folder named like the worksheet file is no file at start-up, and the
// general error box stands centred with its whole caption.
#include "test_worksheet_fixture.h"

#include <QAccessible>
#include <QClipboard>
#include <QKeyEvent>
#include <QDir>
#include <QScreen>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

namespace {

QString accessible_name(QObject* object)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face ? face->text(QAccessible::Name) : QStringLiteral("<none>");
}

} // namespace

// Collapsed, the memo's view is exactly one line high, whether it shows the
// first line or has been scrolled to the second; expanded, whole lines only.
TEST_F(tWorksheetTest, CollapsedNotesMemoShowsOneWholeLine)
{
    start();
    tNotesMemo* memo = ws->memoComments;
    memo->setPlainText(QStringLiteral("first\nsecond\nthird\nfourth\nfifth\nsixth"));
    ASSERT_EQ(memo->height(), 25);
    const int line = memo->document()->firstBlock().layout()->lineAt(0).height();
    for (int top : {0, 1}) {
        memo->verticalScrollBar()->setValue(top);
        const QTextBlock shown = memo->document()->findBlockByNumber(top);
        const QRect first = memo->cursorRect(QTextCursor(shown));
        const QRect next = memo->cursorRect(QTextCursor(shown.next()));
        EXPECT_GE(first.top(), 0) << top;
        EXPECT_LE(first.bottom(), memo->viewport()->height()) << top;
        EXPECT_GE(next.top(), memo->viewport()->height()) << top;
    }
    EXPECT_EQ(memo->viewport()->height(), line);

    memo->setFocus(Qt::TabFocusReason); // several lines: it expands
    ASSERT_EQ(memo->height(), 70);
    EXPECT_EQ(memo->viewport()->height() % line, 0);
    EXPECT_GE(memo->viewport()->height(), 3 * line);
}

TEST_F(tWorksheetTest, ScreenReadersCanNameEveryControl)
{
    start();
    results->show();
    const std::pair<QObject*, const char*> named[] = {
        {ws->txtInput1, "Verbal Comprehension Index score"},
        {ws->txtInput2, "Perceptual Reasoning Index score"},
        {ws->txtInput3, "Working Memory Index score"},
        {ws->txtInput4, "Processing Speed Index score"},
        {ws->memoComments, "User's Notes"},
        {ws->DescripFld, "Description"},
        {results->memoResults, "Results"},
        {ws->cmdCompute, "Compute"},
        {ws->ExitBtn, "Exit"},
        {ws->Pairs_vs_Deviations, "Base analysis of differences on..."},
        {ws->RadioGroup1->item(4), "5% of normative population"},
        {results->cmdReturn, "Return to Worksheet"},
        {ws->btnclearData, "Clear Data"}, // the caption's trailing blank unspoken
    };
    for (const auto& [object, name] : named)
        EXPECT_EQ(accessible_name(object).toStdString(), name);
    EXPECT_EQ(ws->btnclearData->text(), "Clear Data ");
}

// The worksheet is a window to a screen reader; the output window is named
// as its caption reads; no hidden control is in the tree.
TEST_F(tWorksheetTest, ScreenReadersSeeWindowsAsShownAndNoHiddenField)
{
    start();
    EXPECT_EQ(QAccessible::queryAccessibleInterface(ws.get())->role(), QAccessible::Window);
    results->setWindowTitle(QStringLiteral("Results viewer: ") + QString::fromStdString(AppTitle));
    EXPECT_EQ(accessible_name(results.get()), results->windowTitle());

    // Every text field and label under the worksheet is one it shows.
    int fields = 0;
    std::vector<QAccessibleInterface*> stack = {QAccessible::queryAccessibleInterface(ws.get())};
    while (!stack.empty()) {
        QAccessibleInterface* face = stack.back();
        stack.pop_back();
        auto* widget = qobject_cast<QWidget*>(face->object());
        if (qobject_cast<QLineEdit*>(widget) || qobject_cast<QPlainTextEdit*>(widget) || qobject_cast<QLabel*>(widget)) {
            EXPECT_TRUE(widget->isVisible()) << widget->objectName().toStdString();
        }
        if (qobject_cast<tScoreField*>(widget))
            ++fields;
        for (int i = 0; i < face->childCount(); ++i)
            if (QAccessibleInterface* child = face->child(i))
                stack.push_back(child);
    }
    EXPECT_EQ(fields, 4);
}

// A folder where the file would be is no file: the start is quiet, and
// Compute reports that it cannot save.
// A line that fills the memo's width exactly leaves the cursor beyond its
// right edge; the view must not scroll sideways to show it, or the first
// character of every line is hidden.
TEST_F(tWorksheetTest, NotesMemoKeepsTheLeftEdgeInViewAtAnyWrap)
{
    start();
    tNotesMemo* memo = ws->memoComments;
    memo->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(memo, QString(150, QLatin1Char('e')));
    ASSERT_GE(memo->displayed_lines().size(), 2u);
    const int full = int(memo->displayed_lines().front().size());
    for (int n = full - 1; n <= full + 2; ++n) {
        memo->clear();
        QTest::keyClicks(memo, QString(n, QLatin1Char('e')));
        EXPECT_EQ(memo->horizontalScrollBar()->value(), 0) << n << " characters";
        QTest::keyClicks(memo, QStringLiteral(" Referred"));
        EXPECT_EQ(memo->horizontalScrollBar()->value(), 0) << n << " characters and a word";
    }
    memo->clear();
    QApplication::clipboard()->setText(QString(full, QLatin1Char('p')) + QStringLiteral("\nReferred"));
    QTest::keyClick(memo, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(memo->horizontalScrollBar()->value(), 0) << "pasted";
}

TEST_F(tWorksheetTest, FolderNamedLikeTheFileIsNoFileAtStartAndComputeShowsTheReportAndTheFailedSave)
{
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(file_path())));
    start(); // the watchdog fails the test should any box open
    EXPECT_TRUE(ws->txtInput1->text().isEmpty());

    enter_scores(QStringLiteral("100"), QStringLiteral("95"), QStringLiteral("110.5"),
                 QStringLiteral("87"));
    tSeenBox seen;
    answer_next_box(QStringLiteral("OK"), &seen);
    QTest::mouseClick(ws->cmdCompute, Qt::LeftButton);
    EXPECT_TRUE(seen.seen);
    EXPECT_TRUE(seen.text.startsWith(QStringLiteral("The worksheet file could not be saved:\r")
                                     + QString::fromStdString(file_path())))
        << seen.text.toStdString();
    // The report is shown all the same, and the box says what was not kept.
    EXPECT_TRUE(seen.text.endsWith(QStringLiteral("\r\rIs a directory\r\rThe report is shown; these scores were not saved.")))
        << seen.text.toStdString();
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_TRUE(results->isVisible());
}

// Centred (with its frame) at the size it is shown with, and wide enough for
// its caption.
TEST(GeneralErrorBox, CentredAtItsFinalSizeWithItsWholeCaption)
{
    QRect shown_at;
    int title_width = 0;
    on_next_modal([&](QWidget* box) {
        shown_at = box->frameGeometry();
        QFont bold = box->font();
        bold.setBold(true);
        title_width = QFontMetrics(bold).horizontalAdvance(box->windowTitle());
        box->close();
    });
    show_general_error(QStringLiteral("File access denied"));
    const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((shown_at.center() - centre).manhattanLength(), 2) << shown_at.x() << "," << shown_at.y();
    EXPECT_GT(shown_at.width(), title_width);
}

// A window manager may keep a minimise button on the output window's caption;
// minimised, it would leave no window to return to (the worksheet is hidden).
TEST_F(tWorksheetTest, MinimisedOutputWindowComesStraightBack)
{
    start();
    results->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(results.get()));
    results->showMinimized();
    EXPECT_TRUE(QTest::qWaitFor([this] { return !results->isMinimized(); }));
    EXPECT_TRUE(results->isVisible());
}

// A paste or a key brings no control nor invisible character into the
// notes, where it could hide text in the report; line breaks stay.
TEST_F(tWorksheetTest, NotesTakeNoControlOrInvisibleCharacter)
{
    start();
    tNotesMemo* memo = ws->memoComments;
    memo->setFocus(Qt::TabFocusReason);
    QApplication::clipboard()->setText(QString::fromUtf8("a\u200Bb\u202E001\tc\r\nd\u2060e\U000E0041"));
    QTest::keyClick(memo, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClicks(memo, QStringLiteral("f"));
    QKeyEvent invisible(QEvent::KeyPress, 0, Qt::NoModifier, QString(QChar(0xFEFF)));
    QApplication::sendEvent(memo, &invisible);
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("ab001c\ndef"));
}
