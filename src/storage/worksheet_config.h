// The worksheet's configuration, fixed for the program, and the matrix-entry
// state read by the analysis run, the worksheet file and the windows.
#pragma once

inline constexpr char AppTitle[] = "Brenlow.EXE: Supplementary Analysis of Orvane Index Scores";
inline constexpr char DataFileName[] = "orvane_index.txt";

inline constexpr int ActiveInputCount = 4;    // score fields shown and validated
inline constexpr int RestoredValueCount = 4;  // numbers read back from the worksheet file
inline constexpr bool GridEnabled = false;    // string-grid data mode
inline constexpr int GridColumns = 4;
inline constexpr int GridRows = 7;

extern bool MatrixEntryEnabled; // correlation-matrix entry before an analysis (off)

// A user-entered correlation matrix, [row][column] from 1 (index 0 unused).
// All zeros at start-up and after Clear Data.
extern double EnteredMatrix[21][21];
// True when the worksheet's scores were restored from its file at start-up:
// the matrix entry then starts from EnteredMatrix rather than the identity.
extern bool WorksheetRestoredFromFile;

// The worksheet's configuration step: no matrix entry.
void set_worksheet_configuration();
// Every element of EnteredMatrix := 0.
void clear_entered_matrix();
