// The worksheet window, the program's main window: the four Index
// score fields, the notes memo, the three option groups and the Compute,
// Clear Data and Exit buttons. Its creation step configures the template
// (four score fields, no grid, no matrix entry) and restores the scores of
// the last Compute from the worksheet file.
#pragma once

#include "app/norms_dialog.h"
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
class tUserGuideWindow;

// The folder of the worksheet file: the folder of the executable unless a
// folder was set here (an empty folder restores that default). A folder set
// with create_on_save (the user's data folder) is created by the first save.
// When that folder holds no worksheet file at start, the one in
// `earlier_folder` (where a copy of the program kept it before) is read.
void set_worksheet_folder(const std::string& folder, bool create_on_save = false,
                          const std::string& earlier_folder = std::string());
// The worksheet file's full path.
std::string worksheet_path();

class tWorksheetWindow : public QWidget {
    Q_OBJECT
public:
    explicit tWorksheetWindow(QWidget* parent = nullptr);

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

    // The user's sets of normative data and the one chosen.
    tNormsStore& normative_sets() { return norms_store_; }

    // Score field k and its label, k = 1 .. 8.
    tScoreField* score_field(int k) const;
    QLabel* score_label(int k) const;

    // Where Compute writes its reports; without one, Compute does nothing.
    void set_output_window(tOutputWindow* output) { output_ = output; }

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
    // The Monte Carlo's generator: each Compute of the session continues it.
    tRandom_generator generator_;
    // The tab order; an option group is one stop, entered on its checked item.
    std::vector<QWidget*> tab_stops_;
    tUserGuideWindow* guide_ = nullptr; // F1
    tNormsStore norms_store_;

    void build_controls();
    void FormCreate();
    void FormShow();
    void DescripFldChange();
    void memoCommentsEnter();
    void memoCommentsExit();
    void memoCommentsKeyUp(int key);
    void set_memo_height(int height);
    void LoadPreviousData();
    void LoadNormativeData();
    void show_chosen_norms();
    void SaveCurrentData();
    std::string unsaved_scores_error_; // why the last Compute's scores were not saved
};
