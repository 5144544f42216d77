// The chart files and the PDF of the output.
#include "render/documents.h"

#include "analysis/report.h"
#include "render/data_spool.h"
#include "render/drawing_checks.h"
#include "render/page_canvas.h"
#include "render/profile_chart.h"
#include "render/svg_drawing.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <QDate>

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>

#ifndef BRENLOW_VERSION
#define BRENLOW_VERSION "?"
#endif

namespace {

const QString LineEnd = QStringLiteral("\r\n");

// The text pages of the results PDF: the layout's canvas on the printable
// area less the footer's band. A page break is made only once something is
// drawn after it, and only after a page that holds text: the text's last
// line ends leave no empty page before the charts, a report that begins on
// a page of its own leaves none before it, and two breaks in a row make one.
// Counting (no painter drawing) gives the number of pages the text takes.
class tTextPageCanvas final : public tPrintCanvas {
public:
    tTextPageCanvas(tPrintCanvas& canvas, int footer_band, std::function<void()> page_done, bool draw)
        : canvas_(canvas), footer_band_(footer_band), page_done_(std::move(page_done)), draw_(draw)
    {
    }

    int text_width(const QString& text) override { return canvas_.text_width(text); }
    int text_height(const QString& text) override { return canvas_.text_height(text); }
    int average_char_width() override { return canvas_.average_char_width(); }
    int char_height() override { return canvas_.char_height(); }
    void draw_text(int x, int y, const QString& text) override
    {
        if (break_pending_ && page_has_text_) {
            if (draw_) {
                page_done_();
                canvas_.new_page();
            }
            ++pages_;
        }
        break_pending_ = false;
        page_has_text_ = true;
        if (draw_)
            canvas_.draw_text(x, y, text);
    }
    void new_page() override { break_pending_ = true; }
    int page_width() override { return canvas_.page_width(); }
    int page_height() override { return canvas_.page_height() - footer_band_; }

    int pages() const { return pages_; }

private:
    tPrintCanvas& canvas_;
    const int footer_band_;
    std::function<void()> page_done_;
    const bool draw_;
    bool break_pending_ = false;
    bool page_has_text_ = false;
    int pages_ = 1;
};

// Every report begins on a new page: a form feed before each separator line
// that begins a report after the first. `at_line_start` carries over from
// piece to piece (pieces end at line ends).
QString with_report_page_breaks(const QString& text, bool& at_line_start)
{
    const QString separator = QString::fromLatin1(report_separator);
    QString out;
    out.reserve(text.size() + 8);
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), i);
        const qsizetype stop = end < 0 ? text.size() : end + 1;
        if (at_line_start) {
            QStringView line = QStringView(text).mid(i, (end < 0 ? text.size() : end) - i);
            if (line.endsWith(QLatin1Char('\r')))
                line.chop(1);
            if (line == separator)
                out += QLatin1Char('\f');
        }
        out += QStringView(text).mid(i, stop - i);
        at_line_start = end >= 0;
        i = stop;
    }
    return out;
}

// The chart across the top of the printable area, keeping its shape.
QRectF chart_area(const QPaintDevice& device)
{
    const double width = device.width();
    const double height = std::min<double>(
        device.height(), width * tChartGeometry::design_height / tChartGeometry::design_width);
    return QRectF(0, 0, width, height);
}

// Notes too long for the chart's rows (from a case file) are printed whole
// under the chart: a page of the PDF never cuts them.
void draw_whole_notes(QPainter& painter, const QPaintDevice& device, const QRectF& chart,
                      const QString& notes, double bottom)
{
    painter.save();
    painter.setPen(Qt::black);
    const double top = chart.bottom() + device.logicalDpiY() / 6.0;
    const QRectF below(chart.left(), top, chart.width(), std::max(0.0, bottom - top));
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
    // The note's own line breaks, in the largest size that fits; notes of
    // very many lines run on, each line after a " / ".
    QString broken = notes;
    broken.replace(QChar(QChar::LineSeparator), QLatin1Char('\n'));
    QString run_on = notes;
    run_on.replace(QChar(QChar::LineSeparator), QStringLiteral(" / "));
    QFont font = chart_sans_font();
    QString text = QStringLiteral("Notes: ") + run_on;
    font.setPointSizeF(9);
    for (const double points : {9.0, 8.0, 7.0}) {
        QFont sized = font;
        sized.setPointSizeF(points);
        painter.setFont(sized);
        const QString candidate = QStringLiteral("Notes: ") + broken;
        if (painter.boundingRect(below, flags, candidate).height() <= below.height()) {
            text = candidate;
            font = sized;
            break;
        }
    }
    painter.setFont(font);
    painter.drawText(below, flags, text);
    painter.restore();
}

