// The batch tool's drawn outputs: the PDF of the reports with their charts
// (--pdf) and one SVG chart per case (--chart-dir). Qt is started only when
// one of them is asked for, offscreen, so the tool needs no display.
#pragma once

#include "render/chart_data.h"

#include <optional>
#include <string>
#include <vector>

struct tRenderOutputs {
    std::optional<std::string> pdf_path;
    std::optional<std::string> chart_dir;
    bool wanted() const { return pdf_path || chart_dir; }
};

// Refuses, before anything is computed, outputs that cannot be written
// where they are asked for. Returns the problem, or "" when there is none.
std::string render_outputs_problem(const tRenderOutputs& outputs);

// Writes the PDF (the report lines as the output window holds them, then one
// chart page per case) and the SVG charts case-0001.svg, ... Each file is
// written whole or not at all. False with the reason in `error`.
bool write_render_outputs(const tRenderOutputs& outputs, const std::vector<std::string>& report_lines,
                          const std::vector<tChartData>& charts, const char* argv0, std::string& error);
