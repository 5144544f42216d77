#include "app/notes_memo.h"

#include "common/notes_text.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QResizeEvent>
#include <QScrollBar>
#include <QPlainTextDocumentLayout>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>

namespace {

// What one UTF-16 code unit costs under the notes' rules: a character
// outside the Basic Multilingual Plane, two code units, counts once.
int character_cost(QChar c)
{
    if (c.isLowSurrogate())
        return 0;
    return notes_character_cost(c.unicode());
}

// Length of a text in characters, each line break counted as two.
int counted_length(const QString& text)
{
    int length = 0;
    for (QChar c : text)
        length += character_cost(c);
    return length;
}

// The longest head of `text` whose counted length fits into `room`, never
// ending between the two halves of a surrogate pair.
QString fitting_head(const QString& text, int room)
{
    int used = 0;
    int n = 0;
    for (; n < text.size(); ++n) {
        const int cost = character_cost(text.at(n));
        if (used + cost > room)
            break;
        used += cost;
    }
    if (n > 0 && n < text.size() && text.at(n).isLowSurrogate())
        --n;
    return text.left(n);
}

// What may stand in the notes of `text` (common/notes_text.h): controls and
// invisible characters that a paste or an input method brings are dropped,
// as typing never enters them.
QString allowed_text(const QString& text)
{
    QString kept;
    for (const char32_t c : text.toUcs4())
        if (notes_character_allowed(c))
            kept += QString::fromUcs4(&c, 1);
    return kept;
}

// Blank space between the frame and the text, as the document margin gave.
constexpr int kTextMargin = 4;

} // namespace

tWholeLinesEdit::tWholeLinesEdit(QWidget* parent) : QPlainTextEdit(parent)
{
    // The margin lies outside the viewport, so the lines start at its top
    // whether the text is scrolled or not, and a viewport as high as k lines
    // shows exactly k of them. The space around it has the text's background.
    document()->setDocumentMargin(0);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

void tWholeLinesEdit::resizeEvent(QResizeEvent* event)
{
    show_whole_lines();
    QPlainTextEdit::resizeEvent(event);
}

void tWholeLinesEdit::show_whole_lines()
{
    const int line = fontMetrics().height();
    const int inside = height() - 2 * frameWidth() - kTextMargin;
    const int lines = std::max(1, inside / std::max(1, line));
    setViewportMargins(kTextMargin, kTextMargin, kTextMargin, std::max(0, inside - lines * line));
}

tNotesMemo::tNotesMemo(QWidget* parent) : tWholeLinesEdit(parent)
{
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The lines wrap at the memo's width, so nothing ever lies to the right.
    // A line that fills the width exactly leaves the cursor just beyond it,
    // and the editor would scroll sideways to show the cursor, hiding the
    // first character of every line: the view stays at the left edge.
    QScrollBar* sideways = horizontalScrollBar();
    const auto to_left_edge = [sideways]() {
        if (sideways->value() != 0)
            sideways->setValue(0);
    };
    connect(sideways, &QScrollBar::valueChanged, this, to_left_edge);
    connect(sideways, &QScrollBar::rangeChanged, this, to_left_edge);
}

int tNotesMemo::stored_length() const
{
    return counted_length(toPlainText());
}

int tNotesMemo::room() const
{
    return MaxLength - stored_length() + counted_length(textCursor().selectedText());
}

std::vector<std::string> tNotesMemo::displayed_lines() const
{
    std::vector<std::string> lines;
    if (document()->isEmpty())
        return lines;
    auto* layout = qobject_cast<QPlainTextDocumentLayout*>(document()->documentLayout());
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (layout)
            layout->ensureBlockLayout(block);
        const QString text = block.text();
        const QTextLayout* lay = block.layout();
        if (!lay || lay->lineCount() == 0) {
            lines.push_back(text.toUtf8().toStdString());
            continue;
        }
        for (int i = 0; i < lay->lineCount(); ++i) {
            const QTextLine line = lay->lineAt(i);
            lines.push_back(text.mid(line.textStart(), line.textLength()).toUtf8().toStdString());
        }
    }
    if (!lines.empty() && lines.back().empty())
        lines.pop_back();
    return lines;
}

void tNotesMemo::keyPressEvent(QKeyEvent* event)
{
    const bool line_break = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const QString text = event->text();
    const bool types = line_break
        || (!text.isEmpty() && QChar::isPrint(text.toUcs4().front()) // a whole character, not half a pair
            && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)));
    // A character typed that may not stand in the notes (a zero-width blank
    // or a direction mark from a keyboard layout or a compose key) is
    // refused; the editing keys' own control characters are not text.
    for (const char32_t c : text.toUcs4())
        if (c > 0x7F && !notes_character_allowed(c)) {
            event->accept();
            return;
        }
    if (types && !event->matches(QKeySequence::Paste)) {
        const int cost = line_break ? 2 : counted_length(text);
        if (cost > room()) {
            event->accept(); // the memo is full: the keystroke is refused
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

void tNotesMemo::insertFromMimeData(const QMimeData* source)
{
    if (!source || !source->hasText())
        return;
    QString text = source->text();
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    for (const QChar line_end : {QChar(u'\r'), QChar(0x2028), QChar(0x2029)})
        text.replace(line_end, QLatin1Char('\n'));
    text = allowed_text(text);
    QMimeData trimmed;
    trimmed.setText(fitting_head(text, room()));
    QPlainTextEdit::insertFromMimeData(&trimmed);
}

void tNotesMemo::inputMethodEvent(QInputMethodEvent* event)
{
    const QString commit = event->commitString();
    const QString head = fitting_head(allowed_text(commit), room());
    if (head.size() != commit.size())
        event->setCommitString(head, event->replacementStart(), event->replacementLength());
    QPlainTextEdit::inputMethodEvent(event);
}
