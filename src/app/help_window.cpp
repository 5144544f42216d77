// The user guide window, the F1 key of every window, and the About box.
#include "app/help_window.h"

#include "app/app_icon.h"
#include "app/screen_fit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QShortcut>
#include <QTextBlock>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include <memory>

namespace {

// The block that holds the anchor `name`, or an invalid one.
QTextBlock anchor_block(const QTextDocument* document, const QString& name)
{
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment)
            if (fragment.fragment().charFormat().anchorNames().contains(name))
                return block;
    return QTextBlock();
}

// The window `window` belongs to at last: its owner's owner, and so on.
QWidget* outermost_window(QWidget* window)
{
    while (window->parentWidget())
        window = window->parentWidget()->window();
    return window;
}

// One guide for the whole program, kept by the application's event filter
// that answers F1. The guide belongs to the window it was opened from: to
// the open modal dialog, if any, so that it can be read and scrolled while
// that dialog waits (a modal dialog blocks every window but its own), and
// otherwise to the program's window that window belongs to, with which it
// closes. When a dialog that holds it goes, it passes to that dialog's
// owner and stays open.
class tHelpKey final : public QObject {
public:
    static constexpr const char* name = "brenlowHelpKey";

    explicit tHelpKey(QObject* parent) : QObject(parent) { setObjectName(QLatin1String(name)); }

    void open(QWidget* window)
    {
        if (!window || (guide_ && window == guide_.data()))
            return;
        QWidget* modal = QApplication::activeModalWidget();
        QWidget* owner = modal ? modal : outermost_window(window);
        tUserGuideWindow* guide = static_cast<tUserGuideWindow*>(guide_.data());
        if (!guide) {
            guide = new tUserGuideWindow(owner);
            guide_ = guide;
            fit_window_to_screen(guide);
            centre_on_screen(guide);
        } else if (guide->parentWidget() != owner) {
            move_guide(owner);
        }
        guide->show_section(help_section_of(window));
        guide_->show();
        guide_->raise();
        guide_->activateWindow();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            auto* widget = qobject_cast<QWidget*>(watched);
            if (!widget || key->key() != Qt::Key_F1 || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
                return false;
            // Claimed before any shortcut of a window can take it, so that
            // F1 comes here as a key press whatever has the focus.
            event->accept();
            if (event->type() == QEvent::KeyPress)
                open(widget->window());
            return true;
        }
        case QEvent::Hide:
            if (guide_ && watched == guide_->parentWidget() && !event->spontaneous()) {
                QWidget* owner = guide_->parentWidget()->parentWidget();
                if (owner)
                    move_guide(owner->window());
            }
            return false;
        default:
            return false;
        }
    }

private:
    // Held as a plain widget: the filter still meets the guide while its
    // destructor runs, when it is no longer a tUserGuideWindow.
    QPointer<QWidget> guide_;

    void move_guide(QWidget* owner)
    {
        const bool shown = guide_->isVisible();
        const QRect place = guide_->geometry();
        guide_->setParent(owner, guide_->windowFlags());
        guide_->setGeometry(place);
        if (shown)
            guide_->show();
    }
};

tHelpKey* help_key()
{
    if (!qApp)
        return nullptr;
    QObject* key = qApp->findChild<QObject*>(QLatin1String(tHelpKey::name), Qt::FindDirectChildrenOnly);
    return dynamic_cast<tHelpKey*>(key);
}

} // namespace

tUserGuideWindow::tUserGuideWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Brenlow User Guide"));
    setWindowIcon(brenlow_icon());
    txtGuide = new QTextBrowser(this);
    txtGuide->setObjectName(QStringLiteral("txtGuide"));
    txtGuide->setAccessibleName(QStringLiteral("User guide"));
    txtGuide->setOpenExternalLinks(false);
    txtGuide->setSource(QUrl(QStringLiteral("qrc:/help/user-guide.html")));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(txtGuide);
    resize(700, 560);
    auto* close_key = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close_key, &QShortcut::activated, this, &QWidget::close);
}

void tUserGuideWindow::show_section(const QString& anchor)
{
    const QTextBlock block = anchor.isEmpty() ? QTextBlock() : anchor_block(txtGuide->document(), anchor);
    // The cursor at the heading, where a screen reader begins to read.
    txtGuide->setTextCursor(QTextCursor(block.isValid() ? block : txtGuide->document()->begin()));
    if (block.isValid())
        txtGuide->scrollToAnchor(anchor);
    else
        txtGuide->moveCursor(QTextCursor::Start);
}

void install_help_key()
{
    if (qApp && !help_key())
        qApp->installEventFilter(new tHelpKey(qApp));
}

void show_user_guide_for(QWidget* window)
{
    install_help_key();
    if (tHelpKey* key = help_key())
        key->open(window ? window->window() : nullptr);
}

QString help_section_of(const QWidget* window)
{
    for (const QWidget* w = window ? window->window() : nullptr; w;
         w = w->parentWidget() ? w->parentWidget()->window() : nullptr) {
        const QVariant section = w->property(help_section_property);
        if (section.isValid())
            return section.toString();
    }
    return QString();
}

QString about_text()
{
    return QStringLiteral(
        "<p><b>Brenlow " BRENLOW_VERSION "</b><br>Supplementary analysis of a case's Orvane Index "
        "scores.</p><p>Built on " BRENLOW_BUILD_DATE ".</p>"
        "<p>Copyright (c) 2026 The Brenlow developers.<br>Released under the MIT License: free to "
        "use, copy, change and pass on, with the copyright and licence notice kept, and without "
        "any warranty.</p>");
}

QMessageBox* new_about_box(QWidget* parent)
{
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("About Brenlow"), about_text(),
                                QMessageBox::Ok, parent);
    box->setTextFormat(Qt::RichText);
    box->setIconPixmap(brenlow_icon().pixmap(64, 64));
    // F1 here: the guide's beginning, which says what the program is.
    box->setProperty(help_section_property, QString());
    return box;
}

void show_about_box(QWidget* parent)
{
    const std::unique_ptr<QMessageBox> box(new_about_box(parent));
    box->exec();
}
