// The profile chart: its data taken from a real case, and where the drawing
// puts each figure, read back from the pixels of an offscreen image. Only the
// plotting rectangles come from the chart's geometry (and their frames are
// checked in the pixels); every position inside them is worked out here from
// the axes' ends, so a wrong 40-160 mapping or an inverted axis fails.
#include "analysis/case_figures.h"
#include "render/profile_chart.h"

#include "../analysis/analysis_test_support.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double TOL_EXACT = 1e-9;
constexpr int TOL_COLOUR = 40; // per channel, for antialiased edges

// The case VC 100, PR 95, WM 110.5, PS 60: PS abnormally low at 5%.
tChartData sample(bool pairwise = false)
{
    tChartData d;
    d.score = {100, 95, 110.5, 60};
    d.lower = {94.2, 88.6, 103.9, 51.3};
    d.upper = {105.8, 101.4, 117.1, 68.7};
    d.is_low = {false, false, false, true};
    d.low_cut = 75.32719;
    d.criterion_item = 4;
    d.pairwise = pairwise;
    if (pairwise) {
        d.diff_count = 6;
        d.diff = {5, -10.5, 40, -15.5, 35, 50.5};
        d.diff_cut = {25, 25, 30, 25, 30, 30};
        d.diff_abnormal = {false, false, true, false, true, true};
    } else {
        d.diff = {8.6, 3.6, 19.1, -31.4};
        d.diff_cut = {16.5, 16.9, 16.6, 19.6};
        d.diff_abnormal = {false, false, true, true};
    }
    d.notes = QStringLiteral("Referred after a fall");
    return d;
}

double d_sign(double v)
{
    return v < 0 ? -1 : 1;
}

QImage render(const tChartData& data, const QSize& image_size, const QRectF& rect)
{
    QImage image(image_size, QImage::Format_RGB32);
    image.fill(Qt::magenta); // anything the chart leaves unpainted shows
    QPainter painter(&image);
    draw_profile_chart(painter, rect, data);
    return image;
}

bool near_colour(const QColor& a, const QColor& b)
{
    return std::abs(a.red() - b.red()) <= TOL_COLOUR && std::abs(a.green() - b.green()) <= TOL_COLOUR
           && std::abs(a.blue() - b.blue()) <= TOL_COLOUR;
}

QColor at(const QImage& image, double x, double y)
{
    return image.pixelColor(int(std::floor(x)), int(std::floor(y)));
}

// A line one or two pixels wide lies on the row or next to it.
bool dark_near(const QImage& image, double x, double y)
{
    for (int dy = -1; dy <= 1; ++dy)
        if (qGray(image.pixel(int(std::floor(x)), int(std::floor(y)) + dy)) < 110)
            return true;
    return false;
}

// The Index axis runs from 40 at the plot's bottom to 160 at its top; the
// four slots share its width equally, each at the middle of its quarter.
double index_y(const QRectF& plot, double value)
{
    return plot.bottom() - (value - 40) / 120 * plot.height();
}

double slot_x(const QRectF& plot, int slot)
{
    return plot.left() + plot.width() * (2 * slot - 1) / 8;
}

// The difference axis runs from -range at the bottom to +range at the top,
// zero in the middle; n bars share its width.
double diff_y(const QRectF& plot, double range, double value)
{
    return plot.top() + plot.height() * (range - value) / (2 * range);
}

double diff_x(const QRectF& plot, int n, int i)
{
    return plot.left() + plot.width() * (2 * i + 1) / (2 * n);
}

} // namespace

