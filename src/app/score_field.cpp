#include "app/score_field.h"

#include "methods/score_entry.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {

constexpr Qt::KeyboardModifiers kAltOrMeta = Qt::AltModifier | Qt::MetaModifier;

bool is_editing_key(int key)
{
    switch (key) {
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return true;
    default:
        return false;
    }
}

// The character a QChar stands for in the single-byte code page.
char single_byte(QChar c)
{
    return c.unicode() < 256 ? static_cast<char>(c.unicode()) : '?';
}

} // namespace

// The same keys on every system (Ctrl+Y redoes on Linux too), and the
// system's own undo and redo keys, which the context menu shows (Ctrl+Y
// under Windows, Ctrl+Shift+Z on Linux desktops, Alt+Backspace and
// Alt+Shift+Backspace too under Windows).
tEditAction score_editing_action(const QKeyEvent& event)
{
    if (event.matches(QKeySequence::Undo))
        return tEditAction::Undo;
    if (event.matches(QKeySequence::Redo))
        return tEditAction::Redo;
    const int key = event.key();
    const Qt::KeyboardModifiers mods = event.modifiers() & ~Qt::KeypadModifier;
    const bool ctrl = mods == Qt::ControlModifier;
    const bool ctrl_shift = mods == (Qt::ControlModifier | Qt::ShiftModifier);
    const bool shift = mods == Qt::ShiftModifier;
    if (ctrl) {
        switch (key) {
        case Qt::Key_A: return tEditAction::SelectAll;
        case Qt::Key_C: return tEditAction::Copy;
        case Qt::Key_Insert: return tEditAction::Copy;
        case Qt::Key_X: return tEditAction::Cut;
        case Qt::Key_V: return tEditAction::Paste;
        case Qt::Key_Z: return tEditAction::Undo;
        case Qt::Key_Y: return tEditAction::Redo;
        default: return tEditAction::None;
        }
    }
    if (ctrl_shift && key == Qt::Key_Z)
        return tEditAction::Redo;
    if (shift && key == Qt::Key_Insert)
        return tEditAction::Paste;
    if (shift && key == Qt::Key_Delete)
        return tEditAction::Cut;
    return tEditAction::None;
}

tKeyKind classify_score_key(const QKeyEvent& event, char& typed)
{
    const int key = event.key();
    const Qt::KeyboardModifiers mods = event.modifiers();

    if (score_editing_action(event) != tEditAction::None)
        return tKeyKind::Editing;
    if (is_editing_key(key))
        return tKeyKind::NoCharacter;
    if (mods & kAltOrMeta)
        return tKeyKind::Swallowed;
    // Ctrl shortcuts are matched on the key, not the text: a real X server
    // delivers "\x16" for Ctrl+V, a synthetic event "v".
    if (mods & Qt::ControlModifier) {
        if (key >= Qt::Key_A && key <= Qt::Key_Z) {
            typed = static_cast<char>(key - Qt::Key_A + 1);
            return tKeyKind::Character;
        }
        return tKeyKind::NoCharacter;
    }
    switch (key) {
    case Qt::Key_Backspace:
        typed = 8;
        return tKeyKind::Character;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        typed = 13;
        return tKeyKind::Character;
    case Qt::Key_Escape:
        typed = 27;
        return tKeyKind::Character;
    default:
        break;
    }
    const QString text = event.text();
    if (text.isEmpty() || (text.size() == 1 && text.at(0).unicode() < 32))
        return tKeyKind::NoCharacter;
    typed = text.size() == 1 ? single_byte(text.at(0)) : '?';
    return tKeyKind::Character;
}

tScoreField::tScoreField(QWidget* parent) : QLineEdit(parent)
{
    setAcceptDrops(false);
    setDragEnabled(false);
    installEventFilter(this);
}

std::string tScoreField::score_text() const
{
    return text().toLatin1().toStdString();
}

