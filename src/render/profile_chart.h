// The profile chart of one case, drawn with QPainter on any paint device (a
// window, an image, an SVG drawing, a PDF page): the four Index scores with
// their 95% limits on the Index axis, the normative mean and the band of one
// SD around it, the criterion's cut for an abnormally low score, and below
// them the deviations from the case's mean (or the pairwise differences)
// with their abnormality.
//
// Shape and line style carry every distinction (circle or triangle, open or
// hatched bar, solid or dashed line); colour only repeats it, so the chart
// reads in black and white and to colour-blind readers.
#pragma once

#include "render/chart_data.h"

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QStringList>

#include <array>

class QPainter;

// The chart is designed on an 800 x 600 box; drawn into any rectangle it
// keeps that shape, scaled to the largest box that fits and centred.
class tChartGeometry {
public:
    static constexpr double design_width = 800;
    static constexpr double design_height = 600;
    static constexpr double index_min = 40;
    static constexpr double index_max = 160;

    tChartGeometry(const QRectF& rect, const tChartData& data);

    double unit = 1;     // device units per design unit
    QRectF box;          // the whole chart
    QRectF profile_plot; // the Index axis' plotting area
    QRectF diff_plot;    // the differences' plotting area
    int diff_count = chart_scores;
    double diff_range = 20; // the difference axis runs from -diff_range to +diff_range

    // The options under the title, wrapped into as many rows as they need
    // (a long name of the user's normative data is seen whole); the notes
    // begin at notes_top (design units) under them.
    QStringList option_rows;
    double notes_top = 0;

    // The notes under the title, "Notes: " first, wrapped into at most
    // max_note_rows rows of note_pixels (design units, 12 or 11); the Index
    // plot starts below them. notes_cut is set, and the last row ends in an
    // ellipsis, only for notes that do not fit at 11 (never for the
    // worksheet's 250 characters, however wide they are).
    static constexpr int max_note_rows = 6;
    QStringList note_rows;
    int note_pixels = 12;
    bool notes_cut = false;
    // Italic unless the italic face lacks a character of the notes.
    bool notes_italic = true;

    // The boxes of the texts set among the marks, clear of them: the
    // criterion's cut ("Abnormally low below ..."), clear of every score's
    // limits and marker where the plot has room; each difference's value,
    // clear of its dashed cut lines and of the frame.
    QRectF low_cut_label;
    std::array<QRectF, chart_pairs> diff_labels{};

    // Device coordinates of a value on the Index axis, of slot 1..4, of a
    // difference and of difference 0..diff_count-1.
    double index_y(double value) const;
    double slot_x(int slot) const;
    double diff_y(double value) const;
    double diff_x(int i) const;

    // A length of `design` units on the device.
    double u(double design) const { return design * unit; }

private:
    QPointF point_at(double x, double y) const;
    void lay_out_notes(const QString& notes);
    void place_cut_label(const tChartData& data);
    void place_diff_labels(const tChartData& data);
};

// Colours, exposed for the tests; each only repeats what a shape says.
QColor chart_score_colour();    // a score within the normal range
QColor chart_low_colour();      // an abnormally low score, an abnormal difference
QColor chart_mean_line_colour();

// The text beside the criterion's cut line.
QString chart_low_cut_text(const tChartData& data);
// The label of a difference: as the report prints it.
QString chart_diff_value_text(const tChartData& data, int i);
// The report's mode, correction, criterion and the user's normative data,
// as the line under the chart's title reads.
QString chart_options_text(const tChartData& data);

void draw_profile_chart(QPainter& painter, const QRectF& rect, const tChartData& data);

// Liberation Sans, in which the chart and the documents' headings and
// footers are drawn (the caller sets size, weight and slant).
QFont chart_sans_font();

// The chart's figures as text, for a screen reader: the options line (the
// user's normative data named), each score with its 95% limits and whether
// it is abnormally low, the cut, and each deviation or difference with
// whether it is abnormal, every figure rounded as the report prints it.
QString chart_text_alternative(const tChartData& data);
