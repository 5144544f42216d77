// Normative data in the desktop program: a set entered through its dialog
// (the correlations through the real matrix dialog) is checked naming the
// field, an import is refused naming the line, and the chosen set is used by
// Compute, named on the worksheet and remembered, its file private.

#include "test_worksheet_fixture.h"

#include "app/norms_dialog.h"
#include "message_recorder.h"

#include <QLineEdit>

#include <sys/stat.h>

#include <algorithm>

namespace {

bool holds(const std::vector<std::string>& texts, const std::string& part)
{
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& t) { return t.find(part) != std::string::npos; });
}

TEST_F(tWorksheetTest, NormativeDataAreEnteredCheckedChosenAndRemembered)
{
    start();
    EXPECT_EQ(ws->lblNorms->text().toStdString(), "Normative data: Built-in (Orvane)");
    tMessageRecorder recorder;
    {
    // The dialogs are the worksheet's children: gone before it restarts.
    tScopedUserMessages recording(recorder);
    tNormativeSet start_from = built_in_normative_set();
    start_from.name.clear();
    tNormsSetDialog set_dialog(start_from, {}, ws.get());
    set_dialog.show();
    set_dialog.txtName->setText(QStringLiteral("Edition B"));
    const char* const rels[4] = {"0.93", "0.91", "0.92", "0.88"};
    for (int k = 0; k < 4; ++k)
        set_dialog.txtReliability[k]->setText(QString::fromLatin1(k == 2 ? "1" : rels[k]));
    QTest::mouseClick(set_dialog.cmdOK, Qt::LeftButton);
    EXPECT_TRUE(holds(recorder.texts(tRecordedMessage::Warning), "Working Memory (WM) must lie strictly between 0 and 1"));
    EXPECT_TRUE(set_dialog.isVisible());
    set_dialog.txtReliability[2]->setText(QStringLiteral("0.92"));

    // The correlations typed into the matrix dialog's cells (column x row).
    on_next_modal([](QWidget* matrix) {
        const std::pair<const char*, const char*> cells[] = {
            {"mat1x2", "0.58"}, {"mat1x3", "0.6"}, {"mat2x3", "0.55"},
            {"mat1x4", "0.41"}, {"mat2x4", "0.5"}, {"mat3x4", "0.47"}};
        for (const auto& [name, text] : cells)
            matrix->findChild<QLineEdit*>(QString::fromLatin1(name))->setText(QString::fromLatin1(text));
        QTest::mouseClick(matrix->findChild<QPushButton*>(QStringLiteral("CloseBtn")), Qt::LeftButton);
    });
    QTest::mouseClick(set_dialog.cmdCorrelations, Qt::LeftButton);
    QTest::mouseClick(set_dialog.cmdOK, Qt::LeftButton);
    ASSERT_EQ(set_dialog.result(), QDialog::Accepted) << recorder.texts(tRecordedMessage::Warning).back();
    EXPECT_EQ(normative_set_text(set_dialog.set()),
              "name: Edition B\nreliabilities: 0.93 0.91 0.92 0.88\ncorrelations:\n1\n0.58 1\n0.6 0.55 1\n0.41 0.5 0.47 1\n");

    tSaveFolder save_folder;
    tNormsDialog dialog(ws->normative_sets(), save_folder, ws.get());
    const QString bad = folder.filePath(QStringLiteral("bad.txt"));
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("name: Edition B\nreliabilities: 0.93 0.91 0.92 0.88\ncorrelations:\n1\n0.58 1 1\n");
    file.close();
    EXPECT_FALSE(dialog.import_file(bad));
    EXPECT_TRUE(holds(recorder.texts(tRecordedMessage::Warning), "Line 5: Row 2 of the correlations (PR)"));
    const QString good = folder.filePath(QStringLiteral("edition_b.txt"));
    export_normative_set(good.toStdString(), set_dialog.set());
    ASSERT_TRUE(dialog.import_file(good));
    dialog.cmdUseClick();
    dialog.close();
    }

    // The window's only record of the choice is the file: a restart reads it.
    restart();
    EXPECT_EQ(ws->lblNorms->text().toStdString(), "Normative data: Edition B, entered by the user");
    struct stat info;
    ASSERT_EQ(stat(folder.filePath(QStringLiteral("orvane_norms.txt")).toLocal8Bit().constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    enter_scores(QStringLiteral("100"), QStringLiteral("95"), QStringLiteral("110.5"), QStringLiteral("87"));
    QTest::mouseClick(ws->cmdCompute, Qt::LeftButton);
    const std::vector<std::string> lines = report_lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), " Normative data: Edition B, entered by the user"),
              lines.end());
}

} // namespace
