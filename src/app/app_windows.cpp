#include "app/app_windows.h"

#include "app/worksheet_window.h"
#include "app/TemplateResults.h"

#include <QApplication>

tWorksheetWindow* theWorksheet = nullptr;
TfrmTemplateResults* frmTemplateResults = nullptr;

void bring_program_to_front()
{
    QWidget* window = QApplication::activeModalWidget();
    if (!window)
        window = frmTemplateResults && frmTemplateResults->isVisible()
                     ? static_cast<QWidget*>(frmTemplateResults)
                     : static_cast<QWidget*>(theWorksheet);
    if (!window)
        return;
    if (window->isMinimized())
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}
