// The batch tool's drawn outputs: the PDF of the reports with their charts
// (--pdf), the editable document of their figures and charts (--odt) and
// one SVG chart per case (--chart-dir). Qt is started only when
// one of them is asked for, and always on the offscreen platform, so the
// tool needs no display whatever the environment names.
#pragma once

#include "batch_run.h"

#include <memory>
#include <optional>
#include <string>

struct tRenderOutputs {
    std::optional<std::string> pdf_path;
    std::optional<std::string> odt_path;
    std::optional<std::string> chart_dir;
    bool overwrite_charts = false; // remove the chart files already in chart_dir
    bool wanted() const { return pdf_path || odt_path || chart_dir; }
};

// Which drawn outputs this build has: --pdf, --odt (where Qt has its
// OpenDocument writer), and --chart-dir (SVG).
bool pdf_output_built();
bool document_output_built();
bool chart_output_built();

// Refuses, before anything is computed, outputs that cannot be written
// where they are asked for. Returns the problem, or "" when there is none.
std::string render_outputs_problem(const tRenderOutputs& outputs);

// The most cases one --odt document takes: a document is held in memory
// until the last case (some 0.2 MB a case), and is meant for a word
// processor.
inline constexpr long long document_case_limit = 1000;
// Refuses, before anything is computed, a batch of more cases than an
// output takes. Returns the problem, or "" when there is none.
std::string render_outputs_batch_problem(const tRenderOutputs& outputs, long long cases);

// Starts Qt and makes, before the first case, the temporary files of the
// PDF and the document and the chart folder with the first chart's
// temporary file, so that an output that cannot be written is found before
// anything is computed. The PDF's text pages are painted as each case is
// done and each chart is written as its case is done; only the chart
// figures wait for the PDF's chart pages at the end, and the document
// (held in memory) is written after the last case. Each file is written
// whole or not at all. Throws tOutputError.
std::unique_ptr<tCaseOutput> make_drawn_output(const tRenderOutputs& outputs, long long cases, const char* argv0);
