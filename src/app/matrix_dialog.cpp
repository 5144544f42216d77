// The square matrix entry dialog, built at run time.
//
// Geometry is in pixels on the dialog's client area, which scrolls as a whole
// when the grid is larger than the dialog. Cell (column j, row i) sits at
// left 37j - 4, top 16i + 34; column numbers run under the last row and row
// numbers down the left edge of the upper panel.
#include "app/matrix_dialog.h"

#include "app/push_button_keys.h"
#include "app/window_controls.h"
#include "common/format_ext.h"
#include "common/user_messages.h"
#include "methods/score_entry.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QScreen>
#include <QScrollArea>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace {

// The dialog is always this size: the grid scrolls inside it.
constexpr int FORM_WIDTH = 800;
constexpr int FORM_HEIGHT = 600;

constexpr int CELL_WIDTH = 37;
constexpr int CELL_HEIGHT = 16;
constexpr int CELL_MAX_LENGTH = 6;

constexpr int PANEL_LEFT = 7;
constexpr int UPPER_PANEL_TOP = 5;
constexpr int UPPER_PANEL_WIDTH = 780;
constexpr int UPPER_PANEL_HEIGHT = 483;
constexpr int LOWER_PANEL_TOP = 500;
constexpr int LOWER_PANEL_HEIGHT = 49;

constexpr int BUTTON_TOP = 506;
constexpr int BUTTON_WIDTH = 161;
constexpr int BUTTON_HEIGHT = 37;

const QString CELL_STYLE = QStringLiteral(
    "QLineEdit { border: 1px solid #8a8a8a; padding: 0px; }"
    "QLineEdit:focus { border: 1px solid palette(highlight); }");

const char* const RANGE_MESSAGE =
    "Valid matrix values are BETWEEN -1 and +1. Please re-enter matrix values";
const char* const CLEAR_QUESTION = "Clear data from matrix ?";
const char* const DEFAULT_CELL_TEXT = "0.000";

int cell_left(int column) { return CELL_WIDTH * column - 4; }
int cell_top(int row) { return CELL_HEIGHT * row + 34; }

QString cell_text(double value)
{
    return QString::fromLatin1(format_ext("%5.3Lf", static_cast<long double>(value)).c_str());
}

std::string latin1(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QLabel* panel_label(QWidget* panel, const QString& text, int left, int top, int width)
{
    auto* label = new QLabel(text, panel);
    label->setGeometry(left, top, width, CELL_HEIGHT);
    return label;
}

void place_button(QPushButton* button, const QString& name, int left, int top)
{
    button->setObjectName(name);
    button->setGeometry(left, top, BUTTON_WIDTH, BUTTON_HEIGHT);
    button->setFont(QFont(QStringLiteral("System"), 10));
    // Enter in a cell must not press a button behind the user's back; on a
    // button it presses that button.
    button->setAutoDefault(false);
    button->setDefault(false);
    press_on_enter(button);
}

} // namespace

MatrixButton::MatrixButton(tMatrixDialog* form, QWidget* parent)
    : QPushButton(QStringLiteral("Continue"), parent)
{
    connect(this, &QPushButton::clicked, form, [form]() { form->MatrixButtonClick(); });
}

ClearMatrixButton::ClearMatrixButton(tMatrixDialog* form, QWidget* parent)
    : QPushButton(QStringLiteral("Clear Data"), parent)
{
    connect(this, &QPushButton::clicked, form, [form]() { form->ClearMatrixButtonClick(); });
}

ReturnMatrixButton::ReturnMatrixButton(tMatrixDialog* form, QWidget* parent)
    : QPushButton(QStringLiteral("Return to Worksheet"), parent)
{
    connect(this, &QPushButton::clicked, form, [form]() { form->ReturnMatrixButtonClick(); });
}

