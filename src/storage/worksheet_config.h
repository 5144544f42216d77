// The worksheet's configuration, fixed for the program.
#pragma once

inline constexpr char AppTitle[] = "Brenlow.EXE: Supplementary Analysis of Orvane Index Scores";
inline constexpr char DataFileName[] = "orvane_index.txt";

inline constexpr int ActiveInputCount = 4;    // score fields shown and validated
inline constexpr int RestoredValueCount = 4;  // numbers read back from the worksheet file
inline constexpr bool GridEnabled = false;    // string-grid data mode
inline constexpr int GridColumns = 4;
inline constexpr int GridRows = 7;
