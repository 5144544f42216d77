#include "app/worksheet_window.h"
#include "app/window_controls.h"

#include "analysis/analysis_run.h"
#include "app/accessibility.h"
#include "app/matrix_dialog.h"
#include "app/output_window.h"
#include "app/app_icon.h"
#include "app/help_window.h"
#include "app/program_windows.h"
#include "app/notes_memo.h"
#include "app/push_button_keys.h"
#include "app/qt_messages.h"
#include "app/radio_group.h"
#include "app/score_field.h"
#include "app/screen_fit.h"
#include "common/errors.h"
#include "common/program_title.h"
#include "common/user_messages.h"
#include "storage/worksheet_config.h"
#include "storage/worksheet_file.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QWindow>

#include <exception>

#ifndef BRENLOW_BUILD_DATE
#define BRENLOW_BUILD_DATE "an unrecorded date"
#endif

namespace {

// An error about the worksheet file says which file it is.
EInOutError worksheet_file_error(const char* what, const std::string& path, const std::exception& error)
{
    return EInOutError(std::string("The worksheet file could not be ") + what + ":\r" + path + "\r\r"
                       + error.what());
}

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

// The busy cursor of one Compute; whatever was set is restored at the latest
// when the handler ends.
class tBusyCursor {
public:
    void set()
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++depth_;
    }
    void restore()
    {
        for (; depth_ > 0; --depth_)
            QApplication::restoreOverrideCursor();
    }
    ~tBusyCursor() { restore(); }

private:
    int depth_ = 0;
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

    const int label_widths[4] = {353, 369, 361, 321};
    const int hidden_label_widths[4] = {449, 495, 495, 495};
    QLabel** labels[8] = {&Label1, &Label2, &Label3, &Label4, &Label5, &Label6, &Label7, &Label8};
    tScoreField** fields[8] = {&txtInput1, &txtInput2, &txtInput3, &txtInput4,
                               &txtInput5, &txtInput6, &txtInput7, &txtinput8};
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
        *labels[i] = label;
        *fields[i] = field;
    }
    const char* const field_names[8] = {"txtInput1", "txtInput2", "txtInput3", "txtInput4",
                                        "txtInput5", "txtInput6", "txtInput7", "txtinput8"};
    for (int k = 1; k <= 8; ++k) {
        score_field(k)->setObjectName(QString::fromLatin1(field_names[k - 1]));
        score_label(k)->setObjectName(QStringLiteral("Label%1").arg(k));
    }

    // Lies above Panel1 and the description: expanded, it covers the foot of
    // the description.
    memoComments = new tNotesMemo(this);
    memoComments->setFont(mono_font());
    memoComments->setGeometry(112, kMemoFoot - kMemoCollapsed, 666, kMemoCollapsed);
    memoComments->raise();
    memoComments->installEventFilter(this);
    lblComments->setBuddy(memoComments);

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

    // The score fields, the criterion, mode and correction groups, the notes,
    // then the three buttons.
    tab_stops_ = {txtInput1, txtInput2, txtInput3, txtInput4, txtInput5, txtInput6,
                  txtInput7, txtinput8, RadioGroup1, Pairs_vs_Deviations, Bonferroni,
                  memoComments, cmdCompute, btnclearData, cmdNorms, ExitBtn};

    // Too large for a small screen: the controls scroll.
    if (!fit_window_to_screen(this))
        centre_on_screen(this);
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
    tScoreField* const fields[8] = {txtInput1, txtInput2, txtInput3, txtInput4,
                                    txtInput5, txtInput6, txtInput7, txtinput8};
    return fields[k - 1];
}

