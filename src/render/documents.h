// The files made of the output: the profile chart of one case as a PNG
// image, an SVG drawing or a one-page PDF, and the PDF of the output
// window's text followed by the chart of each of its reports. Each is built
// in memory; write it with write_whole_file. A QGuiApplication must exist.
#pragma once

#include "render/chart_data.h"

#include <QByteArray>
#include <QLocale>
#include <QPageLayout>
#include <string>
#include <QSize>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QIODevice;

enum class tChartFormat { Png, Svg, Pdf };

// The size of a PNG chart: twice the design size, sharp when printed.
inline constexpr QSize chart_png_size(1600, 1200);

QByteArray chart_png(const tChartData& data, const QSize& size = chart_png_size);
// Whether this build writes SVG drawings (every build does: the program
// draws them itself).
bool chart_svg_available();
QByteArray chart_svg(const tChartData& data);
// One landscape page with the chart filling its printable area.
QByteArray chart_pdf(const tChartData& data, const QLocale& locale = QLocale());
QByteArray chart_file(tChartFormat format, const tChartData& data);

// The margin on every side of a page of the PDF files, so that no printer
// clips what a page holds.
inline constexpr double page_margin_mm = 15;

// A4, or Letter where the locale uses it; portrait, margins of
// page_margin_mm on every side.
QPageLayout results_page_layout(const QLocale& locale = QLocale());

// The program and its version, as the footer of each page of the results
// PDF begins.
QString results_footer_left();

// `text` (the output window's text, lines ending in CR LF) through the page
// layout of printed text, as Print All lays it out but that each report
// after the first begins on a new page (before its separator line), then one
// page per chart, the chart across the top of the page. Every page has a
// footer: the program's version, the date and "page n of m". No page is left
// empty: not by the text's last line ends before the charts, nor by a page
// break where a page has just begun.
QByteArray results_pdf(const QString& text, const std::vector<tChartData>& charts,
                       const QPageLayout& layout = results_page_layout());

// The same PDF written as a batch goes, report by report. The pages are
// painted by finish(), once the number of pages is known; until then each
// report's text is kept compressed in a private temporary file. `device`
// must stay open until finish(); a failed write shows in the device.
class tResultsPdf {
public:
    explicit tResultsPdf(QIODevice& device, const QPageLayout& layout = results_page_layout());
    ~tResultsPdf();
    tResultsPdf(const tResultsPdf&) = delete;
    tResultsPdf& operator=(const tResultsPdf&) = delete;

    void add_text(const QString& text);
    // Report lines (UTF-8), each laid out with its line end.
    void add_lines(const std::vector<std::string>& lines);
    // The chart pages, then the file's end.
    void finish(const std::vector<tChartData>& charts);
    void finish(const std::deque<tChartData>& charts);
    // The same, the charts coming one at a time from `next_chart` (false after
    // the last), so that they need not all be held at once.
    void finish(const std::function<bool(tChartData&)>& next_chart, int chart_count);

private:
    template <typename tCharts>
    void finish_with(const tCharts& charts);

    struct tState;
    std::unique_ptr<tState> d_;
};

// The text the output window holds for these report lines (UTF-8, lines
// separated by CR LF), for writing the same PDF without the window.
QString results_text_of(const std::vector<std::string>& lines);
