// The square matrix entry dialog, driven through its real widgets offscreen:
// layout, Tab chain, Continue's checks in column order, Clear Data, Return to
// Worksheet, the ways the dialog refuses to close, and the dialog as the
// analysis run and the worksheet's Compute open it.
#include "app/matrix_dialog.h"
#include "app/worksheet_window.h"
#include "app/output_window.h"
#include "app/qt_messages.h"
#include "app/score_field.h"
#include "message_recorder.h"
#include "modal_helper.h"

#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// The cell parser sums digit / 10^p in doubles, so "0.999" comes within a few
// units in the last place of the double nearest 0.999.
constexpr double TOL_PARSED = 1e-12;

using tMsg = tRecordedMessage;

const std::string RANGE_MESSAGE =
    "Valid matrix values are BETWEEN -1 and +1. Please re-enter matrix values";
const std::string PARSE_WARNING = "There is an invalid data entry, which will be highlighted "
                                  "once you click 'OK', please re-enter.";

std::string default_question(int row, int column)
{
    return "Do you want continue with cell (" + std::to_string(row) + "," +
           std::to_string(column) + ") set to the default value of '0.000'?";
}

tEntryMatrix identity(int n)
{
    tEntryMatrix m{};
    for (int k = 1; k <= n; ++k)
        m[k][k] = 1.0;
    return m;
}

QLineEdit* cell(QWidget* dialog, int column, int row)
{
    return dialog->findChild<QLineEdit*>(QStringLiteral("mat%1x%2").arg(column).arg(row));
}

QPushButton* button(QWidget* dialog, const char* name)
{
    return dialog->findChild<QPushButton*>(QString::fromLatin1(name));
}

void click(QWidget* dialog, const char* name)
{
    QPushButton* b = button(dialog, name);
    ASSERT_NE(b, nullptr) << name;
    QTest::mouseClick(b, Qt::LeftButton);
}

// Replaces the cell's whole text the way a user does: select it, then type.
void retype(QLineEdit* field, const QString& text)
{
    field->setFocus();
    field->selectAll();
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Backspace);
    else
        QTest::keyClicks(field, text);
}

// Runs `drive` on the next modal dialog once it is shown and active: only an
// active window has the focus that the drives check and type into. A drive
// that leaves the dialog open fails the test, and the dialog is then closed
// with Return to Worksheet so the test cannot hang.
void drive_next_dialog(const std::function<void(QDialog*)>& drive, bool& driven)
{
    driven = false;
    on_next_active_modal([drive, &driven](QWidget* modal) {
        auto* dialog = qobject_cast<QDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        driven = true;
        // Focus and keys reach the dialog only once it is active, which comes
        // later than its being modal on a busy machine.
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
        drive(dialog);
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the dialog was left open";
            button(dialog, "ReturnBtn")->click();
        }
    });
}

// Opens the dialog on `matrix` and drives it; returns the dialog's result.
bool run_dialog(tEntryMatrix& matrix, int columns, int rows,
                const std::function<void(QDialog*)>& drive, bool lower_triangle = true,
                const QString& row_axis_text = QString())
{
    bool driven = false;
    drive_next_dialog(drive, driven);
    const bool returned = open_square_matrix_dialog(matrix, columns, rows,
                                                    QStringLiteral("Matrix Entry"),
                                                    lower_triangle, nullptr, row_axis_text);
    EXPECT_TRUE(driven);
    return returned;
}

class MatrixDialog : public ::testing::Test, public tRecordingTest {
protected:
    void answer(std::initializer_list<bool> answers)
    {
        recorder.answers.insert(recorder.answers.end(), answers.begin(), answers.end());
    }
    std::vector<std::string> questions() const { return recorder.texts(tMsg::Confirm); }
};

} // namespace

// --- Building the dialog ----------------------------------------------------