QFont footer_font()
{
    QFont font = chart_sans_font();
    font.setPointSize(8);
    return font;
}

void set_up_pdf(QPdfWriter& writer, const QPageLayout& layout, const QString& title)
{
    writer.setCreator(QStringLiteral("Brenlow"));
    writer.setTitle(title);
    writer.setResolution(1200); // as a high-resolution printer
    writer.setPageLayout(layout);
}

} // namespace

QByteArray chart_png(const tChartData& data, const QSize& size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter;
    begin_or_throw(painter, &image);
    draw_profile_chart(painter, QRectF(QPointF(0, 0), QSizeF(size)), data);
    end_or_throw(painter);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        throw std::runtime_error("the PNG image could not be made");
    return bytes;
}

bool chart_svg_available()
{
    return true;
}

// Drawn by the program's own SVG paint device in every build (Debian has no
// QtSvg for Windows): the same drawing everywhere, each text naming the face
// that drew it.
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

QByteArray chart_pdf(const tChartData& data, const QLocale& locale)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        QPageLayout layout = results_page_layout(locale);
        layout.setOrientation(QPageLayout::Landscape);
        set_up_pdf(writer, layout, QStringLiteral("Profile chart"));
        QPainter painter;
        begin_or_throw(painter, &writer);
        draw_profile_chart(painter, QRectF(0, 0, writer.width(), writer.height()), data);
        end_or_throw(painter);
    }
    return bytes;
}

QByteArray chart_file(tChartFormat format, const tChartData& data)
{
    switch (format) {
    case tChartFormat::Svg:
        return chart_svg(data);
    case tChartFormat::Pdf:
        return chart_pdf(data);
    case tChartFormat::Png:
        break;
    }
    return chart_png(data);
}

QPageLayout results_page_layout(const QLocale& locale)
{
    // Letter is the paper of the United States, Canada, Mexico and the
    // Philippines, among others; the measurement system marks the first.
    const QLocale::Territory t = locale.territory();
    const bool letter = locale.measurementSystem() == QLocale::ImperialUSSystem
                        || t == QLocale::Canada || t == QLocale::Mexico || t == QLocale::Philippines;
    return QPageLayout(QPageSize(letter ? QPageSize::Letter : QPageSize::A4), QPageLayout::Portrait,
                       QMarginsF(page_margin_mm, page_margin_mm, page_margin_mm, page_margin_mm),
                       QPageLayout::Millimeter);
}

QString results_footer_left()
{
    return QStringLiteral("Brenlow " BRENLOW_VERSION);
}

struct tResultsPdf::tState {
    QPdfWriter writer;
    QPainter painter;
    // The text, piece by piece, compressed, in a private temporary file
    // without a name: the footer's page count needs all of it laid out
    // before the first page is drawn, and a batch of any size must not hold
    // it in memory.
    tDataSpool<std::runtime_error> pieces{"the PDF's text", "its"};
    bool at_line_start = true;
    QString date = QLocale::c().toString(QDate::currentDate(), QStringLiteral("d MMMM yyyy"));

    explicit tState(QIODevice* device) : writer(device) {}

    int footer_band() { return 2 * QFontMetrics(footer_font(), &writer).height(); }

