#include "app/qt_messages.h"

#include "common/program_title.h"

#include <QApplication>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSpacerItem>

namespace {

// The program's message box: as wide as its caption needs (the window
// manager would cut the caption short), and centred on the screen at the size
// it is shown with. QMessageBox fixes its size only as it is shown, from the
// least width of its layout, so an earlier move would centre a box of another
// size, and a width set from outside would not hold.
class tCentredBox final : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override
    {
        if (!widened_) {
            widened_ = true;
            QFont caption_font = font();
            caption_font.setBold(true);
            const QFontMetrics metrics(caption_font);
            // Room beside the caption for the window manager's icon and buttons.
            const int caption_width = metrics.horizontalAdvance(windowTitle()) + 6 * metrics.height();
            if (auto* grid = qobject_cast<QGridLayout*>(layout()))
                grid->addItem(new QSpacerItem(caption_width, 0, QSizePolicy::Fixed, QSizePolicy::Fixed),
                              grid->rowCount(), 0, 1, grid->columnCount());
        }
        QMessageBox::showEvent(event);
        // move() places the frame: centre the frame, as far as it is known.
        if (QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center()
                 - QRect(QPoint(0, 0), frameGeometry().size()).center());
    }

private:
    bool widened_ = false;
};

void show_ok_box(QMessageBox::Icon icon, const QString& title, const QString& text)
{
    tCentredBox box(icon, title, text, QMessageBox::NoButton, QApplication::activeWindow());
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

} // namespace

QString message_text(const std::string& text)
{
    QString out = QString::fromLatin1(text.data(), static_cast<int>(text.size()));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

void tQtUserMessages::warning(const std::string& text)
{
    show_ok_box(QMessageBox::Warning, QStringLiteral("Warning"), message_text(text));
}

void tQtUserMessages::information(const std::string& text)
{
    show_ok_box(QMessageBox::Information, QStringLiteral("Information"), message_text(text));
}

bool tQtUserMessages::confirm(const std::string& text)
{
    tCentredBox box(QMessageBox::Question, QStringLiteral("Confirm"), message_text(text),
                    QMessageBox::NoButton, QApplication::activeWindow());
    QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

tSaveChoice tQtUserMessages::ask_to_save(const std::string& text)
{
    tCentredBox box(QMessageBox::Warning, QStringLiteral("Confirm"), message_text(text),
                    QMessageBox::NoButton, QApplication::activeWindow());
    QPushButton* save = box.addButton(QStringLiteral("&Save"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QStringLiteral("&Discard"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == save)
        return tSaveChoice::Save;
    if (box.clickedButton() == discard)
        return tSaveChoice::Discard;
    return tSaveChoice::Cancel;
}

void tQtUserMessages::beep()
{
    QApplication::beep();
}

void show_general_error(const QString& message)
{
    QString text = message;
    if (!text.endsWith(QLatin1Char('.')))
        text += QLatin1Char('.');
    show_ok_box(QMessageBox::Critical, QString::fromStdString(AppTitle), text);
}

void show_general_error(const std::exception& error)
{
    show_general_error(QString::fromLocal8Bit(error.what()));
}
