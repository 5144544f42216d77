// Printing the memo's text on a real printer, through the page layout of
// printed text (render/page_canvas.h).
#pragma once

#include "render/page_canvas.h"

#include <QString>

class QPrinter;

// Opens a job on `printer`, lays `text` out in the printed text's font in
// black and closes the job. False when the job could not be started.
bool print_text_on(QPrinter& printer, const QString& text);
