// The page layout of printed text, on a fake canvas of a fixed-pitch font:
// every character 10 units wide (a '.' only 1, to reach any x), every text 12
// high, pages 100 x 60. Expected positions are hand calculations from the
// layout rules: a drawn line is 12 + 2 = 14 high, an empty one 12.
#include "render/print_layout.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct tDrawn {
    int page;
    int x;
    int y;
    QString text;
    bool operator==(const tDrawn& o) const
    {
        return page == o.page && x == o.x && y == o.y && text == o.text;
    }
};

void PrintTo(const tDrawn& d, std::ostream* os)
{
    *os << "{page " << d.page << ", x " << d.x << ", y " << d.y << ", \"" << d.text.toStdString()
        << "\"}";
}

class tFakeCanvas final : public tPrintCanvas {
public:
    int W = 100;
    int H = 60;
    int pages = 1; // the job opens the first page
    std::vector<tDrawn> drawn;

    int text_width(const QString& text) override
    {
        int w = 0;
        for (const QChar c : text)
            w += c == QLatin1Char('.') ? 1 : 10;
        return w;
    }
    int text_height(const QString&) override { return 12; }
    int average_char_width() override { return 10; }
    int char_height() override { return 12; }
    void draw_text(int x, int y, const QString& text) override { drawn.push_back({pages, x, y, text}); }
    void new_page() override { ++pages; }
    int page_width() override { return W; }
    int page_height() override { return H; }
};

std::vector<tDrawn> lay_out(const QString& text, tFakeCanvas& canvas)
{
    print_layout(canvas, text);
    return canvas.drawn;
}

std::vector<tDrawn> lay_out(const QString& text)
{
    tFakeCanvas canvas;
    return lay_out(text, canvas);
}

} // namespace

TEST(PrintLayout, EmptyTextIsOneEmptyPage)
{
    tFakeCanvas canvas;
    EXPECT_TRUE(lay_out("", canvas).empty());
    EXPECT_EQ(canvas.pages, 1);
}

TEST(PrintLayout, RunIsDrawnAtTheTopLeftCorner)
{
    tFakeCanvas canvas;
    EXPECT_EQ(lay_out("ABC\r\n", canvas), (std::vector<tDrawn>{{1, 0, 0, "ABC"}}));
    EXPECT_EQ(canvas.pages, 1);
}

// --- Control characters ---------------------------------------------------

TEST(PrintLayout, CarriageReturnAloneEndsTheRunWithoutMoving)
{
    EXPECT_EQ(lay_out("AB\rCD"), (std::vector<tDrawn>{{1, 0, 0, "AB"}, {1, 20, 0, "CD"}}));
}

TEST(PrintLayout, LineFeedStartsANewLineOneDrawnLineHeightLower)
{
    // h = 12 + 2 after "AB": the next line starts at y = 14, x = 0.
    const std::vector<tDrawn> expected{{1, 0, 0, "AB"}, {1, 0, 14, "CD"}};
    EXPECT_EQ(lay_out("AB\nCD"), expected);
    EXPECT_EQ(lay_out("AB\r\nCD"), expected);
}

TEST(PrintLayout, EmptyLinesAdvanceByTheCharacterHeight)
{
    // Two empty lines: y = 12, 24.
    EXPECT_EQ(lay_out("\n\nA"), (std::vector<tDrawn>{{1, 0, 24, "A"}}));
    // A drawn line (14) then an empty one (12): y = 26.
    EXPECT_EQ(lay_out("A\r\n\r\nB"), (std::vector<tDrawn>{{1, 0, 0, "A"}, {1, 0, 26, "B"}}));
}

TEST(PrintLayout, FormFeedStartsANewPageAtTheTopLeft)
{
    tFakeCanvas canvas;
    EXPECT_EQ(lay_out("AB\fC", canvas), (std::vector<tDrawn>{{1, 0, 0, "AB"}, {2, 0, 0, "C"}}));
    EXPECT_EQ(canvas.pages, 2);
}

