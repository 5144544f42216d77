// The chart as an SVG drawing in builds without QtSvg (the Windows build:
// Debian has no QtSvg for it): the program's own SVG paint device draws it,
// so that Save Chart... and --chart-dir write SVG there too.
#include "render/documents.h"

#include "render/drawing_checks.h"
#include "render/profile_chart.h"
#include "render/svg_drawing.h"

bool chart_svg_available()
{
    return true;
}

QByteArray chart_svg(const tChartData& data)
{
    const QSize size(int(tChartGeometry::design_width), int(tChartGeometry::design_height));
    tSvgDrawing svg(size, QStringLiteral("Profile chart"));
    QPainter painter;
    begin_or_throw(painter, &svg);
    draw_profile_chart(painter, QRectF(QPointF(0, 0), QSizeF(size)), data);
    end_or_throw(painter);
    return svg.bytes();
}
