// The desktop program as the worksheet tests start it: the two program-wide
// strings, the worksheet with its file in a temporary folder, the hidden
// output window, and Qt message boxes behind the user-message seam.
#pragma once

#include "app/worksheet_window.h"
#include "app/output_window.h"
#include "app/notes_memo.h"
#include "app/qt_messages.h"
#include "app/radio_group.h"
#include "app/score_field.h"
#include "common/user_messages.h"
#include "common/program_title.h"
#include "modal_helper.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// Qt message boxes, with the beeps counted.
class tCountingQtMessages final : public tUserMessages {
public:
    int beeps = 0;
    void warning(const std::string& text) override { boxes_.warning(text); }
    void information(const std::string& text) override { boxes_.information(text); }
    bool confirm(const std::string& text) override { return boxes_.confirm(text); }
    tSaveChoice ask_to_save(const std::string& text) override { return boxes_.ask_to_save(text); }
    void beep() override
    {
        ++beeps;
        boxes_.beep();
    }

private:
    tQtUserMessages boxes_;
};

// The watchdog: a message box that no test means to answer (no watcher is
// waiting) and that stays open for a few seconds is closed and its text kept,
// so the test fails instead of hanging.
class tUnansweredBoxGuard {
public:
    std::vector<QString> unanswered;

    tUnansweredBoxGuard()
    {
        QObject::connect(&timer_, &QTimer::timeout, [this]() {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal != last_ || waiting_modal_watchers() > 0) {
                last_ = modal;
                ticks_ = 0;
                return;
            }
            if (modal && ++ticks_ > kPatienceTicks) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                unanswered.push_back(box ? box->text() : modal->windowTitle());
                if (box)
                    box->reject();
                else
                    modal->close();
                last_ = nullptr;
            }
        });
        timer_.start(50);
    }

private:
    static constexpr int kPatienceTicks = 60; // 3 seconds
    QTimer timer_;
    QWidget* last_ = nullptr;
    int ticks_ = 0;
};

class tWorksheetTest : public ::testing::Test {
protected:
    QTemporaryDir folder;
    tCountingQtMessages messages;
    std::unique_ptr<tScopedUserMessages> seam;
    std::unique_ptr<tUnansweredBoxGuard> guard;
    std::unique_ptr<tWorksheetWindow> ws;
    std::unique_ptr<tOutputWindow> results;
    // Where the worksheet started next keeps its file: the test's own folder.
    tWorksheetLocation location;

    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        location.folder = folder.path().toStdString();
        guard = std::make_unique<tUnansweredBoxGuard>();
    }

    void TearDown() override
    {
        stop();
        EXPECT_TRUE(guard->unanswered.empty())
            << "unanswered box: " << guard->unanswered.front().toStdString();
    }

    // Start-up in the program's order: worksheet (restoring the file), the
    // hidden output window, the message seam; then the worksheet is shown.
    void start()
    {
        ws = std::make_unique<tWorksheetWindow>(location);
        results = std::make_unique<tOutputWindow>();
        ws->set_output_window(results.get());
        results->set_worksheet(ws.get());
        seam = std::make_unique<tScopedUserMessages>(messages);
        ws->show();
        ws->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(ws.get()));
    }

    void stop()
    {
        seam.reset();
        results.reset();
        ws.reset();
    }

    // The next start of the program, with the file left by this one.
    void restart()
    {
        stop();
        start();
    }

    std::string file_path() const { return folder.filePath("orvane_index.txt").toStdString(); }

    bool file_exists() const { return QFile::exists(QString::fromStdString(file_path())); }

    QByteArray file_bytes() const
    {
        QFile file(QString::fromStdString(file_path()));
        if (!file.open(QIODevice::ReadOnly))
            return QByteArray("<no file>");
        return file.readAll();
    }

    void write_file(const QByteArray& bytes) const
    {
        QFile file(QString::fromStdString(file_path()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    void enter_scores(const QString& vc, const QString& pr, const QString& wm, const QString& ps)
    {
        ws->txtInput1->setText(vc);
        ws->txtInput2->setText(pr);
        ws->txtInput3->setText(wm);
        ws->txtInput4->setText(ps);
    }

    // The scores entered and computed (from the output window too).
    void compute(const QString& vc, const QString& pr, const QString& wm, const QString& ps)
    {
        if (!ws->isVisible())
            results->cmdReturn->click();
        enter_scores(vc, pr, wm, ps);
        QTest::mouseClick(ws->cmdCompute, Qt::LeftButton);
    }

    QWidget* focused() const { return ws->focusWidget(); }

    std::vector<std::string> report_lines() const
    {
        std::vector<std::string> lines;
        const QStringList all = results->memoResults->toPlainText().split(QLatin1Char('\n'));
        for (const QString& line : all)
            lines.push_back(line.toStdString());
        return lines;
    }
};
