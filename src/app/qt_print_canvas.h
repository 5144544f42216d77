// The print canvas on a real printer: QPainter on a QPrinter, in the
// printer's device units, with the printed text's fixed-pitch font.
#pragma once

#include "app/print_layout.h"

#include <QFont>
#include <QString>

class QPainter;
class QPrinter;

// The memo's font for printing: "Courier New" (Liberation Mono has the same
// metrics) at 8 points.
QFont printed_text_font();

class tQtPrintCanvas final : public tPrintCanvas {
public:
    // `painter` is active on `printer`, its font and pen already set.
    tQtPrintCanvas(QPainter& painter, QPrinter& printer);

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
    QPrinter& printer_;
};

// Opens a job on `printer`, lays `text` out in the printed text's font in
// black and closes the job. False when the job could not be started.
bool print_text_on(QPrinter& printer, const QString& text);