TEST_F(MatrixDialog, FourByFourLowerTriangleShowsTenCellsWithABlueReadOnlyDiagonal)
{
    tEntryMatrix m = identity(4);
    run_dialog(m, 4, 4, [](QDialog* d) {
        EXPECT_EQ(d->objectName(), "matrixDialog");
        EXPECT_EQ(d->windowTitle(), "Matrix Entry");
        EXPECT_EQ(d->size(), QSize(800, 600));
        EXPECT_FALSE(d->windowFlags() & Qt::WindowCloseButtonHint);
        EXPECT_FALSE(d->windowFlags() & Qt::WindowSystemMenuHint);

        EXPECT_EQ(d->findChildren<QLineEdit*>().size(), 10);
        for (int i = 1; i <= 4; ++i)
            for (int j = 1; j <= 4; ++j) {
                QLineEdit* f = cell(d, j, i);
                if (i < j) {
                    EXPECT_EQ(f, nullptr) << "no cell above the diagonal: " << j << "x" << i;
                    continue;
                }
                ASSERT_NE(f, nullptr) << j << "x" << i;
                EXPECT_EQ(f->geometry(), QRect(37 * j - 4, 16 * i + 34, 37, 16));
                EXPECT_EQ(f->maxLength(), 6);
                const bool diagonal = i == j;
                EXPECT_EQ(f->text(), diagonal ? "1.000" : "0.000");
                EXPECT_EQ(f->isReadOnly(), diagonal);
                EXPECT_EQ(f->palette().color(QPalette::Text) == QColor(Qt::blue), diagonal);
                EXPECT_EQ(bool(f->focusPolicy() & Qt::TabFocus), !diagonal);
            }
        // Typing into a diagonal cell changes nothing.
        QTest::keyClicks(cell(d, 2, 2), "5");
        EXPECT_EQ(cell(d, 2, 2)->text(), "1.000");
        click(d, "ReturnBtn");
    });
}

TEST_F(MatrixDialog, PanelsButtonsAndNumbersSitWhereTheFormPlacesThem)
{
    tEntryMatrix m = identity(4);
    run_dialog(m, 4, 4, [](QDialog* d) {
        auto* upper = d->findChild<QFrame*>(QStringLiteral("upperPanel"));
        auto* lower = d->findChild<QFrame*>(QStringLiteral("lowerPanel"));
        ASSERT_TRUE(upper && lower);
        EXPECT_EQ(upper->geometry(), QRect(7, 5, 780, 483));
        EXPECT_EQ(lower->geometry(), QRect(7, 500, 780, 49));
        EXPECT_EQ(lower->frameShadow(), QFrame::Sunken);

        struct tExpectedButton {
            const char* name;
            const char* caption;
            int left;
        };
        for (const tExpectedButton& e : {tExpectedButton{"CloseBtn", "Continue", 16},
                                         tExpectedButton{"ClearBtn", "Clear Data", 216},
                                         tExpectedButton{"ReturnBtn", "Return to Worksheet", 416}}) {
            QPushButton* b = button(d, e.name);
            ASSERT_NE(b, nullptr) << e.name;
            EXPECT_EQ(b->text(), e.caption);
            EXPECT_EQ(b->geometry(), QRect(e.left, 506, 161, 37)) << e.name;
            EXPECT_FALSE(b->autoDefault()) << e.name;
        }
        EXPECT_NE(dynamic_cast<MatrixButton*>(button(d, "CloseBtn")), nullptr);
        EXPECT_NE(dynamic_cast<ClearMatrixButton*>(button(d, "ClearBtn")), nullptr);
        EXPECT_NE(dynamic_cast<ReturnMatrixButton*>(button(d, "ReturnBtn")), nullptr);

        // Column numbers under the last row (16 * 4 + 60 = 124), row numbers
        // at the left, both on the upper panel.
        for (int k = 1; k <= 4; ++k) {
            auto* col = upper->findChild<QLabel*>(QStringLiteral("column%1").arg(k));
            auto* row = upper->findChild<QLabel*>(QStringLiteral("row%1").arg(k));
            ASSERT_TRUE(col && row) << k;
            EXPECT_EQ(col->text(), QString::number(k));
            EXPECT_EQ(col->geometry(), QRect(37 * k + 7, 124, 15, 16));
            EXPECT_EQ(row->text(), QString::number(k));
            EXPECT_EQ(row->geometry(), QRect(7, 16 * k + 34, 15, 16));
            EXPECT_EQ(row->alignment(), Qt::AlignCenter);
        }
        EXPECT_EQ(upper->findChild<QLabel*>(QStringLiteral("axis1")), nullptr);

        auto* scroller = d->findChild<QScrollArea*>();
        ASSERT_NE(scroller, nullptr);
        EXPECT_FALSE(scroller->horizontalScrollBar()->isVisible());
        EXPECT_FALSE(scroller->verticalScrollBar()->isVisible());
        click(d, "ReturnBtn");
    });
}

