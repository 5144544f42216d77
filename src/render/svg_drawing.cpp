// The SVG drawing device: each primitive becomes one SVG element carrying
// the painter's pen, brush, font and transform at that moment; a clip is a
// group around the elements it holds, its path in the drawing's own
// coordinates (a clipPath in user space would follow each element's own
// transform instead).
#include "render/svg_drawing.h"

#include <QBuffer>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>
#include <QImage>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPixmap>
#include <QRegion>
#include <QTextItem>
#include <QTransform>

#include <cmath>

namespace {

QByteArray number(qreal value)
{
    if (std::abs(value) < 5e-5)
        value = 0;
    QByteArray text = QByteArray::number(value, 'f', 4);
    while (text.endsWith('0'))
        text.chop(1);
    if (text.endsWith('.'))
        text.chop(1);
    return text;
}

QByteArray escaped(const QString& text)
{
    return text.toHtmlEscaped().replace(QLatin1Char('\''), QLatin1String("&apos;")).toUtf8();
}

// The font-family of a text: the face that draws `text` in `font`. Where
// the font lacks the text's characters (Arabic notes in a Latin face), that
// is the font system's fallback face, which a reader with no fallback of its
// own (ImageMagick's) then draws them in. The painter hands each run of one
// face as a text of its own. A single name: ImageMagick's reader takes a
// list for one unknown family and falls back to its default face.
QByteArray drawn_face(const QFont& font, const QString& text)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    for (const QGlyphRun& run : layout.glyphRuns()) {
        const QString face = run.rawFont().familyName();
        if (!face.isEmpty())
            return escaped(face);
    }
    return escaped(font.family());
}

QByteArray colour(const QColor& c)
{
    return "#" + QByteArray::number(c.rgb() & 0xffffff, 16).rightJustified(6, '0');
}

QByteArray matrix(const QTransform& t)
{
    return "matrix(" + number(t.m11()) + " " + number(t.m12()) + " " + number(t.m21()) + " " + number(t.m22())
           + " " + number(t.dx()) + " " + number(t.dy()) + ")";
}

QByteArray path_data(const QPainterPath& path)
{
    QByteArray d;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            d += "M" + number(e.x) + "," + number(e.y) + " ";
            break;
        case QPainterPath::LineToElement:
            d += "L" + number(e.x) + "," + number(e.y) + " ";
            break;
        case QPainterPath::CurveToElement:
            d += "C" + number(e.x) + "," + number(e.y) + " ";
            break;
        case QPainterPath::CurveToDataElement:
            d += number(e.x) + "," + number(e.y) + " ";
            break;
        }
    }
    return d.trimmed();
}

// Qt's hatch patterns: their lines on an 8-pixel tile.
QByteArray hatch_lines(Qt::BrushStyle style)
{
    const QByteArray horizontal = "M0,4 L8,4 ";
    const QByteArray vertical = "M4,0 L4,8 ";
    const QByteArray backward = "M-1,9 L9,-1 M-1,1 L1,-1 M7,9 L9,7 ";
    const QByteArray forward = "M-1,-1 L9,9 M-1,7 L1,9 M7,-1 L9,1 ";
    switch (style) {
    case Qt::HorPattern:
        return horizontal;
    case Qt::VerPattern:
        return vertical;
    case Qt::CrossPattern:
        return horizontal + vertical;
    case Qt::BDiagPattern:
        return backward;
    case Qt::FDiagPattern:
        return forward;
    case Qt::DiagCrossPattern:
        return backward + forward;
    default:
        return QByteArray();
    }
}

} // namespace

class tSvgPaintEngine final : public QPaintEngine {
public:
    tSvgPaintEngine(const QSize& size, const QString& title)
        : QPaintEngine(QPaintEngine::AllFeatures
                       & ~(QPaintEngine::PerspectiveTransform | QPaintEngine::ConicalGradientFill
                           | QPaintEngine::PorterDuff)),
          size_(size), title_(title)
    {
    }

