// The program's own SVG paint device (the Windows build's SVG charts), read
// back by Qt's SVG renderer, here where QtSvg is at hand: the chart it
// records looks as the chart painted straight onto an image.
#include "chart_sample.h"
#include "render/drawing_checks.h"
#include "render/profile_chart.h"
#include "render/svg_drawing.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

const QSize design(int(tChartGeometry::design_width), int(tChartGeometry::design_height));

QImage blank()
{
    QImage image(design * 2, QImage::Format_ARGB32);
    image.fill(Qt::white);
    return image;
}

// The share of pixels whose colour differs by more than a quarter of the
// scale in some channel: edges smoothed differently do not count, a shape
// or a word out of place does.
double share_differing(const QImage& a, const QImage& b)
{
    long long differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > 64 || std::abs(qGreen(p) - qGreen(q)) > 64
                || std::abs(qBlue(p) - qBlue(q)) > 64)
                ++differing;
        }
    return double(differing) / (double(a.width()) * a.height());
}

} // namespace

TEST(SvgDrawing, TheChartReadsBackAsPaintedStraightOntoAnImage)
{
    for (const double vc : {100.0, 61.5}) {
        SCOPED_TRACE(vc);
        tSvgDrawing svg(design, QStringLiteral("Profile chart"));
        QPainter recorder;
        begin_or_throw(recorder, &svg);
        draw_profile_chart(recorder, QRectF(QPointF(0, 0), QSizeF(design)), chart(vc));
        end_or_throw(recorder);
        const QByteArray file = svg.bytes();

        QSvgRenderer renderer(file);
        ASSERT_TRUE(renderer.isValid()) << file.left(400).constData();
        EXPECT_EQ(renderer.viewBox(), QRect(QPoint(0, 0), design));
        EXPECT_TRUE(file.contains("font-family=\"Liberation Sans\""));

        // Both at twice the design size, as a PNG chart is drawn.
        QImage from_svg = blank();
        QPainter reader(&from_svg);
        renderer.render(&reader, QRectF(QPointF(0, 0), QSizeF(from_svg.size())));
        reader.end();
        QImage straight = blank();
        QPainter painter(&straight);
        painter.scale(2, 2);
        draw_profile_chart(painter, QRectF(QPointF(0, 0), QSizeF(design)), chart(vc));
        painter.end();
        EXPECT_LT(share_differing(from_svg, straight), 0.01);
        // The measure sees a chart at all: a blank page differs from it.
        EXPECT_GT(share_differing(from_svg, blank()), 0.02);
    }
}