// --- Tab stops: x = x + t - ((x + t + 1) mod t) + 1 with t = 8 x 10 = 80 -----

TEST(PrintLayout, TabFromTheLineStartGoesTo80)
{
    // 0 + 80 - (81 mod 80) + 1 = 80
    EXPECT_EQ(lay_out("\tX"), (std::vector<tDrawn>{{1, 80, 0, "X"}}));
}

TEST(PrintLayout, TabInsideTheFirstStopGoesTo80)
{
    // x = 10: 10 + 80 - (91 mod 80) + 1 = 80;  x = 78: 78 + 80 - (159 mod 80) + 1 = 80
    EXPECT_EQ(lay_out("A\tX"), (std::vector<tDrawn>{{1, 0, 0, "A"}, {1, 80, 0, "X"}}));
    EXPECT_EQ(lay_out("AAAAAAA........\tX"),
              (std::vector<tDrawn>{{1, 0, 0, "AAAAAAA........"}, {1, 80, 0, "X"}}));
}

TEST(PrintLayout, TabOneUnitBeforeAStopSkipsIt)
{
    // x = 79: 79 + 80 - (160 mod 80) + 1 = 160, past W = 100, so a new line
    // (the drawn run made h = 14).
    EXPECT_EQ(lay_out("AAAAAAA.........\tX"),
              (std::vector<tDrawn>{{1, 0, 0, "AAAAAAA........."}, {1, 0, 14, "X"}}));
}

TEST(PrintLayout, TabPastTheRightEdgeStartsANewLine)
{
    // x = 80: 80 + 80 - (161 mod 80) + 1 = 160 > 100.
    EXPECT_EQ(lay_out("AAAAAAAA\tX"), (std::vector<tDrawn>{{1, 0, 0, "AAAAAAAA"}, {1, 0, 14, "X"}}));
}

TEST(PrintLayout, TabWithoutTextBeforeItStartsTheNewLineByTheCharacterHeight)
{
    // Two tabs: 0 -> 80 -> 160 > 100; nothing drawn, so h = 0 and y = 12.
    EXPECT_EQ(lay_out("\t\tX"), (std::vector<tDrawn>{{1, 0, 12, "X"}}));
}

// --- Wrapping at the right edge, character by character ---------------------

TEST(PrintLayout, LongLineWrapsCharacterByCharacter)
{
    // 25 characters of 10 on a width of 100: 10 + 10 + 5.
    EXPECT_EQ(lay_out("ABCDEFGHIJKLMNOPQRSTUVWXY"),
              (std::vector<tDrawn>{{1, 0, 0, "ABCDEFGHIJ"}, {1, 0, 14, "KLMNOPQRST"}, {1, 0, 28, "UVWXY"}}));
}

TEST(PrintLayout, RunThatExactlyFillsTheLineDoesNotWrap)
{
    // x + width = 100 is not past W.
    EXPECT_EQ(lay_out("ABCDEFGHIJ\r\nK"), (std::vector<tDrawn>{{1, 0, 0, "ABCDEFGHIJ"}, {1, 0, 14, "K"}}));
}

TEST(PrintLayout, RunAfterATabKeepsWhatFitsAndWrapsTheRest)
{
    // After the tab x = 80: "AB" fits (80 + 20 = 100), "CDE" goes on.
    EXPECT_EQ(lay_out("12345\tABCDE"),
              (std::vector<tDrawn>{{1, 0, 0, "12345"}, {1, 80, 0, "AB"}, {1, 0, 14, "CDE"}}));
}

TEST(PrintLayout, RunThatFitsNothingAtTheEndOfALineMovesWhole)
{
    // x = 95 after "AAAAAAAAA.....": not even one character fits, so the
    // whole run starts the next line.
    EXPECT_EQ(lay_out("AAAAAAAAA.....\rBC"),
              (std::vector<tDrawn>{{1, 0, 0, "AAAAAAAAA....."}, {1, 0, 14, "BC"}}));
}

