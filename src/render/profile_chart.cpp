// The profile chart of one case. Every position comes from tChartGeometry,
// in design units of an 800 x 600 box scaled to the target, so the window,
// the image files and the PDF page show the same chart.
#include "render/profile_chart.h"

#include "render/bundled_fonts.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPolygonF>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <vector>

QFont chart_sans_font()
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setHintingPreference(document_font_hinting());
    return font;
}

namespace {

// Layout in design units (see tChartGeometry).
constexpr double margin = 16;
constexpr double plot_left = 70;
constexpr double plot_right = 580;
constexpr double notes_top = margin + 46;
constexpr double profile_top = 96; // without notes, or with one or two rows of them
constexpr double profile_bottom = 372;
constexpr double diff_top = 446;
constexpr double diff_bottom = 552;
constexpr double legend_left = 600;

constexpr double normative_mean = 100;
constexpr double normative_sd = 15;

const char* const slot_names[chart_scores] = {"VC", "PR", "WM", "PS"};
const char* const slot_long_names[chart_scores] = {
    "Verbal Comprehension", "Perceptual Reasoning", "Working Memory", "Processing Speed"};

const QColor ink(0, 0, 0);
const QColor grid_colour(218, 218, 218);
const QColor band_colour(232, 232, 232);
const QColor diff_fill(214, 230, 242);

QString number_text(double value)
{
    return QLocale::c().toString(value, 'g', 6);
}

double note_row_height(int pixels)
{
    return pixels * 1.25;
}

QFont notes_font(int pixels, bool italic)
{
    QFont f = chart_sans_font();
    f.setPixelSize(pixels);
    f.setItalic(italic);
    return f;
}

// Whether the italic face has every character of `text`. The italic faces
// of the usual fallback fonts lack scripts (Arabic, among others) that their
// upright faces have, so such notes are set upright, where the font system
// finds a font that has them, rather than as empty boxes.
bool italic_has_all(const QString& text)
{
    const QFontMetricsF metrics(notes_font(12, true));
    for (const char32_t c : text.toUcs4())
        if (c > 0x20 && c != QChar::LineSeparator && !metrics.inFontUcs4(c))
            return false;
    return true;
}

// The chart's sans font at `pixels` device pixels.
QFont chart_font(double pixels, bool bold = false, bool italic = false)
{
    QFont f = chart_sans_font();
    f.setPixelSize(std::max(1, int(std::lround(pixels))));
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

// `text` wrapped at `width` in `font`, in design units; a line separator
// ends a row.
QStringList wrapped_rows(const QString& text, const QFont& font, double width,
                         QTextOption::WrapMode mode = QTextOption::WrapAtWordBoundaryOrAnywhere)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(mode);
    layout.setTextOption(option);
    layout.beginLayout();
    QStringList rows;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        QString row = text.mid(line.textStart(), line.textLength());
        row.remove(QChar(QChar::LineSeparator));
        rows << row.trimmed();
    }
    layout.endLayout();
    return rows;
}

// One decimal with a true minus sign.
QString signed_text(double value)
{
    QString text = QString::asprintf("%+.1f", value);
    text.replace(QLatin1Char('-'), QChar(0x2212));
    return text;
}

QString diff_label(const tChartData& data, int i)
{
    if (!data.pairwise)
        return QString::fromLatin1(slot_names[i]);
    return QString::fromLatin1(slot_names[chart_pair_slots[i][0] - 1]) + QChar(0x2212)
           + QString::fromLatin1(slot_names[chart_pair_slots[i][1] - 1]);
}

// A round axis half-range holding every difference and cut with room for its
// value label.
double diff_axis_range(const tChartData& data)
{
    double largest = 0;
    for (int i = 0; i < data.diff_count; ++i)
        largest = std::max({largest, std::fabs(data.diff[i]), std::fabs(data.diff_cut[i])});
    if (!std::isfinite(largest))
        largest = 0;
    const double range = std::max(20.0, std::ceil(largest * 1.3 / 10) * 10);
    return std::min(range, 200.0); // differences of valid scores stay below 100
}

