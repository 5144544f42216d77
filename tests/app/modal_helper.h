// Answering modal boxes from a GUI test. A box opened by the code under test
// runs its own event loop; a timer polls for it and lets the test act on it.
// A watchdog fails the test instead of hanging when no box ever comes.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <string>

// Acts on the next modal widget that appears, once; gives up after
// `timeout_ms` (the test then fails on its own expectations).
inline void on_next_modal(std::function<void(QWidget*)> action, int timeout_ms = 10000)
{
    auto* timer = new QTimer;
    auto* elapsed = new int(0);
    QObject::connect(timer, &QTimer::timeout, [timer, elapsed, action, timeout_ms]() {
        *elapsed += 20;
        QWidget* modal = QApplication::activeModalWidget();
        if (modal || *elapsed > timeout_ms) {
            timer->stop();
            timer->deleteLater();
            delete elapsed;
            if (modal)
                action(modal);
        }
    });
    timer->start(20);
}

// What a message box showed, for the test to check after it was answered.
struct tSeenBox {
    bool seen = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Clicks the button whose text is `button_text` ("OK", "&Yes", "&No") on the
// next message box and records what the box showed into `seen`.
inline void answer_next_box(const QString& button_text, tSeenBox* seen = nullptr)
{
    on_next_modal([button_text, seen](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box)
            return;
        if (seen) {
            seen->seen = true;
            seen->title = box->windowTitle();
            seen->text = box->text();
            seen->icon = box->icon();
        }
        for (QAbstractButton* b : box->buttons())
            if (b->text() == button_text) {
                b->click();
                return;
            }
        box->reject();
    });
}
