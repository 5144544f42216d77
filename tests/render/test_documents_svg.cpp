// The chart as an SVG drawing, in builds with QtSvg: read back by Qt's own
// SVG renderer, it shows what the PNG file shows.
#include "chart_sample.h"
#include "render/documents.h"

#include "render/profile_chart.h"
#include "required_tool.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QPainter>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

// Drawn at the PNG file's size and both seen from afar (in cells of 20 by 20
// pixels), the drawing is the PNG file: the same frame, bands, markers and
// lines of text in the same places. The two renderers space letters a little
// differently, so the ends of a few long lines may differ; a blank, shifted
// or rescaled drawing differs in hundreds of cells. Its texts are there as
// text, in the chart's font.
TEST(ChartSvg, ShowsWhatThePngFileShows)
{
    ASSERT_TRUE(chart_svg_available());
    const QByteArray svg = chart_file(tChartFormat::Svg, chart(100));
    QSvgRenderer renderer(svg);
    ASSERT_TRUE(renderer.isValid());
    const QImage png = QImage::fromData(chart_file(tChartFormat::Png, chart(100)), "PNG")
                           .convertToFormat(QImage::Format_RGB32);
    QImage drawn(png.size(), QImage::Format_RGB32);
    drawn.fill(Qt::white);
    QPainter painter(&drawn);
    renderer.render(&painter);
    painter.end();

    const QSize cells = png.size() / 20;
    const QImage near = png.scaled(cells, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage far = drawn.scaled(cells, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    int differing = 0;
    for (int y = 0; y < cells.height(); ++y)
        for (int x = 0; x < cells.width(); ++x)
            differing += std::abs(qGray(near.pixel(x, y)) - qGray(far.pixel(x, y))) > 32;
    EXPECT_LT(differing, cells.width() * cells.height() / 200);
    EXPECT_TRUE(svg.contains("Abnormally low below 75.3 (5%)"));
    EXPECT_TRUE(svg.contains("font-family=\"Liberation Sans\""));
}

// The hatching of an abnormal bar survives a common SVG reader: rasterised
// by ImageMagick, the bar's inside shows thin lines, not a solid swatch.
TEST(ChartSvg, HatchingShowsAsLinesWhenRasterisedByImageMagick)
{
    if (QStandardPaths::findExecutable(QStringLiteral("convert")).isEmpty())
        SKIP_OR_FAIL_WITHOUT("convert (ImageMagick) is not installed");
    tChartData d = chart(100);
    d.diff_count = chart_scores;
    d.diff = {8, 4, 40, -52};
    d.diff_cut = {15, 15, 15, 15};
    d.diff_abnormal = {false, false, true, true};
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile svg(dir.filePath(QStringLiteral("chart.svg")));
    ASSERT_TRUE(svg.open(QIODevice::WriteOnly));
    svg.write(chart_svg(d));
    svg.close();
    QProcess convert;
    convert.start(QStringLiteral("convert"), {svg.fileName(), dir.filePath(QStringLiteral("chart.png"))});
    ASSERT_TRUE(convert.waitForFinished(60000));
    const QImage image = QImage(dir.filePath(QStringLiteral("chart.png"))).convertToFormat(QImage::Format_Grayscale8);
    ASSERT_FALSE(image.isNull());

    // Where the bars stand, from the plotting rectangle and the axis' ends
    // (+-80: the largest difference, 52, 1.3 times over in tens is 70, where
    // its label would end 52 / 70 * 53 + 15 = 54.4 design units from zero,
    // past the 53-unit half axis less 1.5 of room; so ten more).
    const QRectF plot = tChartGeometry(QRectF(QPointF(0, 0), QSizeF(image.size())), d).diff_plot;
    const double range = 80;
    const auto y_of = [&](double v) { return plot.center().y() - v / range * plot.height() / 2; };
    for (int i : {2, 3}) {
        const double x = plot.left() + (i + 0.5) * plot.width() / 4;
        const int top = int(std::min(y_of(0), y_of(d.diff[i]))) + 4;
        const int bottom = int(std::max(y_of(0), y_of(d.diff[i]))) - 4;
        int pixels = 0, dark = 0;
        for (int y = top; y < bottom; ++y)
            for (int px = int(x) - 4; px < int(x) + 4; ++px, ++pixels)
                dark += qGray(image.pixel(px, y)) < 110 ? 1 : 0;
        ASSERT_GT(pixels, 50) << i;
        EXPECT_GT(dark, pixels / 10) << i; // lines are there
        EXPECT_LT(dark, pixels * 6 / 10) << i; // and the colour between them
    }
}
