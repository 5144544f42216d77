// Print All and Print Selection through the real default printer: a CUPS
// queue that writes each job as a PDF file (cups-pdf; scripts/print-server
// starts one), read back with pdftotext. Without such a printer the tests
// skip, unless BRENLOW_REQUIRE_PRINTER=1 (set by scripts/test) demands one.
#include "app/output_window.h"
#include "app/qt_messages.h"
#include "modal_helper.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QPrinterInfo>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <ostream>

#include <pwd.h>
#include <unistd.h>

// Readable QStrings in failure messages.
void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

bool printer_required()
{
    return qgetenv("BRENLOW_REQUIRE_PRINTER") == "1";
}

QString run_tool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000))
        return QString();
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// Where cups-pdf puts the files of this user's jobs: the Out setting of its
// configuration, ${HOME} being the user's home directory.
QString cups_pdf_directory()
{
    QString out = QStringLiteral("${HOME}/PDF");
    QFile conf(QStringLiteral("/etc/cups/cups-pdf.conf"));
    if (conf.open(QIODevice::ReadOnly | QIODevice::Text))
        for (const QByteArray& raw : conf.readAll().split('\n')) {
            const QString line = QString::fromLocal8Bit(raw).trimmed();
            if (line.startsWith(QLatin1String("Out ")))
                out = line.mid(4).trimmed();
        }
    const passwd* user = getpwuid(getuid());
    out.replace(QLatin1String("${HOME}"), user ? QString::fromLocal8Bit(user->pw_dir) : QDir::homePath());
    return out;
}

// The PDF files with their times of last change: a new print server numbers
// its jobs from 1 again, so a job may overwrite a file of an earlier run.
using tPdfFiles = QHash<QString, QDateTime>;

tPdfFiles pdf_files(const QString& directory)
{
    tPdfFiles files;
    for (const QFileInfo& info : QDir(directory).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files))
        files.insert(info.fileName(), info.lastModified());
    return files;
}

QStringList printed_lines(const QString& pdf)
{
    QStringList lines = run_tool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
                            .split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = line.simplified(); // pdftotext spaces columns only roughly
    lines.removeAll(QString());
    return lines;
}

// The printed lines of the first PDF file written since `before` that holds
// `marker`, read once its size has stopped changing; other jobs printing at
// the same time are passed over. Empty after a minute without one.
QStringList wait_for_printed(const QString& directory, tPdfFiles before, const QString& marker)
{
    const QDateTime deadline = QDateTime::currentDateTime().addSecs(60);
    QHash<QString, qint64> sizes;
    while (QDateTime::currentDateTime() < deadline) {
        const tPdfFiles now = pdf_files(directory);
        for (auto file = now.begin(); file != now.end(); ++file) {
            const QString& name = file.key();
            if (before.value(name) == file.value())
                continue;
            const QString path = QDir(directory).filePath(name);
            const qint64 size = QFileInfo(path).size();
            if (size > 0 && sizes.value(name, -1) == size) {
                const QStringList lines = printed_lines(path);
                if (lines.contains(marker))
                    return lines;
                before.insert(name, file.value());
            }
            sizes[name] = size;
        }
        QTest::qWait(300);
    }
    return {};
}

class DefaultPrinter : public ::testing::Test {
protected:
    tQtUserMessages qt_messages;
    tScopedUserMessages seam{qt_messages};
    tOutputWindow window;
    QString directory;
    tPdfFiles before;
    tSeenBox unexpected_box;

    void SetUp() override
    {
        const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
        std::string problem;
        if (printer.isNull())
            problem = "no default printer (scripts/print-server start <build-dir> runs one)";
        else if (!run_tool(QStringLiteral("lpstat"), {QStringLiteral("-v"), printer.printerName()})
                      .contains(QLatin1String("cups-pdf:/")))
            problem = "the default printer " + printer.printerName().toStdString() +
                      " does not write PDF files (cups-pdf); nothing is printed on it";
        if (!problem.empty()) {
            if (printer_required())
                FAIL() << problem;
            GTEST_SKIP() << problem;
        }
        directory = cups_pdf_directory();
        before = pdf_files(directory);
        answer_next_box(QStringLiteral("OK"), &unexpected_box);
    }

    // Prints through the menu item and returns what came out on paper.
    QStringList print_and_wait(QAction* item, const QString& marker)
    {
        item->trigger();
        EXPECT_FALSE(unexpected_box.seen) << unexpected_box.text.toStdString();
        return wait_for_printed(directory, before, marker);
    }
};

} // namespace

TEST_F(DefaultPrinter, PrintAllPrintsTheWholeReport)
{
    tReportSink& sink = window.report_sink();
    for (const char* line : {"", "Brenlow report printed through the default printer", "",
                             " INPUTS:", "   VC   PR   WM   PS", "  102   97  110   88"})
        sink.append(line);
    EXPECT_EQ(print_and_wait(window.mnuPrint, "INPUTS:"), (QStringList{"Brenlow report printed through the default printer", "INPUTS:",
                                               "VC PR WM PS", "102 97 110 88"}));
}

TEST_F(DefaultPrinter, PrintSelectionPrintsOnlyTheSelectedCharacters)
{
    tReportSink& sink = window.report_sink();
    for (const char* line : {"first line", "second line with a chosen part", "third line"})
        sink.append(line);
    const QString text = window.memoResults->toPlainText();
    QTextCursor cursor(window.memoResults->document());
    cursor.setPosition(text.indexOf("chosen"));
    cursor.setPosition(text.indexOf("third") + 5, QTextCursor::KeepAnchor);
    window.memoResults->setTextCursor(cursor);
    EXPECT_EQ(print_and_wait(window.mnuPrintSelection, "chosen part"), (QStringList{"chosen part", "third"}));
}