class tChartPainter {
public:
    tChartPainter(QPainter& painter, const QRectF& rect, const tChartData& data)
        : p_(painter), rect_(rect), d_(data), g_(rect, data)
    {
    }

    void draw()
    {
        p_.save();
        p_.setRenderHint(QPainter::Antialiasing, true);
        p_.setRenderHint(QPainter::TextAntialiasing, true);
        p_.fillRect(rect_, Qt::white);
        p_.setClipRect(rect_);
        draw_title();
        draw_profile();
        draw_differences();
        draw_legend();
        p_.restore();
    }

private:
    QPainter& p_;
    const QRectF rect_;
    const tChartData& d_;
    const tChartGeometry g_;

    QPointF at(double x, double y) const { return g_.box.topLeft() + QPointF(g_.u(x), g_.u(y)); }

    QFont font(double pixels, bool bold = false, bool italic = false) const
    {
        return chart_font(g_.u(pixels), bold, italic);
    }

    QPen pen(const QColor& colour, double width, Qt::PenStyle style = Qt::SolidLine) const
    {
        QPen pen(colour, g_.u(width), style, Qt::FlatCap, Qt::MiterJoin);
        return pen;
    }

    void text(const QRectF& box, int flags, const QString& s)
    {
        p_.drawText(box, flags | Qt::TextDontClip, s);
    }

    // --- title -----------------------------------------------------------------

    void draw_title()
    {
        const double width = tChartGeometry::design_width - 2 * margin;
        QString scores = QStringLiteral("Index scores: ");
        for (int k = 0; k < chart_scores; ++k)
            scores += QStringLiteral("   %1 %2").arg(QLatin1String(slot_names[k]),
                                                     d_.score_text[k].isEmpty()
                                                         ? number_text(d_.score[k])
                                                         : d_.score_text[k]);
        p_.setPen(ink);
        p_.setFont(font(17, true));
        text(QRectF(at(margin, margin), QSizeF(g_.u(width), g_.u(24))), Qt::AlignLeft | Qt::AlignVCenter,
             scores);

        const QString options
            = (d_.pairwise ? QStringLiteral("Pairwise differences")
                           : QStringLiteral("Deviations from the case's mean"))
              + (d_.bonferroni ? QStringLiteral(", sequential Bonferroni correction")
                               : QStringLiteral(", no Bonferroni correction"))
              + QStringLiteral(", abnormality criterion ") + d_.criterion_label()
              + (d_.norms_name.isEmpty() ? QString()
                                         : QStringLiteral(", normative data: ") + d_.norms_name);
        p_.setFont(font(12.5));
        // A long name of the user's normative data is cut at the chart's edge.
        const QString shown = QFontMetricsF(p_.font(), p_.device())
                                  .elidedText(options, Qt::ElideRight, g_.u(width));
        text(QRectF(at(margin, margin + 26), QSizeF(g_.u(width), g_.u(18))),
             Qt::AlignLeft | Qt::AlignVCenter, shown);

        if (!g_.note_rows.isEmpty()) {
            p_.setFont(font(g_.note_pixels, false, g_.notes_italic));
            const double row = note_row_height(g_.note_pixels);
            for (int i = 0; i < g_.note_rows.size(); ++i)
                text(QRectF(at(margin, notes_top + i * row), QSizeF(g_.u(width), g_.u(row))),
                     Qt::AlignLeft | Qt::AlignVCenter, g_.note_rows.at(i));
        }
    }

    // --- the Index scores ------------------------------------------------------