TEST(ChartData, TakesScoresCutAndDifferencesFromTheCaseFigures)
{
    tLineSink sink;
    const auto deviations = run_analysis(
        make_inputs({"100", "95", "110.5", "60"}, 1, 0, 4, {"caf\xc3\xa9 owner", "second"}), sink, {});
    ASSERT_TRUE(deviations.figures);
    const tChartData d = chart_data_of(*deviations.figures);
    EXPECT_EQ(d.score[2], 110.5);
    EXPECT_EQ(d.is_low, (std::array<bool, 4>{false, false, false, true}));
    EXPECT_LT(d.lower[3], 60);
    EXPECT_GT(d.upper[3], 60);
    // 100 + 15 z at the 5% criterion, z = -1.644854.
    EXPECT_NEAR(d.low_cut, 75.32719, TOL_EXACT);
    // The case's mean is 365.5 / 4 = 91.375.
    ASSERT_EQ(d.diff_count, 4);
    EXPECT_FALSE(d.pairwise);
    EXPECT_NEAR(d.diff[0], 8.625, TOL_EXACT);
    EXPECT_NEAR(d.diff[3], -31.375, TOL_EXACT);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(d.diff_abnormal[k], std::fabs(d.diff[k]) > d.diff_cut[k]) << "slot " << k + 1;
    EXPECT_TRUE(d.diff_abnormal[3]);
    // Two lines the user ended: one text with a line separator between them.
    EXPECT_EQ(d.notes, QString::fromUtf8("caf\xc3\xa9 owner\u2028second"));

    // Pairwise: score_a - score_b in the report's order VC-PR .. WM-PS; a
    // single-byte note is read as Latin-1.
    const auto pairs = run_analysis(
        make_inputs({"100", "95", "110.5", "60"}, 0, 1, 6, {"caf\xe9"}), sink, {});
    const tChartData p = chart_data_of(*pairs.figures);
    ASSERT_EQ(p.diff_count, 6);
    EXPECT_TRUE(p.pairwise);
    EXPECT_TRUE(p.bonferroni);
    EXPECT_EQ(p.criterion_label(), QStringLiteral("1%"));
    const double expected[6] = {5, -10.5, 40, -15.5, 35, 50.5};
    for (int i = 0; i < 6; ++i) {
        EXPECT_NEAR(p.diff[i], expected[i], TOL_EXACT) << "pair " << i;
        EXPECT_EQ(p.diff_abnormal[i], std::fabs(p.diff[i]) > p.diff_cut[i]) << "pair " << i;
    }
    EXPECT_NEAR(p.low_cut, 100 - 15 * 2.326348, TOL_EXACT);
    EXPECT_EQ(p.notes, QString::fromUtf8("caf\xc3\xa9"));
}

// The same positions in a window-sized image with the chart centred in a
// wider rectangle, and at twice the size.
TEST(ProfileChart, ScoresLimitsMeanAndCutFallWhereTheGeometrySays)
{
    const tChartData data = sample();
    const struct {
        QSize image;
        QRectF rect;
    } targets[] = {{QSize(900, 620), QRectF(20, 10, 880, 600)},
                   {QSize(1600, 1200), QRectF(0, 0, 1600, 1200)}};
    for (const auto& target : targets) {
        SCOPED_TRACE(target.image.width());
        const QImage image = render(data, target.image, target.rect);
        const tChartGeometry g(target.rect, data);
        EXPECT_NEAR(g.box.center().x(), target.rect.center().x(), TOL_EXACT);
        EXPECT_NEAR(g.box.width() / g.box.height(), 4.0 / 3.0, TOL_EXACT);
        const QRectF plot = g.profile_plot;
        // The plot's frame (a thin line, grey where antialiased) is drawn
        // where the rectangle says.
        for (const double edge : {plot.top(), plot.bottom()}) {
            bool drawn = false;
            for (int dy = -1; dy <= 1; ++dy)
                drawn = drawn || qGray(image.pixel(int(plot.center().x() + g.u(3)), int(std::floor(edge)) + dy)) < 200;
            EXPECT_TRUE(drawn) << edge;
        }

        // 100 in the vertical middle of the 40-160 axis.
        EXPECT_NEAR(index_y(plot, 100), plot.center().y(), TOL_EXACT);

        // A score of 100 sits on the mean line; the line runs between the slots.
        const double mean_y = index_y(plot, 100);
        EXPECT_TRUE(near_colour(at(image, slot_x(plot, 1), mean_y), chart_score_colour()));
        const double between = (slot_x(plot, 1) + slot_x(plot, 2)) / 2;
        EXPECT_TRUE(dark_near(image, between, mean_y));
        EXPECT_FALSE(dark_near(image, between, mean_y + g.u(6)));

        // The dashed cut at 100 + 15 z: dark and light stretches along it.
        const double cut_y = index_y(plot, data.low_cut);
        int dark = 0;
        int samples = 0;
        for (double x = slot_x(plot, 2); x < slot_x(plot, 3); x += 1, ++samples)
            dark += dark_near(image, x, cut_y) ? 1 : 0;
        EXPECT_GT(dark, samples / 4);
        EXPECT_LT(dark, samples * 3 / 4);
        EXPECT_FALSE(dark_near(image, between, cut_y - g.u(5)));

        // Up is higher: WM (110.5) stands above the mean line, PS (60) well
        // below it, near a sixth of the plot from the bottom.
        EXPECT_LT(index_y(plot, 110.5), plot.center().y());
        EXPECT_NEAR(index_y(plot, 60), plot.bottom() - plot.height() / 6, TOL_EXACT);

        // Each bar ends at its limits, nothing beyond; the marker says low or not.
        for (int k = 1; k <= 4; ++k) {
            SCOPED_TRACE(k);
            const double x = slot_x(plot, k) + g.u(6);
            const double top = index_y(plot, data.upper[k - 1]);
            const double bottom = index_y(plot, data.lower[k - 1]);
            EXPECT_TRUE(dark_near(image, x, top));
            EXPECT_TRUE(dark_near(image, x, bottom));
            EXPECT_FALSE(dark_near(image, x, top - g.u(4)));
            EXPECT_FALSE(dark_near(image, x, bottom + g.u(4)));
            const QColor marker = at(image, slot_x(plot, k), index_y(plot, data.score[k - 1]));
            EXPECT_TRUE(near_colour(marker, data.is_low[k - 1] ? chart_low_colour() : chart_score_colour()));
        }
        // Nothing of the rectangle is left unpainted.
        EXPECT_NE(image.pixelColor(int(target.rect.left()) + 1, int(target.rect.bottom()) - 1), QColor(Qt::magenta));
    }
}

