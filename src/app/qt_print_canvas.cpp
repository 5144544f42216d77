// The print canvas on a real printer.
#include "app/qt_print_canvas.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

QFont printed_text_font()
{
    QFont font(QStringLiteral("Liberation Mono"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(8);
    return font;
}

tQtPrintCanvas::tQtPrintCanvas(QPainter& painter, QPrinter& printer)
    : painter_(painter), printer_(printer)
{
}

int tQtPrintCanvas::text_width(const QString& text)
{
    return painter_.fontMetrics().horizontalAdvance(text);
}

// The height of a line of text, whatever its characters.
int tQtPrintCanvas::text_height(const QString&)
{
    return painter_.fontMetrics().height();
}

int tQtPrintCanvas::average_char_width()
{
    return painter_.fontMetrics().averageCharWidth();
}

int tQtPrintCanvas::char_height()
{
    return painter_.fontMetrics().height();
}

// QPainter places text on its baseline; the layout gives the top-left corner.
void tQtPrintCanvas::draw_text(int x, int y, const QString& text)
{
    painter_.drawText(x, y + painter_.fontMetrics().ascent(), text);
}

void tQtPrintCanvas::new_page()
{
    printer_.newPage();
}

int tQtPrintCanvas::page_width()
{
    return printer_.width();
}

int tQtPrintCanvas::page_height()
{
    return printer_.height();
}

bool print_text_on(QPrinter& printer, const QString& text)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    painter.setFont(printed_text_font());
    painter.setPen(Qt::black);
    tQtPrintCanvas canvas(painter, printer);
    print_layout(canvas, text);
    return painter.end();
}