    void draw_profile()
    {
        const QRectF& plot = g_.profile_plot;
        const double left = plot.left();
        const double right = plot.right();

        // The band of one SD around the mean, then the grid over it.
        const double band_top = g_.index_y(normative_mean + normative_sd);
        const double band_bottom = g_.index_y(normative_mean - normative_sd);
        p_.fillRect(QRectF(QPointF(left, band_top), QPointF(right, band_bottom)), band_colour);

        p_.setFont(font(11));
        for (double v = tChartGeometry::index_min; v <= tChartGeometry::index_max; v += 20) {
            const double y = g_.index_y(v);
            p_.setPen(pen(grid_colour, 0.8));
            p_.drawLine(QPointF(left, y), QPointF(right, y));
            p_.setPen(ink);
            text(QRectF(QPointF(left - g_.u(40), y - g_.u(8)), QSizeF(g_.u(34), g_.u(16))),
                 Qt::AlignRight | Qt::AlignVCenter, number_text(v));
        }

        // Axis title, reading upwards.
        p_.save();
        p_.translate(at(margin + 6, (profile_top + profile_bottom) / 2));
        p_.rotate(-90);
        p_.setFont(font(12, true));
        text(QRectF(-g_.u(100), -g_.u(9), g_.u(200), g_.u(18)), Qt::AlignCenter,
             QStringLiteral("Index score"));
        p_.restore();

        // The normative mean, solid.
        const double mean_y = g_.index_y(normative_mean);
        p_.setPen(pen(chart_mean_line_colour(), 1.6));
        p_.drawLine(QPointF(left, mean_y), QPointF(right, mean_y));

        // The cut for an abnormally low score, dashed, with its value.
        const double cut_y = g_.index_y(d_.low_cut);
        p_.setPen(pen(ink, 1.6, Qt::DashLine));
        p_.drawLine(QPointF(left, cut_y), QPointF(right, cut_y));
        p_.setPen(ink);
        p_.setFont(font(11));
        text(g_.low_cut_label, Qt::AlignHCenter | Qt::AlignVCenter, chart_low_cut_text(d_));

        // Frame.
        p_.setPen(pen(ink, 1));
        p_.setBrush(Qt::NoBrush);
        p_.drawRect(plot);

        for (int k = 1; k <= chart_scores; ++k)
            draw_score(k);

        // Slot names under the axis.
        for (int k = 1; k <= chart_scores; ++k) {
            const double x = g_.slot_x(k);
            const double slot_width = plot.width() / chart_scores;
            p_.setPen(ink);
            p_.setFont(font(12.5, true));
            text(QRectF(QPointF(x - slot_width / 2, plot.bottom() + g_.u(4)),
                        QSizeF(slot_width, g_.u(16))),
                 Qt::AlignHCenter | Qt::AlignTop, QString::fromLatin1(slot_names[k - 1]));
            p_.setFont(font(10.5));
            text(QRectF(QPointF(x - slot_width / 2, plot.bottom() + g_.u(20)),
                        QSizeF(slot_width, g_.u(14))),
                 Qt::AlignHCenter | Qt::AlignTop, QString::fromLatin1(slot_long_names[k - 1]));
        }
    }

    // The 95% limits as a bar with caps, the score as a circle, or as a
    // triangle pointing down when abnormally low.
    void draw_score(int k)
    {
        const double x = g_.slot_x(k);
        const double y_low = g_.index_y(d_.lower[k - 1]);
        const double y_high = g_.index_y(d_.upper[k - 1]);
        const double cap = g_.u(9);
        p_.setPen(pen(ink, 1.6));
        p_.drawLine(QPointF(x, y_low), QPointF(x, y_high));
        p_.drawLine(QPointF(x - cap, y_low), QPointF(x + cap, y_low));
        p_.drawLine(QPointF(x - cap, y_high), QPointF(x + cap, y_high));
        draw_marker(QPointF(x, g_.index_y(d_.score[k - 1])), d_.is_low[k - 1], 1.0);
    }

    void draw_marker(const QPointF& centre, bool low, double scale)
    {
        p_.setPen(pen(ink, 1.2));
        if (low) {
            const double r = g_.u(9) * scale;
            p_.setBrush(chart_low_colour());
            p_.drawPolygon(QPolygonF({centre + QPointF(-r, -r * 0.7), centre + QPointF(r, -r * 0.7),
                                      centre + QPointF(0, r)}));
        } else {
            const double r = g_.u(6.5) * scale;
            p_.setBrush(chart_score_colour());
            p_.drawEllipse(centre, r, r);
        }
        p_.setBrush(Qt::NoBrush);
    }

