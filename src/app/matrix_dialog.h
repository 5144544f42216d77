// The square matrix entry dialog: a run-time-built grid of cell fields for a
// correlation matrix, with Continue, Clear Data and Return to Worksheet.
//
// Nothing of the dialog is stored as a form layout: every panel, cell, label
// and button is created and placed when the dialog opens, and the dialog is
// released when it closes. The caller owns the matrix; the dialog writes to
// it only from Continue (every cell, validated in column order) and from
// Clear Data (the cells below the diagonal).
#pragma once

#include "analysis/analysis_run.h"

#include <QDialog>
#include <QPushButton>
#include <QString>

#include <array>

class QFrame;
class QLineEdit;
class QScrollArea;
class QWidget;

// Shows the dialog modally on `matrix` ([column][row] from 1) and returns
// true when the user chose Return to Worksheet ("returned"); false when
// Continue stored every cell into the matrix.
bool open_square_matrix_dialog(tEntryMatrix& matrix, int columns, int rows,
                               const QString& caption, bool lower_triangle,
                               QWidget* owner, const QString& row_axis_text);

// Largest number of columns and of rows the dialog edits.
constexpr int MAX_MATRIX_DIMENSION = 50;

class tMatrixDialog;

// The three buttons: ordinary push buttons whose click is the dialog's
// handler of the same name.
class MatrixButton final : public QPushButton {
public:
    MatrixButton(tMatrixDialog* form, QWidget* parent);
};

class ClearMatrixButton final : public QPushButton {
public:
    ClearMatrixButton(tMatrixDialog* form, QWidget* parent);
};

class ReturnMatrixButton final : public QPushButton {
public:
    ReturnMatrixButton(tMatrixDialog* form, QWidget* parent);
};

// The dialog itself. Its only ways out are Continue (once every cell has
// passed) and Return to Worksheet: it has no close box, and Escape or a close
// request from the window system leaves it open, so an unchecked matrix can
// never be taken for a continued one.
class tMatrixDialog final : public QDialog {
public:
    // Builds the whole dialog; show it with exec(). Dimensions outside
    // 1..MAX_MATRIX_DIMENSION raise std::out_of_range.
    tMatrixDialog(tEntryMatrix& matrix, int columns, int rows, const QString& caption,
              bool lower_triangle, QWidget* owner, const QString& row_axis_text);

    // Set by Return to Worksheet; clear when the dialog is built.
    bool returned() const { return returned_; }

    void MatrixButtonClick();
    void ClearMatrixButtonClick();
    void ReturnMatrixButtonClick();

    void reject() override;

private:
    // One cell's text field and its confirmed mark: the user has accepted
    // that this cell stays at 0.000, so Continue does not ask again while
    // the dialog is open.
    struct tCell {
        QLineEdit* field = nullptr;
        bool confirmed = false;
    };

    QLineEdit* add_cells();
    void add_numbers(const QString& row_axis_text);
    bool cell_exists(int column, int row) const;
    void focus_cell(int column, int row);

    tEntryMatrix& matrix_;
    int columns_;
    int rows_;
    bool lower_triangle_;
    bool returned_ = false;
    // [column][row] from 1, like the matrix; null where no cell exists.
    std::array<std::array<tCell, MAX_MATRIX_DIMENSION + 1>, MAX_MATRIX_DIMENSION + 1> cells_{};

    QScrollArea* scroller_ = nullptr;
    QWidget* client_ = nullptr;
    QFrame* upper_panel_ = nullptr;
    QFrame* lower_panel_ = nullptr;
    MatrixButton* CloseBtn = nullptr;
    ClearMatrixButton* ClearBtn = nullptr;
    ReturnMatrixButton* ReturnBtn = nullptr;
};
