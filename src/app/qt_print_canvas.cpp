// Printing the memo's text on a real printer.
#include "app/qt_print_canvas.h"

#include <QPainter>
#include <QPrinter>

bool print_text_on(QPrinter& printer, const QString& text)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    lay_out_printed_text(painter, printer, text);
    return painter.end();
}
