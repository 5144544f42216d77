// Builds without QtSvg say so and write no SVG: an SVG asked for anyway is
// an error, never an empty or PNG file under an .svg name.
#include "chart_sample.h"
#include "render/documents.h"

#include <gtest/gtest.h>

#include <stdexcept>

TEST(ChartSvg, IsRefusedWithoutSvgSupport)
{
    EXPECT_FALSE(chart_svg_available());
    EXPECT_THROW(chart_file(tChartFormat::Svg, chart(100)), std::runtime_error);
    EXPECT_FALSE(chart_file(tChartFormat::Png, chart(100)).isEmpty());
}