TEST_F(MatrixDialog, CellsShowTheMatrixWithThreeDecimalsAndTheAxisTextReadsDownwards)
{
    // Hand-formatted with %5.3f: 0.5 -> "0.500", -0.25 -> "-0.250", 0.1234 -> "0.123".
    tEntryMatrix m = identity(3);
    m[1][2] = 0.5;
    m[1][3] = -0.25;
    m[2][3] = 0.1234;
    run_dialog(
        m, 3, 3,
        [](QDialog* d) {
            EXPECT_EQ(cell(d, 1, 2)->text(), "0.500");
            EXPECT_EQ(cell(d, 1, 3)->text(), "-0.250");
            EXPECT_EQ(cell(d, 2, 3)->text(), "0.123");
            const QString axis = QStringLiteral("Tests");
            for (int k = 1; k <= axis.size(); ++k) {
                auto* label = d->findChild<QLabel*>(QStringLiteral("axis%1").arg(k));
                ASSERT_NE(label, nullptr) << k;
                EXPECT_EQ(label->text(), axis.mid(k - 1, 1));
                EXPECT_EQ(label->geometry(), QRect(10, 16 * k + 20, 9, 16));
            }
            click(d, "ReturnBtn");
        },
        true, QStringLiteral("Tests"));
}

TEST_F(MatrixDialog, TabRunsThroughTheEditableCellsRowByRowThenTheButtons)
{
    tEntryMatrix m = identity(4);
    run_dialog(m, 4, 4, [](QDialog* d) {
        QWidget* first = QApplication::focusWidget();
        ASSERT_NE(first, nullptr);
        std::vector<QString> chain{first->objectName()};
        for (int k = 0; k < 9; ++k) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            chain.push_back(QApplication::focusWidget()->objectName());
        }
        const std::vector<QString> expected{"mat1x2", "mat1x3",   "mat2x3",   "mat1x4",
                                            "mat2x4", "mat3x4",   "CloseBtn", "ClearBtn",
                                            "ReturnBtn", "mat1x2"};
        EXPECT_EQ(chain, expected);
        click(d, "ReturnBtn");
    });
}

TEST_F(MatrixDialog, LargeGridsScrollAndKeepTheButtonsBelowTheCells)
{
    // 37 * 21 + 54 = 831 > 800 and 16 * 30 + 123 = 603 > 600: both bars.
    tEntryMatrix m = identity(30);
    run_dialog(m, 21, 30, [](QDialog* d) {
        EXPECT_EQ(d->size(), QSize(800, 600));
        auto* scroller = d->findChild<QScrollArea*>();
        EXPECT_TRUE(scroller->horizontalScrollBar()->isVisible());
        EXPECT_TRUE(scroller->verticalScrollBar()->isVisible());
        const QRect last_row = cell(d, 1, 30)->geometry();
        EXPECT_GT(button(d, "CloseBtn")->geometry().top(), last_row.bottom());
        auto* col1 = d->findChild<QLabel*>(QStringLiteral("column1"));
        auto* upper = d->findChild<QFrame*>(QStringLiteral("upperPanel"));
        EXPECT_TRUE(upper->rect().contains(col1->geometry())) << "column numbers not clipped";
        click(d, "ReturnBtn");
    });
    // 37 * 20 + 54 = 794 and 16 * 25 + 123 = 523: no bars, nothing moves.
    tEntryMatrix n = identity(25);
    run_dialog(n, 20, 25, [](QDialog* d) {
        auto* scroller = d->findChild<QScrollArea*>();
        EXPECT_FALSE(scroller->horizontalScrollBar()->isVisible());
        EXPECT_FALSE(scroller->verticalScrollBar()->isVisible());
        EXPECT_EQ(button(d, "CloseBtn")->geometry(), QRect(16, 506, 161, 37));
        click(d, "ReturnBtn");
    });
}

TEST_F(MatrixDialog, DimensionsOutsideOneToFiftyAreRefused)
{
    tEntryMatrix m = identity(4);
    EXPECT_THROW(tMatrixDialog(m, 0, 4, QString(), true, nullptr, QString()), std::out_of_range);
    EXPECT_THROW(tMatrixDialog(m, 4, 51, QString(), true, nullptr, QString()), std::out_of_range);
    EXPECT_NO_THROW(tMatrixDialog(m, 50, 50, QString(), true, nullptr, QString()));
}

// --- Continue ------------------------------------------------------------------

