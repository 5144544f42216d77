// Program-wide values of the worksheet, set once at start-up and read by the
// analysis run, the worksheet file and the windows.
#pragma once

#include <string>

extern std::string AppTitle;     // "Brenlow.EXE: Supplementary Analysis of Orvane Index Scores"
extern std::string DataFileName; // "orvane_index.txt"

extern int ActiveInputCount;    // score fields shown and validated (4)
extern int RestoredValueCount;  // numbers read back from the worksheet file (4)
extern bool MatrixEntryEnabled; // correlation-matrix entry before an analysis (off)
extern bool GridEnabled;        // string-grid data mode (off)
extern int GridColumns;         // 4
extern int GridRows;            // 7

// A user-entered correlation matrix, [row][column] from 1 (index 0 unused).
// All zeros at start-up and after Clear Data.
extern double EnteredMatrix[21][21];
// True when the worksheet's scores were restored from its file at start-up:
// the matrix entry then starts from EnteredMatrix rather than the identity.
extern bool WorksheetRestoredFromFile;

// Step 1 of start-up: the two program-wide strings.
void set_program_strings();
// The worksheet's configuration step: 4 fields, no grid, no matrix entry.
void set_worksheet_configuration();
// Every element of EnteredMatrix := 0.
void clear_entered_matrix();
