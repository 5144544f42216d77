// The keyboard in daily use: a key the score filter refuses loses nothing
// (the focus coming back from the warning does not select the text), and
// Enter or Return presses the focused button in all three windows.
#include "test_worksheet_fixture.h"

#include <QClipboard>

#include "app/matrix_dialog.h"

#include <QDialog>

namespace {

// Waits until the window is active again (a window manager hands the
// activation back when a box closes; offscreen the test does) and the focus
// is back in `field`.
bool focus_back_in(QWidget* window, QWidget* field)
{
    window->activateWindow();
    return QTest::qWaitForWindowActive(window)
           && QTest::qWaitFor([field] { return QApplication::focusWidget() == field; });
}

} // namespace

TEST_F(tWorksheetTest, RefusedKeyLeavesTextCaretAndSelectionAsTheyWere)
{
    start();
    tScoreField* field = ws->txtInput2;
    field->setFocus();
    field->setText(QStringLiteral("87"));
    field->setCursorPosition(1);
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    } refused[] = {{Qt::Key_A, Qt::NoModifier}, {Qt::Key_Escape, Qt::NoModifier},
                   {Qt::Key_V, Qt::ControlModifier}}; // a paste of text that is no number
    QApplication::clipboard()->setText(QStringLiteral("8a"));
    for (const auto& r : refused) {
        tSeenBox seen;
        answer_next_box(QStringLiteral("OK"), &seen);
        QTest::keyClick(field, r.key, r.modifiers);
        ASSERT_TRUE(seen.seen);
        ASSERT_TRUE(focus_back_in(ws.get(), field));
        EXPECT_EQ(field->text(), QStringLiteral("87"));
        EXPECT_EQ(field->cursorPosition(), 1);
        EXPECT_FALSE(field->hasSelectedText());
    }

    // A selection of part of the text stays that selection, so the next
    // digit replaces just that part.
    field->setSelection(0, 1);
    answer_next_box(QStringLiteral("OK"));
    QTest::keyClick(field, Qt::Key_Q);
    ASSERT_TRUE(focus_back_in(ws.get(), field));
    EXPECT_EQ(field->selectedText(), QStringLiteral("8"));
    QTest::keyClick(field, Qt::Key_5);
    EXPECT_EQ(field->text(), QStringLiteral("57"));

    // Tab into a field still selects all of it.
    ws->txtInput1->setFocus();
    QTest::keyClick(ws->txtInput1, Qt::Key_Tab);
    EXPECT_EQ(field->selectedText(), QStringLiteral("57"));
}

TEST_F(tWorksheetTest, EnterAndReturnPressTheFocusedButtonInEveryWindow)
{
    start();
    // Worksheet: Clear Data by Return, Exit by the keypad's Enter.
    enter_scores(QStringLiteral("100"), QStringLiteral("95"), QStringLiteral("110.5"),
                 QStringLiteral("87"));
    ws->btnclearData->setFocus();
    QTest::keyClick(ws->btnclearData, Qt::Key_Return);
    EXPECT_TRUE(ws->txtInput1->text().isEmpty());
    tSeenBox exit_box;
    answer_next_box(QStringLiteral("&No"), &exit_box);
    ws->ExitBtn->setFocus();
    QTest::keyClick(ws->ExitBtn, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(exit_box.text, QStringLiteral("Exit from program?"));

    ASSERT_TRUE(focus_back_in(ws.get(), ws->ExitBtn));
    enter_scores(QStringLiteral("100"), QStringLiteral("95"), QStringLiteral("110.5"),
                 QStringLiteral("87"));
    ws->cmdCompute->setFocus();
    QTest::keyClick(ws->cmdCompute, Qt::Key_Return);
    ASSERT_TRUE(results->isVisible());

    // Output window: Clear Results (the report discarded), then Return to
    // Worksheet.
    ASSERT_TRUE(QTest::qWaitForWindowActive(results.get()));
    answer_next_box(QStringLiteral("&Discard"));
    results->cmdClearResults->setFocus();
    QTest::keyClick(results->cmdClearResults, Qt::Key_Return);
    EXPECT_TRUE(results->memoResults->toPlainText().isEmpty());
    results->cmdReturn->setFocus();
    QTest::keyClick(results->cmdReturn, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(ws->isVisible());
    EXPECT_FALSE(results->isVisible());

    // Matrix dialog: Return to Worksheet by Return.
    bool active = false; // and closed by the key
    on_next_modal([&active](QWidget* modal) {
        auto* dialog = qobject_cast<QDialog*>(modal);
        auto* back = dialog ? dialog->findChild<QPushButton*>(QStringLiteral("ReturnBtn")) : nullptr;
        if (!back)
            return;
        active = QTest::qWaitForWindowActive(dialog);
        back->setFocus();
        QTest::keyClick(back, Qt::Key_Return);
        active = active && !dialog->isVisible();
        if (dialog->isVisible())
            back->click(); // the test fails below instead of hanging
    });
    tEntryMatrix matrix{};
    EXPECT_TRUE(open_square_matrix_dialog(matrix, 3, 3, QStringLiteral("Matrix Entry"), true,
                                          nullptr, QString()));
    EXPECT_TRUE(active);
}
