// A paint device that records what a QPainter draws as an SVG drawing, the
// chart's SVG file in every build (Debian has no QtSvg for Windows). It knows
// what the profile chart draws: lines, rectangles, ellipses, polygons and
// paths with solid or hatched fills, text as text (not as outlines) in the
// face that draws it (a fallback face where the font lacks its characters),
// rotation and scaling, and
// rectangular or any clip; images are embedded as PNG. Gradients are filled
// with their first colour.
#pragma once

#include <QByteArray>
#include <QPaintDevice>
#include <QSize>
#include <QString>

#include <memory>

class tSvgPaintEngine;

class tSvgDrawing final : public QPaintDevice {
public:
    // A drawing of `size` pixels at 72 pixels per inch, as QSvgGenerator
    // makes it (a point of a font is a pixel), titled `title`.
    tSvgDrawing(const QSize& size, const QString& title);
    ~tSvgDrawing() override;
    tSvgDrawing(const tSvgDrawing&) = delete;
    tSvgDrawing& operator=(const tSvgDrawing&) = delete;

    QPaintEngine* paintEngine() const override;
    // The whole file, once the painter has ended.
    QByteArray bytes() const;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSize size_;
    std::unique_ptr<tSvgPaintEngine> engine_;
};
