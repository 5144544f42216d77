// The worksheet's data: the scores restored from the worksheet file at
// start-up and saved by each Compute, the sets of normative data kept beside
// that file, Clear Data, and Compute, which hands the analysis run the
// worksheet's inputs and the output window its report.
#include "app/worksheet_window.h"

#include "analysis/analysis_run.h"
#include "app/matrix_dialog.h"
#include "app/notes_memo.h"
#include "app/output_window.h"
#include "app/qt_messages.h"
#include "app/radio_group.h"
#include "app/score_field.h"
#include "common/errors.h"
#include "common/program_title.h"
#include "storage/worksheet_config.h"
#include "storage/worksheet_file.h"

#include <QApplication>
#include <QLabel>

#include <exception>

namespace {

// An error about the worksheet file says which file it is.
EInOutError worksheet_file_error(const char* what, const std::string& path, const std::exception& error)
{
    return EInOutError(std::string("The worksheet file could not be ") + what + ":\r" + path + "\r\r"
                       + error.what());
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