TEST_F(MatrixDialog, UntouchedIdentityAsksAboutEachOffDiagonalCellInColumnOrder)
{
    tEntryMatrix m = identity(4);
    m[2][1] = 0.7; // above the diagonal: overwritten by the mirror of cell (2,1)
    answer({true, true, true, true, true, true});
    bool closed = false;
    const bool returned = run_dialog(m, 4, 4, [&](QDialog* d) {
        click(d, "CloseBtn");
        closed = !d->isVisible();
    });
    EXPECT_TRUE(closed);
    EXPECT_FALSE(returned);
    const std::vector<std::string> expected{default_question(2, 1), default_question(3, 1),
                                            default_question(4, 1), default_question(3, 2),
                                            default_question(4, 2), default_question(4, 3)};
    EXPECT_EQ(recorder.messages.size(), 6u);
    EXPECT_EQ(questions(), expected);
    const tEntryMatrix stored = identity(4);
    for (int j = 1; j <= 4; ++j)
        for (int i = 1; i <= 4; ++i)
            EXPECT_EQ(m[j][i], stored[j][i]) << "[" << j << "][" << i << "]";

    // The marks belong to the fields of one opening: a new one asks again.
    answer({true, true, true, true, true, true});
    EXPECT_FALSE(run_dialog(m, 4, 4, [](QDialog* d) { click(d, "CloseBtn"); }));
    EXPECT_EQ(questions().size(), 12u);
}

TEST_F(MatrixDialog, NoToTheQuestionFocusesThatCellAndAYesIsNotAskedAgain)
{
    tEntryMatrix m = identity(4);
    answer({true, true, false});
    run_dialog(m, 4, 4, [&](QDialog* d) {
        click(d, "CloseBtn");
        EXPECT_TRUE(d->isVisible());
        QLineEdit* refused = cell(d, 1, 4);
        EXPECT_TRUE(refused->hasFocus());
        EXPECT_EQ(refused->selectedText(), "0.000");
        EXPECT_EQ(questions().back(), default_question(4, 1));

        // (2,1) and (3,1) were accepted: the next Continue starts at (4,1).
        recorder.messages.clear();
        answer({true, true, true, true});
        click(d, "CloseBtn");
        EXPECT_FALSE(d->isVisible());
    });
    const std::vector<std::string> expected{default_question(4, 1), default_question(3, 2),
                                            default_question(4, 2), default_question(4, 3)};
    EXPECT_EQ(questions(), expected);
}

TEST_F(MatrixDialog, OneOffTheDiagonalOrMinusOneAnywhereIsRefusedWithTheRangeMessage)
{
    for (const char* text : {"1", "1.000", "-1", "-1.000", "1.5", "-2"}) {
        SCOPED_TRACE(text);
        recorder.messages.clear();
        tEntryMatrix m = identity(4);
        const bool returned = run_dialog(m, 4, 4, [&](QDialog* d) {
            retype(cell(d, 1, 2), QStringLiteral("0.5"));
            retype(cell(d, 2, 3), QString::fromLatin1(text));
            // Cells that come before (2,3) in column order need no question.
            for (auto [j, i] : {std::pair{1, 3}, {1, 4}})
                retype(cell(d, j, i), QStringLiteral("0.1"));
            click(d, "CloseBtn");
            EXPECT_TRUE(d->isVisible());
            EXPECT_TRUE(cell(d, 2, 3)->hasFocus());
            EXPECT_EQ(cell(d, 2, 3)->selectedText(), QString::fromLatin1(text));
            click(d, "ReturnBtn");
        });
        EXPECT_TRUE(returned);
        ASSERT_EQ(recorder.messages.size(), 1u);
        EXPECT_EQ(recorder.messages[0], (tMsg{tMsg::Information, RANGE_MESSAGE}));
        // Column 1 passed before the refusal and stays stored, mirrored: this
        // is why the caller must discard its copy after Return to Worksheet.
        EXPECT_NEAR(m[1][2], 0.5, TOL_PARSED);
        EXPECT_NEAR(m[2][1], 0.5, TOL_PARSED);
        EXPECT_EQ(m[2][3], 0.0);
    }
}

