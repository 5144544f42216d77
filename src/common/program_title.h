// The program's title, as both programs show it: the worksheet's caption and
// the message boxes' title in the desktop program, and the first heading line
// of every report (the worksheet's and the batch tool's) and of the results
// document.
#pragma once

inline constexpr char AppTitle[] = "Brenlow.EXE: Supplementary Analysis of Orvane Index Scores";
