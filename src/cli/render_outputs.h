// The batch tool's drawn outputs: the PDF of the reports with their charts
// (--pdf) and one SVG chart per case (--chart-dir). Qt is started only when
// one of them is asked for, offscreen, so the tool needs no display.
#pragma once

#include "batch_run.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct tRenderOutputs {
    std::optional<std::string> pdf_path;
    std::optional<std::string> chart_dir;
    bool wanted() const { return pdf_path || chart_dir; }
};

// What --help adds about the drawn outputs: nothing when they are built in,
// otherwise that they are not.
const char* render_outputs_note();

// Refuses, before anything is computed, outputs that cannot be written
// where they are asked for. Returns the problem, or "" when there is none.
std::string render_outputs_problem(const tRenderOutputs& outputs);

// The output that keeps each case's chart data (and, for the PDF, its report
// lines) and writes the PDF and the SVG charts after the last case, each file
// whole or not at all. `argv0` names the program to Qt.
std::unique_ptr<tCaseOutput> make_drawn_output(const tRenderOutputs& outputs, const char* argv0);
