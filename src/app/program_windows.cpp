#include "app/program_windows.h"

#include <QApplication>
#include <QWidget>

void bring_program_to_front(QWidget* worksheet, QWidget* output)
{
    QWidget* window = QApplication::activeModalWidget();
    if (!window)
        window = output && output->isVisible() ? output : worksheet;
    if (!window)
        return;
    if (window->isMinimized())
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}
