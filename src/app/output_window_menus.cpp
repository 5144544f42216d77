// The output window's menu bar: Printer options... (Print All, Print
// Selection, Save as PDF..., Save as document...), Chart (Profile Chart...)
// and Help (User Guide, About Brenlow...), each item connected to the
// handler of its name; F10 opens the bar.
#include "app/output_window.h"

#include "app/chart_window.h"
#include "app/help_window.h"
#include "common/user_messages.h"
#include "render/results_document.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>

namespace {

// An item of `menu` named `name`, whose trigger calls `handler`.
QAction* menu_item(QMenu* menu, const QString& caption, const char* name, tOutputWindow* window,
                   void (tOutputWindow::*handler)())
{
    QAction* item = menu->addAction(caption);
    item->setObjectName(QLatin1String(name));
    QObject::connect(item, &QAction::triggered, window, handler);
    return item;
}

} // namespace

// Access keys: the captions are unchanged but for the underlined letter.
void tOutputWindow::build_menus()
{
    QMenu* printer_options = menuBar()->addMenu(QStringLiteral("&Printer options..."));
    mnuPrint = menu_item(printer_options, QStringLiteral("Print &All"), "mnuPrint", this,
                         &tOutputWindow::mnuPrintClick);
    mnuPrintSelection = menu_item(printer_options, QStringLiteral("Print &Selection"), "mnuPrintSelection", this,
                                  &tOutputWindow::mnuPrintSelectionClick);
    mnuSaveAsPdf = menu_item(printer_options, QStringLiteral("Save as P&DF..."), "mnuSaveAsPdf", this,
                             &tOutputWindow::mnuSaveAsPdfClick);
    mnuSaveAsDocument = menu_item(printer_options, QStringLiteral("Save as d&ocument..."), "mnuSaveAsDocument",
                                  this, &tOutputWindow::mnuSaveAsDocumentClick);
    // Only where Qt has its OpenDocument writer; made of the reports'
    // figures, it has nothing to hold before the first report.
    mnuSaveAsDocument->setVisible(results_document_available());
    mnuSaveAsDocument->setEnabled(false);

    QMenu* chart = menuBar()->addMenu(QStringLiteral("&Chart"));
    mnuProfileChart = menu_item(chart, QStringLiteral("&Profile Chart..."), "mnuProfileChart", this,
                                &tOutputWindow::mnuProfileChartClick);
    mnuProfileChart->setEnabled(false); // until the first report

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuUserGuide = menu_item(help, QStringLiteral("&User Guide"), "mnuUserGuide", this,
                             &tOutputWindow::mnuUserGuideClick);
    // Shown in the menu; the key itself is the program's F1, which opens
    // the guide at the section of whichever window has the focus.
    mnuUserGuide->setShortcut(QKeySequence(Qt::Key_F1));
    mnuAbout = menu_item(help, QStringLiteral("&About Brenlow..."), "mnuAbout", this, &tOutputWindow::mnuAboutClick);
    // F10 opens the menu bar, as on other desktops.
    auto* menu_key = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menu_key, &QShortcut::activated, this, [this]() {
        const QList<QAction*> menus = menuBar()->actions();
        if (!menus.isEmpty()) {
            menuBar()->setFocus(Qt::MenuBarFocusReason);
            menuBar()->setActiveAction(menus.front());
        }
    });
}

void tOutputWindow::mnuPrintClick()
{
    // Printed whole, the results count as saved; a failure leaves them as
    // they were, and the box says so.
    const QString note = unsaved_ ? QStringLiteral("The results were not printed and still count as unsaved.")
                                  : QString();
    if (print_text(results_text(), note))
        unsaved_ = false;
}

void tOutputWindow::mnuPrintSelectionClick()
{
    if (!memoResults->textCursor().hasSelection()) {
        user_messages().warning("You have not selected any text.");
        return;
    }
    print_text(selection_text());
}

void tOutputWindow::mnuProfileChartClick()
{
    if (!last_chart_)
        return;
    if (!chart_window_)
        chart_window_ = new tChartWindow(*save_folder_, this);
    chart_window_->set_chart(*last_chart_);
    chart_window_->exec();
}

void tOutputWindow::mnuUserGuideClick()
{
    show_user_guide_for(this);
}

void tOutputWindow::mnuAboutClick()
{
    show_about_box(this);
}
