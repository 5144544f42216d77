// The chart as an SVG drawing, in builds with QtSvg.
#include "render/documents.h"

#include "render/drawing_checks.h"
#include "render/profile_chart.h"

#include <QBuffer>
#include <QSvgGenerator>

bool chart_svg_available()
{
    return true;
}

QByteArray chart_svg(const tChartData& data)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    const QSize size(int(tChartGeometry::design_width), int(tChartGeometry::design_height));
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(QStringLiteral("Profile chart"));
    QPainter painter;
    begin_or_throw(painter, &svg);
    draw_profile_chart(painter, QRectF(QPointF(0, 0), QSizeF(size)), data);
    end_or_throw(painter);
    return bytes;
}
