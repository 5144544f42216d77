// The results as an editable document for the clinician's own report: an
// OpenDocument text (.odt), which LibreOffice and Word open, written by Qt's
// own writer (QTextDocumentWriter, format "odf"). Each report begins a page:
// its heading, notes and inputs, its figures as real tables (the Index
// scores with their limits and percentile ranks, the deviations or pairwise
// differences with their reliability and abnormality, the counts with their
// base rates, the profile's chi-square and p) and its profile chart as an
// image at print resolution. Every figure is the report's, as the report
// prints it (analysis/report_figures.h). A QGuiApplication must exist.
#pragma once

#include <QByteArray>
#include <QSize>

#include <memory>
#include <vector>

class QIODevice;
struct tCaseFigures;

// Whether this build's Qt has the OpenDocument writer.
bool results_document_available();

class tResultsDocument {
public:
    tResultsDocument();
    ~tResultsDocument();
    tResultsDocument(const tResultsDocument&) = delete;
    tResultsDocument& operator=(const tResultsDocument&) = delete;

    // One report, on pages of its own. Only the chart's small data is kept
    // of its figures: the chart is drawn as the document is written.
    void add_report(const tCaseFigures& figures);
    int reports() const;
    // The whole document onto `device` (open for writing). False when the
    // writer failed; a failed write shows in the device too.
    bool write(QIODevice& device);

private:
    struct tState;
    std::unique_ptr<tState> d_;
};

// The document of these reports, in memory.
QByteArray results_odt(const std::vector<std::shared_ptr<const tCaseFigures>>& reports);

// Each chart image: 2000 x 1500 pixels set 450 points (6.25 inches) wide,
// 320 dots to the inch, as a printer prints.
inline constexpr QSize results_document_chart_size(2000, 1500);
