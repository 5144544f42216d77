// The editable document, read by a real word processor: LibreOffice converts
// a document of four reports (the built-in normative data and a set of the
// user's; deviations and pairwise differences, each with and without the
// correction) to PDF once, and poppler's tools read that back. Every figure
// of each report, as the report's own text prints it, stands in its row of
// its table; each report begins a page; each has its chart image.
#include "render/results_document.h"

#include "analysis/case_figures.h"
#include "analysis/report.h"
#include "required_tool.h"
#include "run_process.h"

#include "../analysis/analysis_test_support.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <map>

namespace {

// The figures of a line: numbers and the correction's markers.
QStringList figures_in(const QString& text)
{
    static const QRegularExpression figure(QStringLiteral(R"(p < \.05|not sig|-?\d+(\.\d+)?)"));
    QStringList out;
    for (auto m = figure.globalMatch(text); m.hasNext();)
        out << m.next().captured();
    return out;
}

struct tRow {
    QString label;
    QStringList figures;
};

// The rows of figures the report's text holds, each named by the label its
// row has in the document: the Index scores and the deviations or pairs by
// their own labels (each twice: reliability, then abnormality), the case's
// mean, the two counts and the profile's chi-square each with the
// percentage on the next line that has a figure.
std::vector<tRow> report_rows(const std::vector<std::string>& report)
{
    static const QRegularExpression labelled(
        QStringLiteral(R"(^ ((\w+ \w+ Index)   *:|(\w\w minus \w+) *:?|(Case's mean Index score) =)(.*)$)"));
    const std::pair<const char*, const char*> two_line[] = {
        {" NUMBER of case's Index scores", "Abnormally low Index scores"},
        {" NUMBER of case's deviation scores", "Abnormal deviations"},
        {" NUMBER of case's pairwise differences", "Abnormal pairwise differences"},
        {" Chi-square =", "Index score profile"},
    };
    std::vector<tRow> rows;
    for (size_t i = 0; i < report.size(); ++i) {
        const QString line = QString::fromStdString(report[i]);
        for (const auto& [start, label] : two_line)
            if (line.startsWith(QLatin1String(start))) {
                QStringList next;
                for (size_t k = i + 1; k < report.size() && next.isEmpty(); ++k)
                    next = figures_in(QString::fromStdString(report[k]));
                rows.push_back({label, figures_in(line) + next});
            }
        const QRegularExpressionMatch m = labelled.match(line);
        if (m.hasMatch())
            rows.push_back({m.captured(2) + m.captured(3) + m.captured(4), figures_in(m.captured(5))});
    }
    return rows;
}

} // namespace

TEST(ResultsDocument, LibreOfficeReadsEveryFigureInItsTableAndEveryChart)
{
    const QString office = QStandardPaths::findExecutable(QStringLiteral("libreoffice"));
    if (office.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("pdfimages")).isEmpty())
        SKIP_OR_FAIL_WITHOUT("libreoffice (libreoffice-writer-nogui) or pdfimages (poppler-utils) is not installed");
    ASSERT_TRUE(results_document_available());
    const struct {
        std::array<std::string, 4> scores;
        int mode, correction;
        bool user_norms;
        std::vector<std::string> notes;
    } cases[] = {
        {{"100", "95", "110.5", "60"}, 1, 0, false, {"Seen twice;", "retest in May"}}, // 110.5 prints 110
        {{"72", "135", "64.5", "99"}, 0, 1, true, {}},
        {{"150", "50", "87", "121"}, 1, 1, true, {"Müller"}}, // large negative differences
        {{"100", "100", "100", "100"}, 0, 0, true, {}}, // nothing abnormal: base rates of 100
    };
    std::vector<std::shared_ptr<const tCaseFigures>> figures;
    std::vector<std::vector<std::string>> reports;
    for (const auto& c : cases) {
        tAnalysisInputs inputs = make_inputs(c.scores, c.mode, c.correction, 4, c.notes);
        inputs.norms = c.user_norms ? clinic_set() : nullptr;
        tLineSink report;
        figures.push_back(run_analysis(inputs, report, {}).figures);
        ASSERT_TRUE(figures.back());
        reports.push_back(report.lines);
    }

    QTemporaryDir dir;
    QFile odt(dir.filePath(QStringLiteral("results.odt")));
    const QByteArray bytes = results_odt(figures);
    ASSERT_TRUE(odt.open(QIODevice::WriteOnly));
    ASSERT_EQ(odt.write(bytes), bytes.size());
    odt.close();
    // A profile of its own: no other LibreOffice run can hold it.
    const std::string profile = QUrl::fromLocalFile(dir.filePath("profile")).toString().toStdString();
    ASSERT_EQ(run_process(office.toStdString(), {"-env:UserInstallation=" + profile, "--headless", "--convert-to",
                                                 "pdf", "--outdir", dir.path().toStdString(), odt.fileName().toStdString()},
                          "").status,
              0);
    const std::string pdf = dir.filePath(QStringLiteral("results.pdf")).toStdString();
    ASSERT_TRUE(QFile::exists(QString::fromStdString(pdf)));
    const auto poppler = [](const char* tool, const std::vector<std::string>& arguments) {
        const std::string path = QStandardPaths::findExecutable(QString::fromLatin1(tool)).toStdString();
        return QString::fromStdString(run_process(path, arguments, "").out);
    };

    // Each report from the top of a page of its own: the pages from one
    // that begins with the title to the next.
    QStringList parts;
    const QString text = poppler("pdftotext", {"-layout", pdf, "-"});
    for (const QString& page : text.split(QLatin1Char('\f')))
        if (page.trimmed().startsWith(QStringLiteral("Brenlow.EXE: Supplementary")) || parts.isEmpty())
            parts << page;
        else
            parts.back() += page;
    ASSERT_EQ(parts.size(), qsizetype(reports.size()));
    for (size_t r = 0; r < reports.size(); ++r) {
        SCOPED_TRACE("report " + std::to_string(r + 1));
        const QStringList lines = parts[qsizetype(r)].split(QLatin1Char('\n'));
        // Each row's figures in order, the label starting the row: the n-th
        // row of a label is the n-th line that starts with it.
        std::map<QString, int> seen;
        for (const tRow& row : report_rows(reports[r])) {
            int n = seen[row.label]++;
            QStringList found;
            for (const QString& line : lines)
                if (line.trimmed().startsWith(row.label) && n-- == 0)
                    found = figures_in(line.trimmed().mid(row.label.size()));
            EXPECT_EQ(found.join(' ').toStdString(), row.figures.join(' ').toStdString()) << row.label.toStdString();
        }
        EXPECT_EQ(seen.size(), cases[r].mode == 0 ? 6u + 4 + 2 + 1 : 4u + 4 + 1 + 2 + 1);
        EXPECT_EQ(parts[qsizetype(r)].contains(QStringLiteral("Clinic set, entered by the user")), cases[r].user_norms);
    }
    EXPECT_TRUE(parts[0].contains(QStringLiteral("User's Notes: Seen twice;")));
    EXPECT_TRUE(parts[2].contains(QStringLiteral("User's Notes: Müller")));

    // One chart image a report, at print resolution (no less than 240 dots
    // to the inch on its 6.25 inches).
    const QStringList images = poppler("pdfimages", {"-list", pdf}).split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
    ASSERT_EQ(images.size(), qsizetype(reports.size()));
    for (const QString& image : images)
        EXPECT_GE(image.simplified().split(QLatin1Char(' ')).value(3).toInt(), 1500) << image.toStdString();
}
