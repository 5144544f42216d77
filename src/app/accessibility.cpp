#include "app/accessibility.h"

#include "app/chart_window.h"
#include "app/help_window.h"
#include "app/worksheet_window.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFrame>
#include <QScrollArea>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>

namespace {

// A widget whose accessible children are its shown child widgets only.
class tShownChildrenAccessible final : public QAccessibleWidget {
public:
    using QAccessibleWidget::QAccessibleWidget;

    int childCount() const override { return int(shown().size()); }
    QAccessibleInterface* child(int index) const override
    {
        const QList<QWidget*> children = shown();
        return index >= 0 && index < children.size() ? QAccessible::queryAccessibleInterface(children[index])
                                                     : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child ? int(shown().indexOf(qobject_cast<QWidget*>(child->object()))) : -1;
    }

private:
    QList<QWidget*> shown() const
    {
        QList<QWidget*> out;
        for (QObject* o : widget()->children())
            if (auto* w = qobject_cast<QWidget*>(o); w && !w->isWindow() && !w->isHidden())
                out << w;
        return out;
    }
};

// The guide's text as a read-only document. Offsets are the document's
// cursor positions; its plain text has one character for each of them (a
// line feed where a paragraph ends).
class tGuideDocumentAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit tGuideDocumentAccessible(QTextBrowser* browser) : QAccessibleWidget(browser, QAccessible::Document) {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        s.multiLine = true;
        return s;
    }

    void selection(int index, int* start, int* end) const override
    {
        const QTextCursor c = browser()->textCursor();
        *start = index == 0 && c.hasSelection() ? c.selectionStart() : 0;
        *end = index == 0 && c.hasSelection() ? c.selectionEnd() : 0;
    }
    int selectionCount() const override { return browser()->textCursor().hasSelection() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int) override { setCursorPosition(cursorPosition()); }
    void setSelection(int, int start, int end) override
    {
        QTextCursor c = cursor_at(start);
        c.setPosition(clamped(end), QTextCursor::KeepAnchor);
        browser()->setTextCursor(c);
    }
    int cursorPosition() const override { return browser()->textCursor().position(); }
    void setCursorPosition(int position) override { browser()->setTextCursor(cursor_at(position)); }
    QString text(int start, int end) const override
    {
        return browser()->document()->toPlainText().mid(start, std::max(0, end - start));
    }
    int characterCount() const override { return browser()->document()->characterCount() - 1; }
    QRect characterRect(int offset) const override
    {
        const QTextCursor c = cursor_at(offset);
        QRect r = browser()->cursorRect(c);
        const QString ch = text(offset, offset + 1);
        r.setWidth(QFontMetrics(c.charFormat().font()).horizontalAdvance(ch.isEmpty() ? QStringLiteral(" ") : ch));
        return QRect(browser()->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    int offsetAtPoint(const QPoint& point) const override
    {
        return browser()->cursorForPosition(browser()->viewport()->mapFromGlobal(point)).position();
    }
    void scrollToSubstring(int start, int end) override
    {
        setSelection(0, start, end);
        browser()->ensureCursorVisible();
    }
    QString attributes(int offset, int* start, int* end) const override
    {
        *start = *end = offset;
        return QString();
    }

private:
    QTextBrowser* browser() const { return static_cast<QTextBrowser*>(widget()); }
    int clamped(int position) const { return std::clamp(position, 0, characterCount()); }
    QTextCursor cursor_at(int position) const
    {
        QTextCursor c(browser()->document());
        c.setPosition(clamped(position));
        return c;
    }
};

// Plain widgets, frames and scroll areas that hold controls (their class is
// QWidget, QFrame or QScrollArea itself, not a subclass), which Qt would
// announce as fillers.
bool is_plain_container(const QWidget* widget)
{
    const QMetaObject* meta = widget->metaObject();
    return !widget->isWindow()
           && (meta == &QWidget::staticMetaObject || meta == &QFrame::staticMetaObject
               || meta == &QScrollArea::staticMetaObject)
           && widget->findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
}

QAccessibleInterface* brenlow_accessible(const QString&, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget)
        return nullptr;
    if (qobject_cast<tWorksheetWindow*>(widget) || qobject_cast<tUserGuideWindow*>(widget))
        return new tShownChildrenAccessible(widget, QAccessible::Window);
    if (auto* browser = qobject_cast<QTextBrowser*>(widget); browser && qobject_cast<tUserGuideWindow*>(widget->window()))
        return new tGuideDocumentAccessible(browser);
    if (dynamic_cast<tChartView*>(widget))
        return new QAccessibleWidget(widget, QAccessible::Chart);
    if (is_plain_container(widget))
        return new tShownChildrenAccessible(widget, QAccessible::Pane);
    return nullptr;
}

} // namespace

void install_accessibility()
{
    static const bool installed = (QAccessible::installFactory(brenlow_accessible), true);
    (void)installed;
}
