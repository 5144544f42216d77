// The output window's PDF file, its document and the charts they hold: Save
// as PDF... writes the memo's text through the page layout of Print All,
// then one page with the chart of each report the memo holds; Save as
// document... writes the figures of each report in tables, with its chart,
// as an editable document.
#include "app/output_window.h"
#include "app/qt_messages.h"
#include "app/save_dialog.h"
#include "analysis/case_figures.h"
#include "render/documents.h"
#include "render/results_document.h"
#include "render/whole_file.h"

#include <QAction>
#include <QFileDialog>

#include <exception>

void tOutputWindow::report_written(const tCaseFigures& figures)
{
    last_chart_ = chart_data_of(figures);
    report_charts_.push_back(*last_chart_);
    report_figures_.push_back(std::make_shared<const tCaseFigures>(figures));
    mnuProfileChart->setEnabled(true);
    mnuSaveAsDocument->setEnabled(true);
    unsaved_ = true;
}

void tOutputWindow::forget_charts()
{
    report_charts_.clear();
    report_figures_.clear();
    last_chart_.reset();
    mnuProfileChart->setEnabled(false);
    mnuSaveAsDocument->setEnabled(false);
}

void tOutputWindow::mnuSaveAsPdfClick()
{
    save_pdf();
}

bool tOutputWindow::save_pdf()
{
    return save_built_file(QStringLiteral("pdf"), last_pdf_file_,
                           [this] { return results_pdf(results_text(), report_charts_); });
}

// Built whole in memory, then written through a temporary file renamed over
// the target: a failed save leaves an existing file as it was.
bool tOutputWindow::save_built_file(const QString& extension, QString& last_file,
                                    const std::function<QByteArray()>& build)
{
    QFileDialog dialog(this);
    prepare_save_dialog(dialog, *save_folder_, {QStringLiteral("*.") + extension},
                        last_file.isEmpty() ? QStringLiteral("results.") + extension : last_file);
    const QString file_name = chosen_save_file_of_type(dialog, *save_folder_, extension);
    if (file_name.isEmpty() || !may_save_to(file_name, *save_folder_))
        return false;
    last_file = file_name;
    try {
        QString reason;
        if (!write_whole_file(file_name, build(), reason)) {
            show_general_error(reason);
            return false;
        }
    } catch (const std::exception& error) {
        show_general_error(error);
        return false;
    }
    unsaved_ = false;
    return true;
}

void tOutputWindow::mnuSaveAsDocumentClick()
{
    save_document();
}

// The document comes from the reports' figures, as they were computed:
// edits of the memo's text by hand do not reach it.
bool tOutputWindow::save_document()
{
    return save_built_file(QStringLiteral("odt"), last_document_file_,
                           [this] { return results_odt(report_figures_); });
}
