// The report of one analysis run, block by block. Each block is a function
// that appends its lines to a sink; the run (analysis_run.cpp) calls them in
// order once every section has been computed.
//
// Numbers go through format_ext with %Lf on long double values. Where a row
// is assembled from a label, a fragment holding the conversions and markers,
// only the literal fragment is formatted and the label and markers are
// concatenated around it: they never pass through printf.
#pragma once

#include "analysis/analysis_run.h"
#include "analysis/case_figures.h"
#include "analysis/sections.h"

#include <array>
#include <string>
#include <vector>

// The three lines that follow " THIS PROGRAM IMPLEMENTS METHODS DEVELOPED IN
// THE FOLLOWING PAPER:" in the heading. Fixed texts: golden report files are
// built from them.
inline const std::array<const char*, 3> citation_lines = {
    " Supplementary analysis of Index scores: confidence limits and percentile ranks, reliability and",
    " abnormality of deviations from the case's mean and of pairwise differences, Monte Carlo base rates",
    " of abnormal scores and differences, and the Mahalanobis distance of the Index score profile.",
};

// Line kinds shared by the blocks.
std::string report_rule(int underscores); // one blank + that many '_'
extern const char* const report_separator; // 103 '-', no leading blank

// The sequential Bonferroni markers, eight characters each.
extern const char* const marker_significant; // " p < .05"
extern const char* const marker_not_significant; // " not sig"

// A figure as the report's tables print it, without the column's padding,
// for whoever shows the same figure elsewhere (the chart's labels): the
// score table's whole numbers, the deviation abnormality table's one
// decimal, the pairwise tables' whole numbers. Ties round to even, as in
// the report.
std::string report_score_text(extended score);
std::string report_deviation_text(extended deviation);
std::string report_difference_text(extended difference);

// Block 0: three empty lines, the separator, one empty line.
void write_separator_block(tReportSink& sink);
// Block 1: the application title and the citation.
void write_heading_block(tReportSink& sink, const std::string& app_title);
// Block 2: the user's notes; nothing at all when there are none.
void write_notes_block(tReportSink& sink, const std::string& caption,
                       const std::vector<std::string>& note_lines);
// Block 3: the options of the run. crit_label is "25%" .. "1%". With normative
// data the user entered (user_norms_name not empty), one line names them
// after the criterion's lines: " Normative data: <name>, entered by the user",
// followed by an empty line; the built-in set adds nothing.
void write_inputs_block(tReportSink& sink, int mode, int correction, const std::string& crit_label,
                        const std::string& user_norms_name = std::string());
// Block 4: scores, limits, percentile ranks, the count of low scores and its base rate.
void write_index_block(tReportSink& sink, const tIndexSection& index, const tBaseRates& rates);
// Block 5 (deviation mode): 5a or 5a' by the correction option, then 5b.
void write_deviation_block(tReportSink& sink, const tDeviationSection& dev, int correction,
                           const tBaseRates& rates);
// Block 6 (pairwise mode): 6a or 6a' by the correction option, then 6b.
void write_pairwise_block(tReportSink& sink, const tPairwiseSection& pair, int correction,
                          const tBaseRates& rates);
// Block 7: the Mahalanobis distance; the last lines of every report.
void write_profile_block(tReportSink& sink, const tProfileSection& profile, int n);

// The whole report of one case, blocks 0 to 7: the separator block first when
// the sink already holds lines.
void write_report(tReportSink& sink, const tCaseFigures& figures, const std::string& app_title,
                  const std::string& notes_caption);
