// The chart says what the report says: every score and difference labelled
// as the report's tables print it, each difference's label at its bar's end,
// and the notes shown whole (in the chart, its SVG and the results PDF).
#include "analysis/case_figures.h"
#include "render/documents.h"
#include "render/profile_chart.h"

#include "../analysis/analysis_test_support.h"

#include <QImage>
#include <QPainter>
#include <QGlyphRun>
#include <QProcess>
#include <QRawFont>
#include <QTextLayout>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace {

const QChar Minus(0x2212);
const QChar LineEnd(QChar::LineSeparator);

tChartData chart_of(const tAnalysisInputs& inputs, std::vector<std::string>* report = nullptr)
{
    tLineSink sink;
    const tAnalysisOutcome outcome = run_analysis(inputs, sink, {});
    if (report)
        *report = sink.lines;
    return outcome.figures ? chart_data_of(*outcome.figures) : tChartData();
}

// The first figure after `label` on each report line that begins with it.
std::vector<std::string> report_column(const std::vector<std::string>& lines, const std::string& label)
{
    std::vector<std::string> figures;
    for (const std::string& line : lines)
        if (line.rfind(label, 0) == 0) {
            std::istringstream rest(line.substr(label.size()));
            std::string figure;
            rest >> figure;
            figures.push_back(figure);
        }
    return figures;
}

QString chart_text(const std::string& report_figure)
{
    return QString::fromStdString(report_figure).replace(QLatin1Char('-'), Minus);
}

// A clinician's 250 characters, as the worksheet's memo wraps them.
const std::vector<std::string> full_notes = {
    "Referred by the memory clinic after a fall at home, in March; no loss ",
    "of consciousness. Premorbid functioning reported as high (retired ",
    "engineer). Testing over two sessions, fatigue noted in the second; ",
    "mood low.  Retest advised in twelve months time",
};

} // namespace

TEST(ChartAsReported, PairwiseLabelsRoundAsTheReportDoes)
{
    // VC 100, PR 95, WM 110.5, PS 60: the differences 5, -10.5, 40, -15.5,
    // 35 and 50.5; the report rounds halves to even: -10, -16, 50.
    std::vector<std::string> report;
    const tChartData d = chart_of(make_inputs({"100", "95", "110.5", "60"}, 0), &report);
    const QString by_hand[6] = {"5", Minus + QStringLiteral("10"), "40", Minus + QStringLiteral("16"),
                                "35", "50"};
    const char* const rows[6] = {" VC minus PR", " VC minus WM", " VC minus PS",
                                 " PR minus WM", " PR minus PS", " WM minus PS"};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(rows[i]);
        EXPECT_EQ(d.diff_text[i], by_hand[i]);
        for (const std::string& printed : report_column(report, rows[i]))
            EXPECT_EQ(d.diff_text[i], chart_text(printed));
    }
    // The score 110.5 prints as 110.
    EXPECT_EQ(d.score_text[2], QStringLiteral("110"));
    EXPECT_EQ(chart_text(report_column(report, " Working Memory Index         : ").at(0)), d.score_text[2]);
}

TEST(ChartAsReported, DeviationLabelsTakeTheReportsOneDecimal)
{
    // The case's mean is 91.375: deviations 8.625, 3.625, 19.125, -31.375.
    std::vector<std::string> report;
    const tChartData d = chart_of(make_inputs({"100", "95", "110.5", "60"}, 1), &report);
    const QString by_hand[4] = {"8.6", "3.6", "19.1", Minus + QStringLiteral("31.4")};
    const char* const rows[4] = {" VC minus Mean : ", " PR minus Mean : ", " WM minus Mean : ",
                                 " PS minus Mean : "};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(d.diff_text[k], by_hand[k]);
        const std::vector<std::string> printed = report_column(report, rows[k]);
        ASSERT_FALSE(printed.empty());
        EXPECT_EQ(d.diff_text[k], chart_text(printed.back())) << rows[k]; // the abnormality table
    }
}

// A short deviation's label stands right on its bar, below the cut line.
TEST(ChartAsReported, LabelSitsAtTheBarsEnd)
{
    tChartData d = chart_of(make_inputs({"100", "98", "100", "100"}, 0));
    const QRectF rect(0, 0, 800, 600);
    QImage image(800, 600, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        draw_profile_chart(painter, rect, d);
    }
    const tChartGeometry g(rect, d);
    // VC minus PR, 2 against a cut above 20: positions on the difference
    // axis from its plotting area and range.
    const QRectF& plot = g.diff_plot;
    const auto y_of = [&](double v) { return plot.center().y() - v / g.diff_range * plot.height() / 2; };
    const double x = plot.left() + 0.5 * plot.width() / 6;
    const double bar_end = y_of(d.diff[0]);
    const double cut = y_of(d.diff_cut[0]);
    ASSERT_GT(bar_end - cut, 22); // room between the two
    const auto ink_in = [&](double top, double bottom) {
        int dark = 0;
        for (int y = int(top); y < int(bottom); ++y)
            for (int dx = -12; dx <= 12; ++dx)
                dark += qGray(image.pixel(int(x) + dx, y)) < 110 ? 1 : 0;
        return dark;
    };
    EXPECT_GT(ink_in(bar_end - 15, bar_end - 2), 10);
    EXPECT_EQ(ink_in(cut - 16, cut - 3), 0);
}