tMatrixDialog::tMatrixDialog(tEntryMatrix& matrix, int columns, int rows, const QString& caption,
                     bool lower_triangle, QWidget* owner, const QString& row_axis_text)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      matrix_(matrix), columns_(columns), rows_(rows), lower_triangle_(lower_triangle)
{
    if (columns < 1 || columns > MAX_MATRIX_DIMENSION || rows < 1 || rows > MAX_MATRIX_DIMENSION)
        throw std::out_of_range("matrix dimensions must lie in 1..50");

    setObjectName(QStringLiteral("matrixDialog"));
    setWindowTitle(caption);
    setFixedSize(FORM_WIDTH, FORM_HEIGHT);

    // A grid too large for the upper panel widens and deepens it, and the lower
    // panel and the buttons move down with it, so no cell ever covers a number
    // or a button. Up to 20 columns and 25 rows everything keeps its place.
    const int upper_width = std::max(UPPER_PANEL_WIDTH, CELL_WIDTH * columns + 30);
    const int upper_height = std::max(UPPER_PANEL_HEIGHT, CELL_HEIGHT * rows + 80);
    const int shift_down = upper_height - UPPER_PANEL_HEIGHT;

    scroller_ = new QScrollArea(this);
    scroller_->setObjectName(QStringLiteral("scroller"));
    scroller_->setGeometry(0, 0, FORM_WIDTH, FORM_HEIGHT);
    scroller_->setFrameShape(QFrame::NoFrame);
    scroller_->setFocusPolicy(Qt::NoFocus);
    scroller_->setWidgetResizable(false);
    client_ = new QWidget;
    client_->setObjectName(QStringLiteral("client"));
    client_->resize(std::max(FORM_WIDTH, upper_width + 2 * PANEL_LEFT + 6),
                    FORM_HEIGHT + shift_down);
    scroller_->setWidget(client_);

    upper_panel_ = make_panel(client_, QRect(PANEL_LEFT, UPPER_PANEL_TOP, upper_width, upper_height),
                              QFrame::Raised);
    upper_panel_->setObjectName(QStringLiteral("upperPanel"));
    lower_panel_ = make_panel(client_, QRect(PANEL_LEFT, LOWER_PANEL_TOP + shift_down, upper_width,
                                             LOWER_PANEL_HEIGHT), QFrame::Sunken);
    lower_panel_->setObjectName(QStringLiteral("lowerPanel"));

    CloseBtn = new MatrixButton(this, client_);
    ClearBtn = new ClearMatrixButton(this, client_);
    ReturnBtn = new ReturnMatrixButton(this, client_);

    QLineEdit* last_cell = add_cells();

    place_button(CloseBtn, QStringLiteral("CloseBtn"), 16, BUTTON_TOP + shift_down);
    place_button(ClearBtn, QStringLiteral("ClearBtn"), 216, BUTTON_TOP + shift_down);
    place_button(ReturnBtn, QStringLiteral("ReturnBtn"), 416, BUTTON_TOP + shift_down);
    // Tab runs through the cells row by row, then Continue, Clear Data, Return.
    if (last_cell)
        QWidget::setTabOrder(last_cell, CloseBtn);
    QWidget::setTabOrder(CloseBtn, ClearBtn);
    QWidget::setTabOrder(ClearBtn, ReturnBtn);

    add_numbers(row_axis_text);

    if (QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

// The cells row by row, which is the order Tab takes through them; returns
// the last one Tab reaches.
QLineEdit* tMatrixDialog::add_cells()
{
    // "-0.999" must fit a 37-pixel cell: a small proportional font and a
    // one-pixel border leave room for six characters.
    const QFont cell_font(QStringLiteral("Arial"), 8);
    QLineEdit* last_cell = nullptr;
    for (int i = 1; i <= rows_; ++i)
        for (int j = 1; j <= columns_; ++j) {
            if (!cell_exists(j, i))
                continue;
            auto* field = new QLineEdit(client_);
            field->setObjectName(QStringLiteral("mat%1x%2").arg(j).arg(i));
            // As the numbers beside and under the cells read.
            field->setAccessibleName(QStringLiteral("Row %1, column %2").arg(i).arg(j));
            field->setGeometry(cell_left(j), cell_top(i), CELL_WIDTH, CELL_HEIGHT);
            field->setMaxLength(CELL_MAX_LENGTH);
            field->setFont(cell_font);
            field->setStyleSheet(CELL_STYLE);
            field->setText(cell_text(matrix_[j][i]));
            field->setCursorPosition(0);
            if (i == j) {
                QPalette blue = field->palette();
                blue.setColor(QPalette::Text, Qt::blue);
                field->setPalette(blue);
                field->setReadOnly(true);
                field->setFocusPolicy(Qt::ClickFocus); // left out of the Tab chain
            } else {
                last_cell = field;
            }
            cells_[j][i].field = field;
        }
    return last_cell;
}

// The column numbers under the last row; the row numbers, and the row axis'
// text a character a line, down the upper panel's left edge.
void tMatrixDialog::add_numbers(const QString& row_axis_text)
{
    for (int j = 1; j <= columns_; ++j)
        panel_label(upper_panel_, QString::number(j), CELL_WIDTH * j + 7, CELL_HEIGHT * rows_ + 60, 15)
            ->setObjectName(QStringLiteral("column%1").arg(j));
    for (int i = rows_; i >= 1; --i) {
        QLabel* label = panel_label(upper_panel_, QString::number(i), 7, cell_top(i), 15);
        label->setObjectName(QStringLiteral("row%1").arg(i));
        label->setAlignment(Qt::AlignCenter);
    }
    for (int k = 1; k <= row_axis_text.size(); ++k)
        panel_label(upper_panel_, row_axis_text.mid(k - 1, 1), 10, CELL_HEIGHT * k + 20, 9)
            ->setObjectName(QStringLiteral("axis%1").arg(k));
}

bool tMatrixDialog::cell_exists(int column, int row) const
{
    return !lower_triangle_ || row >= column;
}

void tMatrixDialog::focus_cell(int column, int row)
{
    QLineEdit* field = cells_[column][row].field;
    scroller_->ensureWidgetVisible(field);
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
}

// Continue: every cell in column order; the first one that fails keeps the
// dialog open with its text highlighted. Cells stored before it keep their
// new values in the caller's matrix.
void tMatrixDialog::MatrixButtonClick()
{
    for (int j = 1; j <= columns_; ++j)
        for (int i = 1; i <= rows_; ++i) {
            if (!cell_exists(j, i))
                continue;
            tCell& cell = cells_[j][i];
            const QString text = cell.field->text();
            bool input_error = false;
            const double value = ParseCellText(latin1(text), input_error);
            if (input_error) {
                focus_cell(j, i);
                return;
            }
            // A correlation of 1 is allowed only on the diagonal.
            if ((i != j && value >= 1.0) || value <= -1.0) {
                user_messages().information(RANGE_MESSAGE);
                focus_cell(j, i);
                return;
            }
            if (i != j && text == QLatin1String(DEFAULT_CELL_TEXT) && !cell.confirmed) {
                const std::string question = "Do you want continue with cell (" +
                                             std::to_string(i) + "," + std::to_string(j) +
                                             ") set to the default value of '0.000'?";
                if (!user_messages().confirm(question)) {
                    focus_cell(j, i);
                    return;
                }
                cell.confirmed = true;
            }
            matrix_[j][i] = value;
            if (lower_triangle_)
                matrix_[i][j] = value;
        }
    done(QDialog::Accepted);
}

// Clear Data: every cell below the diagonal back to 0.000. The mirrored
// entries above the diagonal keep their values until the next Continue
// stores the cells again, and the confirmed marks stay set.
void tMatrixDialog::ClearMatrixButtonClick()
{
    if (!user_messages().confirm(CLEAR_QUESTION))
        return;
    for (int j = 1; j <= columns_; ++j)
        for (int i = j + 1; i <= rows_; ++i) {
            cells_[j][i].field->setText(QLatin1String(DEFAULT_CELL_TEXT));
            matrix_[j][i] = 0.0;
        }
}

void tMatrixDialog::ReturnMatrixButtonClick()
{
    returned_ = true;
    done(QDialog::Rejected);
}

// Escape and the window system's close request land here: the dialog stays
// open until one of its buttons closes it.
void tMatrixDialog::reject() {}

bool open_square_matrix_dialog(tEntryMatrix& matrix, int columns, int rows,
                               const QString& caption, bool lower_triangle, QWidget* owner,
                               const QString& row_axis_text)
{
    tMatrixDialog dialog(matrix, columns, rows, caption, lower_triangle, owner, row_axis_text);
    dialog.exec();
    return dialog.returned();
}
