// The output window driven through its real widgets: the memo as report
// sink, Clear Results, Save Output (the file dialog answered through its
// file name field), Print Selection without a selection, no default printer,
// Return to Worksheet and Exit.
#include "app/help_window.h"
#include "app/output_window.h"
#include "app/qt_messages.h"
#include "app/worksheet_window.h"
#include "common/program_title.h"
#include "modal_helper.h"

#include <QApplication>
#include <QDate>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

// Readable QStrings in failure messages.
void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

void append_lines(tReportSink& sink, const std::vector<std::string>& lines)
{
    for (const auto& line : lines)
        sink.append(line);
}

QByteArray file_bytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

class OutputWindow : public ::testing::Test {
protected:
    tQtUserMessages qt_messages;
    tScopedUserMessages seam{qt_messages};
    tOutputWindow window;
    QTemporaryDir dir;

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
    }
    QString path(const QString& name) const { return dir.filePath(name); }
};

} // namespace

// --- Creation and layout -------------------------------------------------------

TEST_F(OutputWindow, CreatedHiddenWithAnEmptyMemoAndTheCaptionOutput)
{
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), "Output");
    EXPECT_TRUE(window.memoResults->toPlainText().isEmpty());
    EXPECT_FALSE(window.report_sink().has_lines());
    EXPECT_FALSE(window.memoResults->isReadOnly());
}

TEST_F(OutputWindow, FixedClientAreaBelowTheMenuBar)
{
    EXPECT_EQ(window.centralWidget()->size(), QSize(792, 554));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_EQ(window.height(), 554 + window.menuBar()->sizeHint().height());
}

TEST_F(OutputWindow, NoCloseBoxNoSystemMenu)
{
    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowSystemMenuHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
}

TEST_F(OutputWindow, ButtonsMenuAndFontsAsDesigned)
{
    const struct {
        QPushButton* button;
        const char* caption;
        int left;
    } buttons[] = {{window.cmdSaveOutput, "Save Output", 28},
                   {window.cmdClearResults, "Clear Results", 220},
                   {window.cmdReturn, "Return to Worksheet", 411},
                   {window.cmdExit, "Exit", 603}};
    for (const auto& b : buttons) {
        EXPECT_EQ(b.button->text(), b.caption);
        EXPECT_EQ(b.button->geometry(), QRect(b.left, 488, 161, 37)) << b.caption;
        EXPECT_TRUE(b.button->font().bold()) << b.caption;
        EXPECT_EQ(b.button->font().pixelSize(), 13) << b.caption;
    }
    EXPECT_EQ(window.memoResults->font().family(), "Liberation Mono");
    EXPECT_EQ(window.memoResults->font().pixelSize(), 11); // the longest line fits
    EXPECT_EQ(window.memoResults->mapTo(window.centralWidget(), QPoint(0, 0)), QPoint(8, 10));
    EXPECT_EQ(window.memoResults->size(), QSize(769, 452));

    // The captions as shown (an access key's "&" only underlines a letter),
    // each menu and item with an access key of its own.
    const auto shown = [](const QAction* a) { return QString(a->text()).remove(QLatin1Char('&')); };
    const auto access_key = [](const QAction* a) {
        const int at = a->text().indexOf(QLatin1Char('&'));
        return at < 0 ? QChar() : a->text().at(at + 1).toUpper();
    };
    const QList<QAction*> menus = window.menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(shown(menus[0]), "Printer options...");
    const QList<QAction*> items = menus[0]->menu()->actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0], window.mnuPrint);
    EXPECT_EQ(shown(items[0]), "Print All");
    EXPECT_EQ(items[1], window.mnuPrintSelection);
    EXPECT_EQ(shown(items[1]), "Print Selection");
    EXPECT_EQ(items[2], window.mnuSaveAsPdf);
    EXPECT_EQ(shown(items[2]), "Save as PDF...");
    EXPECT_EQ(items[3], window.mnuSaveAsDocument);
    EXPECT_EQ(shown(items[3]), "Save as document...");
    EXPECT_EQ(shown(menus[1]), "Chart");
    EXPECT_EQ(menus[1]->menu()->actions(), QList<QAction*>{window.mnuProfileChart});
    EXPECT_EQ(shown(window.mnuProfileChart), "Profile Chart...");
    EXPECT_EQ(shown(menus[2]), "Help");
    const QList<QAction*> help = menus[2]->menu()->actions();
    EXPECT_EQ(help, (QList<QAction*>{window.mnuUserGuide, window.mnuAbout}));
    for (const QList<QAction*>& group : {menus, items, help}) {
        QSet<QChar> keys;
        for (const QAction* a : group) {
            EXPECT_FALSE(access_key(a).isNull()) << shown(a).toStdString();
            keys.insert(access_key(a));
        }
        EXPECT_EQ(keys.size(), group.size()); // none shared within a menu
    }
}

