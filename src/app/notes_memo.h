// The worksheet's notes memo: free Unicode text of at most 250 characters, a
// line break counting as two (carriage return and line feed), wrapped at the
// memo's width. Tab moves on to the next control instead of typing a tab.
// Only whole lines show: collapsed to 25 pixels it shows one line and nothing
// of the next.
#pragma once

#include "common/notes_text.h"

#include <QPlainTextEdit>

#include <string>
#include <vector>

// A text area whose view ends below the last line that fits whole: no line
// shows cut in half at the bottom. The space left below has the text's
// background.
class tWholeLinesEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit tWholeLinesEdit(QWidget* parent = nullptr);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void show_whole_lines();
};

class tNotesMemo : public tWholeLinesEdit {
    Q_OBJECT
public:
    static constexpr int MaxLength = notes_max_length;

    explicit tNotesMemo(QWidget* parent = nullptr);

    // The characters the memo holds, each line break counted as two.
    int stored_length() const;

    // The memo's lines as displayed: every wrapped piece of a paragraph is a
    // line of its own, in UTF-8. An empty memo has no lines, and an empty last
    // line (after a final line break) is not counted.
    std::vector<std::string> displayed_lines() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    // Characters that may still be added, the current selection being replaced.
    int room() const;
};
