// The output window's text area. Copy (Ctrl+C, the context menu) puts the
// text on the clipboard twice: as plain text, and as HTML that sets it in
// the report's monospaced face at a size that fits a word processor's
// page, so that a paste into a clinician's document keeps every column.
// With no selection, Copy takes the last report the text holds.
#pragma once

#include <QPlainTextEdit>
#include <QString>

class QMimeData;

class tResultsMemo final : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit tResultsMemo(QWidget* parent = nullptr);

    // Copy as described above.
    void copy_results();

protected:
    QMimeData* createMimeDataFromSelection() const override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
};

// The last report of `text` (the memo's text): the lines after its last
// separator line, or all of them when there is none, without the empty
// lines at either end.
QString last_report_of(const QString& text);

// The clipboard's HTML of `text`: the text as it stands, in a preformatted
// block set in a monospaced face (Courier New, or Liberation Mono, which
// has its metrics) at 7 points, so that the report's widest line (106
// characters, 445 points) fits the text width of A4 and Letter at the
// margins word processors start with.
QString results_html(const QString& text);
