// The chart files and the PDF of the output.
#include "render/documents.h"

#include "render/drawing_checks.h"
#include "render/page_canvas.h"
#include "render/profile_chart.h"

#include <QBuffer>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace {

const QString LineEnd = QStringLiteral("\r\n");

// Holds back the page breaks the layout asks for until something is drawn on
// the new page, so that the text's last line ends cannot leave an empty page
// before the charts. Every page that holds text breaks where it would.
class tDeferredPageCanvas final : public tPrintCanvas {
public:
    explicit tDeferredPageCanvas(tPrintCanvas& canvas) : canvas_(canvas) {}

    int text_width(const QString& text) override { return canvas_.text_width(text); }
    int text_height(const QString& text) override { return canvas_.text_height(text); }
    int average_char_width() override { return canvas_.average_char_width(); }
    int char_height() override { return canvas_.char_height(); }
    void draw_text(int x, int y, const QString& text) override
    {
        for (; pending_ > 0; --pending_)
            canvas_.new_page();
        canvas_.draw_text(x, y, text);
    }
    void new_page() override { ++pending_; }
    int page_width() override { return canvas_.page_width(); }
    int page_height() override { return canvas_.page_height(); }

private:
    tPrintCanvas& canvas_;
    int pending_ = 0;
};

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
                      QString notes)
{
    // One paragraph, as the chart runs them on, so that any note fits the page.
    notes.replace(QChar(QChar::LineSeparator), QStringLiteral(" / "));
    painter.save();
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(9);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QRectF below(chart.left(), chart.bottom() + device.logicalDpiY() / 6.0, chart.width(),
                       device.height() - chart.bottom());
    painter.drawText(below, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                     QStringLiteral("Notes: ") + notes);
    painter.restore();
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
                       QMarginsF(10, 10, 10, 10), QPageLayout::Point);
}

struct tResultsPdf::tState {
    QPdfWriter writer;
    QPainter painter;
    std::unique_ptr<tPagedCanvas> pages;
    std::unique_ptr<tDeferredPageCanvas> canvas;
    std::unique_ptr<tPrintLayout> layout;

    explicit tState(QIODevice* device) : writer(device) {}
};

tResultsPdf::tResultsPdf(QIODevice& device, const QPageLayout& layout) : d_(std::make_unique<tState>(&device))
{
    set_up_pdf(d_->writer, layout, QStringLiteral("Brenlow results"));
    begin_or_throw(d_->painter, &d_->writer);
    d_->painter.setFont(printed_text_font());
    d_->painter.setPen(Qt::black);
    d_->pages = std::make_unique<tPagedCanvas>(d_->painter, d_->writer);
    d_->canvas = std::make_unique<tDeferredPageCanvas>(*d_->pages);
    d_->layout = std::make_unique<tPrintLayout>(*d_->canvas);
}

tResultsPdf::~tResultsPdf()
{
    if (d_->painter.isActive())
        d_->painter.end();
}

void tResultsPdf::add_text(const QString& text)
{
    d_->layout->add(text);
}

void tResultsPdf::add_lines(const std::vector<std::string>& lines)
{
    for (const std::string& line : lines)
        add_text(QString::fromUtf8(line.data(), qsizetype(line.size())) + LineEnd);
}

template <typename tCharts>
void tResultsPdf::finish_with(const tCharts& charts)
{
    auto at = charts.begin();
    finish([&](tChartData& chart) {
        if (at == charts.end())
            return false;
        chart = *at++;
        return true;
    });
}

void tResultsPdf::finish(const std::function<bool(tChartData&)>& next)
{
    d_->layout->finish();
    for (tChartData chart; next(chart);) {
        d_->writer.newPage();
        const QRectF area = chart_area(d_->writer);
        draw_profile_chart(d_->painter, area, chart);
        if (tChartGeometry(area, chart).notes_cut)
            draw_whole_notes(d_->painter, d_->writer, area, chart.notes);
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
