#include "app/program_windows.h"

#include "app/worksheet_window.h"
#include "app/output_window.h"

#include <QApplication>

tWorksheetWindow* theWorksheet = nullptr;
tOutputWindow* theOutputWindow = nullptr;

void bring_program_to_front()
{
    QWidget* window = QApplication::activeModalWidget();
    if (!window)
        window = theOutputWindow && theOutputWindow->isVisible()
                     ? static_cast<QWidget*>(theOutputWindow)
                     : static_cast<QWidget*>(theWorksheet);
    if (!window)
        return;
    if (window->isMinimized())
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}
