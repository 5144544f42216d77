// The chart says what the report says: every score and difference labelled
// as the report's tables print it, each difference's label at its bar's end
// and clear of the frame, the notes and the user's set named whole (in the
// chart, its SVG and the results PDF), and its text for screen readers
// rounded as the report.
#include "analysis/case_figures.h"
#include "render/documents.h"
#include "render/profile_chart.h"

#include "poppler_tool.h"

#include "../analysis/analysis_test_support.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextItem>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <regex>
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

namespace {

// An image whose painter draws nothing but keeps each text item it hands the
// engine: the painter splits a text into runs of one face each, so an item
// is what one face drew, in the font the chart had set.
class tTextRecorder final : public QImage {
public:
    struct tItem {
        QString text;
        QFont font;
    };
    std::vector<tItem> items;

    tTextRecorder() : QImage(800, 600, QImage::Format_RGB32) {}
    QPaintEngine* paintEngine() const override { return &engine_; }

private:
    struct tEngine final : QPaintEngine {
        std::vector<tItem>& kept;
        explicit tEngine(std::vector<tItem>& items) : QPaintEngine(AllFeatures), kept(items) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPath(const QPainterPath&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawTextItem(const QPointF&, const QTextItem& item) override { kept.push_back({item.text(), item.font()}); }
        Type type() const override { return User; }
    };
    mutable tEngine engine_{items};
};

std::vector<tTextRecorder::tItem> drawn_texts(const std::string& notes)
{
    tTextRecorder recorder;
    QPainter painter(&recorder);
    draw_profile_chart(painter, QRectF(0, 0, 800, 600),
                       chart_of(make_inputs({"100", "95", "110.5", "60"}, 1, 0, 4, {notes})));
    painter.end();
    return recorder.items;
}

const std::string kArabic = "\u0645\u0631\u0627\u062c\u0639\u0629 \u0628\u0639\u062f \u0633\u0646\u0629";

} // namespace

// Notes in a script the chart's italic face lacks are set in a face whose
// fallback draws every character: of what the chart drew, no glyph is the
// missing glyph (glyph 0, the empty box) of the face that drew it. Latin
// notes stay italic. ImageMagick's own SVG reader draws a text in the face
// it names and no other: the SVG's Arabic text names a face that has Arabic.
TEST(ChartNotes, ArabicNotesAreDrawnWithRealGlyphsAndTheSvgNamesTheirFace)
{
    QString arabic_drawn;
    int glyphs = 0;
    for (const tTextRecorder::tItem& item : drawn_texts(kArabic)) {
        // A text item tells no glyph indices: each drawn run is shaped again
        // in the very font the chart drew it in.
        QTextLayout layout(item.text, item.font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        for (const QGlyphRun& run : layout.glyphRuns())
            for (const quint32 glyph : run.glyphIndexes()) {
                ++glyphs;
                EXPECT_NE(glyph, 0u) << item.text.toStdString() << " in " << run.rawFont().familyName().toStdString();
            }
        for (const QChar c : item.text)
            if (c.script() == QChar::Script_Arabic)
                arabic_drawn += c;
    }
    EXPECT_GT(glyphs, 100); // the whole chart's texts
    // Every letter of the notes was drawn (bidirectional runs come in visual order).
    QString letters = QString::fromStdString(kArabic).remove(QLatin1Char(' '));
    std::sort(letters.begin(), letters.end());
    std::sort(arabic_drawn.begin(), arabic_drawn.end());
    EXPECT_EQ(arabic_drawn, letters);

    int italic = 0;
    for (const tTextRecorder::tItem& item : drawn_texts("seen again"))
        italic += item.text.contains(QStringLiteral("seen again")) && item.font.italic();
    EXPECT_EQ(italic, 1);

    const QString svg = QString::fromUtf8(chart_svg(chart_of(make_inputs({"100", "95", "110.5", "60"}, 1, 0, 4, {kArabic}))));
    int arabic_texts = 0;
    for (qsizetype at = svg.indexOf(QLatin1String("<text ")); at >= 0; at = svg.indexOf(QLatin1String("<text "), at + 1)) {
        const qsizetype family = svg.indexOf(QLatin1String("font-family=\""), at) + 13;
        const QString face = svg.mid(family, svg.indexOf(QLatin1Char('"'), family) - family);
        const qsizetype open = svg.indexOf(QLatin1Char('>'), at) + 1;
        const QString content = svg.mid(open, svg.indexOf(QLatin1String("</text>"), open) - open);
        if (content.contains(QChar(0x0645)) || content.contains(QChar(0x0628))) {
            ++arabic_texts;
            EXPECT_TRUE(QFontDatabase::writingSystems(face).contains(QFontDatabase::Arabic)) << face.toStdString();
        }
    }
    EXPECT_GT(arabic_texts, 0);
    EXPECT_TRUE(svg.contains(QLatin1String("font-family=\"Liberation Sans\"")));
}

TEST(ChartNotes, NotesBeyondTheRowsEndInAnEllipsisButThePdfPageHoldsThemWhole)
{
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

    const QString chart_page
        = poppler(QStringLiteral("pdftotext"), {QStringLiteral("-f"), QStringLiteral("2")}, results_pdf(QStringLiteral("report"), {d}));
    EXPECT_TRUE(chart_page.contains(QStringLiteral("the very last words"))) << chart_page.toStdString();
    EXPECT_TRUE(chart_page.contains(QStringLiteral("line 39 of a long history")));
}

// Two editions whose names, 80 characters each, differ only at the end.
const QString long_name = QStringLiteral("Orvane Fourth Edition, Southern Region Clinical Sample, Adults 65 to 90, Form B2");

// An 80-character name of a set (the longest the program takes) is wrapped,
// not cut: every row fits the chart's width, the notes follow below it, and
// the results PDF's chart page holds the whole name. What a screen reader
// hears of the chart names the set too, and gives each score and its limits
// as the report's score table prints them (94, not 94.2; 110, not 110.5).
TEST(ChartAsReported, LongSetNameIsSeenWholeAndHeardWithTheScoresAsReported)
{
    ASSERT_EQ(long_name.size(), 80);
    std::vector<std::string> report;
    tChartData d = chart_of(make_inputs({"100", "95", "110.5", "60"}, 1, 1, 4, full_notes), &report);
    d.norms_name = long_name;
    for (const QSizeF size : {QSizeF(800, 600), QSizeF(1600, 1200)}) {
        const tChartGeometry g(QRectF(QPointF(0, 0), size), d);
        ASSERT_GE(g.option_rows.size(), 2);
        EXPECT_EQ(g.option_rows.join(QLatin1Char(' ')).simplified(), chart_options_text(d).simplified());
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPixelSize(int(std::lround(12.5 * g.unit)));
        for (const QString& row : g.option_rows)
            EXPECT_LE(QFontMetricsF(font).horizontalAdvance(row), g.u(800 - 2 * 16)) << row.toStdString();
        // Rows of 18 design units from 42, the notes after the last.
        EXPECT_GE(g.notes_top, 42 + 18 * g.option_rows.size());
        EXPECT_FALSE(g.notes_cut);
    }
    const QString pdf = poppler(QStringLiteral("pdftotext"), {}, results_pdf(QStringLiteral("report"), {d}));
    EXPECT_TRUE(pdf.contains(long_name)) << pdf.toStdString();

    const QString text = chart_text_alternative(d);
    EXPECT_TRUE(text.contains(QStringLiteral("normative data: ") + long_name)) << text.toStdString();
    // " Verbal Comprehension Index   :     100    (  94  to   106 ) ...": "VC 100, 95% limits 94 to 106".
    const std::regex score_row(R"( (\w)\w+ (\w)\w+ Index +: +(\d+) +\( *(\d+) +to +(\d+) \).*)");
    int rows = 0;
    for (const std::string& line : report)
        if (std::smatch m; std::regex_match(line, m, score_row)) {
            ++rows;
            const std::string said = m.str(1) + m.str(2) + " " + m.str(3) + ", 95% limits " + m.str(4) + " to " + m.str(5);
            EXPECT_TRUE(text.contains(QString::fromStdString(said))) << said << ": " << text.toStdString();
        }
    EXPECT_EQ(rows, 4);
}

// Differences of a hundred, the largest valid scores give, keep their labels
// inside the frame, clear of its line: no ink on the frame's inner rows
// above or below a label.
TEST(ChartAsReported, DifferencesOfAHundredKeepTheirLabelsClearOfTheFrame)
{
    const tChartData d = chart_of(make_inputs({"50", "150", "150", "50"}, 0));
    ASSERT_EQ(d.diff_text[0], Minus + QStringLiteral("100"));
    ASSERT_EQ(d.diff_text[4], QStringLiteral("100"));
    const QRectF rect(0, 0, 1600, 1200);
    QImage image(rect.size().toSize(), QImage::Format_RGB32);
    {
        QPainter painter(&image);
        draw_profile_chart(painter, rect, d);
    }
    const tChartGeometry g(rect, d);
    const QRectF& plot = g.diff_plot;
    for (int i = 0; i < d.diff_count; ++i) {
        SCOPED_TRACE(i);
        const QRectF& label = g.diff_labels[i];
        EXPECT_GE(label.top(), plot.top() + g.u(1.5));
        EXPECT_LE(label.bottom(), plot.bottom() - g.u(1.5));
        int ink = 0;
        for (const double y : {plot.top() + g.u(1.5), plot.bottom() - g.u(1.5)})
            for (int x = int(label.left()); x < int(label.right()); ++x)
                ink += qGray(image.pixel(x, int(y))) < 160 ? 1 : 0;
        EXPECT_EQ(ink, 0);
    }
}
