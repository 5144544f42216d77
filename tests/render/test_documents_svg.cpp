// The chart as an SVG drawing, in builds with QtSvg: read back by Qt's own
// SVG renderer, it shows what the PNG file shows.
#include "chart_sample.h"
#include "render/documents.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

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
