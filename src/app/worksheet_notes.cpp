// The worksheet's notes memo while it is edited: collapsed to one line, it
// grows upward to show several when entered or typed into, and shrinks when
// left. Its editing ends with a press anywhere outside it, so that a score
// typed after a click meant for a field never ends up in the notes.
#include "app/worksheet_window.h"

#include "app/notes_memo.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QWindow>

bool tWorksheetWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == windowHandle() && event->type() == QEvent::MouseButtonPress)
        end_notes_editing_on_press(static_cast<QMouseEvent*>(event)->position().toPoint());
    if (watched == memoComments) {
        switch (event->type()) {
        case QEvent::FocusIn:
            // Switching between applications is no entering of the memo.
            if (static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason)
                memoCommentsEnter();
            break;
        case QEvent::FocusOut:
            if (static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason)
                memoCommentsExit();
            break;
        case QEvent::KeyRelease:
            memoCommentsKeyUp(static_cast<QKeyEvent*>(event)->key());
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// A press at `at` (window coordinates), before the widget there has it. On a
// label, the label's field (its buddy) takes the focus, as a click on the
// field would give it. Elsewhere outside the memo, Qt moves the focus to the
// control pressed if it takes the focus on a click; if none does (a panel,
// a gap, the description), the memo gives the focus up all the same, and a
// key typed next reaches no field rather than the notes.
void tWorksheetWindow::end_notes_editing_on_press(const QPoint& at)
{
    QWidget* target = childAt(at);
    if (target && (target == memoComments || memoComments->isAncestorOf(target)))
        return;
    if (auto* label = qobject_cast<QLabel*>(target)) {
        QWidget* field = label->buddy();
        if (field && field->isVisible() && field->isEnabled()) {
            field->setFocus(Qt::MouseFocusReason);
            return;
        }
    }
    if (!memoComments->hasFocus())
        return;
    for (QWidget* w = target; w && !w->isWindow(); w = w->parentWidget())
        if (w->isEnabled() && (w->focusPolicy() & Qt::ClickFocus))
            return;
    memoComments->clearFocus();
}

void tWorksheetWindow::set_memo_height(int height)
{
    memoComments->setGeometry(memoComments->x(), kMemoFoot - height, memoComments->width(), height);
}

void tWorksheetWindow::memoCommentsEnter()
{
    if (memoComments->displayed_lines().size() > 1)
        set_memo_height(kMemoExpanded);
}

void tWorksheetWindow::memoCommentsExit()
{
    set_memo_height(kMemoCollapsed);
}

void tWorksheetWindow::memoCommentsKeyUp(int key)
{
    if (memoComments->displayed_lines().size() > 1 || key == Qt::Key_Return || key == Qt::Key_Enter)
        set_memo_height(kMemoExpanded);
}