TEST_F(MatrixDialog, ValuesJustInsideTheRangeAreStoredAndMirrored)
{
    tEntryMatrix m = identity(4);
    const bool returned = run_dialog(m, 4, 4, [](QDialog* d) {
        retype(cell(d, 1, 2), QStringLiteral("0.999"));
        retype(cell(d, 1, 3), QStringLiteral("-0.999"));
        retype(cell(d, 1, 4), QStringLiteral("0,25")); // a comma is a decimal point
        retype(cell(d, 2, 3), QStringLiteral("-.5"));
        retype(cell(d, 2, 4), QStringLiteral(".3"));
        retype(cell(d, 3, 4), QStringLiteral("-0.05"));
        click(d, "CloseBtn");
        EXPECT_FALSE(d->isVisible());
    });
    EXPECT_FALSE(returned);
    EXPECT_TRUE(recorder.messages.empty());
    struct tStored {
        int column, row;
        double value;
    };
    for (const tStored& s : {tStored{1, 2, 0.999}, {1, 3, -0.999}, {1, 4, 0.25}, {2, 3, -0.5},
                             {2, 4, 0.3}, {3, 4, -0.05}}) {
        EXPECT_NEAR(m[s.column][s.row], s.value, TOL_PARSED) << s.column << "x" << s.row;
        EXPECT_NEAR(m[s.row][s.column], s.value, TOL_PARSED) << "mirror " << s.column << "x" << s.row;
    }
    for (int k = 1; k <= 4; ++k)
        EXPECT_EQ(m[k][k], 1.0);
}

TEST_F(MatrixDialog, ZeroWrittenOtherwiseThanExactly0Point000IsStoredWithoutTheQuestion)
{
    tEntryMatrix m = identity(4);
    for (int j = 1; j <= 4; ++j)
        for (int i = j + 1; i <= 4; ++i)
            m[j][i] = m[i][j] = 0.4; // every cell starts away from 0
    const bool returned = run_dialog(m, 4, 4, [](QDialog* d) {
        retype(cell(d, 1, 2), QStringLiteral("0"));
        retype(cell(d, 1, 3), QStringLiteral(" 0.000"));
        retype(cell(d, 1, 4), QString()); // emptied
        retype(cell(d, 2, 3), QStringLiteral("0.00"));
        retype(cell(d, 2, 4), QStringLiteral("-0"));
        EXPECT_EQ(cell(d, 1, 4)->text(), "");
        click(d, "CloseBtn");
        EXPECT_FALSE(d->isVisible());
    });
    EXPECT_FALSE(returned);
    EXPECT_TRUE(recorder.messages.empty());
    for (auto [j, i] : {std::pair{1, 2}, {1, 3}, {1, 4}, {2, 3}, {2, 4}}) {
        EXPECT_EQ(m[j][i], 0.0) << j << "x" << i;
        EXPECT_EQ(m[i][j], 0.0) << j << "x" << i;
    }
    EXPECT_NEAR(m[3][4], 0.4, TOL_PARSED); // untouched "0.400"
}

TEST_F(MatrixDialog, AParseErrorShowsTheParserWarningAndFocusesTheCell)
{
    tEntryMatrix m = identity(3);
    const bool returned = run_dialog(m, 3, 3, [&](QDialog* d) {
        retype(cell(d, 1, 2), QStringLiteral("0.2"));
        retype(cell(d, 1, 3), QStringLiteral("0.2.1"));
        click(d, "CloseBtn");
        EXPECT_TRUE(d->isVisible());
        EXPECT_TRUE(cell(d, 1, 3)->hasFocus());
        EXPECT_EQ(cell(d, 1, 3)->selectedText(), "0.2.1");
        ASSERT_EQ(recorder.messages.size(), 1u);
        EXPECT_EQ(recorder.messages[0], (tMsg{tMsg::Warning, PARSE_WARNING}));

        // Corrected, the same Continue goes through.
        retype(cell(d, 1, 3), QStringLiteral("0.1"));
        retype(cell(d, 2, 3), QStringLiteral("0.3"));
        click(d, "CloseBtn");
        EXPECT_FALSE(d->isVisible());
    });
    EXPECT_FALSE(returned);
    EXPECT_NEAR(m[1][3], 0.1, TOL_PARSED);
    EXPECT_NEAR(m[3][2], 0.3, TOL_PARSED);
}

