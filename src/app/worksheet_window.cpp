// The worksheet's controls, where they lie and how the focus moves among
// them, its creation and showing, and its ways out (Exit, the close box).
// Compute, Clear Data and the files the worksheet reads and writes are in
// worksheet_compute.cpp; the notes memo's growing in worksheet_notes.cpp.
#include "app/worksheet_window.h"

#include "app/accessibility.h"
#include "app/app_icon.h"
#include "app/help_window.h"
#include "app/notes_memo.h"
#include "app/output_window.h"
#include "app/push_button_keys.h"
#include "app/radio_group.h"
#include "app/score_field.h"
#include "app/screen_fit.h"
#include "app/window_controls.h"
#include "common/program_title.h"
#include "common/user_messages.h"
#include "storage/worksheet_config.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWindow>

namespace {

constexpr int kClientWidth = 792;
constexpr int kClientHeight = 573;
// DescripFldChange: a text longer than this gets a vertical scroll bar.
constexpr int kDescriptionScrollLength = 550;

const char* const kIndexNames[4] = {
    "Verbal Comprehension Index score:",
    "Perceptual Reasoning Index score:",
    "Working Memory Index score:",
    "Processing Speed Index score:",
};

QString description_text()
{
    return QStringLiteral(
               "This program accompanies a paper on methods for the supplementary analysis of a "
               "case's Index scores on the Orvane: confidence limits and percentile ranks for "
               "obtained scores, the reliability and abnormality of differences between scores, "
               "Monte Carlo base rates of abnormal scores and differences, and the Mahalanobis "
               "distance of the score profile. The program gives conventional confidence intervals "
               "on the case's Index scores and also expresses these limits as percentile ranks. It "
               "counts the case's abnormally low Index scores, using a criterion chosen by the "
               "user, and gives the percentage of the normative population expected to show at "
               "least that many: for example, at the default criterion (less than 5%) and with one "
               "abnormally low score, an estimated 13.74% of the normative population would show "
               "that number or more. The Orvane manual bases the analysis of differences among "
               "Index scores on pairwise comparisons; this program also offers comparison of each "
               "Index score with the case's own mean Index score, tests the RELIABILITY and "
               "estimates the ABNORMALITY of these deviations, and gives base rates for the number "
               "of abnormal differences or deviations (the default is deviations from the mean). A "
               "sequential Bonferroni correction may be applied when testing the reliability of "
               "the differences (by default it is not applied). The overall abnormality of the "
               "case's profile of Index scores is examined with the Mahalanobis Distance "
               "statistic. Results can be viewed on screen, printed, or saved to a file. (This "
               "version of the program, " BRENLOW_VERSION ", was built on ")
        + QStringLiteral(BRENLOW_BUILD_DATE) + QStringLiteral(".)");
}

QString spoken_caption(QString caption)
{
    if (caption.endsWith(QLatin1Char(':')))
        caption.chop(1);
    return caption.trimmed();
}

// Score field k and its label, k = 1 .. 8, and the field's name.
struct tScoreSlot {
    tScoreField* tWorksheetWindow::*field;
    QLabel* tWorksheetWindow::*label;
    const char* name;
};
const tScoreSlot kScoreSlots[8] = {
    {&tWorksheetWindow::txtInput1, &tWorksheetWindow::Label1, "txtInput1"},
    {&tWorksheetWindow::txtInput2, &tWorksheetWindow::Label2, "txtInput2"},
    {&tWorksheetWindow::txtInput3, &tWorksheetWindow::Label3, "txtInput3"},
    {&tWorksheetWindow::txtInput4, &tWorksheetWindow::Label4, "txtInput4"},
    {&tWorksheetWindow::txtInput5, &tWorksheetWindow::Label5, "txtInput5"},
    {&tWorksheetWindow::txtInput6, &tWorksheetWindow::Label6, "txtInput6"},
    {&tWorksheetWindow::txtInput7, &tWorksheetWindow::Label7, "txtInput7"},
    {&tWorksheetWindow::txtinput8, &tWorksheetWindow::Label8, "txtinput8"},
};

} // namespace

