// Answering modal boxes from a GUI test. A box opened by the code under test
// runs its own event loop; a watcher polls for it there and lets the test act
// on it. Watchers are owned by one registry: the test program's main cancels
// those still waiting at the end of each test, so none outlives its test or
// answers a box of the next one, and none is left for the leak checker.
#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QTest>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

// The parent of every watcher; a child of the application, so that it goes
// with it in any case.
inline QObject* modal_watcher_registry()
{
    static QPointer<QObject> registry;
    if (!registry)
        registry = new QObject(qApp);
    return registry;
}

// Watchers still waiting for their box.
inline int waiting_modal_watchers()
{
    int waiting = 0;
    for (const QTimer* t : modal_watcher_registry()->findChildren<QTimer*>(QString(), Qt::FindDirectChildrenOnly))
        if (t->isActive())
            ++waiting;
    return waiting;
}

// Removes every watcher; called between tests.
inline void cancel_modal_watchers()
{
    for (QTimer* t : modal_watcher_registry()->findChildren<QTimer*>(QString(), Qt::FindDirectChildrenOnly))
        delete t;
}

// Calls `step` with the active modal widget (or nullptr) every 20 ms until it
// returns true or `timeout_ms` has passed.
inline void watch_modals(std::function<bool(QWidget*)> step, int timeout_ms)
{
    auto* timer = new QTimer(modal_watcher_registry());
    const QDeadlineTimer deadline(timeout_ms);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, deadline, step]() {
        // Stopped first: `step` may open a box of its own, whose event loop
        // would call this watcher again.
        timer->stop();
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && !modal->isVisible())
            modal = nullptr;
        if (step(modal) || deadline.hasExpired())
            timer->deleteLater();
        else
            timer->start();
    });
    timer->start(20);
}

// Acts on the next modal widget that is shown, once; gives up after
// `timeout_ms` (the test then fails on its own expectations).
inline void on_next_modal(std::function<void(QWidget*)> action, int timeout_ms = 30000)
{
    watch_modals(
        [action](QWidget* modal) {
            if (!modal)
                return false;
            action(modal);
            return true;
        },
        timeout_ms);
}

// Acts on the next modal widget once its window is active, that is once it
// has the keyboard focus: for actions that check the focus or send keys.
inline void on_next_active_modal(std::function<void(QWidget*)> action, int timeout_ms = 30000)
{
    watch_modals(
        [action](QWidget* modal) {
            if (!modal)
                return false;
            // The offscreen platform can hand the activation of the window
            // below to it after the box has shown; a window manager gives a
            // new modal box the focus.
            if (!modal->isActiveWindow()) {
                modal->activateWindow();
                return false;
            }
            action(modal);
            return true;
        },
        timeout_ms);
}

// What a message box showed, for the test to check after it was answered.
struct tSeenBox {
    bool seen = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Records what `box` shows into `seen` (if given) and clicks the button whose
// text is `button_text`; a box without such a button is rejected.
inline void answer_box(QMessageBox* box, const QString& button_text, tSeenBox* seen)
{
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
}

// Clicks the button whose text is `button_text` ("OK", "&Yes", "&No") on the
// next message box and records what the box showed into `seen`.
inline void answer_next_box(const QString& button_text, tSeenBox* seen = nullptr)
{
    on_next_modal([button_text, seen](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w))
            answer_box(box, button_text, seen);
    });
}

// Answers the next save dialog: records the proposed name and directory,
// then types `file_name` into its file name field and presses Return (an
// empty name cancels the dialog).
struct tSaveDialogSeen {
    bool seen = false;
    QString proposed_name;
    QString directory;
};

inline void answer_save_dialog(const QString& file_name, tSaveDialogSeen* seen = nullptr)
{
    on_next_active_modal([file_name, seen](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        if (!dialog)
            return;
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (seen) {
            seen->seen = true;
            seen->proposed_name = edit ? edit->text() : QString();
            seen->directory = dialog->directory().absolutePath();
        }
        if (file_name.isEmpty() || !edit) {
            dialog->reject();
            return;
        }
        edit->setText(file_name);
        QTest::keyClick(edit, Qt::Key_Return);
    });
}

// Answers message boxes as they open, also above another modal widget (the
// file dialog's overwrite question), one entry of `answers` each, in order.
struct tBoxAnswer {
    QString button_text;
    tSeenBox* seen;
};

inline void answer_message_boxes(std::vector<tBoxAnswer> answers)
{
    // A box answered is destroyed before the next one opens, which may reuse
    // its address: a cleared pointer tells them apart.
    QPointer<QMessageBox> last;
    watch_modals(
        [answers, last](QWidget* modal) mutable {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (box && !answers.empty() && (last.isNull() || box != last.data())) {
                last = box;
                const tBoxAnswer answer = answers.front();
                answers.erase(answers.begin());
                answer_box(box, answer.button_text, answer.seen);
            }
            return answers.empty();
        },
        30000);
}
