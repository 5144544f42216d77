#include "storage/worksheet_config.h"

bool MatrixEntryEnabled = false;

double EnteredMatrix[21][21] = {};
bool WorksheetRestoredFromFile = false;

void set_worksheet_configuration()
{
    MatrixEntryEnabled = false;
}

void clear_entered_matrix()
{
    for (auto& row : EnteredMatrix)
        for (double& cell : row)
            cell = 0.0;
}