TEST_F(OutputWindow, FirstShownWithTheFocusOnReturnToWorksheet)
{
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.focusWidget(), window.cmdReturn);
    // Its focus mark shows at once, not only after a Tab: the style draws it
    // for a window whose focus came by keyboard.
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_TRUE(QTest::qWaitFor([this] { return window.testAttribute(Qt::WA_KeyboardFocusChange); }));
    EXPECT_EQ(window.focusWidget(), window.cmdReturn);
}

// F10 and Alt with a menu's access key open the menu bar's menus.
TEST_F(OutputWindow, MenusOpenFromTheKeyboard)
{
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QMenu* printer_options = window.menuBar()->actions().at(0)->menu();
    QTest::keyClick(window.cmdReturn, Qt::Key_F10);
    EXPECT_EQ(window.menuBar()->activeAction(), window.menuBar()->actions().at(0));
    QTest::keyClick(window.menuBar(), Qt::Key_Escape);

    QTest::keyClick(window.cmdReturn, Qt::Key_P, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([printer_options] { return printer_options->isVisible(); }));
    printer_options->close();
}

// F1 opens the guide bundled in the program, in a window of its own; About
// gives the version, the build date and the licence.
TEST_F(OutputWindow, F1OpensTheBundledGuideAndAboutNamesVersionDateAndLicence)
{
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(window.cmdReturn, Qt::Key_F1);
    auto* guide = window.findChild<tUserGuideWindow*>();
    ASSERT_NE(guide, nullptr);
    EXPECT_TRUE(guide->isVisible() && guide->isWindow());
    const QString text = guide->txtGuide->toPlainText();
    for (const char* part : {"Reading a base rate", "13.74%", "Save as PDF", "Profile Chart", "brenlow-report",
                             "orvane_index.txt", "Bonferroni", "Mahalanobis"})
        EXPECT_TRUE(text.contains(QLatin1String(part))) << part;
    QTest::keyClick(window.cmdReturn, Qt::Key_F1); // the same window again
    EXPECT_EQ(window.findChildren<tUserGuideWindow*>().size(), 1);
    guide->close();

    tSeenBox about;
    answer_next_box(QStringLiteral("OK"), &about);
    window.mnuAbout->trigger();
    EXPECT_EQ(about.title, "About Brenlow");
    EXPECT_TRUE(about.text.contains("Brenlow " BRENLOW_VERSION));
    EXPECT_TRUE(about.text.contains(QStringLiteral("Built on ") + QLatin1String(BRENLOW_BUILD_DATE)));
    // The date in the PDF footer's form: "8 December 2026", no leading zero.
    const QDate built = QDate::fromString(QStringLiteral(BRENLOW_BUILD_DATE), QStringLiteral("d MMMM yyyy"));
    EXPECT_EQ(QLocale::c().toString(built, QStringLiteral("d MMMM yyyy")).toStdString(), BRENLOW_BUILD_DATE);
    EXPECT_TRUE(about.text.contains("MIT License"));
}

TEST_F(OutputWindow, CloseRequestWhileShownIsRefused)
{
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
}

// --- The memo as report sink ----------------------------------------------------

TEST_F(OutputWindow, SinkAppendsLinesAndAFirstEmptyLineCounts)
{
    tReportSink& sink = window.report_sink();
    sink.append("");
    EXPECT_TRUE(sink.has_lines());
    sink.append("Brenlow");
    sink.append("");
    sink.append(" INPUTS:");
    EXPECT_EQ(window.memoResults->toPlainText(), "\nBrenlow\n\n INPUTS:");
    EXPECT_EQ(window.memoResults->document()->blockCount(), 4);
}

TEST_F(OutputWindow, TwoReportsStayOneAfterTheOther)
{
    tReportSink& sink = window.report_sink();
    append_lines(sink, {"", "first report", "end one"});
    append_lines(sink, {"", "second report", "end two"});
    EXPECT_EQ(window.results_text(), "\r\nfirst report\r\nend one\r\n\r\nsecond report\r\nend two");
}

TEST_F(OutputWindow, ReportLinesAreReadAsUtf8)
{
    window.report_sink().append("r\xC3\xA9sum\xC3\xA9 \xC2\xB1 2");
    EXPECT_EQ(window.memoResults->toPlainText(), QString::fromUtf8("résumé ± 2"));
}

