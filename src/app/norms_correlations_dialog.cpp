#include "app/norms_correlations_dialog.h"

#include "analysis/normative_data.h"
#include "app/norms_controls.h"
#include "common/user_messages.h"

#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

namespace {

const char* const short_names[norms_scores] = {"VC", "PR", "WM", "PS"};
const char* const long_names[norms_scores] = {"Verbal Comprehension", "Perceptual Reasoning",
                                              "Working Memory", "Processing Speed"};

// The table's geometry: a column of row captions, then four cells a row,
// each wide enough for "-0.123456".
constexpr int kCaptionWidth = 210;
constexpr int kLeft = 16 + kCaptionWidth;
constexpr int kTop = 74;
constexpr int kCellWidth = 92;
constexpr int kCellHeight = 28;
constexpr int kPitchX = kCellWidth + 8;
constexpr int kPitchY = kCellHeight + 10;

QString cell_name(int row, int column)
{
    return QStringLiteral("correlation of %1 with %2")
        .arg(QLatin1String(short_names[row]), QLatin1String(short_names[column]));
}

} // namespace

tNormsCorrelationsDialog::tNormsCorrelationsDialog(const tCorrelations& start, QWidget* owner)
    : QDialog(owner), correlations_(start)
{
    prepare_norms_dialog(this, "normsCorrelationsDialog", QStringLiteral("Correlations of the Index Scores"));
    setFixedSize(kLeft + norms_scores * kPitchX + 8, kTop + norms_scores * kPitchY + 70);
    QLabel* intro = norms_label(QStringLiteral("Type the correlations as the manual's table gives them: the row's "
                                               "score with the column's score, below the diagonal."),
                                this, QRect(16, 10, width() - 32, 40));
    intro->setWordWrap(true);
    for (int k = 0; k < norms_scores; ++k) {
        QLabel* column = norms_label(QLatin1String(short_names[k]), this,
                                     QRect(kLeft + k * kPitchX, kTop - 22, kCellWidth, 20));
        column->setAlignment(Qt::AlignCenter);
        column->setToolTip(QLatin1String(long_names[k]));
        norms_label(QStringLiteral("%1 (%2)").arg(QLatin1String(long_names[k]), QLatin1String(short_names[k])), this,
                    QRect(16, kTop + k * kPitchY + 4, kCaptionWidth - 8, 20));
    }
    for (int i = 0; i < norms_scores; ++i)
        for (int j = 0; j <= i; ++j) {
            auto* cell = new QLineEdit(utf8(norms_number_text(start[static_cast<size_t>(i)][static_cast<size_t>(j)])), this);
            cell->setObjectName(QStringLiteral("cell%1x%2").arg(i + 1).arg(j + 1));
            cell->setGeometry(kLeft + j * kPitchX, kTop + i * kPitchY, kCellWidth, kCellHeight);
            cell->setAlignment(Qt::AlignRight);
            cell->setMaxLength(12);
            cell->setAccessibleName(cell_name(i, j));
            if (i == j) {
                cell->setReadOnly(true);
                cell->setFocusPolicy(Qt::NoFocus); // always 1: not a stop of Tab
                QPalette fixed = cell->palette();
                fixed.setColor(QPalette::Base, fixed.color(QPalette::Window));
                cell->setPalette(fixed);
                cell->setAccessibleDescription(QStringLiteral("always 1"));
            }
            cells[static_cast<size_t>(i)][static_cast<size_t>(j)] = cell;
        }
    const int top = height() - 48;
    cmdKeep = norms_button(QStringLiteral("&Keep These Correlations"), this, QRect(width() - 420, top, 220, 34),
                           "cmdKeep");
    cmdDiscard = norms_button(QStringLiteral("&Discard Changes"), this, QRect(width() - 192, top, 176, 34),
                              "cmdDiscard");
    cmdKeep->setDefault(true); // Enter in a cell checks and keeps them
    connect(cmdKeep, &QPushButton::clicked, this, &tNormsCorrelationsDialog::cmdKeepClick);
    connect(cmdDiscard, &QPushButton::clicked, this, &QDialog::reject);
}

// Every cell below the diagonal in reading order; the first that is not a
// correlation keeps the dialog open, named, with its text selected.
void tNormsCorrelationsDialog::cmdKeepClick()
{
    tCorrelations read = correlations_;
    for (int i = 1; i < norms_scores; ++i)
        for (int j = 0; j < i; ++j) {
            QLineEdit* cell = cells[static_cast<size_t>(i)][static_cast<size_t>(j)];
            extended& value = read[static_cast<size_t>(i)][static_cast<size_t>(j)];
            std::string problem;
            if (!parse_norms_number(utf8(cell->text().trimmed()), value))
                problem = norms_number_problem(norms_correlation_caption(i + 1, j + 1)) + ".";
            else
                problem = norms_correlation_problem(i + 1, j + 1, value);
            if (!problem.empty()) {
                user_messages().warning(problem);
                cell->setFocus(Qt::OtherFocusReason);
                cell->selectAll();
                return;
            }
        }
    correlations_ = read;
    accept();
}
