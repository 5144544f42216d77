// The windows on a screen smaller than their designed size (a scale factor
// of 1.5 on 1024 x 768 leaves 682 x 512 logical pixels): they fit, frame
// included, their controls keep their designed sizes and scroll, and the
// focused control is scrolled into view. Where they fit, nothing changes.
#include "app/chart_window.h"
#include "app/screen_fit.h"
#include "test_worksheet_fixture.h"

#include <QScrollArea>
#include <QScrollBar>

namespace {

const QRect small_screen(0, 0, 682, 512);
const QSize frame(8, 32);

// The window with its frame lies wholly inside the screen's available area.
bool fits(QWidget* window, const QRect& screen)
{
    return screen.contains(QRect(window->pos(), window->size() + frame));
}

// The part of `widget` that the scroll area's viewport shows.
bool in_view(QScrollArea* area, QWidget* widget)
{
    const QRect shown(widget->mapTo(area->viewport(), QPoint(0, 0)), widget->size());
    return area->viewport()->rect().contains(shown);
}

} // namespace

TEST_F(tWorksheetTest, WorksheetFitsASmallScreenAndScrollsToTheFocus)
{
    start();
    const QSize client = ws->size();
    const QSize compute = ws->cmdCompute->size();
    ASSERT_TRUE(fit_window_to(ws.get(), small_screen, frame));
    EXPECT_TRUE(fits(ws.get(), small_screen));

    auto* area = ws->findChild<QScrollArea*>();
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(area->widget()->size(), client); // the designed client area, scrolled
    EXPECT_EQ(ws->cmdCompute->size(), compute);
    EXPECT_TRUE(ws->txtInput1->isVisible());
    EXPECT_FALSE(ws->txtInput5->isVisible()); // hidden ones stay hidden

    // Compute lies below and right of the first view; Tab to it scrolls.
    ws->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(ws.get()));
    ws->cmdCompute->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(QTest::qWaitFor([&] { return in_view(area, ws->cmdCompute); }));
    ws->txtInput1->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(QTest::qWaitFor([&] { return in_view(area, ws->txtInput1); }));
}

TEST_F(tWorksheetTest, OutputWindowFitsASmallScreenWithItsMenuBar)
{
    start();
    const QSize client = results->centralWidget()->size();
    const QSize memo = results->memoResults->size();
    ASSERT_TRUE(fit_window_to(results.get(), small_screen, frame));
    EXPECT_TRUE(fits(results.get(), small_screen));
    auto* area = qobject_cast<QScrollArea*>(results->centralWidget());
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(area->widget()->size(), client);
    EXPECT_EQ(results->memoResults->size(), memo);
}

// The chart is drawn smaller, whole with its legend, and nothing scrolls.
TEST_F(tWorksheetTest, ChartWindowFitsASmallScreenWhole)
{
    start();
    tSaveFolder save_folder;
    tChartWindow chart(save_folder);
    chart.fit_chart_to(small_screen, frame);
    EXPECT_LE(chart.width() + frame.width(), small_screen.width());
    EXPECT_LE(chart.height() + frame.height(), small_screen.height());
    EXPECT_EQ(chart.findChild<QScrollArea*>(), nullptr);
    const QSize view = chart.pnlChart->size();
    EXPECT_NEAR(double(view.width()) / view.height(), 800.0 / 600.0, 0.01); // the chart's shape
    EXPECT_TRUE(chart.rect().contains(chart.pnlChart->geometry()));
    for (QPushButton* button : {chart.cmdSaveChart, chart.cmdClose}) {
        EXPECT_TRUE(chart.rect().contains(button->geometry()));
        EXPECT_GE(button->y(), chart.pnlChart->geometry().bottom());
    }
}

TEST_F(tWorksheetTest, WindowsThatFitAreLeftAsDesigned)
{
    start();
    const QRect screen(0, 0, 1024, 768);
    const QSize designed = ws->size();
    EXPECT_FALSE(fit_window_to(ws.get(), screen, frame));
    EXPECT_FALSE(fit_window_to(results.get(), screen, frame));
    EXPECT_TRUE(fits(ws.get(), screen));
    EXPECT_TRUE(fits(results.get(), screen));
    EXPECT_EQ(ws->size(), designed);
    EXPECT_EQ(ws->findChild<QScrollArea*>(), nullptr);
    EXPECT_EQ(qobject_cast<QScrollArea*>(results->centralWidget()), nullptr);
}
