// The results as an OpenDocument text. The document is built as a
// QTextDocument of paragraphs, tables and one image per report, and Qt's
// OpenDocument writer turns it into the file; what that writer does with
// each of them sets the rules below:
// - Lengths of paragraphs and images are written as pixels at 96 to the
//   inch; those of tables and their columns as points.
// - A table's width is written only as points and honoured only when the
//   table is aligned (not spread over the margins), so each table is set
//   left, 450 points wide: it fits the text width of A4 and Letter at the
//   margins word processors start with (A4 with 2.54 cm: 451 points).
// - A run of text is written in the font family of the format's old,
//   single-family property, and in "Sans", which Windows does not know,
//   without it: every run names Arial there (Liberation Sans, the chart's
//   face, is drawn for it on Linux, whose font system has the two for one).
// - An image is taken from the document's resources; the charts are drawn
//   when the writer asks for them (loadResource), so a batch of many cases
//   holds no drawn chart until the file is written.
#include "render/results_document.h"

#include "analysis/case_figures.h"
#include "analysis/report.h"
#include "analysis/report_figures.h"
#include "common/program_title.h"
#include "render/chart_data.h"
#include "render/documents.h"

#include <QBuffer>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentWriter>
#include <QTextTable>
#include <QUrl>

#include <stdexcept>

