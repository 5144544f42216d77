// Builds without QtSvg write the chart's SVG with the program's own paint
// device (its drawing is checked against Qt's SVG renderer where QtSvg is at
// hand, test_svg_drawing_svg.cpp).
#include "chart_sample.h"
#include "render/documents.h"

#include <gtest/gtest.h>

TEST(ChartSvg, IsWrittenWithoutSvgSupportToo)
{
    ASSERT_TRUE(chart_svg_available());
    const QByteArray svg = chart_file(tChartFormat::Svg, chart(100));
    EXPECT_TRUE(svg.startsWith("<?xml"));
    EXPECT_TRUE(svg.contains("viewBox=\"0 0 800 600\""));
    EXPECT_TRUE(svg.contains("font-family=\"Liberation Sans\""));
    EXPECT_TRUE(svg.trimmed().endsWith("</svg>"));
}