TEST_F(MatrixDialog, FullModeEditsEveryCellAndDoesNotMirror)
{
    tEntryMatrix m = identity(2);
    answer({true, true});
    run_dialog(
        m, 2, 2,
        [](QDialog* d) {
            EXPECT_EQ(d->findChildren<QLineEdit*>().size(), 4);
            ASSERT_NE(cell(d, 2, 1), nullptr);
            retype(cell(d, 2, 1), QStringLiteral("0.6"));
            click(d, "CloseBtn");
        },
        false);
    // Only (2,1) still reads exactly 0.000.
    EXPECT_EQ(questions(), std::vector<std::string>{default_question(2, 1)});
    EXPECT_EQ(m[1][2], 0.0);
    EXPECT_NEAR(m[2][1], 0.6, TOL_PARSED);
}

// --- Clear Data and Return to Worksheet --------------------------------------

TEST_F(MatrixDialog, ClearDataAnsweredYesZeroesTheCellsBelowTheDiagonalOnly)
{
    tEntryMatrix m = identity(3);
    m[1][2] = 0.2;
    m[2][1] = 0.2;
    m[1][3] = 0.3;
    m[3][1] = 0.3;
    m[2][3] = 0.5;
    m[3][2] = 0.5;
    answer({true});
    run_dialog(m, 3, 3, [&](QDialog* d) {
        click(d, "ClearBtn");
        EXPECT_EQ(questions(), std::vector<std::string>{"Clear data from matrix ?"});
        for (auto [j, i] : {std::pair{1, 2}, {1, 3}, {2, 3}})
            EXPECT_EQ(cell(d, j, i)->text(), "0.000") << j << "x" << i;
        for (int k = 1; k <= 3; ++k)
            EXPECT_EQ(cell(d, k, k)->text(), "1.000");
        EXPECT_EQ(d->windowTitle(), "Matrix Entry");
        EXPECT_TRUE(d->isVisible());
        // Below the diagonal cleared now, mirrors above kept until Continue.
        EXPECT_EQ(m[1][2], 0.0);
        EXPECT_EQ(m[2][3], 0.0);
        EXPECT_EQ(m[2][1], 0.2);
        EXPECT_EQ(m[3][2], 0.5);
        click(d, "ReturnBtn");
    });
}

TEST_F(MatrixDialog, ClearDataAnsweredNoChangesNothing)
{
    tEntryMatrix m = identity(3);
    m[1][2] = m[2][1] = 0.2;
    answer({false});
    run_dialog(m, 3, 3, [&](QDialog* d) {
        retype(cell(d, 2, 3), QStringLiteral("0.4"));
        click(d, "ClearBtn");
        EXPECT_EQ(cell(d, 1, 2)->text(), "0.200");
        EXPECT_EQ(cell(d, 2, 3)->text(), "0.4");
        click(d, "ReturnBtn");
    });
    EXPECT_EQ(m[1][2], 0.2);
    EXPECT_EQ(m[2][3], 0.0); // typed only, never stored
}

TEST_F(MatrixDialog, ClearDataKeepsTheConfirmedMarks)
{
    tEntryMatrix m = identity(3);
    // Yes for (2,1), No for (3,1); then Clear Data; then Continue.
    answer({true, false, true, true, true});
    run_dialog(m, 3, 3, [&](QDialog* d) {
        click(d, "CloseBtn");
        EXPECT_TRUE(d->isVisible());
        click(d, "ClearBtn");
        click(d, "CloseBtn");
        EXPECT_FALSE(d->isVisible());
    });
    const std::vector<std::string> expected{default_question(2, 1), default_question(3, 1),
                                            "Clear data from matrix ?", default_question(3, 1),
                                            default_question(3, 2)};
    EXPECT_EQ(questions(), expected);
}