TEST_F(OutputWindow, ClearResultsEmptiesTheMemoAndTheNextReportStandsAlone)
{
    tReportSink& sink = window.report_sink();
    append_lines(sink, {"", "first report"});
    window.cmdClearResults->click();
    EXPECT_TRUE(window.memoResults->toPlainText().isEmpty());
    EXPECT_FALSE(sink.has_lines());
    append_lines(sink, {"", "second report"});
    EXPECT_EQ(window.results_text(), "\r\nsecond report");
}

TEST_F(OutputWindow, ClearResultsForgetsAHeldEmptyLine)
{
    window.report_sink().append("");
    window.cmdClearResults->click();
    EXPECT_FALSE(window.report_sink().has_lines());
    window.report_sink().append("alone");
    EXPECT_EQ(window.memoResults->toPlainText(), "alone");
}

TEST_F(OutputWindow, TextTypedIntoTheMemoCountsAsLines)
{
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.memoResults->setFocus();
    QTest::keyClicks(window.memoResults, "note");
    EXPECT_TRUE(window.report_sink().has_lines());
    window.report_sink().append("report");
    EXPECT_EQ(window.memoResults->toPlainText(), "note\nreport");
}

TEST_F(OutputWindow, SelectionTextUsesCarriageReturnLineFeed)
{
    append_lines(window.report_sink(), {"alpha", "beta", "gamma"});
    QTextCursor cursor(window.memoResults->document());
    cursor.setPosition(2);
    cursor.setPosition(8, QTextCursor::KeepAnchor); // "pha" + line end + "be"
    window.memoResults->setTextCursor(cursor);
    EXPECT_EQ(window.selection_text(), "pha\r\nbe");
}

// --- Save Output -----------------------------------------------------------------

TEST_F(OutputWindow, SaveWritesTheTextWithCrLfAndNothingAdded)
{
    append_lines(window.report_sink(), {"", "A line", "", "\xC3\xA9nd"});
    tSaveDialogSeen seen;
    answer_save_dialog(path("out.txt"), &seen);
    window.cmdSaveOutput->click();
    ASSERT_TRUE(seen.seen);
    EXPECT_EQ(seen.proposed_name, "results.txt");
    // UTF-8 bytes, no final line end.
    EXPECT_EQ(file_bytes(path("out.txt")), QByteArray("\r\nA line\r\n\r\n\xC3\xA9nd"));
}

// Each kind of save proposes its own last file; the first save of a kind
// opens in the folder of the last file saved, not where the program started.
TEST_F(OutputWindow, FirstSaveOfAKindOpensWhereTheLastFileWasSaved)
{
    window.report_sink().append("x");
    ASSERT_TRUE(QDir(dir.path()).mkdir("texts"));
    answer_save_dialog(path("texts/out.txt"));
    window.cmdSaveOutput->click();
    ASSERT_TRUE(QFile::exists(path("texts/out.txt")));

    tSaveDialogSeen pdf;
    answer_save_dialog(QString(), &pdf);
    window.mnuSaveAsPdf->trigger();
    ASSERT_TRUE(pdf.seen);
    EXPECT_EQ(pdf.proposed_name, "results.pdf");
    EXPECT_EQ(pdf.directory, QDir(path("texts")).absolutePath());

    answer_save_dialog(path("elsewhere.pdf"));
    window.mnuSaveAsPdf->trigger();
    tSaveDialogSeen text;
    answer_save_dialog(QString(), &text);
    window.cmdSaveOutput->click();
    EXPECT_EQ(text.directory, QDir(path("texts")).absolutePath()); // its own kind's folder
    EXPECT_EQ(text.proposed_name, "out.txt");
}

