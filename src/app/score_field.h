// The worksheet's score field: a single-line text field that lets through
// only what FilterScoreKey accepts, keeps at most six characters and selects
// its whole text whenever it gets the focus, except when the focus comes back
// from the field's own warning box (a refused key loses nothing).
//
// Every way of putting text into the field passes the same filter: typed
// keys (and the control characters of the Ctrl shortcuts, which are refused),
// input-method text, while paste by context menu, middle click of the X
// selection and drag-and-drop are switched off.
#pragma once

#include <QLineEdit>

class QKeyEvent;

// What a key press amounts to for a single-byte edit control.
enum class tKeyKind {
    NoCharacter, // Delete, arrows, Tab, function keys: the field handles it
    Swallowed,   // Alt or Meta combinations that no shortcut took: ignored
    Character,   // types the character returned in `typed`
};

// Classifies a key press; for tKeyKind::Character `typed` is the character the
// key types (Ctrl+A .. Ctrl+Z give the control characters 1 .. 26, Shift+Insert
// counts as Ctrl+V, a character outside the single-byte code page comes back
// as '?', which the filter refuses like any other non-numeric character).
tKeyKind classify_score_key(const QKeyEvent& event, char& typed);

class tScoreField : public QLineEdit {
    Q_OBJECT
public:
    explicit tScoreField(QWidget* parent = nullptr);

    // The text as single-byte characters.
    std::string score_text() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    // Set while a warning of this field's own is shown, until the focus comes
    // back: that return must leave the text, caret and selection alone.
    bool warned_ = false;

    bool filter_key_press(QKeyEvent* event);
    void txtInputKeyUp();
};