TEST(PrintLayout, CharacterWiderThanThePageIsPrintedOneALine)
{
    tFakeCanvas canvas;
    canvas.W = 5;
    EXPECT_EQ(lay_out("AB", canvas), (std::vector<tDrawn>{{1, 0, 0, "A"}, {1, 0, 14, "B"}}));
}

// --- New pages ---------------------------------------------------------------

TEST(PrintLayout, PageBreaksAsSoonAsYPassesHeightLessTwoLineHeights)
{
    // H - 2h = 60 - 28 = 32: after lines at 0 and 14, y = 28 stays; after the
    // line at 28, y = 42 > 32 starts page 2.
    tFakeCanvas canvas;
    EXPECT_EQ(lay_out("L1\nL2\nL3\nL4\nL5", canvas),
              (std::vector<tDrawn>{{1, 0, 0, "L1"}, {1, 0, 14, "L2"}, {1, 0, 28, "L3"}, {2, 0, 0, "L4"},
                                   {2, 0, 14, "L5"}}));
    EXPECT_EQ(canvas.pages, 2);
}

TEST(PrintLayout, YEqualToHeightLessTwoLineHeightsStaysOnThePage)
{
    // H = 56: after the line at 14, y = 28 = 56 - 28 is not past it.
    tFakeCanvas canvas;
    canvas.H = 56;
    EXPECT_EQ(lay_out("L1\nL2\nL3\nL4", canvas),
              (std::vector<tDrawn>{{1, 0, 0, "L1"}, {1, 0, 14, "L2"}, {1, 0, 28, "L3"}, {2, 0, 0, "L4"}}));
}

TEST(PrintLayout, WrappedLinesBreakThePageLikeAnyOther)
{
    // 45 characters: lines of 10 at y = 0, 14, 28; the fourth on page 2.
    tFakeCanvas canvas;
    const QString text(45, QLatin1Char('W'));
    const std::vector<tDrawn> drawn = lay_out(text, canvas);
    ASSERT_EQ(drawn.size(), 5u);
    EXPECT_EQ(drawn[2], (tDrawn{1, 0, 28, QString(10, QLatin1Char('W'))}));
    EXPECT_EQ(drawn[3], (tDrawn{2, 0, 0, QString(10, QLatin1Char('W'))}));
    EXPECT_EQ(drawn[4], (tDrawn{2, 0, 14, QString(5, QLatin1Char('W'))}));
}

TEST(PrintLayout, EmptyLinesBreakThePageOnlyPastItsBottom)
{
    // With h = 0 the limit is H itself: y = 12 .. 60 stay, the sixth empty
    // line (y = 72) starts page 2.
    tFakeCanvas canvas;
    EXPECT_EQ(lay_out("\n\n\n\n\n\nA", canvas), (std::vector<tDrawn>{{2, 0, 0, "A"}}));
    EXPECT_EQ(canvas.pages, 2);
}

TEST(PrintLayout, LineThatWouldRunOffTheBottomGoesToTheNextPage)
{
    // Four empty lines reach y = 48; a text 12 high there would end at 60 and
    // fits; at y = 60 (five empty lines) it would be cut off.
    EXPECT_EQ(lay_out("\n\n\n\nA"), (std::vector<tDrawn>{{1, 0, 48, "A"}}));
    tFakeCanvas canvas;
    EXPECT_EQ(lay_out("\n\n\n\n\nA\nB", canvas), (std::vector<tDrawn>{{2, 0, 0, "A"}, {2, 0, 14, "B"}}));
    EXPECT_EQ(canvas.pages, 2);
}

TEST(PrintLayout, TrailingLineEndThatBreaksThePageLeavesAnEmptyLastPage)
{
    // The third line's line end starts page 2 before anything is on it.
    tFakeCanvas canvas;
    lay_out("L1\r\nL2\r\nL3\r\n", canvas);
    EXPECT_EQ(canvas.pages, 2);
}
