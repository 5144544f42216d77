// The page layout of printed text: runs of characters drawn line by line on
// the printable area of each page, in the printer's own integer units, from
// its top-left corner and without margins. Carriage return, line feed, tab
// and form feed steer the position; lines wider than the page wrap at its
// right edge, character by character.
//
// The layout draws on a small canvas interface, so that it runs the same on a
// printer or a PDF file (page_canvas.h) and on a fake canvas in the tests.
#pragma once

#include <QString>

#include <memory>

class tPrintCanvas {
public:
    virtual ~tPrintCanvas() = default;
    // Measured extent of `text` in the current font.
    virtual int text_width(const QString& text) = 0;
    virtual int text_height(const QString& text) = 0;
    // The font's average character width and character height.
    virtual int average_char_width() = 0;
    virtual int char_height() = 0;
    // Draws `text` with its top-left corner at (x, y).
    virtual void draw_text(int x, int y, const QString& text) = 0;
    // Finishes the current page and begins a new one. The first page is
    // begun by whoever opens the job, so an empty text still gives one page.
    virtual void new_page() = 0;
    // Width and height of the printable area.
    virtual int page_width() = 0;
    virtual int page_height() = 0;
};

// The same layout for a text that comes in pieces (a batch's reports as
// each is done): the pieces laid out one after the other are laid out as
// their whole would be.
class tPrintLayout {
public:
    explicit tPrintLayout(tPrintCanvas& canvas);
    ~tPrintLayout();
    tPrintLayout(const tPrintLayout&) = delete;
    tPrintLayout& operator=(const tPrintLayout&) = delete;

    void add(const QString& text);
    // Draws what the last piece left unended.
    void finish();

private:
    class tPageLayout;
    std::unique_ptr<tPageLayout> layout_;
};

// Lays `text` out on `canvas` from the top-left corner of the current page.
// Codes 13, 10, 9 and 12 are carriage return (ends a run), line feed (new
// line), tab (next tab stop) and form feed (new page); every other character
// is printed.
void print_layout(tPrintCanvas& canvas, const QString& text);
