// The output window; its menu bar is built in output_window_menus.cpp.
#include "app/output_window.h"

#include "app/accessibility.h"
#include "app/app_icon.h"
#include "app/help_window.h"
#include "app/push_button_keys.h"
#include "app/qt_messages.h"
#include "app/qt_print_canvas.h"
#include "app/results_memo.h"
#include "app/save_dialog.h"
#include "app/screen_fit.h"
#include "app/window_controls.h"
#include "app/x11_window_hints.h"
#include "common/user_messages.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QWindow>

namespace {

const int ClientWidth = 792;
const int ClientHeight = 554;

const QChar ParagraphSeparator(0x2029); // line ends inside QTextCursor::selectedText
const QString LineEnd = QStringLiteral("\r\n");

// The report's longest line (a rule of 105 and its leading blank) must fit
// the memo's text width, some 745 pixels, or it wraps and breaks the layout
// of the columns. Liberation Mono advances 0.6 of its size: 7.2 pixels at 12
// pixels (763 pixels for 106 characters), 6.6 at 11 (700 pixels), with room
// for a wider scroll bar and for the rounding of scaled screens.
constexpr int MemoFontPixels = 11;

QFont memo_font()
{
    QFont font(QStringLiteral("Liberation Mono"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(MemoFontPixels);
    return font;
}

QPushButton* output_button(QWidget* parent, const QString& caption, int left, const char* name)
{
    QPushButton* button = make_button(caption, parent, QRect(left, 488, 161, 37), name);
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, Qt::black);
    button->setPalette(palette);
    return button;
}

} // namespace

tMemoReportSink::tMemoReportSink(QPlainTextEdit* memo) : memo_(memo)
{
    // Whatever else changes the text (typing, Clear Results) ends the held
    // empty line: the document then says by itself whether it holds text.
    edits_ = QObject::connect(memo_->document(), &QTextDocument::contentsChanged, memo_, [this]() {
        if (!appending_)
            holds_empty_line_ = false;
    });
}

tMemoReportSink::~tMemoReportSink()
{
    QObject::disconnect(edits_);
}

// Adds one line at the end of the text without touching what is there, so
// that the cost does not grow with the reports the memo already holds.
void tMemoReportSink::append(const std::string& line)
{
    const QString text = QString::fromUtf8(line.data(), qsizetype(line.size()));
    QTextDocument* document = memo_->document();
    if (document->isEmpty() && !holds_empty_line_ && text.isEmpty()) {
        holds_empty_line_ = true;
        return;
    }
    appending_ = true;
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    if (!document->isEmpty() || holds_empty_line_)
        cursor.insertBlock();
    cursor.insertText(text);
    cursor.endEditBlock();
    appending_ = false;
    holds_empty_line_ = false;
}

bool tMemoReportSink::has_lines() const
{
    return holds_empty_line_ || !memo_->document()->isEmpty();
}

tOutputWindow::tOutputWindow(QWidget* parent)
    : QMainWindow(parent)
{
    FormCreate();
}

// Builds the window and empties the memo; the window stays hidden.
void tOutputWindow::FormCreate()
{
    // A title bar without close, minimise or maximise buttons and without the
    // system menu: the window is left through its own buttons only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    ask_for_title_only_caption(this);
    setWindowTitle(QStringLiteral("Output"));
    setWindowIcon(brenlow_icon());
    setProperty(help_section_property, QStringLiteral("output"));
    install_help_key();
    install_accessibility();

    auto* client = new QWidget(this);
    client->setFont(sans_font(false, 11));
    client->setFixedSize(ClientWidth, ClientHeight);
    setCentralWidget(client);

    Panel1 = new QFrame(client);
    Panel1->setGeometry(8, 2, 777, 468);

    memoResults = new tResultsMemo(Panel1);
    memoResults->setObjectName(QStringLiteral("memoResults"));
    memoResults->setAccessibleName(QStringLiteral("Results"));
    memoResults->setGeometry(0, 8, 769, 452);
    memoResults->setFont(memo_font());
    memoResults->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memoResults->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memoResults->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memoResults->setTabChangesFocus(true);
    QPalette palette = memoResults->palette();
    palette.setColor(QPalette::Text, Qt::black);
    // The selection stays visible while the focus is elsewhere (on the menu
    // that prints it, for one).
    for (const auto role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    memoResults->setPalette(palette);

    Panel2 = make_panel(client, QRect(12, 482, 765, 49), QFrame::Sunken);

    cmdSaveOutput = output_button(client, QStringLiteral("Save Output"), 28, "cmdSaveOutput");
    cmdClearResults = output_button(client, QStringLiteral("Clear Results"), 220, "cmdClearResults");
    cmdReturn = output_button(client, QStringLiteral("Return to Worksheet"), 411, "cmdReturn");
    cmdExit = output_button(client, QStringLiteral("Exit"), 603, "cmdExit");
    setTabOrder(memoResults, cmdSaveOutput);
    setTabOrder(cmdSaveOutput, cmdClearResults);
    setTabOrder(cmdClearResults, cmdReturn);
    setTabOrder(cmdReturn, cmdExit);

    connect(cmdSaveOutput, &QPushButton::clicked, this, &tOutputWindow::cmdSaveOutputClick);
    connect(cmdClearResults, &QPushButton::clicked, this, &tOutputWindow::cmdClearResultsClick);
    connect(cmdReturn, &QPushButton::clicked, this, &tOutputWindow::cmdReturnClick);
    connect(cmdExit, &QPushButton::clicked, this, &tOutputWindow::cmdExitClick);
    build_menus();

    // Fixed size: the client area plus the menu bar.
    setFixedSize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    fit_window_to_screen(this); // scrolls on a screen too small for it
    memoResults->clear();
    sink_ = std::make_unique<tMemoReportSink>(memoResults);
}

// A window manager that keeps a minimise button on the caption regardless
// (or a keyboard shortcut of its own) would leave the user with no window at
// all, the worksheet being hidden: the window comes straight back. So it does
// when the window manager sends it to another desktop.
void tOutputWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        show_focus_mark(this);
    // A screen reader names the window as its caption reads.
    if (event->type() == QEvent::WindowTitleChange)
        setAccessibleName(windowTitle());
    if (event->type() == QEvent::WindowStateChange && isMinimized() && isVisible())
        come_back();
}

void tOutputWindow::come_back()
{
    QMetaObject::invokeMethod(this, [this] {
        if (!isVisible())
            return;
        move_to_current_desktop(this);
        if (isMinimized())
            showNormal();
        raise();
        activateWindow();
    }, Qt::QueuedConnection);
}

// Taken off the screen (unmapped) while shown and not minimised: the window
// manager has sent it to another desktop.
bool tOutputWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Expose && windowHandle() && watched == windowHandle()
        && !windowHandle()->isExposed() && isVisible() && !isMinimized())
        come_back();
    return QMainWindow::eventFilter(watched, event);
}

void tOutputWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

// Brings the application to the front; the first time, also centres the
// window and puts the focus on Return to Worksheet.
void tOutputWindow::FormShow()
{
    if (windowHandle())
        windowHandle()->installEventFilter(this); // once: the filter list holds it only once
    if (!shown_before_) {
        shown_before_ = true;
        centre_on_screen(this);
        cmdReturn->setFocus();
    }
    raise();
    activateWindow();
}

// The window has no close box; a close request from the window manager while
// it is shown is refused. Hidden, it closes when the application ends.
void tOutputWindow::closeEvent(QCloseEvent* event)
{
    if (isVisible())
        event->ignore();
    else
        event->accept();
}

int tOutputWindow::next_report_block() const
{
    return sink_->has_lines() ? memoResults->document()->blockCount() : 0;
}

void tOutputWindow::show_report_from(int first)
{
    const QTextBlock block = memoResults->document()->findBlockByNumber(first);
    if (!block.isValid())
        return;
    memoResults->setTextCursor(QTextCursor(block));
    QScrollBar* bar = memoResults->verticalScrollBar();
    bar->setValue(block.firstLineNumber());
}

QString tOutputWindow::results_text() const
{
    QString text = memoResults->toPlainText();
    text.replace(QLatin1Char('\n'), LineEnd);
    return text;
}

QString tOutputWindow::selection_text() const
{
    QString text = memoResults->textCursor().selectedText();
    text.replace(ParagraphSeparator, LineEnd);
    return text;
}

bool tOutputWindow::settle_unsaved_results()
{
    if (!unsaved_)
        return true;
    switch (user_messages().ask_to_save("The results have not been saved or printed since they were "
                                        "computed.\rSave them before they are lost?")) {
    case tSaveChoice::Save:
        return save_output();
    case tSaveChoice::Discard:
        unsaved_ = false; // asked once: the close that follows asks no more
        return true;
    case tSaveChoice::Cancel:
        break;
    }
    return false;
}

void tOutputWindow::cmdSaveOutputClick()
{
    save_output();
}

bool tOutputWindow::save_output()
{
    return save_built_file(QStringLiteral("txt"), last_saved_file_, [this] { return results_text().toUtf8(); });
}

void tOutputWindow::cmdClearResultsClick()
{
    if (!settle_unsaved_results())
        return;
    memoResults->clear();
    forget_charts();
    unsaved_ = false;
}

void tOutputWindow::cmdReturnClick()
{
    hide();
    if (worksheet_)
        worksheet_->show();
}

// With results not yet saved, the question about them takes the place of
// the confirmation.
void tOutputWindow::cmdExitClick()
{
    if (unsaved_ ? settle_unsaved_results() : user_messages().confirm("Exit from program?"))
        QCoreApplication::exit(0);
}

// Prints the text and one line end on the default printer; there is no
// printer dialog.
bool tOutputWindow::print_text(const QString& text, const QString& failure_note)
{
    const QString note = failure_note.isEmpty() ? QString() : QStringLiteral("\n\n") + failure_note;
    const QPrinterInfo default_printer = QPrinterInfo::defaultPrinter();
    if (default_printer.isNull()) {
        // The system's words, then where to turn without a printer.
        show_general_error(QStringLiteral("There is no default printer currently selected.\n\n"
                                          "Save as PDF... in the Printer options... menu needs no printer: "
                                          "it writes the text to a PDF file, laid out as Print All prints it.")
                           + note);
        return false;
    }
    QPrinter printer(default_printer, QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Brenlow results"));
    if (!print_text_on(printer, text + LineEnd)) {
        show_general_error(QStringLiteral("Printing on %1 failed").arg(default_printer.printerName()) + note);
        return false;
    }
    return true;
}
