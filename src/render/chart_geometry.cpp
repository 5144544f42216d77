// The profile chart's geometry: where each part of the chart lies in the
// rectangle it is drawn into, and the texts set among its marks; the chart's
// figures as text for screen readers.
#include "render/profile_chart.h"

#include "render/chart_layout.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace chart_layout;

namespace chart_layout {

const char* const slot_names[chart_scores] = {"VC", "PR", "WM", "PS"};
const char* const slot_long_names[chart_scores] = {
    "Verbal Comprehension", "Perceptual Reasoning", "Working Memory", "Processing Speed"};

QFont chart_font(double pixels, bool bold, bool italic)
{
    QFont f = chart_sans_font();
    f.setPixelSize(std::max(1, int(std::lround(pixels))));
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

QFont options_font()
{
    return chart_font(12.5);
}

double note_row_height(int pixels)
{
    return pixels * 1.25;
}

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

} // namespace chart_layout

namespace {

// Differences of valid scores stay within 100.
constexpr double max_diff_range = 200;

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
    return std::min(range, max_diff_range);
}

} // namespace

tChartGeometry::tChartGeometry(const QRectF& rect, const tChartData& data)
{
    unit = std::min(rect.width() / design_width, rect.height() / design_height);
    if (!(unit > 0))
        unit = 0;
    const QSizeF size(design_width * unit, design_height * unit);
    box = QRectF(rect.center() - QPointF(size.width() / 2, size.height() / 2), size);
    option_rows = wrapped_rows(chart_options_text(data), options_font(), wrap_width);
    if (option_rows.isEmpty())
        option_rows << QString();
    notes_top = options_top + option_rows.size() * options_row + 2;
    lay_out_notes(data.notes);
    const double notes_bottom = notes_top + note_rows.size() * note_row_height(note_pixels) + 10;
    profile_plot = QRectF(point_at(plot_left, std::max(profile_top, notes_bottom)), point_at(plot_right, profile_bottom));
    diff_plot = QRectF(point_at(plot_left, diff_top), point_at(plot_right, diff_bottom));
    diff_count = data.diff_count == chart_pairs ? chart_pairs : chart_scores;
    place_cut_label(data);
    // The axis grows ten at a time until every value's label lies clear of
    // the frame (a label stands beyond its bar's end, and a difference near
    // the axis' end would put it on the frame line).
    const double clear = u(1.5);
    for (diff_range = diff_axis_range(data);; diff_range += 10) {
        place_diff_labels(data);
        const bool inside = std::all_of(diff_labels.begin(), diff_labels.begin() + diff_count, [&](const QRectF& r) {
            return r.top() >= diff_plot.top() + clear && r.bottom() <= diff_plot.bottom() - clear;
        });
        if (inside || diff_range >= max_diff_range)
            break;
    }
}

void tChartGeometry::place_cut_label(const tChartData& data)
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
}

void tChartGeometry::place_diff_labels(const tChartData& data)
{
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

QString chart_options_text(const tChartData& data)
{
    return (data.pairwise ? QStringLiteral("Pairwise differences") : QStringLiteral("Deviations from the case's mean"))
           + (data.bonferroni ? QStringLiteral(", sequential Bonferroni correction")
                              : QStringLiteral(", no Bonferroni correction"))
           + QStringLiteral(", abnormality criterion ") + data.criterion_label()
           + (data.norms_name.isEmpty() ? QString() : QStringLiteral(", normative data: ") + data.norms_name);
}

void tChartGeometry::lay_out_notes(const QString& notes)
{
    note_rows.clear();
    notes_cut = false;
    if (notes.isEmpty())
        return;
    // A little room for the rounding of scaled fonts.
    const double width = wrap_width;
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

QPointF tChartGeometry::point_at(double x, double y) const
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

QString chart_text_alternative(const tChartData& d)
{
    // Each figure as the report prints it (a limit given without its text,
    // as the report rounds it); the cut as the chart shows it.
    const auto limit = [](const QString& text, double value) {
        return text.isEmpty() ? QString::asprintf("%.0f", value) : text;
    };
    QStringList parts;
    parts << QStringLiteral("Profile chart of the Index scores: %1.").arg(chart_options_text(d));
    for (int i = 0; i < chart_scores; ++i)
        parts << QStringLiteral("%1 %2, 95% limits %3 to %4%5.")
                     .arg(QLatin1String(slot_names[i]), d.score_text[i], limit(d.lower_text[i], d.lower[i]),
                          limit(d.upper_text[i], d.upper[i]),
                          d.is_low[i] ? QStringLiteral(", abnormally low") : QString());
    parts << chart_low_cut_text(d) + QLatin1Char('.');
    parts << (d.pairwise ? QStringLiteral("Pairwise differences:") : QStringLiteral("Deviations from the case's mean:"));
    for (int i = 0; i < d.diff_count; ++i)
        parts << QStringLiteral("%1 %2%3.").arg(diff_label(d, i), chart_diff_value_text(d, i),
                                               d.diff_abnormal[i] ? QStringLiteral(", abnormal") : QString());
    if (!d.notes.isEmpty())
        parts << QStringLiteral("Notes: ") + QString(d.notes).replace(QChar(QChar::LineSeparator), QLatin1Char(' '));
    return parts.join(QLatin1Char(' '));
}