TEST(ChartNotes, MemoLinesJoinAgainWhereTheMemoWrapped)
{
    EXPECT_EQ(chart_notes_of({"first part ", "goes on", "own line"}),
              QStringLiteral("first part goes on") + LineEnd + QStringLiteral("own line"));
    EXPECT_EQ(chart_notes_of({"a", "", "b  "}), QStringLiteral("a") + LineEnd + LineEnd + QStringLiteral("b"));
    EXPECT_TRUE(chart_notes_of({}).isEmpty());
}

TEST(ChartNotes, TwoHundredFiftyCharactersShowWhole)
{
    size_t length = 0;
    for (const std::string& line : full_notes)
        length += line.size();
    ASSERT_EQ(length, 250u);
    const tChartData d = chart_of(make_inputs({"100", "95", "110.5", "60"}, 1, 0, 4, full_notes));
    for (const QSizeF size : {QSizeF(800, 600), QSizeF(400, 300), QSizeF(1600, 1200)}) {
        const tChartGeometry g(QRectF(QPointF(0, 0), size), d);
        EXPECT_FALSE(g.notes_cut);
        EXPECT_LE(g.note_rows.size(), tChartGeometry::max_note_rows);
        EXPECT_EQ(g.note_rows.join(QLatin1Char(' ')).simplified(),
                  QStringLiteral("Notes: ") + d.notes.simplified());
        // The Index plot starts below the last row.
        const double rows_bottom = g.box.top() + g.u(62 + g.note_rows.size() * g.note_pixels * 1.25);
        EXPECT_GE(g.profile_plot.top(), rows_bottom);
    }
    EXPECT_TRUE(QString::fromUtf8(chart_svg(d)).contains(QStringLiteral("twelve months time")));
}

// 250 characters without a blank, the widest letter, as the memo wraps them
// (anywhere): whole, at 11 pixels or more, with nothing added.
TEST(ChartNotes, TwoHundredFiftyCharactersWithoutABlankShowWholeInAReadableSize)
{
    const std::string wide(250, 'W');
    const tChartData d = chart_of(
        make_inputs({"100", "95", "110.5", "60"}, 1, 0, 4, {wide.substr(0, 88), wide.substr(88, 88), wide.substr(176)}));
    for (const QSizeF size : {QSizeF(800, 600), QSizeF(1600, 1200)}) {
        const tChartGeometry g(QRectF(QPointF(0, 0), size), d);
        EXPECT_FALSE(g.notes_cut);
        EXPECT_GE(g.note_pixels, 11);
        EXPECT_EQ(g.note_rows.join(QString()), QStringLiteral("Notes: ") + QString::fromStdString(wide));
    }
}

// Notes in a script the chart's italic face lacks are set in a face whose
// fallback draws every character: no glyph is the empty box (glyph 0).
TEST(ChartNotes, ArabicNotesAreDrawnWithRealGlyphs)
{
    const std::string arabic = "\u0645\u0631\u0627\u062c\u0639\u0629 \u0628\u0639\u062f \u0633\u0646\u0629";
    const tChartData d = chart_of(make_inputs({"100", "95", "110.5", "60"}, 1, 0, 4, {arabic}));
    const tChartGeometry g(QRectF(0, 0, 800, 600), d);
    EXPECT_TRUE(tChartGeometry(QRectF(0, 0, 800, 600), chart_of(make_inputs({"100", "95", "110.5", "60"}, 1, 0, 4,
                                                                             {"seen again"})))
                    .notes_italic);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(g.note_pixels);
    font.setItalic(g.notes_italic);
    QTextLayout layout(g.note_rows.join(QLatin1Char(' ')), font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    int glyphs = 0;
    for (const QGlyphRun& run : layout.glyphRuns())
        for (const quint32 glyph : run.glyphIndexes()) {
            ++glyphs;
            EXPECT_NE(glyph, 0u) << run.rawFont().familyName().toStdString();
        }
    EXPECT_GT(glyphs, 15);
}

TEST(ChartNotes, NotesBeyondTheRowsEndInAnEllipsisButThePdfPageHoldsThemWhole)
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    ASSERT_FALSE(pdftotext.isEmpty()) << "pdftotext (poppler-utils) is needed";
    // A case file's notes may be far longer than the worksheet's.
    std::vector<std::string> long_notes;
    for (int i = 0; i < 40; ++i)
        long_notes.push_back("line " + std::to_string(i) + " of a long history");
    long_notes.push_back("the very last words");
    const tChartData d = chart_of(make_inputs({"100", "95", "110.5", "60"}, 1, 0, 4, long_notes));
    const tChartGeometry g(QRectF(0, 0, 800, 600), d);
    ASSERT_TRUE(g.notes_cut);
    EXPECT_EQ(g.note_rows.size(), tChartGeometry::max_note_rows);
    EXPECT_TRUE(g.note_rows.back().endsWith(QChar(0x2026)));

    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write(results_pdf(QStringLiteral("report"), {d}));
    file.flush();
    QProcess process;
    process.start(pdftotext, {QStringLiteral("-f"), QStringLiteral("2"), file.fileName(), QStringLiteral("-")});
    ASSERT_TRUE(process.waitForFinished(30000));
    const QString chart_page = QString::fromUtf8(process.readAllStandardOutput()).simplified();
    EXPECT_TRUE(chart_page.contains(QStringLiteral("the very last words"))) << chart_page.toStdString();
    EXPECT_TRUE(chart_page.contains(QStringLiteral("line 39 of a long history")));
}
