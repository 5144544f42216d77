// Every window and dialog of the program, as a screen reader and F1 meet
// them: each accessible tree names every control and has no filler holding
// the content, and F1 opens the guide at the window's own section. The
// windows are listed once, in program_windows(); file dialogs are Qt's own
// and left out.
#include "test_worksheet_fixture.h"

#include "app/chart_window.h"
#include "app/help_window.h"
#include "app/matrix_dialog.h"
#include "app/norms_correlations_dialog.h"
#include "app/norms_dialog.h"
#include "app/norms_set_dialog.h"
#include "render/chart_data.h"

#include "../analysis/analysis_test_support.h"

#include <QAccessible>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QWindow>

#include <algorithm>
#include <functional>

namespace {

class Windows : public tWorksheetTest {
public:
    using tWorksheetTest::results;
    using tWorksheetTest::ws;
    tSaveFolder save_folder; // where the dialogs' save buttons would start
    tEntryMatrix matrix{};

protected:
    void SetUp() override
    {
        tWorksheetTest::SetUp();
        start();
    }
};

struct tWindowCase {
    const char* name;
    // The heading of the guide's section that F1 opens (from the guide);
    // nullptr where the window has no section of its own to check.
    const char* section_heading;
    // Shows the window (a dialog without its own event loop) and returns it.
    std::function<QWidget*(Windows&)> open;
};

tChartData sample_chart()
{
    tLineSink report;
    return chart_data_of(*run_analysis(make_inputs({"100", "95", "110", "60"}), report, {}).figures);
}

QWidget* shown(QWidget* window)
{
    window->show();
    return window;
}

// The program's windows and dialogs, each opened over the started program.
std::vector<tWindowCase> program_windows()
{
    return {
        {"worksheet", "The worksheet", [](Windows& t) { return shown(t.ws.get()); }},
        {"output window", "Saving and printing", [](Windows& t) { return shown(t.results.get()); }},
        {"chart window", "The profile chart",
         [](Windows& t) {
             auto* chart = new tChartWindow(t.save_folder, t.results.get());
             chart->set_chart(sample_chart());
             return shown(chart);
         }},
        {"user guide", nullptr,
         [](Windows& t) {
             show_user_guide_for(t.ws.get());
             return static_cast<QWidget*>(t.ws->findChild<tUserGuideWindow*>());
         }},
        {"About box", "Brenlow User Guide", [](Windows& t) { return shown(new_about_box(t.results.get())); }},
        {"correlation entry", "The worksheet",
         [](Windows& t) {
             return shown(new tMatrixDialog(t.matrix, 4, 4, QStringLiteral("Correlations"), true, t.ws.get(), QString()));
         }},
        {"normative data", "Normative data",
         [](Windows& t) { return shown(new tNormsDialog(t.ws->normative_sets(), t.save_folder, t.ws.get())); }},
        {"normative data set", "Normative data",
         [](Windows& t) { return shown(new tNormsSetDialog(built_in_normative_set(), {}, t.ws.get())); }},
        {"normative data correlations", "Normative data",
         [](Windows& t) {
             tNormsCorrelationsDialog::tCorrelations start{};
             for (size_t i = 0; i < start.size(); ++i)
                 start[i][i] = 1;
             return shown(new tNormsCorrelationsDialog(start, t.ws.get()));
         }},
    };
}

bool is_control(QAccessible::Role role)
{
    static const QAccessible::Role controls[] = {
        QAccessible::PushButton, QAccessible::CheckBox, QAccessible::RadioButton, QAccessible::ComboBox,
        QAccessible::EditableText, QAccessible::SpinBox, QAccessible::Slider, QAccessible::List,
        QAccessible::ListItem, QAccessible::Table, QAccessible::Cell, QAccessible::Tree, QAccessible::TreeItem,
        QAccessible::MenuItem, QAccessible::PageTab, QAccessible::Document, QAccessible::Chart, QAccessible::Link,
        QAccessible::ButtonMenu, QAccessible::ButtonDropDown};
    return std::find(std::begin(controls), std::end(controls), role) != std::end(controls);
}

// What a screen reader would miss in `face` and below it: a shown control
// (or anything that takes the focus) without a name, and a filler (a client
// area without a role of its own) that holds other objects.
void collect_faults(QAccessibleInterface* face, const QString& path, std::vector<std::string>& faults)
{
    const QAccessible::State state = face->state();
    if (state.invisible)
        return;
    const QObject* object = face->object(); // none for an item of a list or table
    const QString where = path + QLatin1Char('/')
                          + (object ? QString::fromLatin1(object->metaObject()->className()) + QLatin1Char('(')
                                          + object->objectName() + QLatin1Char(')')
                                    : QStringLiteral("item %1").arg(face->role()));
    if ((is_control(face->role()) || state.focusable) && face->text(QAccessible::Name).trimmed().isEmpty())
        faults.push_back(where.toStdString() + ": no name");
    if (face->role() == QAccessible::Client && face->childCount() > 0)
        faults.push_back(where.toStdString() + ": a filler holding " + std::to_string(face->childCount()) + " objects");
    for (int i = 0; i < face->childCount(); ++i)
        if (QAccessibleInterface* child = face->child(i))
            collect_faults(child, where, faults);
}

tUserGuideWindow* shown_guide()
{
    for (QWidget* w : QApplication::allWidgets())
        if (auto* guide = qobject_cast<tUserGuideWindow*>(w); guide && guide->isVisible())
            return guide;
    return nullptr;
}

// Whether the guide's view shows the heading `heading` as its first line,
// or, for a section too near the end for that, shows it scrolled to the end.
bool shows_section(tUserGuideWindow* guide, const QString& heading)
{
    QTextBrowser* text = guide->txtGuide;
    if (text->cursorForPosition(QPoint(2, 2)).block().text().trimmed() == heading)
        return true;
    const QScrollBar* bar = text->verticalScrollBar();
    const QTextCursor at = text->textCursor();
    return bar->value() == bar->maximum() && at.block().text().trimmed() == heading
           && text->viewport()->rect().contains(text->cursorRect(at));
}

class ProgramWindow : public Windows, public ::testing::WithParamInterface<size_t> {};

// The tree, then F1 wherever the focus is: the guide with the window's
// section at the top of its view, the cursor at its heading (where a screen
// reader begins), and Escape closes it.
TEST_P(ProgramWindow, NamesEveryControlHasNoFillerAndF1OpensItsSection)
{
    const tWindowCase c = program_windows().at(GetParam());
    QWidget* window = c.open(*this);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(window);
    ASSERT_NE(face, nullptr);
    EXPECT_FALSE(face->text(QAccessible::Name).isEmpty()) << "the window has no name";
    std::vector<std::string> faults;
    collect_faults(face, QString(), faults);
    for (const std::string& fault : faults)
        ADD_FAILURE() << fault;

    if (c.section_heading) {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        QTest::keyClick(window->windowHandle(), Qt::Key_F1);
        tUserGuideWindow* guide = shown_guide();
        ASSERT_NE(guide, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowActive(guide));
        EXPECT_TRUE(shows_section(guide, QString::fromUtf8(c.section_heading)));
        EXPECT_EQ(guide->txtGuide->textCursor().block().text().trimmed().toStdString(), c.section_heading);
        QTest::keyClick(guide->windowHandle(), Qt::Key_Escape);
        EXPECT_FALSE(guide->isVisible());
        EXPECT_EQ(messages.beeps, 0);
    }
    if (window != ws.get() && window != results.get())
        delete window;
}

INSTANTIATE_TEST_SUITE_P(Program, ProgramWindow, ::testing::Range(size_t(0), program_windows().size()),
                         [](const ::testing::TestParamInfo<size_t>& info) {
                             std::string name = program_windows().at(info.param).name;
                             std::replace(name.begin(), name.end(), ' ', '_');
                             return name;
                         });

// A message box names no section: F1 in it opens its dialog's.
TEST_F(Windows, F1InAMessageBoxOpensTheSectionOfItsDialog)
{
    tChartWindow chart(save_folder, results.get());
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Brenlow"), QStringLiteral("x"), QMessageBox::Ok, &chart);
    EXPECT_EQ(help_section_of(&box).toStdString(), "chart");
}

// Over a modal dialog, the guide belongs to that dialog, so that it takes
// keys and scrolls while the dialog waits; when the dialog closes, the
// guide stays open with the dialog's owner.
TEST_F(Windows, GuideOpenedOverAModalDialogIsUsableAndOutlivesIt)
{
    tChartWindow chart(save_folder, results.get());
    chart.set_chart(sample_chart());
    results->show();
    bool usable = false;
    on_next_active_modal([&](QWidget* modal) {
        QTest::keyClick(modal->windowHandle(), Qt::Key_F1);
        tUserGuideWindow* guide = shown_guide();
        if (guide && QTest::qWaitForWindowActive(guide)) {
            QScrollBar* bar = guide->txtGuide->verticalScrollBar();
            const int before = bar->value();
            QTest::keyClick(guide->windowHandle(), Qt::Key_PageUp); // which a blocked window would not take
            usable = bar->value() < before;
        }
        chart.cmdClose->click();
    });
    chart.exec();
    EXPECT_TRUE(usable);
    tUserGuideWindow* guide = shown_guide();
    ASSERT_NE(guide, nullptr);
    EXPECT_EQ(guide->parentWidget(), results.get());
    guide->close();
}

} // namespace
