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
