// Score fields of the worksheet: every typed character through the key
// filter, the six-character cut on key release, whole-text selection on focus,
// and no way round the filter by dropping text.
#include "test_worksheet_fixture.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QDropEvent>
#include <QMimeData>

namespace {

const QString kNumericOnly = QStringLiteral("INPUT ERROR\n\nEnter numeric data only.");
const QString kMaximumLength = QStringLiteral("Maximum length of input is 6 characters.");

struct tKeyCase {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    const char* text;     // as the key event carries it
    int cursor;           // cursor position in "12" before the key
    const char* expected; // field text afterwards
    int expected_cursor;
    bool refused;         // beep and "Enter numeric data only."
};

void PrintTo(const tKeyCase& c, std::ostream* os) { *os << c.name; }

class ScoreFieldKeys : public tWorksheetTest, public ::testing::WithParamInterface<tKeyCase> {};

} // namespace

TEST_P(ScoreFieldKeys, FilterAcceptsNumericKeysAndRefusesTheRest)
{
    const tKeyCase& c = GetParam();
    start();
    QApplication::clipboard()->setText(QStringLiteral("99"));
    tScoreField* field = ws->txtInput1;
    field->setFocus();
    field->setText(QStringLiteral("12"));
    field->setCursorPosition(c.cursor);

    tSeenBox seen;
    if (c.refused)
        answer_next_box(QStringLiteral("OK"), &seen);
    QTest::sendKeyEvent(QTest::Click, field, c.key, QString::fromLatin1(c.text), c.modifiers);

    EXPECT_EQ(field->text().toStdString(), c.expected);
    EXPECT_EQ(field->cursorPosition(), c.expected_cursor);
    if (c.refused) {
        EXPECT_TRUE(seen.seen);
        EXPECT_EQ(seen.title, QStringLiteral("Warning"));
        EXPECT_EQ(seen.text, kNumericOnly);
        EXPECT_EQ(messages.beeps, 1);
    } else {
        EXPECT_EQ(messages.beeps, 0);
    }
}

// Ctrl shortcuts arrive with the letter as text from a synthetic event and
// with the control character (Ctrl+V = 22) from a real X server: the editing
// ones edit (the clipboard holds "99"), the others are refused.
INSTANTIATE_TEST_SUITE_P(
    Keys, ScoreFieldKeys,
    ::testing::Values(
        tKeyCase{"letter", Qt::Key_A, Qt::NoModifier, "a", 2, "12", 2, true},
        tKeyCase{"capital", Qt::Key_Z, Qt::ShiftModifier, "Z", 2, "12", 2, true},
        tKeyCase{"blank", Qt::Key_Space, Qt::NoModifier, " ", 2, "12", 2, true},
        tKeyCase{"other_punctuation", Qt::Key_Plus, Qt::NoModifier, "+", 2, "12", 2, true},
        tKeyCase{"non_ascii_letter", Qt::Key_Eacute, Qt::NoModifier, "\xc3\xa9", 2, "12", 2, true},
        tKeyCase{"escape", Qt::Key_Escape, Qt::NoModifier, "\x1b", 2, "12", 2, true},
        tKeyCase{"ctrl_b", Qt::Key_B, Qt::ControlModifier, "\x02", 2, "12", 2, true},
        tKeyCase{"ctrl_v_letter_text", Qt::Key_V, Qt::ControlModifier, "v", 2, "1299", 4, false},
        tKeyCase{"ctrl_v_control_text", Qt::Key_V, Qt::ControlModifier, "\x16", 0, "9912", 2, false},
        tKeyCase{"shift_insert_paste", Qt::Key_Insert, Qt::ShiftModifier, "", 2, "1299", 4, false},
        tKeyCase{"ctrl_c", Qt::Key_C, Qt::ControlModifier, "c", 2, "12", 2, false},
        tKeyCase{"ctrl_x_nothing_selected", Qt::Key_X, Qt::ControlModifier, "\x18", 2, "12", 2, false},
        tKeyCase{"ctrl_a", Qt::Key_A, Qt::ControlModifier, "\x01", 2, "12", 2, false},
        tKeyCase{"comma_becomes_full_stop", Qt::Key_Comma, Qt::NoModifier, ",", 2, "12.", 3, false},
        tKeyCase{"comma_inside_the_text", Qt::Key_Comma, Qt::NoModifier, ",", 1, "1.2", 2, false},
        tKeyCase{"full_stop", Qt::Key_Period, Qt::NoModifier, ".", 2, "12.", 3, false},
        tKeyCase{"digit", Qt::Key_5, Qt::NoModifier, "5", 2, "125", 3, false},
        tKeyCase{"minus", Qt::Key_Minus, Qt::NoModifier, "-", 0, "-12", 1, false},
        tKeyCase{"backspace", Qt::Key_Backspace, Qt::NoModifier, "\b", 2, "1", 1, false},
        tKeyCase{"delete_x11_text", Qt::Key_Delete, Qt::NoModifier, "\x7f", 0, "2", 0, false},
        tKeyCase{"delete_no_text", Qt::Key_Delete, Qt::NoModifier, "", 0, "2", 0, false},
        tKeyCase{"left_arrow", Qt::Key_Left, Qt::NoModifier, "", 2, "12", 1, false},
        tKeyCase{"right_arrow", Qt::Key_Right, Qt::NoModifier, "", 0, "12", 1, false},
        tKeyCase{"home", Qt::Key_Home, Qt::NoModifier, "", 2, "12", 0, false}),
    [](const ::testing::TestParamInfo<tKeyCase>& info) { return std::string(info.param.name); });