tWorksheetWindow::tWorksheetWindow(const tWorksheetLocation& location, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      location_(location)
{
    install_accessibility();
    install_help_key();
    setProperty(help_section_property, QStringLiteral("worksheet"));
    build_controls();
    FormCreate();
}

void tWorksheetWindow::set_output_window(tOutputWindow* output)
{
    output_ = output;
    if (output_)
        output_->share_save_folder(save_folder_);
}

// The controls are created in the order of their stacking and of the
// screen reader's tree: the description, the notes' caption, the options
// and score fields, the notes memo, the buttons.
void tWorksheetWindow::build_controls()
{
    setFont(sans_font(false));
    setFixedSize(kClientWidth, kClientHeight);

    DescripFld = new tWholeLinesEdit(this); // no line cut in half at its foot
    DescripFld->setGeometry(12, 7, 768, 94);
    DescripFld->setReadOnly(true);
    DescripFld->setFocusPolicy(Qt::NoFocus);
    DescripFld->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    DescripFld->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette face = DescripFld->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    DescripFld->setPalette(face);
    connect(DescripFld, &QPlainTextEdit::textChanged, this, &tWorksheetWindow::DescripFldChange);

    Panel3 = make_panel(this, QRect(12, 106, 768, 33), QFrame::Raised);
    lblComments = new QLabel(QStringLiteral("User's Notes:"), Panel3);
    lblComments->setGeometry(6, 8, 89, 16);
    lblComments->setFont(sans_font(true));

    Panel1 = make_panel(this, QRect(12, 143, 768, 346), QFrame::Raised);
    build_option_groups();
    build_score_fields();

    // Lies above Panel1 and the description: expanded, it covers the foot of
    // the description.
    memoComments = new tNotesMemo(this);
    memoComments->setFont(mono_font());
    memoComments->setGeometry(112, kMemoFoot - kMemoCollapsed, 666, kMemoCollapsed);
    memoComments->raise();
    memoComments->installEventFilter(this);
    lblComments->setBuddy(memoComments);

    build_buttons();

    // The score fields, the criterion, mode and correction groups, the notes,
    // then the three buttons.
    for (int k = 1; k <= 8; ++k)
        tab_stops_.push_back(score_field(k));
    tab_stops_.insert(tab_stops_.end(), {RadioGroup1, Pairs_vs_Deviations, Bonferroni, memoComments,
                                         cmdCompute, btnclearData, cmdNorms, ExitBtn});

    // Too large for a small screen: the controls scroll.
    if (!fit_window_to_screen(this))
        centre_on_screen(this);
}

void tWorksheetWindow::build_option_groups()
{
    Pairs_vs_Deviations = new tRadioGroup(
        QStringLiteral("Base analysis of differences on..."),
        {QStringLiteral("Pairwise comparisons of Indexes"),
         QStringLiteral("Comparison with individual's mean Index score")},
        Panel1);
    Pairs_vs_Deviations->setGeometry(8, 8, 369, 73);
    Bonferroni = new tRadioGroup(
        QStringLiteral("When testing for reliability of differences ..."),
        {QStringLiteral("Do NOT apply sequential Bonferroni correction"),
         QStringLiteral("DO apply sequential Bonferroni correction")},
        Panel1);
    Bonferroni->setGeometry(8, 88, 369, 65);
    RadioGroup1 = new tRadioGroup(
        QStringLiteral("An abnormally low score (and abnormally large score difference) is defined "
                       "as being exhibited by less than..."),
        {QStringLiteral("25% of normative population"),
         QStringLiteral("15.87% of normative population (corresponds to one SD)"),
         QStringLiteral("15% of normative population"),
         QStringLiteral("10% of normative population"),
         QStringLiteral("5% of normative population"),
         QStringLiteral("2% of normative population"),
         QStringLiteral("1% of normative population")},
        Panel1);
    RadioGroup1->setGeometry(8, 160, 753, 177);
    for (tRadioGroup* group : {Pairs_vs_Deviations, Bonferroni, RadioGroup1})
        group->arrange_items();
}

// Four fields beside the options; the other four (no mode of this program
// shows them) below them, over the criterion group.
void tWorksheetWindow::build_score_fields()
{
    const int label_widths[4] = {353, 369, 361, 321};
    const int hidden_label_widths[4] = {449, 495, 495, 495};
    for (int i = 0; i < 8; ++i) {
        auto* label = new QLabel(Panel1);
        auto* field = new tScoreField(Panel1);
        field->setFont(sans_font(true));
        if (i < 4) {
            label->setGeometry(392, 12 + 40 * i, label_widths[i], 16);
            field->setGeometry(696, 8 + 40 * i, 56, 24);
        } else {
            label->setGeometry(256, 196 + 40 * (i - 4), hidden_label_widths[i - 4], 16);
            field->setGeometry(704, 192 + 40 * (i - 4), 56, 24);
        }
        field->raise(); // the labels' fixed widths reach under the fields
        label->setBuddy(field); // a click on the label puts the focus in its field
        field->setObjectName(QString::fromLatin1(kScoreSlots[i].name));
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        this->*kScoreSlots[i].label = label;
        this->*kScoreSlots[i].field = field;
    }
}

void tWorksheetWindow::build_buttons()
{
    pan1 = make_panel(this, QRect(12, 500, 768, 49), QFrame::Sunken);
    cmdCompute = make_button(QStringLiteral("Compute"), this, QRect(28, 506, 165, 37));
    btnclearData = make_button(QStringLiteral("Clear Data "), this, QRect(220, 506, 161, 37));
    ExitBtn = make_button(QStringLiteral("Exit"), this, QRect(603, 506, 161, 37));
    // In the free space between Clear Data and Exit; the set chosen is named
    // under the buttons' panel.
    cmdNorms = make_button(QStringLiteral("Normative Data..."), this, QRect(401, 506, 182, 37), "cmdNorms");
    lblNorms = new QLabel(this);
    lblNorms->setObjectName(QStringLiteral("lblNorms"));
    lblNorms->setGeometry(16, 552, 760, 18);
    lblNorms->setTextFormat(Qt::PlainText); // a set's name is never markup
    connect(cmdNorms, &QPushButton::clicked, this, &tWorksheetWindow::cmdNormsClick);
    connect(cmdCompute, &QPushButton::clicked, this, &tWorksheetWindow::cmdComputeClick);
    connect(btnclearData, &QPushButton::clicked, this, &tWorksheetWindow::btnclearDataClick);
    connect(ExitBtn, &QPushButton::clicked, this, &tWorksheetWindow::ExitBtnClick);
}

bool tWorksheetWindow::focusNextPrevChild(bool next)
{
    QWidget* current = focusWidget();
    const int n = static_cast<int>(tab_stops_.size());
    int at = -1;
    for (int i = 0; i < n && at < 0; ++i)
        if (current == tab_stops_[i] || (current && current->parentWidget() == tab_stops_[i]))
            at = i;
    if (at < 0)
        return QWidget::focusNextPrevChild(next);
    for (int step = 1; step <= n; ++step) {
        QWidget* stop = tab_stops_[(at + (next ? step : n - step)) % n];
        if (auto* group = qobject_cast<tRadioGroup*>(stop))
            stop = group->item(group->itemIndex() >= 0 ? group->itemIndex() : 0);
        // Qt takes TabFocus from the unchecked items of a group: any focus will do.
        if (stop->isVisible() && stop->isEnabled() && stop->focusPolicy() != Qt::NoFocus) {
            stop->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return true;
}

tScoreField* tWorksheetWindow::score_field(int k) const
{
    return this->*kScoreSlots[k - 1].field;
}

QLabel* tWorksheetWindow::score_label(int k) const
{
    return this->*kScoreSlots[k - 1].label;
}

void tWorksheetWindow::FormCreate()
{
    memoComments->clear();
    matrix_entry_.clear_entered();
    for (int k = 1; k <= 8; ++k)
        score_field(k)->clear();
    setWindowTitle(QString::fromStdString(AppTitle));
    setWindowIcon(brenlow_icon());
    DescripFld->setPlainText(description_text());
    for (int k = 1; k <= 4; ++k)
        score_label(k)->setText(QString::fromLatin1(kIndexNames[k - 1]));
    // What a screen reader says for the fields and memos: their labels'
    // captions without the colon.
    for (int k = 1; k <= 4; ++k)
        score_field(k)->setAccessibleName(spoken_caption(score_label(k)->text()));
    memoComments->setAccessibleName(spoken_caption(lblComments->text()));
    DescripFld->setAccessibleName(QStringLiteral("Description"));
    // The caption's trailing blank is not spoken.
    btnclearData->setAccessibleName(btnclearData->text().trimmed());
    // The template's configuration step: no matrix entry.
    matrix_entry_.enabled = false;
    Pairs_vs_Deviations->setItemIndex(1);
    Bonferroni->setItemIndex(0);
    RadioGroup1->setItemIndex(4);
    LoadPreviousData();
    LoadNormativeData();
}

void tWorksheetWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Every press in the window passes the notes first (a filter installed
    // again at a later showing is still held once).
    if (windowHandle())
        windowHandle()->installEventFilter(this);
    if (!event->spontaneous()) // not when restored from the task bar
        FormShow();
}

// The focus rule, on every showing: the first field when it is empty,
// otherwise the field after the restored ones.
void tWorksheetWindow::FormShow()
{
    if (txtInput1->text().isEmpty()) {
        txtInput1->setFocus();
        return;
    }
    raise();
    activateWindow();
    const int n = RestoredValueCount;
    if (n >= 1 && n <= 7) {
        tScoreField* next = score_field(n + 1);
        (next->isHidden() ? score_field(n) : next)->setFocus();
    }
}

void tWorksheetWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        show_focus_mark(this);
}

void tWorksheetWindow::closeEvent(QCloseEvent* event)
{
    // The worksheet is the main window: its close box ends the program
    // without asking, unless results not yet saved would be lost.
    if (output_ && !output_->settle_unsaved_results()) {
        event->ignore();
        return;
    }
    event->accept();
    QCoreApplication::quit();
}

void tWorksheetWindow::ExitBtnClick()
{
    const bool unsaved = output_ && output_->results_unsaved();
    if (unsaved ? output_->settle_unsaved_results() : user_messages().confirm("Exit from program?"))
        QCoreApplication::quit();
}

void tWorksheetWindow::DescripFldChange()
{
    DescripFld->setVerticalScrollBarPolicy(DescripFld->toPlainText().size() > kDescriptionScrollLength
                                               ? Qt::ScrollBarAlwaysOn
                                               : Qt::ScrollBarAlwaysOff);
}
