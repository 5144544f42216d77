#include "storage/worksheet_config.h"

std::string AppTitle;
std::string DataFileName;

int ActiveInputCount = 0;
int RestoredValueCount = 0;
bool MatrixEntryEnabled = false;
bool GridEnabled = false;
int GridColumns = 0;
int GridRows = 0;

double EnteredMatrix[21][21] = {};
bool WorksheetRestoredFromFile = false;

void set_program_strings()
{
    AppTitle = "Brenlow.EXE: Supplementary Analysis of Orvane Index Scores";
    DataFileName = "orvane_index.txt";
}

void set_worksheet_configuration()
{
    ActiveInputCount = 4;
    RestoredValueCount = 4;
    MatrixEntryEnabled = false;
    GridEnabled = false;
    GridColumns = 4;
    GridRows = 7;
}

void clear_entered_matrix()
{
    for (auto& row : EnteredMatrix)
        for (double& cell : row)
            cell = 0.0;
}