TEST_F(tWorksheetTest, SeventhCharacterAtTheStartIsKeptAndTheLastCut)
{
    start();
    tScoreField* field = ws->txtInput2;
    field->setFocus();
    field->setText(QStringLiteral("123456"));
    field->setCursorPosition(0);

    tSeenBox seen;
    answer_next_box(QStringLiteral("OK"), &seen);
    QTest::keyClick(field, Qt::Key_7);

    EXPECT_TRUE(seen.seen);
    EXPECT_EQ(seen.title, QStringLiteral("Warning"));
    EXPECT_EQ(seen.text, kMaximumLength);
    EXPECT_EQ(messages.beeps, 1);
    EXPECT_EQ(field->text(), QStringLiteral("712345"));
    EXPECT_EQ(field->selectedText(), QStringLiteral("712345"));
}

TEST_F(tWorksheetTest, SeventhCharacterAtTheEndIsCut)
{
    start();
    tScoreField* field = ws->txtInput4;
    field->setFocus();
    field->setText(QStringLiteral("100.25"));
    field->end(false);

    tSeenBox seen;
    answer_next_box(QStringLiteral("OK"), &seen);
    QTest::keyClick(field, Qt::Key_9);

    EXPECT_EQ(seen.text, kMaximumLength);
    EXPECT_EQ(field->text(), QStringLiteral("100.25"));
    EXPECT_EQ(field->selectedText(), QStringLiteral("100.25"));
}

TEST_F(tWorksheetTest, SixCharactersAreAcceptedWithoutWarning)
{
    start();
    tScoreField* field = ws->txtInput3;
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("99,125"));
    EXPECT_EQ(field->text(), QStringLiteral("99.125"));
    EXPECT_EQ(messages.beeps, 0);
}

TEST_F(tWorksheetTest, FieldSelectsItsWholeTextOnFocus)
{
    start();
    ws->txtInput1->setText(QStringLiteral("100"));
    ws->txtInput2->setText(QStringLiteral("95.5"));
    ws->txtInput1->setFocus();
    QTest::keyClick(ws->txtInput1, Qt::Key_Tab);
    ASSERT_EQ(focused(), ws->txtInput2);
    EXPECT_EQ(ws->txtInput2->selectedText(), QStringLiteral("95.5"));

    ws->txtInput1->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(ws->txtInput1->selectedText(), QStringLiteral("100"));
}

