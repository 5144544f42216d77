// The print canvas on any paged paint device (a printer, a PDF writer):
// QPainter in the device's own units, with the printed text's fixed-pitch
// font.
#pragma once

#include "render/print_layout.h"

#include <QFont>
#include <QString>

class QPagedPaintDevice;
class QPainter;

// The memo's font for printing: "Courier New" (Liberation Mono has the same
// metrics) at 8 points.
QFont printed_text_font();

class tPagedCanvas final : public tPrintCanvas {
public:
    // `painter` is active on `device`, its font and pen already set.
    tPagedCanvas(QPainter& painter, QPagedPaintDevice& device);

    int text_width(const QString& text) override;
    int text_height(const QString& text) override;
    int average_char_width() override;
    int char_height() override;
    void draw_text(int x, int y, const QString& text) override;
    void new_page() override;
    int page_width() override;
    int page_height() override;

private:
    QPainter& painter_;
    QPagedPaintDevice& device_;
};

// Lays `text` out in the printed text's font, in black, from the top of the
// current page of `device`, on which `painter` is active.
void lay_out_printed_text(QPainter& painter, QPagedPaintDevice& device, const QString& text);