    // --- the differences -------------------------------------------------------

    void draw_differences()
    {
        const QRectF& plot = g_.diff_plot;
        p_.setPen(ink);
        p_.setFont(font(12.5, true));
        text(QRectF(at(plot_left, diff_top - 24), QSizeF(g_.u(plot_right - plot_left), g_.u(18))),
             Qt::AlignLeft | Qt::AlignVCenter,
             d_.pairwise ? QStringLiteral("Pairwise differences (Index points)")
                         : QStringLiteral("Deviations from the case's mean (Index points)"));

        const double step = g_.diff_range <= 30 ? 10 : g_.diff_range <= 60 ? 20 : 50;
        p_.setFont(font(11));
        for (double v = -std::floor(g_.diff_range / step) * step; v <= g_.diff_range; v += step) {
            const double y = g_.diff_y(v);
            p_.setPen(pen(grid_colour, 0.8));
            p_.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
            p_.setPen(ink);
            text(QRectF(QPointF(plot.left() - g_.u(40), y - g_.u(8)), QSizeF(g_.u(34), g_.u(16))),
                 Qt::AlignRight | Qt::AlignVCenter, v == 0 ? QStringLiteral("0") : signed_text(v).chopped(2));
        }
        p_.setPen(pen(ink, 1.2));
        p_.drawLine(QPointF(plot.left(), g_.diff_y(0)), QPointF(plot.right(), g_.diff_y(0)));

        const double slot_width = plot.width() / d_.diff_count;
        const double bar = std::min(g_.u(30), slot_width * 0.4);
        for (int i = 0; i < d_.diff_count; ++i) {
            const double x = g_.diff_x(i);
            const double y0 = g_.diff_y(0);
            const double y1 = g_.diff_y(d_.diff[i]);
            draw_diff_bar(QRectF(QPointF(x - bar / 2, std::min(y0, y1)),
                                 QPointF(x + bar / 2, std::max(y0, y1))),
                          d_.diff_abnormal[i]);

            // The abnormality cuts either side of zero, dashed.
            const double half = bar / 2 + g_.u(7);
            p_.setPen(pen(ink, 1.4, Qt::DashLine));
            for (const double cut : {d_.diff_cut[i], -d_.diff_cut[i]})
                p_.drawLine(QPointF(x - half, g_.diff_y(cut)), QPointF(x + half, g_.diff_y(cut)));

            // The value at the bar's end (or beyond a cut line there), as
            // the report prints it.
            p_.setPen(ink);
            p_.setFont(font(10.5, d_.diff_abnormal[i]));
            text(g_.diff_labels[i], Qt::AlignCenter, chart_diff_value_text(d_, i));

            p_.setFont(font(12, true));
            text(QRectF(QPointF(x - slot_width / 2, plot.bottom() + g_.u(4)), QSizeF(slot_width, g_.u(16))),
                 Qt::AlignHCenter | Qt::AlignTop, diff_label(d_, i));
        }
        p_.setPen(pen(ink, 1));
        p_.setBrush(Qt::NoBrush);
        p_.drawRect(plot);
    }

    // An open bar, or a filled and hatched one when abnormal.
    void draw_diff_bar(const QRectF& r, bool abnormal)
    {
        p_.setPen(pen(ink, 1.2));
        p_.setBrush(abnormal ? chart_low_colour() : diff_fill);
        p_.drawRect(r);
        if (abnormal)
            draw_hatching(r);
        p_.setBrush(Qt::NoBrush);
    }