// A paste is checked as typing is: blanks at either end dropped, anything
// else refused whole with the same warning; undo and redo work.
TEST_F(tWorksheetTest, PasteIsCheckedAsTypingAndUndoRedoWork)
{
    start();
    tScoreField* field = ws->txtInput1;
    field->setFocus();
    QApplication::clipboard()->setText(QStringLiteral("  85,5\n"));
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field->text(), QStringLiteral("85.5"));
    EXPECT_EQ(messages.beeps, 0);

    for (const char* refused : {"8 5", "85a", "1\t2", "\xd9\xa8\xd9\xa5"}) {
        QApplication::clipboard()->setText(QString::fromUtf8(refused));
        field->selectAll();
        tSeenBox seen;
        answer_next_box(QStringLiteral("OK"), &seen);
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(seen.text, kNumericOnly) << refused;
        EXPECT_EQ(field->text(), QStringLiteral("85.5")) << refused;
    }
    EXPECT_EQ(messages.beeps, 4);

    // Seven characters pasted are cut as seven typed are.
    QApplication::clipboard()->setText(QStringLiteral("1234567"));
    field->selectAll();
    tSeenBox seen;
    answer_next_box(QStringLiteral("OK"), &seen);
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(seen.text, kMaximumLength);
    EXPECT_EQ(field->text(), QStringLiteral("123456"));

    field->setText(QStringLiteral("100"));
    field->end(false);
    QTest::keyClick(field, Qt::Key_5);
    EXPECT_EQ(field->text(), QStringLiteral("1005"));
    QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(field->text(), QStringLiteral("100"));
    QTest::keyClick(field, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(field->text(), QStringLiteral("1005"));
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(field->text(), QString());
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("1005"));
}

// The context menu's Paste goes through the same check.
TEST_F(tWorksheetTest, ContextMenuPasteIsChecked)
{
    start();
    tScoreField* field = ws->txtInput2;
    field->setFocus();
    field->setText(QStringLiteral("90"));
    QApplication::clipboard()->setText(QStringLiteral("x1"));
    tSeenBox seen;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        QAction* paste = nullptr;
        for (QAction* a : menu->actions())
            if (a->text().startsWith(QStringLiteral("&Paste")))
                paste = a;
        ASSERT_NE(paste, nullptr);
        answer_next_box(QStringLiteral("OK"), &seen);
        paste->trigger();
        menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5), field->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(field, &event);
    QTRY_VERIFY(seen.seen);
    EXPECT_EQ(seen.text, kNumericOnly);
    EXPECT_EQ(field->text(), QStringLiteral("90"));
}

// The context menu shows the system's own keys for Undo and Redo (Qt's
// standard keys of the platform), and every one of the system's keys works
// in the field, as Ctrl+Z and Ctrl+Y do everywhere.
TEST_F(tWorksheetTest, ContextMenuShowsTheSystemsUndoAndRedoKeysAndEachWorks)
{
    start();
    tScoreField* field = ws->txtInput1;
    field->setFocus();
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5), field->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(field, &event);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QStringList shown;
    for (QAction* a : menu->actions())
        if (a->text().startsWith(QStringLiteral("&Undo")) || a->text().startsWith(QStringLiteral("&Redo")))
            shown << a->text();
    menu->close();
    const QString undo = QKeySequence(QKeySequence::Undo).toString(QKeySequence::NativeText);
    const QString redo = QKeySequence(QKeySequence::Redo).toString(QKeySequence::NativeText);
    EXPECT_EQ(shown, (QStringList{QStringLiteral("&Undo\t") + undo, QStringLiteral("&Redo\t") + redo}));

    for (const QKeySequence& keys : QKeySequence::keyBindings(QKeySequence::Redo)) {
        field->setText(QStringLiteral("100"));
        field->end(false);
        QTest::keyClick(field, Qt::Key_5);
        QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
        ASSERT_EQ(field->text(), QStringLiteral("100"));
        QTest::keyClick(field, keys[0].key(), keys[0].keyboardModifiers());
        EXPECT_EQ(field->text(), QStringLiteral("1005")) << keys.toString().toStdString();
    }
    EXPECT_EQ(messages.beeps, 0);
}

TEST_F(tWorksheetTest, DroppedTextDoesNotGetRoundTheFilter)
{
    start();
    tScoreField* field = ws->txtInput1;
    field->setText(QStringLiteral("12"));
    EXPECT_FALSE(field->acceptDrops());

    QMimeData data;
    data.setText(QStringLiteral("abc"));
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(field, &drop);
    EXPECT_EQ(field->text(), QStringLiteral("12"));
}