bool tScoreField::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != this)
        return QLineEdit::eventFilter(watched, event);

    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        // Claim every key that types a character, so that no window shortcut
        // takes it before the filter has seen it.
        char typed = 0;
        auto* key = static_cast<QKeyEvent*>(event);
        const tKeyKind kind = classify_score_key(*key, typed);
        if (kind == tKeyKind::Character || kind == tKeyKind::Editing) {
            key->accept();
            return true;
        }
        return false;
    }
    case QEvent::KeyPress:
        return filter_key_press(static_cast<QKeyEvent*>(event));
    case QEvent::KeyRelease:
        txtInputKeyUp();
        return false;
    case QEvent::InputMethod: {
        auto* im = static_cast<QInputMethodEvent*>(event);
        const QString commit = im->commitString();
        QString accepted;
        for (QChar c : commit) {
            const char out = FilterScoreKey(single_byte(c));
            if (out != '\0')
                accepted += QChar::fromLatin1(out);
        }
        if (!accepted.isEmpty())
            insert(accepted);
        return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        // The middle button pastes the X selection.
        return static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton;
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        event->ignore();
        return true;
    default:
        return false;
    }
}

// txtInput1KeyPress .. txtinput8KeyPress: the typed character is replaced by
// FilterScoreKey's result; the null character swallows the keystroke (the
// filter has already beeped and warned).
bool tScoreField::filter_key_press(QKeyEvent* event)
{
    char typed = 0;
    warned_ = false;
    switch (classify_score_key(*event, typed)) {
    case tKeyKind::NoCharacter:
        return false;
    case tKeyKind::Swallowed:
        return true;
    case tKeyKind::Editing:
        edit(score_editing_action(*event));
        return true;
    case tKeyKind::Character:
        break;
    }
    warned_ = true; // in case the filter refuses the key with its warning
    const char out = FilterScoreKey(typed);
    warned_ = out == '\0';
    if (out == typed)
        return false;
    if (out != '\0')
        insert(QString(QChar::fromLatin1(out)));
    return true;
}

void tScoreField::edit(tEditAction action)
{
    switch (action) {
    case tEditAction::SelectAll: selectAll(); break;
    case tEditAction::Copy: copy(); break;
    case tEditAction::Cut: cut(); break;
    case tEditAction::Paste: checked_paste(); break;
    case tEditAction::Undo: undo(); break;
    case tEditAction::Redo: redo(); break;
    case tEditAction::None: break;
    }
}

void tScoreField::checked_paste()
{
    if (isReadOnly())
        return;
    const QString pasted = QGuiApplication::clipboard()->text();
    std::string text;
    for (const QChar c : pasted)
        text += single_byte(c);
    std::string accepted;
    warned_ = true; // in case the paste is refused with the filter's warning
    const bool taken = FilterScorePaste(text, accepted);
    warned_ = !taken;
    if (!taken || accepted.empty())
        return;
    insert(QString::fromLatin1(accepted.data(), int(accepted.size())));
    txtInputKeyUp();
}

// The field's own menu, its Paste checked as Ctrl+V is.
void tScoreField::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (QAction* action : menu->actions()) {
        if (action->objectName() == QLatin1String("edit-paste")
            || action->text().startsWith(QLatin1String("&Paste"))) {
            disconnect(action, &QAction::triggered, nullptr, nullptr);
            connect(action, &QAction::triggered, this, &tScoreField::checked_paste);
        }
    }
    menu->popup(event->globalPos());
}

// txtInput1KeyUp .. txtinput8KeyUp: an over-long text is cut to its first six
// characters, wherever the cursor was, and selected whole.
void tScoreField::txtInputKeyUp()
{
    const std::string current = score_text();
    if (current.size() <= 6)
        return;
    warned_ = true;
    setText(QString::fromLatin1(LimitScoreLength(current).c_str()));
    selectAll();
}

// Selects the whole text, unless the window's activation merely brings the
// focus back after the field's own warning box.
void tScoreField::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    const bool back_from_warning = warned_ && event->reason() == Qt::ActiveWindowFocusReason;
    warned_ = false;
    if (!back_from_warning)
        selectAll();
}