    // Lines rising to the right, 4 design units apart, each cut to `r` here:
    // plain lines, so that every SVG reader draws them (a pattern brush
    // becomes an SVG pattern with a mask, which common programs fill solid
    // black, and clipping is not needed).
    void draw_hatching(const QRectF& r)
    {
        const double step = g_.u(4);
        if (!(step > 0) || r.isEmpty())
            return;
        p_.save();
        p_.setRenderHint(QPainter::Antialiasing, false); // crisp, as a pattern would be
        p_.setPen(pen(ink, 0.7));
        // The line y = c - (x - left), for c from the top-left corner down to
        // the bottom-right one.
        for (double c = r.top() + step / 2; c < r.bottom() + r.width(); c += step) {
            const double x0 = std::max(r.left(), r.left() + c - r.bottom());
            const double x1 = std::min(r.right(), r.left() + c - r.top());
            if (x1 > x0)
                p_.drawLine(QPointF(x0, c - (x0 - r.left())), QPointF(x1, c - (x1 - r.left())));
        }
        p_.restore();
    }

    // --- the legend ------------------------------------------------------------

    void draw_legend()
    {
        const QString crit = d_.criterion_label();
        const QString what = d_.pairwise ? QStringLiteral("difference") : QStringLiteral("deviation");
        double y = (g_.profile_plot.top() - g_.box.top()) / g_.unit + 4;
        const double row = 26;
        p_.setFont(font(12.5, true));
        p_.setPen(ink);
        text(QRectF(at(legend_left, y - 4), QSizeF(g_.u(180), g_.u(18))), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Legend"));
        y += row;

        const auto entry = [&](const QString& label, auto&& symbol) {
            const QPointF centre = at(legend_left + 14, y + 5);
            p_.save();
            symbol(centre);
            p_.restore();
            p_.setPen(ink);
            p_.setFont(font(11.5));
            text(QRectF(at(legend_left + 34, y - 4), QSizeF(g_.u(tChartGeometry::design_width - margin
                                                                  - legend_left - 34),
                                                             g_.u(18))),
                 Qt::AlignLeft | Qt::AlignVCenter, label);
            y += row;
        };
        const double half = g_.u(12);
        entry(QStringLiteral("Index score"), [&](QPointF c) { draw_marker(c, false, 0.9); });
        entry(QStringLiteral("Abnormally low score"), [&](QPointF c) { draw_marker(c, true, 0.9); });
        entry(QStringLiteral("95% confidence limits"), [&](QPointF c) {
            p_.setPen(pen(ink, 1.6));
            const double h = g_.u(9);
            const double cap = g_.u(6);
            p_.drawLine(c + QPointF(0, -h), c + QPointF(0, h));
            p_.drawLine(c + QPointF(-cap, -h), c + QPointF(cap, -h));
            p_.drawLine(c + QPointF(-cap, h), c + QPointF(cap, h));
        });
        entry(QStringLiteral("Normative mean (100)"), [&](QPointF c) {
            p_.setPen(pen(chart_mean_line_colour(), 1.6));
            p_.drawLine(c - QPointF(half, 0), c + QPointF(half, 0));
        });
        entry(QString(QChar(0x00B1)) + QStringLiteral("1 SD (85 to 115)"), [&](QPointF c) {
            p_.fillRect(QRectF(c - QPointF(half, g_.u(7)), c + QPointF(half, g_.u(7))), band_colour);
        });
        entry(QStringLiteral("Abnormally low cut (%1)").arg(crit), [&](QPointF c) {
            p_.setPen(pen(ink, 1.6, Qt::DashLine));
            p_.drawLine(c - QPointF(half, 0), c + QPointF(half, 0));
        });
        entry(what.left(1).toUpper() + what.mid(1), [&](QPointF c) {
            draw_diff_bar(QRectF(c - QPointF(g_.u(7), g_.u(8)), c + QPointF(g_.u(7), g_.u(8))), false);
        });
        entry(QStringLiteral("Abnormal %1 (%2)").arg(what, crit), [&](QPointF c) {
            draw_diff_bar(QRectF(c - QPointF(g_.u(7), g_.u(8)), c + QPointF(g_.u(7), g_.u(8))), true);
        });
        entry(QStringLiteral("Abnormality cut (%1)").arg(crit), [&](QPointF c) {
            p_.setPen(pen(ink, 1.4, Qt::DashLine));
            p_.drawLine(c - QPointF(half, 0), c + QPointF(half, 0));
        });
    }
};

} // namespace