TEST(ProfileChart, DifferencesAreBarsFromZeroMarkedWhenAbnormal)
{
    for (const bool pairwise : {false, true}) {
        SCOPED_TRACE(pairwise);
        const tChartData data = sample(pairwise);
        const QRectF rect(0, 0, 800, 600);
        const QImage image = render(data, QSize(800, 600), rect);
        const tChartGeometry g(rect, data);
        ASSERT_EQ(g.diff_count, data.diff_count);
        const QRectF plot = g.diff_plot;
        // The axis holds the largest difference or cut, 1.3 times over, in
        // whole tens, and ten more at a time while a value's label would come
        // within 1.5 design units of the frame (the label, 14 units high, 1
        // beyond its bar's end; the half axis 53 units): 31.4 -> 50 for the
        // deviations (its label ends 31.4 / 50 * 53 + 15 = 48.3 from zero);
        // 50.5 -> 70 for the pairs, where it would end at 53.2, so 80.
        const double range = pairwise ? 80 : 50;
        EXPECT_EQ(g.diff_range, range);
        const int n = data.diff_count;
        if (!pairwise) {
            // Deviations under their scores.
            EXPECT_NEAR(diff_x(plot, n, 2), slot_x(g.profile_plot, 3), TOL_EXACT);
        }
        for (int i = 0; i < data.diff_count; ++i) {
            SCOPED_TRACE(i);
            const double x = diff_x(plot, n, i);
            const double y0 = diff_y(plot, range, 0);
            const double y1 = diff_y(plot, range, data.diff[i]);
            // Inside the bar: the colour of abnormality only when abnormal.
            int abnormal_pixels = 0;
            for (double y = std::min(y0, y1) + 3; y < std::max(y0, y1) - 2; y += 1)
                for (double dx = -4; dx <= 4; dx += 2)
                    abnormal_pixels += near_colour(at(image, x + dx, y), chart_low_colour()) ? 1 : 0;
            EXPECT_EQ(abnormal_pixels > 0, data.diff_abnormal[i]);
            // The bar stops at the difference.
            const double beyond = y1 + (data.diff[i] > 0 ? -3 : 3);
            EXPECT_FALSE(near_colour(at(image, x, beyond), chart_low_colour()));
            // The dashed cuts either side of zero stand out beside the bar.
            for (const double cut : {data.diff_cut[i], -data.diff_cut[i]}) {
                bool seen = false;
                for (double side = x + g.u(16); side < x + g.u(22); side += 1)
                    seen = seen || dark_near(image, side, diff_y(plot, range, cut));
                EXPECT_TRUE(seen) << cut;
            }
        }
    }
}

