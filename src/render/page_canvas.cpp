// The print canvas on a paged paint device.
#include "render/page_canvas.h"

#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPainter>

QFont printed_text_font()
{
    QFont font(QStringLiteral("Liberation Mono"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(8);
    return font;
}

tPagedCanvas::tPagedCanvas(QPainter& painter, QPagedPaintDevice& device)
    : painter_(painter), device_(device)
{
}

int tPagedCanvas::text_width(const QString& text)
{
    return painter_.fontMetrics().horizontalAdvance(text);
}

// The height of a line of text, whatever its characters.
int tPagedCanvas::text_height(const QString&)
{
    return painter_.fontMetrics().height();
}

int tPagedCanvas::average_char_width()
{
    return painter_.fontMetrics().averageCharWidth();
}

int tPagedCanvas::char_height()
{
    return painter_.fontMetrics().height();
}

// QPainter places text on its baseline; the layout gives the top-left corner.
void tPagedCanvas::draw_text(int x, int y, const QString& text)
{
    painter_.drawText(x, y + painter_.fontMetrics().ascent(), text);
}

void tPagedCanvas::new_page()
{
    device_.newPage();
}

// A paged device's width and height are those of its printable area.
int tPagedCanvas::page_width()
{
    return device_.width();
}

int tPagedCanvas::page_height()
{
    return device_.height();
}

void lay_out_printed_text(QPainter& painter, QPagedPaintDevice& device, const QString& text)
{
    painter.setFont(printed_text_font());
    painter.setPen(Qt::black);
    tPagedCanvas canvas(painter, device);
    print_layout(canvas, text);
}