TEST_F(MatrixDialog, ReturnToWorksheetReturnsTrueAndLeavesTheMatrixAlone)
{
    tEntryMatrix m = identity(4);
    const tEntryMatrix before = m;
    const bool returned = run_dialog(m, 4, 4, [](QDialog* d) {
        retype(cell(d, 1, 2), QStringLiteral("0.5"));
        click(d, "ReturnBtn");
        EXPECT_FALSE(d->isVisible());
    });
    EXPECT_TRUE(returned);
    EXPECT_TRUE(m == before);
    EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(MatrixDialog, EscapeEnterAndCloseRequestsLeaveTheDialogOpen)
{
    tEntryMatrix m = identity(3);
    run_dialog(m, 3, 3, [&](QDialog* d) {
        QTest::keyClick(cell(d, 1, 2), Qt::Key_Escape);
        EXPECT_TRUE(d->isVisible());
        QTest::keyClick(cell(d, 1, 2), Qt::Key_Return);
        EXPECT_TRUE(d->isVisible());
        EXPECT_FALSE(d->close());
        EXPECT_TRUE(d->isVisible());
        EXPECT_TRUE(recorder.messages.empty()) << "Enter must not press Continue";
        click(d, "ReturnBtn");
    });
}

// --- The messages as real boxes ------------------------------------------------

TEST(MatrixDialogBoxes, RangeMessageIsAnInformationBoxAndTheQuestionAConfirmation)
{
    tQtUserMessages boxes;
    tScopedUserMessages use_boxes(boxes);
    tEntryMatrix m = identity(2);
    tSeenBox range, question;
    const bool returned = run_dialog(m, 2, 2, [&](QDialog* d) {
        retype(cell(d, 1, 2), QStringLiteral("1"));
        answer_next_box("OK", &range);
        click(d, "CloseBtn");
        // The cell has the focus when the dialog is active again (offscreen
        // nothing reactivates it after the box).
        EXPECT_EQ(d->focusWidget(), cell(d, 1, 2));

        retype(cell(d, 1, 2), QStringLiteral("0.000"));
        answer_next_box("&Yes", &question);
        click(d, "CloseBtn");
    });
    EXPECT_FALSE(returned);
    EXPECT_EQ(range.title, "Information");
    EXPECT_EQ(range.text.toStdString(), RANGE_MESSAGE);
    EXPECT_EQ(question.title, "Confirm");
    EXPECT_EQ(question.text.toStdString(), default_question(2, 1));
    EXPECT_EQ(m[1][2], 0.0);
}

// --- The dialog inside the analysis run ----------------------------------------

namespace {

// A worksheet's matrix entry, turned on, handed to the runs.
class MatrixEntryRun : public MatrixDialog {
protected:
    tMatrixEntry entry;

    void SetUp() override { entry.enabled = true; }

    tAnalysisInputs valid_inputs()
    {
        tAnalysisInputs inputs;
        inputs.matrix_entry = &entry;
        inputs.score_texts = {"100", "95", "110", "90"};
        inputs.label_captions = {"Verbal Comprehension Index score:",
                                 "Perceptual Reasoning Index score:",
                                 "Working Memory Index score:", "Processing Speed Index score:"};
        inputs.app_title = "Matrix entry test";
        return inputs;
    }

    // The run's hook opens the real dialog; the matrix it was given is kept
    // as it was when the dialog closed.
    tAnalysisHooks dialog_hooks()
    {
        tAnalysisHooks hooks;
        hooks.matrix_entry = [this](tEntryMatrix& matrix, int columns, int rows) {
            const bool returned = open_square_matrix_dialog(
                matrix, columns, rows, QStringLiteral("Matrix Entry"), true, nullptr, QString());
            last_copy = matrix;
            return returned;
        };
        return hooks;
    }

    tEntryMatrix last_copy{};
};

} // namespace

TEST_F(MatrixEntryRun, ReturnAfterARefusedContinueDiscardsTheCopyAndTheNextRunStartsAfresh)
{
    const tAnalysisInputs inputs = valid_inputs();
    const tAnalysisHooks hooks = dialog_hooks();
    bool driven = false;

    // First run: column 1 is half stored when (3,1) is refused; then Return.
    drive_next_dialog(
        [](QDialog* d) {
            retype(cell(d, 1, 2), QStringLiteral("0.5"));
            retype(cell(d, 1, 3), QStringLiteral("2"));
            click(d, "CloseBtn");
            EXPECT_TRUE(d->isVisible());
            click(d, "ReturnBtn");
        },
        driven);
    tLineSink abandoned;
    EXPECT_EQ(run_analysis(inputs, abandoned, hooks).result, tRunResult::Abandoned);
    EXPECT_TRUE(driven);
    EXPECT_TRUE(abandoned.lines.empty());
    EXPECT_NEAR(last_copy[1][2], 0.5, TOL_PARSED) << "the dialog did store into the copy";
    for (int row = 1; row <= 4; ++row)
        for (int column = 1; column <= 4; ++column)
            EXPECT_EQ(entry.entered[row][column], 0.0) << row << "," << column;

    // Second run: the identity again, not the abandoned copy.
    recorder.messages.clear();
    answer({true, true, true, true});
    drive_next_dialog(
        [](QDialog* d) {
            EXPECT_EQ(cell(d, 1, 2)->text(), "0.000");
            EXPECT_EQ(cell(d, 1, 1)->text(), "1.000");
            retype(cell(d, 1, 2), QStringLiteral("0.5"));
            retype(cell(d, 1, 3), QStringLiteral("-0.25"));
            click(d, "CloseBtn");
            EXPECT_FALSE(d->isVisible());
        },
        driven);
    tLineSink completed;
    EXPECT_EQ(run_analysis(inputs, completed, hooks).result, tRunResult::Completed);
    EXPECT_TRUE(driven);
    EXPECT_FALSE(completed.lines.empty());
    const std::vector<std::string> expected{default_question(4, 1), default_question(3, 2),
                                            default_question(4, 2), default_question(4, 3)};
    EXPECT_EQ(questions(), expected);
    // The entered matrix is [row][column]; the dialog mirrors into both triangles.
    EXPECT_NEAR(entry.entered[2][1], 0.5, TOL_PARSED);
    EXPECT_NEAR(entry.entered[1][2], 0.5, TOL_PARSED);
    EXPECT_NEAR(entry.entered[3][1], -0.25, TOL_PARSED);
    EXPECT_NEAR(entry.entered[1][3], -0.25, TOL_PARSED);
    for (int k = 1; k <= 4; ++k)
        EXPECT_EQ(entry.entered[k][k], 1.0);

    // A worksheet restored from its file starts from its entered matrix.
    entry.restored_from_file = true;
    drive_next_dialog(
        [](QDialog* d) {
            EXPECT_EQ(cell(d, 1, 2)->text(), "0.500");
            EXPECT_EQ(cell(d, 1, 3)->text(), "-0.250");
            click(d, "ReturnBtn");
        },
        driven);
    tLineSink again;
    EXPECT_EQ(run_analysis(inputs, again, hooks).result, tRunResult::Abandoned);
    EXPECT_TRUE(driven);
    EXPECT_NEAR(entry.entered[2][1], 0.5, TOL_PARSED);
}

// --- The dialog from the worksheet's Compute -------------------------------------

TEST_F(MatrixEntryRun, ComputeOnTheWorksheetOpensTheDialogAndReturnShowsTheWorksheetAgain)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    {
        tWorksheetWindow worksheet(tWorksheetLocation{folder.path().toStdString(), false, {}});
        tOutputWindow results;
        worksheet.set_output_window(&results);
        results.set_worksheet(&worksheet);
        worksheet.matrix_entry().enabled = true; // the creation step turned it off
        worksheet.show();
        worksheet.txtInput1->setText(QStringLiteral("100"));
        worksheet.txtInput2->setText(QStringLiteral("95"));
        worksheet.txtInput3->setText(QStringLiteral("110"));
        worksheet.txtInput4->setText(QStringLiteral("90"));

        bool driven = false;
        drive_next_dialog(
            [&](QDialog* d) {
                EXPECT_EQ(d->objectName(), "matrixDialog");
                EXPECT_EQ(d->windowTitle(), "Matrix Entry");
                EXPECT_EQ(d->parentWidget(), &worksheet);
                EXPECT_FALSE(worksheet.isVisible()) << "the run hides the worksheet";
                EXPECT_EQ(d->findChildren<QLineEdit*>().size(), 10);
                click(d, "ReturnBtn");
            },
            driven);
        QTest::mouseClick(worksheet.cmdCompute, Qt::LeftButton);
        EXPECT_TRUE(driven);
        EXPECT_TRUE(worksheet.isVisible());
        EXPECT_FALSE(results.isVisible());
        EXPECT_TRUE(results.memoResults->toPlainText().isEmpty());

        // Compute again; Yes to the six questions and Continue: the report.
        answer({true, true, true, true, true, true});
        drive_next_dialog([](QDialog* d) { click(d, "CloseBtn"); }, driven);
        QTest::mouseClick(worksheet.cmdCompute, Qt::LeftButton);
        EXPECT_TRUE(driven);
        EXPECT_EQ(questions().size(), 6u);
        EXPECT_TRUE(results.isVisible());
        EXPECT_FALSE(worksheet.isVisible());
        EXPECT_FALSE(results.memoResults->toPlainText().isEmpty());
        for (int row = 1; row <= 4; ++row)
            for (int column = 1; column <= 4; ++column)
                EXPECT_EQ(worksheet.matrix_entry().entered[row][column], row == column ? 1.0 : 0.0);
    }
}