tChartGeometry::tChartGeometry(const QRectF& rect, const tChartData& data)
{
    unit = std::min(rect.width() / design_width, rect.height() / design_height);
    if (!(unit > 0))
        unit = 0;
    const QSizeF size(design_width * unit, design_height * unit);
    box = QRectF(rect.center() - QPointF(size.width() / 2, size.height() / 2), size);
    lay_out_notes(data.notes);
    const double notes_bottom = notes_top + note_rows.size() * note_row_height(note_pixels) + 10;
    profile_plot = QRectF(at(plot_left, std::max(profile_top, notes_bottom)), at(plot_right, profile_bottom));
    diff_plot = QRectF(at(plot_left, diff_top), at(plot_right, diff_bottom));
    diff_count = data.diff_count == chart_pairs ? chart_pairs : chart_scores;
    diff_range = diff_axis_range(data);
    place_labels(data);
}

void tChartGeometry::place_labels(const tChartData& data)
{
    // The cut's text: beside the line, below or above it, at the plot's left
    // or right end or between two scores, wherever no score's limits or
    // marker lie; the first place is the left end, below the line.
    const QRectF& plot = profile_plot;
    const double cut_y = index_y(data.low_cut);
    const double w = QFontMetricsF(chart_font(u(11))).horizontalAdvance(chart_low_cut_text(data)) + u(4);
    const double h = u(16);
    std::vector<QRectF> marks;
    for (int k = 1; k <= chart_scores; ++k) {
        const double top = std::min({index_y(data.upper[k - 1]), index_y(data.score[k - 1]), index_y(data.lower[k - 1])});
        const double bottom = std::max({index_y(data.upper[k - 1]), index_y(data.score[k - 1]), index_y(data.lower[k - 1])});
        marks.push_back(QRectF(QPointF(slot_x(k) - u(10), top - u(10)), QPointF(slot_x(k) + u(10), bottom + u(10))));
    }
    std::vector<double> lefts = {plot.left() + u(4), plot.right() - u(4) - w};
    for (int k = 1; k < chart_scores; ++k)
        lefts.push_back(plot.left() + k * plot.width() / chart_scores - w / 2);
    low_cut_label = QRectF(QPointF(lefts[0], cut_y + u(2)), QSizeF(w, h));
    bool placed = false;
    for (const double left : lefts) {
        for (const double top : {cut_y + u(2), cut_y - u(2) - h}) {
            const QRectF box(QPointF(left, top), QSizeF(w, h));
            const bool clear = std::none_of(marks.begin(), marks.end(),
                                            [&box](const QRectF& m) { return m.intersects(box); });
            if (!placed && clear && plot.contains(box)) {
                low_cut_label = box;
                placed = true;
            }
        }
    }

    // Each value at its bar's end; where a dashed cut line would cross it,
    // beyond that line, away from zero.
    const double line = u(1.5); // half a cut line's width, and a little room
    for (int i = 0; i < diff_count; ++i) {
        const QFont font = chart_font(u(10.5), data.diff_abnormal[i]);
        const double text_w = QFontMetricsF(font).horizontalAdvance(chart_diff_value_text(data, i)) + u(4);
        const double text_h = u(14);
        const bool up = data.diff[i] >= 0;
        const double end = diff_y(data.diff[i]);
        double top = up ? end - text_h - u(1) : end + u(1);
        for (const double cut : {data.diff_cut[i], -data.diff_cut[i]}) {
            const double y = diff_y(cut);
            if (y + line > top && y - line < top + text_h)
                top = up ? y - line - u(1) - text_h : y + line + u(1);
        }
        diff_labels[i] = QRectF(QPointF(diff_x(i) - text_w / 2, top), QSizeF(text_w, text_h));
    }
}

QString chart_low_cut_text(const tChartData& data)
{
    return QStringLiteral("Abnormally low below %1 (%2)").arg(QString::asprintf("%.1f", data.low_cut),
                                                            data.criterion_label());
}

QString chart_diff_value_text(const tChartData& data, int i)
{
    return data.diff_text[i].isEmpty() ? signed_text(data.diff[i]) : data.diff_text[i];
}