    QByteArray file;

    bool begin(QPaintDevice*) override
    {
        body_.clear();
        definitions_.clear();
        next_id_ = 0;
        clip_open_ = false;
        clip_enabled_ = false;
        clip_ = QPainterPath();
        return true;
    }

    bool end() override
    {
        close_clip();
        const QByteArray w = QByteArray::number(size_.width());
        const QByteArray h = QByteArray::number(size_.height());
        file = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
               "version=\"1.1\" width=\""
               + w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w + " " + h + "\">\n<title>" + escaped(title_)
               + "</title>\n";
        if (!definitions_.isEmpty())
            file += "<defs>\n" + definitions_ + "</defs>\n";
        file += body_ + "</svg>\n";
        return true;
    }

    void updateState(const QPaintEngineState& state) override
    {
        const QPaintEngine::DirtyFlags dirty = state.state();
        if (dirty & QPaintEngine::DirtyTransform)
            transform_ = state.transform();
        if (dirty & QPaintEngine::DirtyPen)
            pen_ = state.pen();
        if (dirty & QPaintEngine::DirtyBrush)
            brush_ = state.brush();
        if (dirty & QPaintEngine::DirtyFont)
            font_ = state.font();
        if (dirty & QPaintEngine::DirtyOpacity)
            opacity_ = state.opacity();
        bool clip_changed = false;
        if (dirty & (QPaintEngine::DirtyClipPath | QPaintEngine::DirtyClipRegion)) {
            QPainterPath path;
            if (dirty & QPaintEngine::DirtyClipPath)
                path = state.clipPath();
            else
                path.addRegion(state.clipRegion());
            path = state.transform().map(path);
            switch (state.clipOperation()) {
            case Qt::NoClip:
                clip_ = QPainterPath();
                clip_enabled_ = false;
                break;
            case Qt::ReplaceClip:
                clip_ = path;
                clip_enabled_ = true;
                break;
            case Qt::IntersectClip:
                clip_ = clip_enabled_ ? clip_.intersected(path) : path;
                clip_enabled_ = true;
                break;
            }
            clip_changed = true;
        }
        if (dirty & QPaintEngine::DirtyClipEnabled) {
            clip_enabled_ = state.isClipEnabled();
            clip_changed = true;
        }
        if (clip_changed)
            open_clip();
    }

    void drawRects(const QRectF* rects, int count) override
    {
        for (int i = 0; i < count; ++i) {
            const QRectF r = rects[i].normalized();
            element("<rect x=\"" + number(r.x()) + "\" y=\"" + number(r.y()) + "\" width=\"" + number(r.width())
                    + "\" height=\"" + number(r.height()) + "\"" + style(true) + "/>");
        }
    }

    void drawLines(const QLineF* lines, int count) override
    {
        for (int i = 0; i < count; ++i)
            element("<line x1=\"" + number(lines[i].x1()) + "\" y1=\"" + number(lines[i].y1()) + "\" x2=\""
                    + number(lines[i].x2()) + "\" y2=\"" + number(lines[i].y2()) + "\"" + style(false) + "/>");
    }

    void drawEllipse(const QRectF& r) override
    {
        element("<ellipse cx=\"" + number(r.center().x()) + "\" cy=\"" + number(r.center().y()) + "\" rx=\""
                + number(r.width() / 2) + "\" ry=\"" + number(r.height() / 2) + "\"" + style(true) + "/>");
    }

    void drawPath(const QPainterPath& path) override
    {
        element("<path d=\"" + path_data(path) + "\"" + style(true, path.fillRule()) + "/>");
    }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override
    {
        QByteArray list;
        for (int i = 0; i < count; ++i)
            list += (i ? " " : "") + number(points[i].x()) + "," + number(points[i].y());
        if (mode == PolylineMode)
            element("<polyline points=\"" + list + "\"" + style(false) + "/>");
        else
            element("<polygon points=\"" + list + "\""
                    + style(true, mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill) + "/>");
    }

