// The output window itself: its controls, how it keeps on the screen while
// it is shown, and its ways back to the worksheet and out of the program.
// The reports it holds and what becomes of them are in
// output_window_results.cpp, its menu bar in output_window_menus.cpp.
#include "app/output_window.h"

#include "app/accessibility.h"
#include "app/app_icon.h"
#include "app/help_window.h"
#include "app/push_button_keys.h"
#include "app/results_memo.h"
#include "app/screen_fit.h"
#include "app/window_controls.h"
#include "app/x11_window_hints.h"
#include "common/user_messages.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QMenuBar>
#include <QPushButton>
#include <QShowEvent>
#include <QWindow>

namespace {

const int ClientWidth = 792;
const int ClientHeight = 554;

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