void tChartGeometry::lay_out_notes(const QString& notes)
{
    note_rows.clear();
    notes_cut = false;
    if (notes.isEmpty())
        return;
    // A little room for the rounding of scaled fonts.
    const double width = (design_width - 2 * margin) * 0.97;
    const QString prefix = QStringLiteral("Notes: ");
    notes_italic = italic_has_all(notes);
    // Never smaller than 11 pixels, and the note's own line breaks stay.
    // Rows break between words; where that takes too many rows (a note typed
    // without a blank would leave "Notes:" alone on the first), anywhere.
    constexpr int sizes[] = {12, 11};
    for (const QTextOption::WrapMode mode : {QTextOption::WrapAtWordBoundaryOrAnywhere, QTextOption::WrapAnywhere})
        for (const int pixels : sizes) {
            note_pixels = pixels;
            note_rows = wrapped_rows(prefix + notes, notes_font(pixels, notes_italic), width, mode);
            if (note_rows.size() <= max_note_rows)
                return;
        }
    // Far beyond 250 characters: the last row says that more follows.
    QStringList rest = note_rows.mid(max_note_rows - 1);
    note_rows = note_rows.mid(0, max_note_rows - 1);
    note_rows << QFontMetricsF(notes_font(note_pixels, notes_italic))
                     .elidedText(rest.join(QLatin1Char(' ')) + QChar(0x2026), Qt::ElideRight, width);
    notes_cut = true;
}

QPointF tChartGeometry::at(double x, double y) const
{
    return box.topLeft() + QPointF(x * unit, y * unit);
}

double tChartGeometry::index_y(double value) const
{
    return profile_plot.bottom()
           - (value - index_min) / (index_max - index_min) * profile_plot.height();
}

double tChartGeometry::slot_x(int slot) const
{
    return profile_plot.left() + (slot - 0.5) * profile_plot.width() / chart_scores;
}

double tChartGeometry::diff_y(double value) const
{
    return diff_plot.center().y() - value / diff_range * diff_plot.height() / 2;
}

double tChartGeometry::diff_x(int i) const
{
    // Deviations stand under their scores; the six pairs share the same width.
    return diff_plot.left() + (i + 0.5) * diff_plot.width() / diff_count;
}

QColor chart_score_colour()
{
    return QColor(0, 114, 178); // blue
}

QColor chart_low_colour()
{
    return QColor(213, 94, 0); // vermillion
}

QColor chart_mean_line_colour()
{
    return QColor(64, 64, 64);
}

void draw_profile_chart(QPainter& painter, const QRectF& rect, const tChartData& data)
{
    tChartPainter(painter, rect, data).draw();
}

QString chart_text_alternative(const tChartData& d)
{
    const auto number = [](double v) { return QString::asprintf("%.1f", v); };
    QStringList parts;
    parts << QStringLiteral("Profile chart of the Index scores, abnormality criterion %1.").arg(d.criterion_label());
    for (int i = 0; i < chart_scores; ++i)
        parts << QStringLiteral("%1 %2, 95% limits %3 to %4%5.")
                     .arg(QLatin1String(slot_names[i]), d.score_text[i], number(d.lower[i]), number(d.upper[i]),
                          d.is_low[i] ? QStringLiteral(", abnormally low") : QString());
    parts << QStringLiteral("Abnormally low below %1.").arg(number(d.low_cut));
    parts << (d.pairwise ? QStringLiteral("Pairwise differences:") : QStringLiteral("Deviations from the case's mean:"));
    for (int i = 0; i < d.diff_count; ++i)
        parts << QStringLiteral("%1 %2%3.").arg(diff_label(d, i), d.diff_text[i],
                                               d.diff_abnormal[i] ? QStringLiteral(", abnormal") : QString());
    if (!d.notes.isEmpty())
        parts << QStringLiteral("Notes: ") + QString(d.notes).replace(QChar(QChar::LineSeparator), QLatin1Char(' '));
    return parts.join(QLatin1Char(' '));
}
