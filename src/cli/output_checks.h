// The checks brenlow-report makes on its outputs before it reads a case:
// no two of the case file, standard output, --csv, --pdf, --odt and the
// chart files may be the same file, and a chart folder that holds the charts of
// an earlier run is used only with --overwrite (which removes them first),
// so that one run's charts are never mixed with another's.
#pragma once

#include "command_line.h"

#include <string>
#include <vector>

// The name of the chart of case `number` (from 1): case-0001.svg, ...,
// case-12345.svg.
std::string chart_file_name(long long number);
// Whether `name` is such a name: "case-", four digits or more, ".svg".
bool is_chart_file_name(const std::string& name);
// The chart files in `folder` (names only, sorted); none when the folder
// does not exist. Raises EInOutError when the folder may not be used (a
// link on its way that the link rule does not follow).
std::vector<std::string> chart_files_in(const std::string& folder);

// The first problem among the outputs of `options`, or "" when there is
// none. Raises EInOutError when an output path may not be written at all
// (the caller names the output); `report_on_stdout` when the reports go to
// standard output.
std::string output_collision(const tOptions& options, bool report_on_stdout);
