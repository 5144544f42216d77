#include "app/norms_set_dialog.h"

#include "analysis/normative_data.h"
#include "app/norms_controls.h"
#include "app/norms_correlations_dialog.h"
#include "app/window_controls.h"
#include "common/user_messages.h"

#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <utility>

namespace {

const char* const score_captions[norms_scores] = {
    "Verbal Comprehension (VC):", "Perceptual Reasoning (PR):", "Working Memory (WM):",
    "Processing Speed (PS):"};
const char* const short_names[norms_scores] = {"VC", "PR", "WM", "PS"};

// The caption without its colon: what a screen reader says and a message
// names.
QString spoken(const char* caption)
{
    return QString::fromLatin1(caption).chopped(1);
}

} // namespace

tNormsSetDialog::tNormsSetDialog(const tNormativeSet& start, std::vector<std::string> taken, QWidget* owner)
    : QDialog(owner), set_(start), taken_(std::move(taken))
{
    prepare_norms_dialog(this, "normsSetDialog", QStringLiteral("Normative Data Set"));
    setFixedSize(500, 400);

    QLabel* name = norms_label(QStringLiteral("&Name:"), this, QRect(12, 16, 90, 20));
    name->setFont(sans_font(true));
    txtName = new QLineEdit(utf8(start.name), this);
    txtName->setObjectName(QStringLiteral("txtName"));
    txtName->setGeometry(110, 12, 378, 26);
    txtName->setMaxLength(norms_name_max_length);
    txtName->setAccessibleName(QStringLiteral("Name"));
    name->setBuddy(txtName);

    norms_label(QStringLiteral("Reliabilities (strictly between 0 and 1):"), this, QRect(12, 52, 400, 20))
        ->setFont(sans_font(true));
    for (int k = 0; k < norms_scores; ++k) {
        QLabel* caption = norms_label(QString::fromLatin1(score_captions[k]), this, QRect(24, 82 + 32 * k, 220, 20));
        QLineEdit* field = new QLineEdit(utf8(norms_number_text(start.rels[static_cast<size_t>(k)])), this);
        field->setObjectName(QStringLiteral("txtReliability%1").arg(k + 1));
        field->setGeometry(250, 79 + 32 * k, 90, 26);
        field->setMaxLength(12);
        field->setAccessibleName(QStringLiteral("reliability of ") + spoken(score_captions[k]));
        caption->setBuddy(field);
        txtReliability[static_cast<size_t>(k)] = field;
    }

    norms_label(QStringLiteral("Correlations (lower triangle):"), this, QRect(12, 216, 430, 20))
        ->setFont(sans_font(true));
    lblCorrelations = norms_label(QString(), this, QRect(24, 242, 320, 100));
    lblCorrelations->setObjectName(QStringLiteral("lblCorrelations"));
    lblCorrelations->setTextFormat(Qt::PlainText);
    lblCorrelations->setFont(mono_font());
    lblCorrelations->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    cmdCorrelations = norms_button(QStringLiteral("&Correlations..."), this, QRect(356, 240, 132, 32),
                                   "cmdCorrelations");
    cmdOK = norms_button(QStringLiteral("OK"), this, QRect(286, 354, 98, 34), "cmdOK");
    cmdCancel = norms_button(QStringLiteral("Cancel"), this, QRect(390, 354, 98, 34), "cmdCancel");
    cmdOK->setDefault(true); // Enter in a field checks and keeps the set
    connect(cmdCorrelations, &QPushButton::clicked, this, &tNormsSetDialog::cmdCorrelationsClick);
    connect(cmdOK, &QPushButton::clicked, this, &tNormsSetDialog::cmdOKClick);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    show_correlations();
}

// The lower triangle as a table with its rows and columns named.
void tNormsSetDialog::show_correlations()
{
    constexpr int width = 10; // "-0.123456" and a blank
    QString text = QString(3, QLatin1Char(' '));
    for (const char* column : short_names)
        text += QStringLiteral("%1").arg(QLatin1String(column), width);
    text += QLatin1Char('\n');
    for (int i = 0; i < norms_scores; ++i) {
        text += QLatin1String(short_names[i]) + QLatin1Char(' ');
        for (int j = 0; j <= i; ++j)
            text += QStringLiteral("%1").arg(
                utf8(norms_number_text(set_.corr[static_cast<size_t>(i)][static_cast<size_t>(j)])), width);
        text += QLatin1Char('\n');
    }
    lblCorrelations->setText(text);
    lblCorrelations->setAccessibleName(QStringLiteral("Correlations"));
}

// The correlation entry on the set's correlations; Discard Changes keeps
// them as they were.
void tNormsSetDialog::cmdCorrelationsClick()
{
    tNormsCorrelationsDialog dialog(set_.corr, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    set_.corr = dialog.correlations();
    show_correlations();
}

// The name and the reliabilities as typed; false, with the field named and
// focused, when one is not what it must be.
bool tNormsSetDialog::read_fields()
{
    set_.name = utf8(txtName->text());
    std::string problem = norms_name_problem(set_.name);
    if (problem.empty() && std::find(taken_.begin(), taken_.end(), set_.name) != taken_.end())
        problem = "Another set has this name already: choose another name.";
    if (!problem.empty()) {
        user_messages().warning(problem);
        txtName->setFocus();
        return false;
    }
    for (int k = 0; k < norms_scores; ++k) {
        QLineEdit* field = txtReliability[static_cast<size_t>(k)];
        if (!parse_norms_number(utf8(field->text().trimmed()), set_.rels[static_cast<size_t>(k)])) {
            user_messages().warning(norms_number_problem("The reliability of " + utf8(spoken(score_captions[k]))) + ".");
            field->setFocus();
            field->selectAll();
            return false;
        }
    }
    return true;
}

void tNormsSetDialog::cmdOKClick()
{
    if (!read_fields())
        return;
    const tNormsProblem problem = check_normative_set(set_);
    if (!problem.message.empty()) {
        user_messages().warning(problem.message);
        if (problem.field == tNormsProblem::name)
            txtName->setFocus();
        else if (problem.field == tNormsProblem::reliability && problem.row >= 1)
            txtReliability[static_cast<size_t>(problem.row - 1)]->setFocus();
        else
            cmdCorrelations->setFocus();
        return;
    }
    accept();
}