namespace {

const QString Face = QStringLiteral("Arial");
const QString ChartScheme = QStringLiteral("brenlow-chart");
constexpr double TableWidth = 450; // points
constexpr double PixelsPerPoint = 96.0 / 72.0;

QTextCharFormat text_format(double points, bool bold = false)
{
    QTextCharFormat format;
    format.setFontFamilies({Face});
    format.setProperty(QTextFormat::OldFontFamily, Face); // what the writer reads
    format.setFontPointSize(points);
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    return format;
}

QTextBlockFormat block_format(double space_before_points, double space_after_points)
{
    QTextBlockFormat format;
    format.setTopMargin(space_before_points * PixelsPerPoint);
    format.setBottomMargin(space_after_points * PixelsPerPoint);
    return format;
}

QString text_of(const std::string& utf8)
{
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

// The charts, drawn only when the writer asks for their images.
class tChartedDocument final : public QTextDocument {
public:
    std::vector<tChartData> charts;

protected:
    QVariant loadResource(int type, const QUrl& name) override
    {
        // Nothing else is ever loaded: no file of any name is read.
        bool number = false;
        const qsizetype index = name.path().toLongLong(&number);
        if (type != QTextDocument::ImageResource || name.scheme() != ChartScheme || !number || index < 0
            || index >= qsizetype(charts.size()))
            return QVariant();
        return chart_png(charts[size_t(index)], results_document_chart_size);
    }
};

// Paragraphs, tables and images added at the end. A table is put in after
// the paragraph the cursor stands in and leaves an empty paragraph after
// it, which the next piece takes (so does the document's first piece, in
// the empty paragraph a document begins with).
class tDocumentCursor {
public:
    explicit tDocumentCursor(QTextDocument& document) : cursor_(&document)
    {
        cursor_.movePosition(QTextCursor::End);
        empty_ = document.isEmpty();
    }

    void paragraph(const QString& text, const QTextCharFormat& format, const QTextBlockFormat& block)
    {
        next_block(block);
        cursor_.setBlockCharFormat(format);
        cursor_.insertText(text, format);
    }
    void heading(const QString& text) { paragraph(text, text_format(11, true), block_format(12, 4)); }
    void text(const QString& text) { paragraph(text, text_format(10), block_format(0, 4)); }

    // A table with a row of headings over `rows`; the first column holds
    // labels, the others figures, set right (or text, set left). `widths`
    // in points.
    void table(const QStringList& headings, const std::vector<QStringList>& rows, const std::vector<double>& widths,
               bool figures = true)
    {
        QTextTableFormat format;
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setBorder(1);
        format.setBorderBrush(Qt::black);
        format.setCellSpacing(0);
        format.setCellPadding(3);
        format.setAlignment(Qt::AlignLeft);
        format.setWidth(QTextLength(QTextLength::FixedLength, TableWidth));
        QList<QTextLength> columns;
        for (const double width : widths)
            columns << QTextLength(QTextLength::FixedLength, width);
        format.setColumnWidthConstraints(columns);
        QTextTable* table = cursor_.insertTable(int(rows.size()) + 1, int(widths.size()), format);
        const auto fill = [table, figures](int row, const QStringList& cells, bool bold) {
            for (int column = 0; column < cells.size(); ++column) {
                QTextCursor cell = table->cellAt(row, column).firstCursorPosition();
                QTextBlockFormat block;
                block.setAlignment(column > 0 && !bold && figures ? Qt::AlignRight : Qt::AlignLeft);
                cell.setBlockFormat(block);
                cell.insertText(cells[column], text_format(9, bold));
            }
        };
        fill(0, headings, true);
        for (size_t row = 0; row < rows.size(); ++row)
            fill(int(row) + 1, rows[row], false);
        cursor_.movePosition(QTextCursor::End);
        empty_ = true;
    }

    void image(const QString& name, double width_points, double height_points)
    {
        QTextImageFormat format;
        format.setName(name);
        format.setWidth(width_points * PixelsPerPoint);
        format.setHeight(height_points * PixelsPerPoint);
        format.setQuality(100); // written as PNG, not JPEG
        next_block(block_format(12, 0));
        cursor_.insertImage(format);
    }

private:
    // The paragraph for the next piece, in this format.
    void next_block(const QTextBlockFormat& block)
    {
        if (!empty_)
            cursor_.insertBlock();
        cursor_.setBlockFormat(block);
        cursor_.setBlockCharFormat(text_format(10)); // an image's paragraph too
        empty_ = false;
    }

    QTextCursor cursor_;
    bool empty_ = true; // the cursor's paragraph is empty and unused
};

QString criterion_text(const tCaseFigures& f, const char* what)
{
    return QStringLiteral("%1 exhibited by less than %2 of the population")
        .arg(QLatin1String(what), QLatin1String(f.crit_label()));
}

void add_heading_and_inputs(tDocumentCursor& out, const tCaseFigures& f, bool first)
{
    QTextBlockFormat title = block_format(0, 6);
    if (!first)
        title.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    out.paragraph(QString::fromLatin1(AppTitle), text_format(14, true), title);
    QString citation = QStringLiteral("This program implements methods developed in the following paper:");
    for (const char* line : citation_lines)
        citation += QLatin1Char(' ') + QString::fromLatin1(line).trimmed();
    out.text(citation);

    // The notes' own lines, as the chart has them (the memo's wrapping undone).
    const QString notes = chart_notes_of(f.note_lines);
    const QStringList note_lines = notes.split(QChar(QChar::LineSeparator));
    for (qsizetype k = 0; !notes.isEmpty() && k < note_lines.size(); ++k)
        out.text((k == 0 ? QStringLiteral("User's Notes: ") : QString()) + note_lines[k]);

    out.heading(QStringLiteral("Inputs"));
    const bool pairwise = f.mode == 0;
    std::vector<QStringList> rows = {
        {QStringLiteral("Analysis"), pairwise ? QStringLiteral("Pairwise comparisons of the case's Index scores")
                                              : QStringLiteral("Comparisons with the case's mean Index score")},
        {QStringLiteral("Sequential Bonferroni correction"),
         f.correction == 1 ? QStringLiteral("Applied when testing for reliability of differences")
                           : QStringLiteral("Not applied when testing for reliability of differences")},
        {QStringLiteral("Abnormally low score"), criterion_text(f, "A score")},
        {pairwise ? QStringLiteral("Abnormally large pairwise difference")
                  : QStringLiteral("Abnormally large deviation"),
         criterion_text(f, pairwise ? "A difference" : "A deviation") + QStringLiteral(", regardless of sign")},
    };
    if (!f.user_norms_name().empty())
        rows.push_back({QStringLiteral("Normative data"),
                        text_of(f.user_norms_name()) + QStringLiteral(", entered by the user")});
    out.table({QStringLiteral("Input"), QStringLiteral("Setting")}, rows, {150, 300}, false);
}

void add_index_scores(tDocumentCursor& out, const tReportFigures& r)
{
    static const char* const names[] = {"Verbal Comprehension Index", "Perceptual Reasoning Index",
                                        "Working Memory Index", "Processing Speed Index"};
    out.heading(
        QStringLiteral("Index scores with confidence limits on the Index score metric and as percentile ranks"));
    std::vector<QStringList> rows;
    for (size_t i = 0; i < r.scores.size(); ++i) {
        const tReportFigures::tScore& s = r.scores[i];
        rows.push_back({QLatin1String(names[i]), text_of(s.score), text_of(s.lower), text_of(s.upper),
                        text_of(s.percentile), text_of(s.percentile_lower), text_of(s.percentile_upper)});
    }
    out.table({QStringLiteral("Index"), QStringLiteral("Score"), QStringLiteral("95% CI from"), QStringLiteral("to"),
               QStringLiteral("Percentile rank"), QStringLiteral("95% CI on PR from"), QStringLiteral("to")},
              rows, {150, 45, 50, 40, 65, 60, 40});
}

void add_differences(tDocumentCursor& out, const tReportFigures& r)
{
    const QString item = r.pairwise ? QStringLiteral("Index pair") : QStringLiteral("Index");
    const QString value = r.pairwise ? QStringLiteral("Difference") : QStringLiteral("Deviation");
    const QString of = r.pairwise ? QStringLiteral("pairwise differences between Index scores")
                                  : QStringLiteral("Index score deviations from the case's mean Index score");
    if (!r.pairwise)
        out.paragraph(QStringLiteral("Case's mean Index score: ") + text_of(r.case_mean), text_format(10),
                      block_format(12, 0));

    out.heading(QStringLiteral("Reliability of ") + of
                + (r.corrected ? QStringLiteral(" (with sequential Bonferroni correction)") : QString()));
    const bool limits = !r.differences.empty() && !r.differences.front().lower.empty();
    QStringList headings = {item, value};
    if (limits)
        headings << QStringLiteral("95% CI from") << QStringLiteral("to");
    headings << QStringLiteral("One-tailed p") << QStringLiteral("Two-tailed p");
    std::vector<QStringList> rows;
    for (const tReportFigures::tDifference& d : r.differences) {
        QStringList row = {text_of(d.label), text_of(d.value)};
        if (limits)
            row << text_of(d.lower) << text_of(d.upper);
        rows.push_back(row << text_of(d.p_one) << text_of(d.p_two));
    }
    out.table(headings, rows,
              limits ? std::vector<double>{110, 70, 70, 60, 70, 70} : std::vector<double>{110, 80, 130, 130});

    out.heading(QStringLiteral("Abnormality of ") + of);
    rows.clear();
    for (const tReportFigures::tDifference& d : r.differences)
        rows.push_back({text_of(d.label), text_of(d.abnormality_value), text_of(d.pct_same), text_of(d.pct_either)});
    const QString larger = r.pairwise ? QStringLiteral("difference") : QStringLiteral("deviation");
    out.table({item, value,
               QStringLiteral("Percentage of the population with a larger %1 in the same direction").arg(larger),
               QStringLiteral("Percentage with a larger %1 regardless of sign").arg(larger)},
              rows, {110, 80, 130, 130});
}

void add_counts_and_profile(tDocumentCursor& out, const tReportFigures& r)
{
    out.heading(QStringLiteral("Abnormal scores and differences, and their base rates"));
    out.table({QStringLiteral("Count"), QStringLiteral("Number"),
               QStringLiteral("Percentage of the normal population expected to exhibit this number or more")},
              {{QStringLiteral("Abnormally low Index scores"), text_of(r.low.count), text_of(r.low.base_rate)},
               {r.pairwise ? QStringLiteral("Abnormal pairwise differences") : QStringLiteral("Abnormal deviations"),
                text_of(r.abnormal.count), text_of(r.abnormal.base_rate)}},
              {200, 70, 180});

    out.heading(QStringLiteral("Mahalanobis distance: the overall abnormality of the case's Index score profile"));
    out.table({QStringLiteral("Profile"), QStringLiteral("Chi-square"), QStringLiteral("df"), QStringLiteral("p"),
               QStringLiteral("Percentage of the normative population expected to exhibit a more unusual profile")},
              {{QStringLiteral("Index score profile"), text_of(r.chi_square), text_of(r.df), text_of(r.p),
                text_of(r.pct_more_unusual)}},
              {110, 70, 40, 70, 160});
}

} // namespace

struct tResultsDocument::tState {
    tChartedDocument document;
};

bool results_document_available()
{
    return QTextDocumentWriter::supportedDocumentFormats().contains("ODF");
}

tResultsDocument::tResultsDocument() : d_(std::make_unique<tState>())
{
    d_->document.setUndoRedoEnabled(false); // nothing to undo: no copy of every change
}

tResultsDocument::~tResultsDocument() = default;

int tResultsDocument::reports() const
{
    return int(d_->document.charts.size());
}

void tResultsDocument::add_report(const tCaseFigures& figures)
{
    const tReportFigures r = report_figures_of(figures);
    tDocumentCursor out(d_->document);
    add_heading_and_inputs(out, figures, reports() == 0);
    add_index_scores(out, r);
    add_differences(out, r);
    add_counts_and_profile(out, r);

    // The chart names itself in its title.
    const QString name = ChartScheme + QLatin1Char(':') + QString::number(reports());
    d_->document.charts.push_back(chart_data_of(figures));
    const double width = TableWidth;
    out.image(name, width, width * results_document_chart_size.height() / results_document_chart_size.width());
}

bool tResultsDocument::write(QIODevice& device)
{
    QTextDocumentWriter writer(&device, "odf");
    return writer.write(&d_->document);
}

QByteArray results_odt(const std::vector<std::shared_ptr<const tCaseFigures>>& reports)
{
    tResultsDocument document;
    for (const auto& figures : reports)
        document.add_report(*figures);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!document.write(buffer))
        throw std::runtime_error("the document could not be made");
    return bytes;
}
