// The output window: shows the reports of the analysis runs one after the
// other, saves the text to a file, prints all of it or the selection on the
// default printer, clears it, returns to the worksheet or ends the program.
#pragma once

#include "analysis/analysis_run.h"
#include "app/save_dialog.h"
#include "render/chart_data.h"

#include <QMainWindow>
#include <QPlainTextEdit>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QCloseEvent;
class QFrame;
class QPushButton;
class QShowEvent;
class tChartWindow;
struct tCaseFigures;

// The report sink on the memo: each line (UTF-8) is added at the end of the
// text.
class tMemoReportSink final : public tReportSink {
public:
    explicit tMemoReportSink(QPlainTextEdit* memo);
    ~tMemoReportSink() override;
    tMemoReportSink(const tMemoReportSink&) = delete;
    tMemoReportSink& operator=(const tMemoReportSink&) = delete;
    void append(const std::string& line) override;
    bool has_lines() const override;
private:
    QPlainTextEdit* memo_;
    // An empty document looks the same whether it holds no line or one empty
    // line; this tells the two apart once append has written the empty line.
    bool holds_empty_line_ = false;
    bool appending_ = false;
    QMetaObject::Connection edits_;
};

class tOutputWindow : public QMainWindow {
    Q_OBJECT

public:
    // FormCreate: empty memo; the window stays hidden.
    explicit tOutputWindow(QWidget* parent = nullptr);

    QFrame* Panel1 = nullptr;
    QPlainTextEdit* memoResults = nullptr;
    QFrame* Panel2 = nullptr;
    QPushButton* cmdSaveOutput = nullptr;
    QPushButton* cmdClearResults = nullptr;
    QPushButton* cmdReturn = nullptr;
    QPushButton* cmdExit = nullptr;
    QAction* mnuPrint = nullptr;
    QAction* mnuPrintSelection = nullptr;
    QAction* mnuSaveAsPdf = nullptr;
    QAction* mnuSaveAsDocument = nullptr;
    QAction* mnuProfileChart = nullptr;
    QAction* mnuUserGuide = nullptr;
    QAction* mnuAbout = nullptr;

    tReportSink& report_sink() { return *sink_; }

    // The memo's block at which the next report begins: its separator, or its
    // heading when the memo is empty.
    int next_report_block() const;
    // Puts the cursor on block `first` and scrolls so that it is the top line
    // of the view: a new report is read from its beginning.
    void show_report_from(int first);

    // The window that Return to Worksheet shows (the worksheet, set at start-up).
    void set_worksheet(QWidget* worksheet) { worksheet_ = worksheet; }
    // The last save folder, shared with the worksheet (by default its own).
    void share_save_folder(tSaveFolder& folder) { save_folder_ = &folder; }

    // The memo's whole text: its lines separated by carriage return and line
    // feed. Save Output writes it in UTF-8.
    QString results_text() const;
    // The selected characters, line ends as in results_text().
    QString selection_text() const;

    // A report was written into the memo from these figures: its chart goes
    // to the PDF's chart pages and to the Chart menu, its figures to the
    // document of Save as document....
    void report_written(const tCaseFigures& figures);
    // Reports computed since the text was last saved (Save Output, Save as
    // PDF..., Save as document...), printed whole (Print All) or cleared.
    bool results_unsaved() const { return unsaved_; }
    // Before results not yet saved would be lost: asks whether to save them
    // first. True when the caller may go on (nothing unsaved, saved now, or
    // discarded); false when the user cancelled or the save did not happen.
    bool settle_unsaved_results();

    // The charts of the reports the memo holds, in report order.
    const std::vector<tChartData>& report_charts() const { return report_charts_; }

public slots:
    void cmdSaveOutputClick();
    void cmdClearResultsClick();
    void cmdReturnClick();
    void cmdExitClick();
    void mnuPrintClick();
    void mnuPrintSelectionClick();
    void mnuSaveAsPdfClick();
    void mnuSaveAsDocumentClick();
    void mnuProfileChartClick();
    void mnuUserGuideClick();
    void mnuAboutClick();

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<tMemoReportSink> sink_;
    QWidget* worksheet_ = nullptr;
    tSaveFolder own_save_folder_;
    tSaveFolder* save_folder_ = &own_save_folder_;
    QString last_saved_file_; // proposed by the next Save Output
    bool unsaved_ = false;
    bool shown_before_ = false;

    void FormCreate();
    void FormShow();
    // Back on the screen (restored, on the current desktop) and active.
    void come_back();
    // The menu bar (output_window_menus.cpp); the Profile Chart... window,
    // made when first asked for.
    void build_menus();
    tChartWindow* chart_window_ = nullptr;

    // The reports held and their saves (output_window_results.cpp).
    std::vector<tChartData> report_charts_;   // cleared with the memo
    std::vector<std::shared_ptr<const tCaseFigures>> report_figures_; // likewise
    std::optional<tChartData> last_chart_;    // the most recent report's
    QString last_pdf_file_;                   // proposed by the next Save as PDF...
    QString last_document_file_;              // proposed by the next Save as document...
    // Each true when the file was written or the text printed.
    bool save_output();
    bool save_pdf();
    bool save_document();
    // Asks for a file of `extension` (proposing `last_file`, which it
    // updates) and writes what `build` makes to it, whole.
    bool save_built_file(const QString& extension, QString& last_file,
                         const std::function<QByteArray()>& build);
    // A failed print says so, followed by `failure_note` when given.
    bool print_text(const QString& text, const QString& failure_note = QString());
    // Clear Results: no chart of a cleared report is shown or saved.
    void forget_charts();
};