    void drawTextItem(const QPointF& p, const QTextItem& item) override
    {
        const QFont f = item.font();
        const qreal pixels = f.pixelSize() > 0 ? qreal(f.pixelSize()) : f.pointSizeF(); // 72 per inch
        QByteArray attributes = " font-family=\"" + drawn_face(f, item.text()) + "\" font-size=\"" + number(pixels)
                                + "\" font-weight=\"" + QByteArray::number(f.weight()) + "\"";
        if (f.style() != QFont::StyleNormal)
            attributes += " font-style=\"italic\"";
        const QColor ink = pen_.color();
        attributes += " fill=\"" + colour(ink) + "\"";
        if (ink.alphaF() * opacity_ < 1)
            attributes += " fill-opacity=\"" + number(ink.alphaF() * opacity_) + "\"";
        element("<text x=\"" + number(p.x()) + "\" y=\"" + number(p.y()) + "\" xml:space=\"preserve\"" + attributes
                + transform_attribute() + ">" + escaped(item.text()) + "</text>");
    }

    void drawPixmap(const QRectF& r, const QPixmap& pixmap, const QRectF& source) override
    {
        drawImage(r, pixmap.toImage(), source, Qt::AutoColor);
    }

    void drawImage(const QRectF& r, const QImage& image, const QRectF& source, Qt::ImageConversionFlags) override
    {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.copy(source.toAlignedRect()).save(&buffer, "PNG");
        element("<image x=\"" + number(r.x()) + "\" y=\"" + number(r.y()) + "\" width=\"" + number(r.width())
                + "\" height=\"" + number(r.height()) + "\" preserveAspectRatio=\"none\" xlink:href=\"data:image/png;base64,"
                + png.toBase64() + "\"" + transform_attribute() + "/>");
    }

    Type type() const override { return QPaintEngine::User; }

private:
    void element(const QByteArray& text) { body_ += (clip_open_ ? " " : "") + text + "\n"; }

    QByteArray new_id(const char* kind) { return kind + QByteArray::number(++next_id_); }

    void close_clip()
    {
        if (clip_open_)
            body_ += "</g>\n";
        clip_open_ = false;
    }

    void open_clip()
    {
        close_clip();
        // A clip that leaves the whole drawing (the chart clips to its own
        // box) is left out: ImageMagick's reader drops the first letter of
        // every text inside a clipped group.
        const QRectF drawing(QPointF(0, 0), QSizeF(size_));
        if (!clip_enabled_ || clip_.contains(drawing.adjusted(0.5, 0.5, -0.5, -0.5)))
            return;
        const QByteArray id = new_id("clip");
        definitions_ += "<clipPath id=\"" + id + "\" clipPathUnits=\"userSpaceOnUse\"><path d=\"" + path_data(clip_)
                        + "\"/></clipPath>\n";
        body_ += "<g clip-path=\"url(#" + id + ")\">\n";
        clip_open_ = true;
    }

    QByteArray transform_attribute() const
    {
        return transform_.isIdentity() ? QByteArray() : " transform=\"" + matrix(transform_) + "\"";
    }

