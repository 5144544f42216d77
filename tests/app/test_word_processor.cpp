// The results into a word processor, after real Computes on the worksheet:
// Save as document... (its file, its name, the results saved), Copy from the
// output window (plain text and HTML in a monospaced face that holds the
// report's columns; the last report when nothing is selected; Ctrl+C and the
// context menu).
#include "test_worksheet_fixture.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontInfo>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTimer>

namespace {

class WordProcessor : public tWorksheetTest {
protected:
    // The clipboard's HTML: the text of its one preformatted block, and the
    // font families that block names.
    static QString pasted_text(const QString& html, QStringList* families = nullptr)
    {
        const QRegularExpressionMatch pre = QRegularExpression(
            QStringLiteral("<pre style=\"font-family: ([^;\"]*);[^\"]*\">(.*)</pre>"),
            QRegularExpression::DotMatchesEverythingOption).match(html);
        if (families)
            *families = pre.captured(1).remove(QLatin1Char('\'')).split(QStringLiteral(", "));
        return pre.captured(2)
            .replace(QStringLiteral("&lt;"), QStringLiteral("<"))
            .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
            .replace(QStringLiteral("&quot;"), QStringLiteral("\""))
            .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    }

    // Copy from the memo's context menu, as a click on it would.
    void copy_from_context_menu()
    {
        QTimer::singleShot(0, [] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            for (QAction* action : menu->actions())
                if (action->objectName() == QLatin1String("edit-copy") && action->isEnabled())
                    action->trigger();
            menu->close();
        });
        QPlainTextEdit* memo = results->memoResults;
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 20), memo->mapToGlobal(QPoint(20, 20)));
        QApplication::sendEvent(memo->viewport(), &event);
    }
};

} // namespace

TEST_F(WordProcessor, CopyKeepsTheColumnsAndSaveAsDocumentWritesTheOdtFile)
{
    start();
    compute("100", "95", "110.5", "60");
    compute("120", "85", "100", "90");
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    QPlainTextEdit* memo = results->memoResults;
    memo->setFocus();
    memo->moveCursor(QTextCursor::End); // nothing selected
    QTest::keyClick(memo, Qt::Key_C, Qt::ControlModifier);

    // The second report, from its heading to its last line, exactly as the
    // memo shows it: every figure and every blank of its columns.
    const QString all = memo->toPlainText();
    const QString heading = QString::fromLatin1(AppTitle);
    QString last = all.mid(all.lastIndexOf(heading));
    while (last.endsWith(QLatin1Char('\n')))
        last.chop(1);
    const QMimeData* data = clipboard->mimeData();
    ASSERT_TRUE(data && data->hasHtml() && data->hasText());
    EXPECT_EQ(data->text(), last);
    QStringList families;
    EXPECT_EQ(pasted_text(data->html(), &families), last);
    EXPECT_TRUE(last.contains(QStringLiteral("Verbal Comprehension Index   :     120")));
    // Its face is monospaced here (Courier New is Liberation Mono's
    // stand-in name on Linux), and the generic family ends the list.
    ASSERT_FALSE(families.isEmpty());
    EXPECT_EQ(families.front(), QStringLiteral("Courier New"));
    EXPECT_TRUE(QFontInfo(QFont(families.front())).fixedPitch());
    EXPECT_EQ(families.back(), QStringLiteral("monospace"));

    // A selection is copied as it stands.
    QTextCursor cursor(memo->document()->findBlockByNumber(1));
    cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, 3);
    memo->setTextCursor(cursor);
    QTest::keyClick(memo, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(pasted_text(clipboard->mimeData()->html()),
              cursor.selectedText().replace(QChar(0x2029), QLatin1Char('\n')));

    // The context menu's Copy, nothing selected, takes the last report too.
    memo->moveCursor(QTextCursor::Start);
    clipboard->clear();
    copy_from_context_menu();
    ASSERT_TRUE(clipboard->mimeData() && clipboard->mimeData()->hasHtml());
    EXPECT_EQ(pasted_text(clipboard->mimeData()->html()), last);

    // Save as document...: the name typed gets ".odt"; the results count as saved.
    ASSERT_TRUE(results->mnuSaveAsDocument->isEnabled());
    ASSERT_TRUE(results->results_unsaved());
    tSaveDialogSeen seen;
    answer_save_dialog(folder.filePath("case 17"), &seen); // no extension typed
    results->mnuSaveAsDocument->trigger();
    EXPECT_EQ(seen.proposed_name, "results.odt");
    QFile file(folder.filePath("case 17.odt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    // A zip whose first entry, stored as it is, names the OpenDocument text.
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("PK\x03\x04"));
    EXPECT_EQ(bytes.mid(30, 47), QByteArray("mimetypeapplication/vnd.oasis.opendocument.text"));
    EXPECT_FALSE(results->results_unsaved());

    results->cmdClearResults->click();
    EXPECT_FALSE(results->mnuSaveAsDocument->isEnabled()); // no report to hold
}
