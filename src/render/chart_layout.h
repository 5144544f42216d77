// The profile chart's design, shared by its geometry (chart_geometry.cpp)
// and its painter (profile_chart.cpp): places in design units of the 800 x
// 600 box, the slots' names, and the fonts and texts both lay out.
#pragma once

#include "render/chart_data.h"

#include <QFont>
#include <QString>

namespace chart_layout {

constexpr double margin = 16;
constexpr double plot_left = 70;
constexpr double plot_right = 580;
// The options under the title take one row or more (a long name of the
// user's normative data wraps); the notes follow them.
constexpr double options_top = margin + 26;
constexpr double options_row = 18;
constexpr double profile_top = 96; // without notes, or with one or two rows of them
constexpr double profile_bottom = 372;
constexpr double diff_top = 446;
constexpr double diff_bottom = 552;
constexpr double legend_left = 600;
// The width the title's texts are laid out in, less a little room for the
// rounding of scaled fonts.
constexpr double text_width = 800 - 2 * margin;
constexpr double wrap_width = text_width * 0.97;

constexpr double normative_mean = 100;
constexpr double normative_sd = 15;

extern const char* const slot_names[chart_scores];
extern const char* const slot_long_names[chart_scores];

// The chart's sans font at `pixels` device pixels.
QFont chart_font(double pixels, bool bold = false, bool italic = false);
// The options under the title as a row of design units.
QFont options_font();
double note_row_height(int pixels);
// One decimal with a true minus sign.
QString signed_text(double value);
// "VC", or "VC−PR" for a pair, of difference i.
QString diff_label(const tChartData& data, int i);

} // namespace chart_layout