QLabel* tWorksheetWindow::score_label(int k) const
{
    QLabel* const labels[8] = {Label1, Label2, Label3, Label4, Label5, Label6, Label7, Label8};
    return labels[k - 1];
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

// Restores the first RestoredValueCount fields from the worksheet file. A
// malformed file is reported in the general error box; the fields read before
// the fault keep their values and start-up goes on.
void tWorksheetWindow::LoadPreviousData()
{
    tFieldTexts texts;
    matrix_entry_.restored_from_file = false;
    std::string path = location_.path();
    try {
        matrix_entry_.restored_from_file = load_worksheet_file(path, RestoredValueCount, texts);
        if (!matrix_entry_.restored_from_file && !location_.earlier_folder.empty()) {
            // Read once from where it was; the next Compute saves it in the
            // folder chosen now.
            path = location_.earlier_path();
            matrix_entry_.restored_from_file = load_worksheet_file(path, RestoredValueCount, texts);
        }
        for (int k = 1; k <= 8; ++k)
            score_field(k)->setText(QString::fromLatin1(texts[k - 1].c_str()));
    } catch (const std::exception& error) {
        for (int k = 1; k <= 8; ++k)
            score_field(k)->setText(QString::fromLatin1(texts[k - 1].c_str()));
        show_general_error(worksheet_file_error("read", path, error));
    }
    for (int k = 1; k <= 8; ++k) {
        const bool shown = k <= ActiveInputCount;
        score_field(k)->setVisible(shown);
        score_label(k)->setVisible(shown);
    }
}

// The user's sets of normative data lie beside the worksheet file. A file
// that cannot be read is reported and left as it is; the line below the
// buttons says so, and Compute asks before it uses the built-in set.
void tWorksheetWindow::LoadNormativeData()
{
    const std::string sheet = location_.path();
    norms_store_.path = sheet.substr(0, sheet.rfind('/') + 1) + normative_sets_file_name;
    norms_store_.before_save = [this] { location_.create_folder(); };
    // No save of a window replaces either file with a report or a chart.
    save_folder_.own_files = {{sheet, "the worksheet file, which keeps the scores of the last Compute"},
                              {norms_store_.path, "the file that keeps your sets of normative data"}};
    try {
        norms_store_.load();
    } catch (const std::exception& error) {
        show_general_error(error);
    }
    show_chosen_norms();
}

void tWorksheetWindow::show_chosen_norms()
{
    show_norms_line(lblNorms, norms_store_);
}

void tWorksheetWindow::cmdNormsClick()
{
    tNormsDialog dialog(norms_store_, save_folder_, this);
    dialog.exec();
    show_chosen_norms();
}

void tWorksheetWindow::SaveCurrentData()
{
    tFieldTexts texts;
    for (int k = 1; k <= 8; ++k)
        texts[k - 1] = score_field(k)->score_text();
    const std::string path = location_.path();
    try {
        location_.create_folder();
        save_worksheet_file(path, texts);
    } catch (const EInOutError& error) {
        // The report is still computed and shown; the box after it says
        // that these scores were not kept (a full disk, a refused path).
        unsaved_scores_error_ = worksheet_file_error("saved", path, error).what();
    }
}

void tWorksheetWindow::btnclearDataClick()
{
    for (int k = 1; k <= 8; ++k)
        score_field(k)->clear();
    memoComments->clear();
    delete_worksheet_file(location_.path());
    matrix_entry_.clear_entered();
    txtInput1->setFocus();
}

void tWorksheetWindow::cmdComputeClick()
{
    if (!output_)
        return;
    if (!norms_may_compute(norms_store_, lblNorms)) // never the built-in set unasked
        return;
    tAnalysisInputs inputs;
    for (int k = 1; k <= 4; ++k) {
        inputs.score_texts[k - 1] = score_field(k)->score_text();
        inputs.label_captions[k - 1] = score_label(k)->text().toLatin1().toStdString();
    }
    inputs.criterion_item = RadioGroup1->itemIndex();
    inputs.mode = Pairs_vs_Deviations->itemIndex();
    inputs.correction = Bonferroni->itemIndex();
    inputs.note_lines = memoComments->displayed_lines();
    inputs.notes_caption = lblComments->text().toUtf8().toStdString();
    inputs.app_title = AppTitle;
    inputs.norms = norms_store_.chosen_data();
    inputs.matrix_entry = &matrix_entry_;

    tBusyCursor cursor;
    tAnalysisHooks hooks;
    hooks.save_worksheet = [this] { SaveCurrentData(); };
    hooks.computing = [&cursor] { cursor.set(); };
    hooks.hand_over = [this, &cursor] {
        cursor.set();
        output_->show();
        hide();
        cursor.restore();
        output_->setWindowTitle(QStringLiteral("Results viewer: ")
                                           + QString::fromStdString(AppTitle));
    };
    hooks.matrix_entry = [this](tEntryMatrix& matrix, int columns, int rows) {
        hide();
        const bool returned = open_square_matrix_dialog(matrix, columns, rows,
                                                        QStringLiteral("Matrix Entry"), true, this,
                                                        QString());
        if (returned)
            show();
        return returned;
    };

    const int report_start = output_->next_report_block();
    unsaved_scores_error_.clear();
    tAnalysisOutcome outcome;
    try {
        outcome = run_analysis(inputs, output_->report_sink(), hooks, generator_);
    } catch (const std::exception& error) {
        cursor.restore();
        show_general_error(error);
        return;
    }
    cursor.restore();
    if (outcome.figures)
        output_->report_written(*outcome.figures);
    if (outcome.result == tRunResult::Completed)
        output_->show_report_from(report_start);
    if (!unsaved_scores_error_.empty())
        show_general_error(QString::fromStdString(unsaved_scores_error_
                                                  + "\r\rThe report is shown; these scores were not saved"));
    if (outcome.result == tRunResult::InvalidField && outcome.failed_field >= 1
        && outcome.failed_field <= 4) {
        // The warning box has just closed and the window gets its activation
        // (and the field its focus-in) only later: select the text now.
        tScoreField* field = score_field(outcome.failed_field);
        field->setFocus();
        field->selectAll();
    }
}