// The last folder belongs to the program's windows, the worksheet's Export
// included; another program's windows (here, windows of their own) start
// afresh.
TEST_F(OutputWindow, TheLastSaveFolderIsSharedWithTheWorksheetAndNoOneElse)
{
    tWorksheetWindow worksheet(tWorksheetLocation{dir.path().toStdString(), false, {}});
    worksheet.set_output_window(&window);
    window.report_sink().append("x");
    ASSERT_TRUE(QDir(dir.path()).mkdir("texts"));
    answer_save_dialog(path("texts/out.txt"));
    window.cmdSaveOutput->click();
    ASSERT_TRUE(QFile::exists(path("texts/out.txt")));

    tSaveDialogSeen exported;
    on_next_modal([&exported](QWidget* dialog) {
        answer_save_dialog(QString(), &exported);
        QMetaObject::invokeMethod(dialog->findChild<QPushButton*>(QStringLiteral("cmdExport")), "click");
        qobject_cast<QDialog*>(dialog)->reject();
    });
    worksheet.cmdNormsClick();
    ASSERT_TRUE(exported.seen);
    EXPECT_EQ(exported.directory, QDir(path("texts")).absolutePath());

    tOutputWindow other;
    other.report_sink().append("x");
    tSaveDialogSeen fresh;
    answer_save_dialog(QString(), &fresh);
    other.cmdSaveOutput->click();
    ASSERT_TRUE(fresh.seen);
    EXPECT_NE(fresh.directory, QDir(path("texts")).absolutePath());
}

TEST_F(OutputWindow, SaveEndsWithALineEndOnlyWhenTheLastLineIsEmpty)
{
    append_lines(window.report_sink(), {"one", ""});
    answer_save_dialog(path("trailing.txt"));
    window.cmdSaveOutput->click();
    EXPECT_EQ(file_bytes(path("trailing.txt")), QByteArray("one\r\n"));
}

// A bare name gets its type's extension; a name with one keeps it.
TEST_F(OutputWindow, SavesAddTheirExtensionToABareNameAndProposeTheLastFileNextTime)
{
    window.report_sink().append("x");
    answer_save_dialog(path("case12"));
    window.cmdSaveOutput->click();
    EXPECT_TRUE(QFile::exists(path("case12.txt")));
    EXPECT_FALSE(QFile::exists(path("case12")));
    answer_save_dialog(path("case12"));
    window.mnuSaveAsPdf->trigger();
    EXPECT_TRUE(file_bytes(path("case12.pdf")).startsWith("%PDF"));
    answer_save_dialog(path("case12.notes"));
    window.cmdSaveOutput->click();
    EXPECT_TRUE(QFile::exists(path("case12.notes")));

    // The name with its extension is asked about before it is replaced.
    tSeenBox replace;
    answer_message_boxes({{QStringLiteral("&Yes"), &replace}});
    answer_save_dialog(path("case12"));
    window.memoResults->setPlainText(QStringLiteral("changed"));
    window.cmdSaveOutput->click();
    EXPECT_TRUE(replace.text.contains(QStringLiteral("case12.txt")));
    EXPECT_EQ(file_bytes(path("case12.txt")), QByteArray("changed"));

    tSaveDialogSeen seen;
    answer_save_dialog(QString(), &seen);
    window.cmdSaveOutput->click();
    ASSERT_TRUE(seen.seen);
    EXPECT_EQ(seen.proposed_name, "case12.txt");
    EXPECT_EQ(seen.directory, QDir(dir.path()).absolutePath());
}

TEST_F(OutputWindow, SaveSavesTextEditedByHand)
{
    window.report_sink().append("report");
    window.memoResults->appendPlainText("typed");
    answer_save_dialog(path("edited.txt"));
    window.cmdSaveOutput->click();
    EXPECT_EQ(file_bytes(path("edited.txt")), QByteArray("report\r\ntyped"));
}

