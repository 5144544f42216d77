// The worksheet window, the program's main window: the four Index
// score fields, the notes memo, the three option groups and the Compute,
// Clear Data and Exit buttons. Its creation step configures the template
// (four score fields, no grid, no matrix entry) and restores the scores of
// the last Compute from the worksheet file.
#pragma once

#include "analysis/analysis_run.h"
#include "app/norms_dialog.h"
#include "app/worksheet_folder.h"
#include "numerics/distrib.h"

#include <QWidget>

#include <string>
#include <vector>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class tNotesMemo;
class tOutputWindow;
class tRadioGroup;
class tScoreField;

class tWorksheetWindow : public QWidget {
    Q_OBJECT
public:
    // Its worksheet file where `location` says (by default beside the program).
    explicit tWorksheetWindow(const tWorksheetLocation& location = tWorksheetLocation(),
                              QWidget* parent = nullptr);

    QPlainTextEdit* DescripFld;
    QFrame* Panel3;
    QLabel* lblComments;
    tNotesMemo* memoComments;
    QFrame* Panel1;
    tRadioGroup* Pairs_vs_Deviations;
    tRadioGroup* Bonferroni;
    tRadioGroup* RadioGroup1;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Label7;
    QLabel* Label8;
    tScoreField* txtInput1;
    tScoreField* txtInput2;
    tScoreField* txtInput3;
    tScoreField* txtInput4;
    tScoreField* txtInput5;
    tScoreField* txtInput6;
    tScoreField* txtInput7;
    tScoreField* txtinput8;
    QFrame* pan1;
    QPushButton* cmdCompute;
    QPushButton* btnclearData;
    QPushButton* cmdNorms; // the Normative Data dialog
    QPushButton* ExitBtn;
    QLabel* lblNorms;      // the set the next Compute uses

    // Whether Compute asks for a correlation matrix first, and the matrix
    // entered last.
    tMatrixEntry& matrix_entry() { return matrix_entry_; }

    // The user's sets of normative data and the one chosen.
    tNormsStore& normative_sets() { return norms_store_; }

    // Score field k and its label, k = 1 .. 8.
    tScoreField* score_field(int k) const;
    QLabel* score_label(int k) const;

    // Where Compute writes its reports; without one, Compute does nothing.
    // The output window shares the worksheet's last save folder.
    void set_output_window(tOutputWindow* output);

    void cmdComputeClick();
    void btnclearDataClick();
    void ExitBtnClick();
    void cmdNormsClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    tOutputWindow* output_ = nullptr;
    const tWorksheetLocation location_;
    // The Monte Carlo's generator: each Compute of the session continues it.
    tRandom_generator generator_;
    tMatrixEntry matrix_entry_;
    // The tab order; an option group is one stop, entered on its checked item.
    std::vector<QWidget*> tab_stops_;
    tNormsStore norms_store_;
    tSaveFolder save_folder_; // of every save dialog of the program

    void build_controls();
    void build_option_groups();
    void build_score_fields();
    void build_buttons();
    void FormCreate();
    void FormShow();
    void DescripFldChange();

    // The notes memo grows while it is edited and shrinks when it is left
    // (worksheet_notes.cpp).
    static constexpr int kMemoCollapsed = 25;
    static constexpr int kMemoExpanded = 70;
    // The memo's foot stays where the collapsed memo ends: expanded, it grows
    // upward over the read-only description, never down over the score
    // fields and their labels.
    static constexpr int kMemoFoot = 110 + kMemoCollapsed;
    void memoCommentsEnter();
    void memoCommentsExit();
    void memoCommentsKeyUp(int key);
    void set_memo_height(int height);
    void end_notes_editing_on_press(const QPoint& at);

    // The worksheet file and the sets of normative data (worksheet_compute.cpp).
    void LoadPreviousData();
    void LoadNormativeData();
    void show_chosen_norms();
    void SaveCurrentData();
    std::string unsaved_scores_error_; // why the last Compute's scores were not saved
};
