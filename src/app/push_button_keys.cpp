#include "app/push_button_keys.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPushButton>

namespace {

// Clicks the button it watches on Enter or Return (either key, keypad or
// not); a held key clicks once.
class tEnterPresses final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        auto* button = qobject_cast<QPushButton*>(watched);
        if (button && !key->isAutoRepeat() && button->isEnabled())
            button->click();
        return true;
    }
};

} // namespace

void press_on_enter(QPushButton* button)
{
    button->installEventFilter(new tEnterPresses(button));
}

void show_focus_mark(QWidget* window)
{
    if (!window->isActiveWindow())
        return;
    // After Qt has given the focus back on activation, which clears the mark.
    QMetaObject::invokeMethod(window, [window]() {
        window->setAttribute(Qt::WA_KeyboardFocusChange, true);
        if (QWidget* focused = window->focusWidget())
            focused->update();
    }, Qt::QueuedConnection);
}
