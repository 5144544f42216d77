// The worksheet's configuration, fixed for the program.
#pragma once

inline constexpr char DataFileName[] = "orvane_index.txt";

inline constexpr int ActiveInputCount = 4;    // score fields shown and validated
inline constexpr int RestoredValueCount = 4;  // numbers read back from the worksheet file