    // The fill (for a shape that has one), the stroke and the transform.
    QByteArray style(bool filled, Qt::FillRule rule = Qt::OddEvenFill)
    {
        QByteArray s;
        if (!filled || brush_.style() == Qt::NoBrush) {
            s += " fill=\"none\"";
        } else {
            s += " fill=\"" + fill() + "\"";
            const qreal alpha = brush_.color().alphaF() * opacity_;
            if (alpha < 1)
                s += " fill-opacity=\"" + number(alpha) + "\"";
            if (rule == Qt::OddEvenFill)
                s += " fill-rule=\"evenodd\"";
        }
        if (pen_.style() == Qt::NoPen) {
            s += " stroke=\"none\"";
        } else {
            s += " stroke=\"" + colour(pen_.color()) + "\"";
            const qreal alpha = pen_.color().alphaF() * opacity_;
            if (alpha < 1)
                s += " stroke-opacity=\"" + number(alpha) + "\"";
            const qreal width = pen_.widthF() > 0 ? pen_.widthF() : 1;
            s += " stroke-width=\"" + number(width) + "\"";
            if (pen_.isCosmetic())
                s += " vector-effect=\"non-scaling-stroke\"";
            s += pen_.capStyle() == Qt::FlatCap     ? " stroke-linecap=\"butt\""
                 : pen_.capStyle() == Qt::RoundCap ? " stroke-linecap=\"round\""
                                                   : " stroke-linecap=\"square\"";
            s += pen_.joinStyle() == Qt::RoundJoin  ? " stroke-linejoin=\"round\""
                 : pen_.joinStyle() == Qt::BevelJoin ? " stroke-linejoin=\"bevel\""
                                                     : " stroke-linejoin=\"miter\" stroke-miterlimit=\""
                                                           + number(pen_.miterLimit()) + "\"";
            if (pen_.style() != Qt::SolidLine) {
                QByteArray dashes;
                for (const qreal dash : pen_.dashPattern())
                    dashes += (dashes.isEmpty() ? "" : ",") + number(dash * width);
                s += " stroke-dasharray=\"" + dashes + "\"";
                if (pen_.dashOffset() != 0)
                    s += " stroke-dashoffset=\"" + number(pen_.dashOffset() * width) + "\"";
            }
        }
        return s + transform_attribute();
    }

    // A solid colour, or a hatch pattern drawn as Qt draws it: in device
    // pixels, moved by the brush's own transform.
    QByteArray fill()
    {
        const QByteArray lines = hatch_lines(brush_.style());
        if (lines.isEmpty()) {
            const QGradient* gradient = brush_.gradient();
            return colour(gradient && !gradient->stops().isEmpty() ? gradient->stops().first().second
                                                                   : brush_.color());
        }
        const QByteArray id = new_id("hatch");
        const QTransform in_user_space = brush_.transform() * transform_.inverted();
        definitions_ += "<pattern id=\"" + id
                        + "\" patternUnits=\"userSpaceOnUse\" x=\"0\" y=\"0\" width=\"8\" height=\"8\" "
                          "patternTransform=\""
                        + matrix(in_user_space) + "\"><path d=\"" + lines.trimmed() + "\" stroke=\""
                        + colour(brush_.color()) + "\" stroke-width=\"1\" fill=\"none\"/></pattern>\n";
        return "url(#" + id + ")";
    }

    QSize size_;
    QString title_;
    QByteArray body_;
    QByteArray definitions_;
    int next_id_ = 0;
    QPen pen_;
    QBrush brush_;
    QFont font_;
    QTransform transform_;
    qreal opacity_ = 1;
    QPainterPath clip_;
    bool clip_enabled_ = false;
    bool clip_open_ = false;
};

tSvgDrawing::tSvgDrawing(const QSize& size, const QString& title)
    : size_(size), engine_(std::make_unique<tSvgPaintEngine>(size, title))
{
}

tSvgDrawing::~tSvgDrawing() = default;

QPaintEngine* tSvgDrawing::paintEngine() const
{
    return engine_.get();
}

QByteArray tSvgDrawing::bytes() const
{
    return engine_->file;
}

int tSvgDrawing::metric(PaintDeviceMetric metric) const
{
    constexpr int dots_per_inch = 72;
    switch (metric) {
    case PdmWidth:
        return size_.width();
    case PdmHeight:
        return size_.height();
    case PdmWidthMM:
        return qRound(size_.width() * 25.4 / dots_per_inch);
    case PdmHeightMM:
        return qRound(size_.height() * 25.4 / dots_per_inch);
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return dots_per_inch;
    case PdmNumColors:
        return 0xffffff;
    case PdmDepth:
        return 32;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(QPaintDevice::devicePixelRatioFScale());
    }
    return 0;
}
