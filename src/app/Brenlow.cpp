// Program entry of the desktop calculator.
#include <QApplication>
#include <QMainWindow>

#include "methods/worksheet_config.h"

int main(int argc, char** argv)
{
    set_program_strings();
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QString::fromStdString(AppTitle));
    window.resize(792, 573);
    window.show();
    return app.exec();
}
