// The chart as an SVG drawing, in builds with QtSvg: read back by Qt's own
// SVG renderer.
#include "chart_sample.h"
#include "render/documents.h"

#include <QSvgRenderer>

#include <gtest/gtest.h>

TEST(ChartSvg, IsADrawingOfTheDesignSizeInTheChartsFont)
{
    ASSERT_TRUE(chart_svg_available());
    const QByteArray svg = chart_file(tChartFormat::Svg, chart(100));
    QSvgRenderer renderer(svg);
    EXPECT_TRUE(renderer.isValid());
    EXPECT_EQ(renderer.viewBox(), QRect(0, 0, 800, 600));
    EXPECT_TRUE(svg.contains("Liberation Sans"));
}