TEST_F(OutputWindow, CancellingTheSaveDialogWritesNothing)
{
    window.report_sink().append("x");
    tSaveDialogSeen seen;
    answer_save_dialog(QString(), &seen);
    window.cmdSaveOutput->click();
    EXPECT_TRUE(seen.seen);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

TEST_F(OutputWindow, SavingOverAnExistingFileAsksAndReplacesIt)
{
    {
        QFile old(path("old.txt"));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old contents, longer than the new ones");
    }
    window.report_sink().append("new");
    tSeenBox overwrite;
    answer_save_dialog(path("old.txt"));
    answer_message_boxes({{"&Yes", &overwrite}});
    window.cmdSaveOutput->click();
    EXPECT_TRUE(overwrite.seen);
    EXPECT_TRUE(overwrite.text.contains("old.txt"));
    EXPECT_EQ(file_bytes(path("old.txt")), QByteArray("new"));
}

TEST_F(OutputWindow, SavingOntoADirectoryShowsTheGeneralErrorAndLeavesItAlone)
{
    // The dialog opens a directory typed into it, so the directory appears
    // under the chosen name only once the dialog has accepted the name.
    const QString target = path("folder.txt");
    on_next_active_modal([target](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        auto* edit = dialog ? dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
        if (!edit)
            return;
        QObject::connect(dialog, &QDialog::accepted, [target] {
            QDir().mkdir(target);
            QFile inside(target + "/kept.txt");
            if (inside.open(QIODevice::WriteOnly))
                inside.write("kept");
        });
        edit->setText(target);
        QTest::keyClick(edit, Qt::Key_Return);
    });
    window.report_sink().append("x");
    tSeenBox error;
    answer_message_boxes({{"OK", &error}});
    window.cmdSaveOutput->click();

    ASSERT_TRUE(error.seen);
    EXPECT_EQ(error.icon, QMessageBox::Critical);
    EXPECT_EQ(error.title, QString::fromStdString(AppTitle));
    EXPECT_TRUE(error.text.endsWith('.'));
    EXPECT_EQ(error.text, "Is a directory."); // the reason the system gives
    EXPECT_TRUE(QFileInfo(target).isDir());
    EXPECT_EQ(file_bytes(target + "/kept.txt"), QByteArray("kept"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"folder.txt"});
}

TEST_F(OutputWindow, FailedWriteLeavesTheExistingFileIntactAndShowsTheReason)
{
    {
        QFile old(path("kept.txt"));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old contents");
    }
    // A file size limit below the memo's text makes the write itself fail
    // (EFBIG) once the new file was created.
    append_lines(window.report_sink(), std::vector<std::string>(200, std::string(60, 'x')));
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);

    tSeenBox overwrite;
    tSeenBox error;
    answer_save_dialog(path("kept.txt"));
    answer_message_boxes({{"&Yes", &overwrite}, {"OK", &error}});
    window.cmdSaveOutput->click();
    setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_TRUE(overwrite.seen);
    ASSERT_TRUE(error.seen);
    EXPECT_EQ(error.icon, QMessageBox::Critical);
    EXPECT_EQ(error.text, "File too large.");
    EXPECT_EQ(file_bytes(path("kept.txt")), QByteArray("old contents"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"kept.txt"});
}

// --- Printing without a printer, or without a selection ---------------------------

TEST_F(OutputWindow, PrintSelectionWithoutASelectionWarnsAndPrintsNothing)
{
    append_lines(window.report_sink(), {"some", "text"});
    tSeenBox warning;
    answer_next_box("OK", &warning);
    window.mnuPrintSelection->trigger();
    ASSERT_TRUE(warning.seen);
    EXPECT_EQ(warning.title, "Warning");
    EXPECT_EQ(warning.text, "You have not selected any text.");
    EXPECT_EQ(warning.icon, QMessageBox::Warning);
}

TEST_F(OutputWindow, PrintingWithoutADefaultPrinterShowsTheGeneralError)
{
    // A print server that does not exist: no printer at all.
    qputenv("CUPS_SERVER", QFile::encodeName(path("no-such-server.sock")));
    window.report_sink().append("text");
    tSeenBox error;
    answer_next_box("OK", &error);
    window.mnuPrint->trigger();
    ASSERT_TRUE(error.seen);
    EXPECT_EQ(error.title, QString::fromStdString(AppTitle));
    EXPECT_TRUE(error.text.startsWith("There is no default printer currently selected.\n\nSave as PDF..."))
        << error.text.toStdString();
    EXPECT_TRUE(error.text.contains("needs no printer")) << error.text.toStdString();
    EXPECT_EQ(error.icon, QMessageBox::Critical);
}

// --- Return to Worksheet and Exit ----------------------------------------------------

TEST_F(OutputWindow, ReturnHidesTheWindowAndShowsTheWorksheetKeepingTheText)
{
    QWidget worksheet;
    window.set_worksheet(&worksheet);
    window.report_sink().append("report");
    window.show();
    window.cmdReturn->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(worksheet.isVisible());
    EXPECT_EQ(window.memoResults->toPlainText(), "report");
}

TEST_F(OutputWindow, ExitAnsweredNoKeepsTheWindow)
{
    window.report_sink().append("report");
    window.show();
    tSeenBox confirm;
    answer_next_box("&No", &confirm);
    window.cmdExit->click();
    ASSERT_TRUE(confirm.seen);
    EXPECT_EQ(confirm.title, "Confirm");
    EXPECT_EQ(confirm.text, "Exit from program?");
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.memoResults->toPlainText(), "report");
}

TEST_F(OutputWindow, ExitAnsweredYesEndsTheEventLoop)
{
    window.show();
    answer_next_box("&Yes");
    QTimer::singleShot(0, window.cmdExit, &QPushButton::click);
    QTimer::singleShot(10000, [] { QCoreApplication::exit(1); }); // watchdog
    EXPECT_EQ(QApplication::exec(), 0);
}
