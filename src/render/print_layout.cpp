// The page layout of printed text over the canvas interface.
#include "render/print_layout.h"

class tPrintLayout::tPageLayout {
public:
    explicit tPageLayout(tPrintCanvas& canvas)
        : canvas_(canvas), W_(canvas.page_width()), H_(canvas.page_height())
    {
    }

    // A run that no control character has ended yet waits for the next text.
    void add(const QString& text)
    {
        QString& run = run_;
        for (const QChar c : text) {
            switch (c.unicode()) {
            case 13:
                draw_run(run);
                break;
            case 10:
                draw_run(run);
                new_line();
                break;
            case 9:
                draw_run(run);
                tab();
                break;
            case 12:
                draw_run(run);
                new_page();
                break;
            default:
                run += c;
            }
        }
    }

    void finish() { draw_run(run_); }

private:
    tPrintCanvas& canvas_;
    QString run_;
    const int W_;
    const int H_;
    int x_ = 0;
    int y_ = 0;
    int h_ = 0; // height of the current line; 0 while nothing is drawn on it

    // Draws the run, continuing on new lines what does not fit on this one,
    // and leaves it empty.
    void draw_run(QString& run)
    {
        while (!run.isEmpty()) {
            QString part = longest_fitting_prefix(run);
            // A character wider than the whole page would never fit: print it
            // overhanging rather than start new lines for ever.
            if (part.isEmpty() && x_ == 0)
                part = first_char(run);
            const int part_height = canvas_.text_height(part);
            // Empty lines move down by the character height and break the
            // page only past its bottom, so a line can begin too low to fit
            // on the page; it goes to the next page instead of being cut off.
            if (x_ == 0 && y_ > 0 && y_ + part_height > H_)
                new_page();
            if (part_height > h_)
                h_ = part_height + 2;
            if (!part.isEmpty())
                canvas_.draw_text(x_, y_, part);
            if (part.size() < run.size()) {
                run.remove(0, part.size());
                new_line();
            } else {
                x_ += canvas_.text_width(part);
                run.clear();
            }
        }
    }

    // The run less as many last characters as must go for it to fit between
    // x and the right edge. Widths grow with the length, so a binary search
    // finds the length that dropping one character at a time would reach,
    // without measuring a long line once per character.
    QString longest_fitting_prefix(const QString& run)
    {
        const auto fits = [this](const QString& s) { return x_ + canvas_.text_width(s) <= W_; };
        if (fits(run))
            return run;
        int lo = 0;               // a prefix of this length fits
        int hi = int(run.size()); // one of this length does not
        while (hi - lo > 1) {
            const int mid = lo + (hi - lo) / 2;
            if (fits(run.left(mid)))
                lo = mid;
            else
                hi = mid;
        }
        QString part = run.left(lo);
        if (!part.isEmpty() && part.back().isHighSurrogate())
            part.chop(1); // never split a surrogate pair
        return part;
    }

    // Next tab stop, t being eight average characters wide.
    void tab()
    {
        int t = 8 * canvas_.average_char_width();
        if (t < 1)
            t = 1; // a font without width must not divide by zero
        x_ = x_ + t - ((x_ + t + 1) % t) + 1;
        if (x_ > W_)
            new_line();
    }

    void new_line()
    {
        x_ = 0;
        y_ += h_ != 0 ? h_ : canvas_.char_height();
        if (y_ > H_ - 2 * h_)
            new_page();
        h_ = 0;
    }

    void new_page()
    {
        x_ = 0;
        y_ = 0;
        canvas_.new_page();
    }

    // One character, a surrogate pair kept whole.
    static QString first_char(const QString& s)
    {
        const int n = s.size() > 1 && s[0].isHighSurrogate() && s[1].isLowSurrogate() ? 2 : 1;
        return s.left(n);
    }

};

tPrintLayout::tPrintLayout(tPrintCanvas& canvas) : layout_(std::make_unique<tPageLayout>(canvas)) {}

tPrintLayout::~tPrintLayout() = default;

void tPrintLayout::add(const QString& text)
{
    layout_->add(text);
}

void tPrintLayout::finish()
{
    layout_->finish();
}

void print_layout(tPrintCanvas& canvas, const QString& text)
{
    tPrintLayout layout(canvas);
    layout.add(text);
    layout.finish();
}
