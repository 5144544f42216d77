#include "app/qt_messages.h"

#include "methods/worksheet_config.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace {

void centre_on_screen(QMessageBox& box)
{
    box.adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        box.move(area.center() - box.rect().center());
    }
}

void show_ok_box(QMessageBox::Icon icon, const QString& title, const QString& text)
{
    QMessageBox box(icon, title, text, QMessageBox::NoButton, QApplication::activeWindow());
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    centre_on_screen(box);
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
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), message_text(text),
                    QMessageBox::NoButton, QApplication::activeWindow());
    QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    centre_on_screen(box);
    box.exec();
    return box.clickedButton() == yes;
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