// The hatching of an abnormal bar is what a black-and-white print shows of
// its abnormality: inside such a bar dark lines run diagonally, rising to the
// right; inside a normal bar there is no dark pixel at all. Grey levels only.
TEST(ProfileChart, AbnormalDifferenceBarsAreHatchedRisingToTheRight)
{
    const tChartData data = sample(true);
    const QRectF rect(0, 0, 1600, 1200);
    const QImage image = render(data, QSize(1600, 1200), rect).convertToFormat(QImage::Format_Grayscale8);
    const tChartGeometry g(rect, data);
    const QRectF plot = g.diff_plot;
    const double range = 80; // see DifferencesAreBarsFromZeroMarkedWhenAbnormal
    const auto dark = [&](int x, int y) { return qGray(image.pixel(x, y)) < 110; };
    for (int i = 0; i < data.diff_count; ++i) {
        SCOPED_TRACE(i);
        // The bar's inside, well clear of its outline and of the zero line.
        const double x = diff_x(plot, data.diff_count, i);
        const double y0 = diff_y(plot, range, 0);
        const double y1 = diff_y(plot, range, data.diff[i]);
        const int left = int(x - g.u(8)), right = int(x + g.u(8));
        const int top = int(std::min(y0, y1) + 4), bottom = int(std::max(y0, y1) - 4);
        if (bottom - top < 12)
            continue; // VC-PR's 5 points: no inside to speak of

        int pixels = 0, dark_pixels = 0, rising = 0, falling = 0;
        const double cut_y = diff_y(plot, range, d_sign(data.diff[i]) * data.diff_cut[i]);
        for (int py = top + 1; py < bottom - 1; ++py) {
            if (std::abs(py - cut_y) < g.u(3))
                continue; // the dashed cut line crossing the bar
            for (int px = left; px < right; ++px) {
                ++pixels;
                if (!dark(px, py))
                    continue;
                ++dark_pixels;
                rising += dark(px + 1, py - 1) ? 1 : 0;
                falling += dark(px + 1, py + 1) ? 1 : 0;
            }
        }
        if (!data.diff_abnormal[i]) {
            EXPECT_EQ(dark_pixels, 0);
            continue;
        }
        // Thin lines a few pixels apart: some of the area, far from all.
        EXPECT_GT(dark_pixels, pixels / 10);
        EXPECT_LT(dark_pixels, pixels / 2);
        EXPECT_GT(rising, dark_pixels * 3 / 4);
        EXPECT_LT(falling, dark_pixels / 4);
    }
}

// The cut's text stands clear of every score's limits and marker (here VC's
// limits span the cut), and no value label is crossed by a dashed cut line
// (values just beside their cuts), at any size.
TEST(ProfileChart, CutTextAndValueLabelsStandClearOfTheMarks)
{
    tChartData data = sample();
    data.score[0] = 80;
    data.lower[0] = 74;
    data.upper[0] = 86;
    data.low_cut = 80.8;
    data.diff = {12.4, -11.1, -9, 7.7};
    data.diff_cut = {13.5, 12.5, 10.5, 16.5};
    data.diff_text = {"12.4", "\u221211.1", "\u22129.0", "7.7"};
    const double range = 30; // 16.5 with room, rounded up to tens
    for (const QSizeF size : {QSizeF(800, 600), QSizeF(1600, 1200)}) {
        const tChartGeometry g(QRectF(QPointF(0, 0), size), data);
        const QRectF& plot = g.profile_plot;
        for (int k = 1; k <= chart_scores; ++k) {
            // The limits' bar with its caps, and the marker (at most 9 design units across).
            const QRectF mark(QPointF(slot_x(plot, k) - g.u(9), index_y(plot, data.upper[k - 1]) - g.u(9)),
                              QPointF(slot_x(plot, k) + g.u(9), index_y(plot, data.lower[k - 1]) + g.u(9)));
            EXPECT_FALSE(g.low_cut_label.intersects(mark)) << k;
        }
        EXPECT_TRUE(plot.contains(g.low_cut_label));
        EXPECT_LT(std::abs(g.low_cut_label.center().y() - index_y(plot, 80.8)), g.u(16)); // beside its line

        for (int i = 0; i < data.diff_count; ++i) {
            const QRectF& label = g.diff_labels[i];
            for (const double cut : {data.diff_cut[i], -data.diff_cut[i]}) {
                const double y = diff_y(g.diff_plot, range, cut);
                EXPECT_TRUE(label.bottom() < y - g.u(0.7) || label.top() > y + g.u(0.7)) << i << " " << cut;
            }
            // Near its bar's end, on the side away from zero.
            const double end = diff_y(g.diff_plot, range, data.diff[i]);
            EXPECT_LT(std::min(std::abs(label.bottom() - end), std::abs(label.top() - end)), g.u(20)) << i;
            EXPECT_NEAR(label.center().x(), diff_x(g.diff_plot, 4, i), 1e-6);
        }
    }
}
