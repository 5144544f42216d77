// The output window's results: the memo the reports are written into, the
// chart and figures kept with each report, and what the results become (a
// text file, a PDF file, an editable document, a printout); Clear Results,
// and the question asked before results not yet saved would be lost.
#include "app/output_window.h"

#include "analysis/case_figures.h"
#include "app/qt_messages.h"
#include "app/qt_print_canvas.h"
#include "app/save_dialog.h"
#include "common/user_messages.h"
#include "render/documents.h"
#include "render/results_document.h"
#include "render/whole_file.h"

#include <QAction>
#include <QFileDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <exception>

namespace {

const QChar ParagraphSeparator(0x2029); // line ends inside QTextCursor::selectedText
const QString LineEnd = QStringLiteral("\r\n");

} // namespace

tMemoReportSink::tMemoReportSink(QPlainTextEdit* memo) : memo_(memo)
{
    // Whatever else changes the text (typing, Clear Results) ends the held
    // empty line: the document then says by itself whether it holds text.
    edits_ = QObject::connect(memo_->document(), &QTextDocument::contentsChanged, memo_, [this]() {
        if (!appending_)
            holds_empty_line_ = false;
    });
}

tMemoReportSink::~tMemoReportSink()
{
    QObject::disconnect(edits_);
}

// Adds one line at the end of the text without touching what is there, so
// that the cost does not grow with the reports the memo already holds.
void tMemoReportSink::append(const std::string& line)
{
    const QString text = QString::fromUtf8(line.data(), qsizetype(line.size()));
    QTextDocument* document = memo_->document();
    if (document->isEmpty() && !holds_empty_line_ && text.isEmpty()) {
        holds_empty_line_ = true;
        return;
    }
    appending_ = true;
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    if (!document->isEmpty() || holds_empty_line_)
        cursor.insertBlock();
    cursor.insertText(text);
    cursor.endEditBlock();
    appending_ = false;
    holds_empty_line_ = false;
}

bool tMemoReportSink::has_lines() const
{
    return holds_empty_line_ || !memo_->document()->isEmpty();
}

int tOutputWindow::next_report_block() const
{
    return sink_->has_lines() ? memoResults->document()->blockCount() : 0;
}

void tOutputWindow::show_report_from(int first)
{
    const QTextBlock block = memoResults->document()->findBlockByNumber(first);
    if (!block.isValid())
        return;
    memoResults->setTextCursor(QTextCursor(block));
    QScrollBar* bar = memoResults->verticalScrollBar();
    bar->setValue(block.firstLineNumber());
}

QString tOutputWindow::results_text() const
{
    QString text = memoResults->toPlainText();
    text.replace(QLatin1Char('\n'), LineEnd);
    return text;
}

QString tOutputWindow::selection_text() const
{
    QString text = memoResults->textCursor().selectedText();
    text.replace(ParagraphSeparator, LineEnd);
    return text;
}

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

bool tOutputWindow::settle_unsaved_results()
{
    if (!unsaved_)
        return true;
    switch (user_messages().ask_to_save("The results have not been saved or printed since they were "
                                        "computed.\rSave them before they are lost?")) {
    case tSaveChoice::Save:
        return save_output();
    case tSaveChoice::Discard:
        unsaved_ = false; // asked once: the close that follows asks no more
        return true;
    case tSaveChoice::Cancel:
        break;
    }
    return false;
}

void tOutputWindow::cmdSaveOutputClick()
{
    save_output();
}

bool tOutputWindow::save_output()
{
    return save_built_file(QStringLiteral("txt"), last_saved_file_, [this] { return results_text().toUtf8(); });
}

void tOutputWindow::mnuSaveAsPdfClick()
{
    save_pdf();
}

// The text laid out as Print All prints it, then a page with each report's chart.
bool tOutputWindow::save_pdf()
{
    return save_built_file(QStringLiteral("pdf"), last_pdf_file_,
                           [this] { return results_pdf(results_text(), report_charts_); });
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

void tOutputWindow::cmdClearResultsClick()
{
    if (!settle_unsaved_results())
        return;
    memoResults->clear();
    forget_charts();
    unsaved_ = false;
}

// Prints the text and one line end on the default printer; there is no
// printer dialog.
bool tOutputWindow::print_text(const QString& text, const QString& failure_note)
{
    const QString note = failure_note.isEmpty() ? QString() : QStringLiteral("\n\n") + failure_note;
    const QPrinterInfo default_printer = QPrinterInfo::defaultPrinter();
    if (default_printer.isNull()) {
        // The system's words, then where to turn without a printer.
        show_general_error(QStringLiteral("There is no default printer currently selected.\n\n"
                                          "Save as PDF... in the Printer options... menu needs no printer: "
                                          "it writes the text to a PDF file, laid out as Print All prints it.")
                           + note);
        return false;
    }
    QPrinter printer(default_printer, QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Brenlow results"));
    if (!print_text_on(printer, text + LineEnd)) {
        show_general_error(QStringLiteral("Printing on %1 failed").arg(default_printer.printerName()) + note);
        return false;
    }
    return true;
}