    // The footer of page n of m, in the foot of the printable area: the
    // program and its version at the left, the date in the middle, the page
    // at the right.
    void draw_footer(int n, int m)
    {
        painter.save();
        painter.setFont(footer_font());
        painter.setPen(Qt::black);
        const int height = QFontMetrics(footer_font(), &writer).height();
        const QRect band(0, writer.height() - height, writer.width(), height);
        painter.drawText(band, Qt::AlignLeft | Qt::AlignBottom, results_footer_left());
        painter.drawText(band, Qt::AlignHCenter | Qt::AlignBottom, date);
        painter.drawText(band, Qt::AlignRight | Qt::AlignBottom,
                         QStringLiteral("page %1 of %2").arg(n).arg(m));
        painter.restore();
    }

    // Lays the text out; drawing, each finished page gets its footer.
    int lay_out_text(bool draw, int total)
    {
        painter.setFont(printed_text_font());
        painter.setPen(Qt::black);
        tPagedCanvas paged(painter, writer);
        int page = 1;
        tTextPageCanvas canvas(paged, footer_band(), [&] { draw_footer(page++, total); }, draw);
        tPrintLayout layout(canvas);
        pieces.rewind();
        for (QByteArray piece; pieces.read([&](QDataStream& in) { in >> piece; });)
            layout.add(QString::fromUtf8(qUncompress(piece)));
        layout.finish();
        if (draw)
            draw_footer(page, total);
        return canvas.pages();
    }
};

tResultsPdf::tResultsPdf(QIODevice& device, const QPageLayout& layout) : d_(std::make_unique<tState>(&device))
{
    set_up_pdf(d_->writer, layout, QStringLiteral("Brenlow results"));
    begin_or_throw(d_->painter, &d_->writer);
}

tResultsPdf::~tResultsPdf()
{
    if (d_->painter.isActive())
        d_->painter.end();
}

void tResultsPdf::add_text(const QString& text)
{
    const QByteArray piece = qCompress(with_report_page_breaks(text, d_->at_line_start).toUtf8());
    d_->pieces.add([&](QDataStream& out) { out << piece; });
}

void tResultsPdf::add_lines(const std::vector<std::string>& lines)
{
    QString text;
    for (const std::string& line : lines)
        text += QString::fromUtf8(line.data(), qsizetype(line.size())) + LineEnd;
    add_text(text);
}

template <typename tCharts>
void tResultsPdf::finish_with(const tCharts& charts)
{
    auto at = charts.begin();
    finish(
        [&](tChartData& chart) {
            if (at == charts.end())
                return false;
            chart = *at++;
            return true;
        },
        int(charts.size()));
}

void tResultsPdf::finish(const std::function<bool(tChartData&)>& next_chart, int chart_count)
{
    const int text_pages = d_->lay_out_text(false, 0);
    const int total = text_pages + chart_count;
    d_->lay_out_text(true, total);
    int page = text_pages;
    const double bottom = d_->writer.height() - d_->footer_band();
    for (tChartData chart; next_chart(chart);) {
        d_->writer.newPage();
        const QRectF area = chart_area(d_->writer);
        draw_profile_chart(d_->painter, area, chart);
        if (tChartGeometry(area, chart).notes_cut)
            draw_whole_notes(d_->painter, d_->writer, area, chart.notes, bottom);
        d_->draw_footer(++page, total);
    }
    end_or_throw(d_->painter);
}

void tResultsPdf::finish(const std::vector<tChartData>& charts)
{
    finish_with(charts);
}

void tResultsPdf::finish(const std::deque<tChartData>& charts)
{
    finish_with(charts);
}

QByteArray results_pdf(const QString& text, const std::vector<tChartData>& charts,
                       const QPageLayout& layout)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        tResultsPdf pdf(buffer, layout);
        // The text and one line end, as Print All sends it.
        pdf.add_text(text + LineEnd);
        pdf.finish(charts);
    }
    return bytes;
}

QString results_text_of(const std::vector<std::string>& lines)
{
    QString text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += LineEnd;
        text += QString::fromUtf8(lines[i].data(), qsizetype(lines[i].size()));
    }
    return text;
}
