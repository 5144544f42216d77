// The profile chart of one case, painted. Every position comes from
// tChartGeometry, in design units of an 800 x 600 box scaled to the target,
// so the window, the image files and the PDF page show the same chart.
#include "render/profile_chart.h"

#include "render/bundled_fonts.h"
#include "render/chart_layout.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPolygonF>

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

using namespace chart_layout;

const QColor ink(0, 0, 0);
const QColor grid_colour(218, 218, 218);
const QColor band_colour(232, 232, 232);
const QColor diff_fill(214, 230, 242);

QString number_text(double value)
{
    return QLocale::c().toString(value, 'g', 6);
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

    QPointF point_at(double x, double y) const { return g_.box.topLeft() + QPointF(g_.u(x), g_.u(y)); }

    QFont font(double pixels, bool bold = false, bool italic = false) const
    {
        return chart_font(g_.u(pixels), bold, italic);
    }

    QPen pen(const QColor& colour, double width, Qt::PenStyle style = Qt::SolidLine) const
    {
        QPen pen(colour, g_.u(width), style, Qt::FlatCap, Qt::MiterJoin);
        return pen;
    }

    void draw_text(const QRectF& box, int flags, const QString& s)
    {
        p_.drawText(box, flags | Qt::TextDontClip, s);
    }

    // --- title -----------------------------------------------------------------

    void draw_title()
    {
        const double width = text_width;
        QString scores = QStringLiteral("Index scores: ");
        for (int k = 0; k < chart_scores; ++k)
            scores += QStringLiteral("   %1 %2").arg(QLatin1String(slot_names[k]),
                                                     d_.score_text[k].isEmpty()
                                                         ? number_text(d_.score[k])
                                                         : d_.score_text[k]);
        p_.setPen(ink);
        p_.setFont(font(17, true));
        draw_text(QRectF(point_at(margin, margin), QSizeF(g_.u(width), g_.u(24))), Qt::AlignLeft | Qt::AlignVCenter,
             scores);

        // The options, a long name of the user's normative data wrapped onto
        // the rows that follow.
        p_.setFont(font(12.5));
        for (int i = 0; i < g_.option_rows.size(); ++i)
            draw_text(QRectF(point_at(margin, options_top + i * options_row), QSizeF(g_.u(width), g_.u(options_row))),
                 Qt::AlignLeft | Qt::AlignVCenter, g_.option_rows.at(i));

        if (!g_.note_rows.isEmpty()) {
            p_.setFont(font(g_.note_pixels, false, g_.notes_italic));
            const double row = note_row_height(g_.note_pixels);
            for (int i = 0; i < g_.note_rows.size(); ++i)
                draw_text(QRectF(point_at(margin, g_.notes_top + i * row), QSizeF(g_.u(width), g_.u(row))),
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
            draw_text(QRectF(QPointF(left - g_.u(40), y - g_.u(8)), QSizeF(g_.u(34), g_.u(16))),
                 Qt::AlignRight | Qt::AlignVCenter, number_text(v));
        }

        // Axis title, reading upwards.
        p_.save();
        p_.translate(QPointF(point_at(margin + 6, 0).x(), g_.profile_plot.center().y()));
        p_.rotate(-90);
        p_.setFont(font(12, true));
        draw_text(QRectF(-g_.u(100), -g_.u(9), g_.u(200), g_.u(18)), Qt::AlignCenter,
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
        draw_text(g_.low_cut_label, Qt::AlignHCenter | Qt::AlignVCenter, chart_low_cut_text(d_));

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
            draw_text(QRectF(QPointF(x - slot_width / 2, plot.bottom() + g_.u(4)),
                        QSizeF(slot_width, g_.u(16))),
                 Qt::AlignHCenter | Qt::AlignTop, QString::fromLatin1(slot_names[k - 1]));
            p_.setFont(font(10.5));
            draw_text(QRectF(QPointF(x - slot_width / 2, plot.bottom() + g_.u(20)),
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
        draw_text(QRectF(point_at(plot_left, diff_top - 24), QSizeF(g_.u(plot_right - plot_left), g_.u(18))),
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
            draw_text(QRectF(QPointF(plot.left() - g_.u(40), y - g_.u(8)), QSizeF(g_.u(34), g_.u(16))),
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
            draw_text(g_.diff_labels[i], Qt::AlignCenter, chart_diff_value_text(d_, i));

            p_.setFont(font(12, true));
            draw_text(QRectF(QPointF(x - slot_width / 2, plot.bottom() + g_.u(4)), QSizeF(slot_width, g_.u(16))),
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
        draw_text(QRectF(point_at(legend_left, y - 4), QSizeF(g_.u(180), g_.u(18))), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Legend"));
        y += row;

        const auto entry = [&](const QString& label, auto&& symbol) {
            const QPointF centre = point_at(legend_left + 14, y + 5);
            p_.save();
            symbol(centre);
            p_.restore();
            p_.setPen(ink);
            p_.setFont(font(11.5));
            draw_text(QRectF(point_at(legend_left + 34, y - 4), QSizeF(g_.u(tChartGeometry::design_width - margin
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

