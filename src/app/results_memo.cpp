// The output window's text area and what Copy puts on the clipboard.
#include "app/results_memo.h"

#include "analysis/report.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QTextCursor>

#include <memory>

namespace {

const QChar ParagraphSeparator(0x2029); // line ends inside QTextCursor::selectedText

// Plain text and HTML of the same text, lines ending in line feeds (the
// platform's clipboard makes them its own).
QMimeData* results_mime_data(const QString& text)
{
    auto* data = new QMimeData;
    data->setText(text);
    data->setHtml(results_html(text));
    return data;
}

} // namespace

tResultsMemo::tResultsMemo(QWidget* parent) : QPlainTextEdit(parent) {}

QMimeData* tResultsMemo::createMimeDataFromSelection() const
{
    QString text = textCursor().selectedText();
    text.replace(ParagraphSeparator, QLatin1Char('\n'));
    return results_mime_data(text);
}

void tResultsMemo::copy_results()
{
    if (textCursor().hasSelection()) {
        copy();
        return;
    }
    const QString report = last_report_of(toPlainText());
    if (!report.isEmpty())
        QGuiApplication::clipboard()->setMimeData(results_mime_data(report));
}

void tResultsMemo::keyPressEvent(QKeyEvent* event)
{
    if (event == QKeySequence::Copy) {
        copy_results();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

// The standard menu; with nothing selected, its Copy (which would be
// disabled) gives way to one that takes the last report.
void tResultsMemo::contextMenuEvent(QContextMenuEvent* event)
{
    const std::unique_ptr<QMenu> menu(createStandardContextMenu(event->pos()));
    QAction* standard = menu->findChild<QAction*>(QStringLiteral("edit-copy"));
    if (standard && !textCursor().hasSelection()) {
        auto* last_report = new QAction(standard->text(), menu.get());
        last_report->setObjectName(standard->objectName());
        last_report->setShortcut(standard->shortcut());
        last_report->setEnabled(!document()->isEmpty());
        connect(last_report, &QAction::triggered, this, &tResultsMemo::copy_results);
        menu->insertAction(standard, last_report);
        menu->removeAction(standard);
    }
    menu->exec(event->globalPos());
}

QString last_report_of(const QString& text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    const qsizetype separator = lines.lastIndexOf(QString::fromLatin1(report_separator));
    if (separator >= 0)
        lines = lines.mid(separator + 1);
    while (!lines.isEmpty() && lines.front().trimmed().isEmpty())
        lines.removeFirst();
    while (!lines.isEmpty() && lines.back().trimmed().isEmpty())
        lines.removeLast();
    return lines.join(QLatin1Char('\n'));
}

QString results_html(const QString& text)
{
    // A line feed right after <pre> would be dropped by the reader: the
    // text follows the tag at once.
    return QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Brenlow results</title></head>"
                          "<body><pre style=\"font-family: 'Courier New', 'Liberation Mono', monospace; "
                          "font-size: 7pt\">")
           + text.toHtmlEscaped() + QStringLiteral("</pre></body></html>\n");
}
