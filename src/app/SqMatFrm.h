// The square matrix entry dialog: a run-time-built grid of cell fields for a
// correlation matrix, with Continue, Clear Data and Return to Worksheet.
#pragma once

#include "analysis/analysis_run.h"

#include <QString>

class QWidget;

// Shows the dialog modally on `matrix` ([column][row] from 1) and returns
// true when the user chose Return to Worksheet ("returned"); false when
// Continue stored every cell into the matrix.
bool open_square_matrix_dialog(tEntryMatrix& matrix, int columns, int rows,
                               const QString& caption, bool lower_triangle,
                               QWidget* owner, const QString& row_axis_text);
