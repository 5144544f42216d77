// The worksheet's score field: a single-line text field that lets through
// only what FilterScoreKey accepts, keeps at most six characters and selects
// its whole text whenever it gets the focus, except when the focus comes back
// from the field's own warning box (a refused key loses nothing).
//
// The standard editing keys (Ctrl+A, C, V, X, Z and Y, Shift+Insert,
// Ctrl+Insert, Shift+Delete) and the context menu work as in any text field.
// Every way of putting text into the field passes the same filter: typed
// keys (and the control characters of the other Ctrl shortcuts, which are
// refused), input-method text and pasted text (FilterScorePaste: refused
// whole with the filter's warning), while middle click of the X selection
// and drag-and-drop are switched off.
#pragma once

#include <QLineEdit>

class QKeyEvent;

// What a key press amounts to for a single-byte edit control.
enum class tKeyKind {
    NoCharacter, // Delete, arrows, Tab, function keys: the field handles it
    Swallowed,   // Alt or Meta combinations that no shortcut took: ignored
    Character,   // types the character returned in `typed`
    Editing,     // a standard editing shortcut: see score_editing_action
};

enum class tEditAction { None, SelectAll, Copy, Cut, Paste, Undo, Redo };

// The editing action of a key press (None for any other key).
tEditAction score_editing_action(const QKeyEvent& event);

// Classifies a key press; for tKeyKind::Character `typed` is the character the
// key types (the other Ctrl+A .. Ctrl+Z give the control characters 1 .. 26, a character outside the single-byte code page comes back
// as '?', which the filter refuses like any other non-numeric character).
tKeyKind classify_score_key(const QKeyEvent& event, char& typed);

class tScoreField : public QLineEdit {
    Q_OBJECT
public:
    explicit tScoreField(QWidget* parent = nullptr);

    // The text as single-byte characters.
    std::string score_text() const;

    // Pastes the clipboard's text when FilterScorePaste takes it, then keeps
    // the six-character limit as typing does.
    void checked_paste();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Set while a warning of this field's own is shown, until the focus comes
    // back: that return must leave the text, caret and selection alone.
    bool warned_ = false;

    bool filter_key_press(QKeyEvent* event);
    void edit(tEditAction action);
    void txtInputKeyUp();
};
