// The profile chart's data, taken from every figure of a case.
#include "render/chart_data.h"

#include "analysis/case_figures.h"
#include "analysis/normative_data.h"
#include "analysis/report.h"

#include <QStringDecoder>

namespace {

// Note lines are UTF-8; a line that is not (single-byte text from an older
// source) is read as Latin-1 rather than shown with replacement characters.
QString note_text(const std::string& line)
{
    // Stateless: a cut-off sequence at the end is an error, not held back.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8(QByteArrayView(line.data(), qsizetype(line.size())));
    if (utf8.hasError())
        text = QString::fromLatin1(line.data(), qsizetype(line.size()));
    return text;
}

// A figure's text as the report prints it, with a true minus sign.
QString report_figure(const std::string& text)
{
    QString figure = QString::fromStdString(text);
    figure.replace(QLatin1Char('-'), QChar(0x2212));
    return figure;
}

} // namespace

QString chart_notes_of(const std::vector<std::string>& note_lines)
{
    const QChar line_end(QChar::LineSeparator);
    QString notes;
    for (size_t k = 0; k < note_lines.size(); ++k) {
        // The memo wraps after a blank (the blank stays on the line); a line
        // without one ended where the user pressed Enter.
        const std::string& before = k > 0 ? note_lines[k - 1] : std::string();
        const bool wrapped = !before.empty() && (before.back() == ' ' || before.back() == '\t');
        if (k > 0 && !wrapped)
            notes += line_end;
        notes += note_text(note_lines[k]);
    }
    // Blanks and line ends at either end show nothing.
    const auto blank = [line_end](QChar c) { return c == line_end || c.isSpace(); };
    while (!notes.isEmpty() && blank(notes.back()))
        notes.chop(1);
    while (!notes.isEmpty() && blank(notes.front()))
        notes.remove(0, 1);
    return notes;
}

QString tChartData::criterion_label() const
{
    if (criterion_item < 0 || criterion_item >= criterion_count)
        return QString();
    return QString::fromLatin1(crit_labels[static_cast<size_t>(criterion_item)]);
}

tChartData chart_data_of(const tCaseFigures& figures)
{
    const std::shared_ptr<const tNormativeData> set
        = figures.norms ? figures.norms : built_in_normative_data();
    const tNormativeData& norms = *set;

    tChartData data;
    data.norms_name = QString::fromStdString(figures.user_norms_name());
    for (int k = 1; k <= chart_scores; ++k) {
        data.score[k - 1] = double(figures.index.scores[k]);
        data.lower[k - 1] = double(figures.index.lower[k]);
        data.upper[k - 1] = double(figures.index.upper[k]);
        data.is_low[k - 1] = figures.index.is_low[k] != 0;
        data.score_text[k - 1] = report_figure(report_score_text(figures.index.scores[k]));
        // The score table prints the limits as it prints the scores.
        data.lower_text[k - 1] = report_figure(report_score_text(figures.index.lower[k]));
        data.upper_text[k - 1] = report_figure(report_score_text(figures.index.upper[k]));
    }
    // The cut on the Index metric of the lower-tail deviate, with the
    // normative mean and SD of every Index score.
    data.low_cut = double(norms.Means_vec[1] + norms.SDs_vec[1] * figures.zLow);
    data.criterion_item = figures.criterion_item;
    data.pairwise = figures.mode == 0;
    data.bonferroni = figures.correction == 1;

    if (data.pairwise) {
        data.diff_count = chart_pairs;
        for (int i = 0; i < chart_pairs; ++i) {
            const int a = chart_pair_slots[i][0];
            const int b = chart_pair_slots[i][1];
            data.diff[i] = double(figures.pair.pair_abnormality_mat[b][a]); // score_a - score_b
            data.diff_cut[i] = double(figures.zAbs * norms.SDdiff_Pairwise[a][b]);
            data.diff_abnormal[i] = figures.pair.pair_abnormal[a][b] != 0;
            data.diff_text[i] = report_figure(report_difference_text(figures.pair.pair_abnormality_mat[b][a]));
        }
    } else {
        data.diff_count = chart_scores;
        for (int k = 1; k <= chart_scores; ++k) {
            data.diff[k - 1] = double(figures.dev.deviation[k]);
            data.diff_cut[k - 1] = double(figures.zAbs * norms.SD_DevMean[k]);
            data.diff_abnormal[k - 1] = figures.dev.abnormal[k] != 0;
            data.diff_text[k - 1] = report_figure(report_deviation_text(figures.dev.deviation[k]));
        }
    }
    data.notes = chart_notes_of(figures.note_lines);
    return data;
}
