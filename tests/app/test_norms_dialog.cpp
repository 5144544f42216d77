// The Normative Data dialogs as a clinician goes through them once: a new
// set typed in (a decimal comma, a correlation out of range named by its
// cell, one kept), a set that no population can have refused, one edited,
// its correlations' edits discarded, the set chosen, exported, deleted and
// imported again; every name shown whole (every control's name for a screen
// reader, and F1, are test_help_and_screen_readers'). And a
// file of sets that cannot be read: named at start, marked on the worksheet,
// and asked about before Compute.

#include "test_worksheet_fixture.h"

#include "app/norms_correlations_dialog.h"
#include "app/norms_dialog.h"
#include "app/norms_set_dialog.h"
#include "message_recorder.h"

#include <QLineEdit>
#include <QListWidget>

#include <sys/stat.h>

#include <algorithm>

namespace {

// 80 characters, the most a name may hold; a second edition differs only in
// its last character.
const QString kLongName = QStringLiteral("Orvane Adult Intelligence Scale, Fourth Edition, Southern Hemisphere Norms, Ed A");

bool holds(const std::vector<std::string>& texts, const std::string& part)
{
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& t) { return t.find(part) != std::string::npos; });
}

// Types the lower triangle into the correlation entry, row by row.
void type_correlations(tNormsCorrelationsDialog* d, const std::array<const char*, 6>& values)
{
    int k = 0;
    for (int i = 1; i < 4; ++i)
        for (int j = 0; j < i; ++j)
            d->cells[static_cast<size_t>(i)][static_cast<size_t>(j)]->setText(QString::fromLatin1(values[static_cast<size_t>(k++)]));
}

// The set dialog that opens next: its name and reliabilities typed, the
// correlation entry driven by `correlations`, then OK.
void fill_next_set(const QString& name, const std::array<const char*, 4>& rels,
                   std::function<void(tNormsCorrelationsDialog*)> correlations)
{
    on_next_active_modal([=](QWidget* w) {
        auto* set = dynamic_cast<tNormsSetDialog*>(w);
        ASSERT_NE(set, nullptr);
        set->txtName->setText(name);
        for (int k = 0; k < 4; ++k)
            set->txtReliability[static_cast<size_t>(k)]->setText(QString::fromLatin1(rels[static_cast<size_t>(k)]));
        if (correlations) {
            on_next_active_modal([=](QWidget* c) { correlations(dynamic_cast<tNormsCorrelationsDialog*>(c)); });
            QTest::mouseClick(set->cmdCorrelations, Qt::LeftButton);
        }
        QTest::mouseClick(set->cmdOK, Qt::LeftButton);
        if (set->isVisible()) // refused: the test has seen the warning
            QTest::mouseClick(set->cmdCancel, Qt::LeftButton);
    });
}

TEST_F(tWorksheetTest, NormativeDataDialogsThroughEveryState)
{
    start();
    tMessageRecorder recorder;
    tScopedUserMessages recording(recorder);
    tSaveFolder save_folder;
    save_folder.last = folder.path();
    auto dialog = std::make_unique<tNormsDialog>(ws->normative_sets(), save_folder, ws.get());
    dialog->show();

    // New: 1.2 is refused naming its cell, which is selected; then kept.
    fill_next_set(kLongName, {"0,93", "0.91", "0.92", "0.88"}, [&](tNormsCorrelationsDialog* c) {
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->cells[1][0]->accessibleName(), QStringLiteral("correlation of PR with VC"));
        type_correlations(c, {"1.2", "0.6", "0.55", "0.41", "0.5", "0.47"});
        QTest::mouseClick(c->cmdKeep, Qt::LeftButton);
        EXPECT_TRUE(holds(recorder.texts(tRecordedMessage::Warning),
                          "The correlation of PR with VC (row 2, column 1) must lie strictly between -1 and 1; it is 1.2."));
        EXPECT_TRUE(c->isVisible());
        EXPECT_EQ(c->cells[1][0]->selectedText(), QStringLiteral("1.2"));
        c->cells[1][0]->setText(QStringLiteral("0,58"));
        QTest::mouseClick(c->cmdKeep, Qt::LeftButton);
    });
    QTest::mouseClick(dialog->cmdNew, Qt::LeftButton);
    ASSERT_EQ(dialog->lstSets->count(), 2) << recorder.texts(tRecordedMessage::Warning).back();
    const tNormativeSet* kept = ws->normative_sets().set_named(kLongName.toStdString());
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(normative_set_text(*kept).substr(kept->name.size() + 7),
              "reliabilities: 0.93 0.91 0.92 0.88\ncorrelations:\n1\n0.58 1\n0.6 0.55 1\n0.41 0.5 0.47 1\n");

    // The long name is shown whole: broken into lines that each fit the list.
    QListWidgetItem* item = dialog->lstSets->item(1);
    EXPECT_EQ(item->data(Qt::AccessibleTextRole).toString(), kLongName);
    EXPECT_EQ(item->text().split(QLatin1Char('\n')).join(QLatin1Char(' ')), kLongName);
    for (const QString& line : item->text().split(QLatin1Char('\n')))
        EXPECT_LE(QFontMetrics(item->font()).horizontalAdvance(line), dialog->lstSets->viewport()->width()) << line.toStdString();

    // A set no population can have: r = .5 and .9 with .69 between them.
    fill_next_set(QStringLiteral("Impossible"), {"0.5", "0.9", "0.9", "0.9"}, [](tNormsCorrelationsDialog* c) {
        type_correlations(c, {"0.69", "0", "0", "0", "0", "0"});
        QTest::mouseClick(c->cmdKeep, Qt::LeftButton);
    });
    QTest::mouseClick(dialog->cmdNew, Qt::LeftButton);
    EXPECT_TRUE(holds(recorder.texts(tRecordedMessage::Warning), "their true scores (the scores without measurement "
                                                                  "error) would correlate 1.029"));
    EXPECT_EQ(dialog->lstSets->count(), 2);

    // Edit: a shorter name; the correlations' edits discarded.
    dialog->lstSets->setCurrentRow(1);
    fill_next_set(QStringLiteral("Edition B"), {"0.93", "0.91", "0.92", "0.88"}, [](tNormsCorrelationsDialog* c) {
        type_correlations(c, {"0.1", "0.1", "0.1", "0.1", "0.1", "0.1"});
        QTest::mouseClick(c->cmdDiscard, Qt::LeftButton);
    });
    QTest::mouseClick(dialog->cmdEdit, Qt::LeftButton);
    ASSERT_NE(ws->normative_sets().set_named("Edition B"), nullptr);
    EXPECT_EQ(ws->normative_sets().set_named("Edition B")->corr[1][0], 0.58L);
    EXPECT_EQ(dialog->lstSets->currentItem()->text(), QStringLiteral("Edition B"));

    QTest::mouseClick(dialog->cmdUse, Qt::LeftButton);
    EXPECT_EQ(dialog->lblChosen->accessibleName(), QStringLiteral("The next Compute uses: Edition B, entered by the user"));

    // Export: a name typed bare gets ".txt", which Import's filter shows.
    answer_save_dialog(QStringLiteral("editionB"));
    QTest::mouseClick(dialog->cmdExport, Qt::LeftButton);
    const QString exported = folder.filePath(QStringLiteral("editionB.txt"));
    ASSERT_TRUE(QFile::exists(exported));

    // Delete asks, naming the set; the built-in set is chosen again.
    recorder.answers.push_back(true);
    QTest::mouseClick(dialog->cmdDelete, Qt::LeftButton);
    EXPECT_EQ(recorder.texts(tRecordedMessage::Confirm).back(), "Delete the set of normative data \"Edition B\"?");
    EXPECT_EQ(dialog->lstSets->count(), 1);
    EXPECT_TRUE(ws->normative_sets().chosen().empty());

    // Import: a pipe refused at once, named; a bad file with its line; the
    // export read back.
    const QString fifo = folder.filePath(QStringLiteral("pipe.txt"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(dialog->import_file(fifo));
    EXPECT_TRUE(holds(recorder.texts(tRecordedMessage::Warning), "'" + fifo.toStdString() + "' is not a regular file"));
    const QString bad = folder.filePath(QStringLiteral("bad.txt"));
    QFile bad_file(bad);
    ASSERT_TRUE(bad_file.open(QIODevice::WriteOnly));
    bad_file.write("name: Edition B\nreliabilities: 0.93 0.91 0.92 0.88\ncorrelations:\n1\n0.58 1 1\n");
    bad_file.close();
    EXPECT_FALSE(dialog->import_file(bad));
    EXPECT_TRUE(holds(recorder.texts(tRecordedMessage::Warning), "bad.txt', line 5: Row 2 of the correlations (PR)"));
    ASSERT_TRUE(dialog->import_file(exported));
    dialog->cmdUseClick();
    dialog.reset();

    // The file is the only record: a restart reads it, and Compute uses it.
    restart();
    EXPECT_EQ(ws->lblNorms->text().toStdString(), "Normative data: Edition B, entered by the user");
    struct stat info;
    ASSERT_EQ(stat(QFile::encodeName(folder.filePath(QStringLiteral("orvane_norms.txt"))).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    compute(QStringLiteral("100"), QStringLiteral("95"), QStringLiteral("110.5"), QStringLiteral("87"));
    const std::vector<std::string> lines = report_lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), " Normative data: Edition B, entered by the user"), lines.end());
}

// A pipe in the place of the file of sets (which may have chosen a set):
// start-up names it at once, the worksheet's line is marked, and Compute
// asks before it uses the built-in set; declined, nothing is computed.
TEST_F(tWorksheetTest, AFileOfSetsThatCannotBeReadIsNamedMarkedAndAskedAbout)
{
    const QString fifo = folder.filePath(QStringLiteral("orvane_norms.txt"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    tSeenBox at_start;
    answer_next_box(QStringLiteral("OK"), &at_start);
    start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return at_start.seen; }));
    EXPECT_TRUE(at_start.text.contains(QStringLiteral("'") + fifo + QStringLiteral("' is not a regular file")))
        << at_start.text.toStdString();
    EXPECT_TRUE(at_start.text.contains(QStringLiteral("Compute asks before it uses the built-in set")));
    EXPECT_EQ(ws->lblNorms->text(), QStringLiteral("Normative data: the chosen set could not be read; Compute asks "
                                                   "before using Built-in (Orvane)"));
    EXPECT_TRUE(ws->lblNorms->font().bold());

    enter_scores(QStringLiteral("100"), QStringLiteral("95"), QStringLiteral("110.5"), QStringLiteral("87"));
    tSeenBox question;
    answer_next_box(QStringLiteral("&No"), &question);
    QTest::mouseClick(ws->cmdCompute, Qt::LeftButton);
    EXPECT_TRUE(question.text.contains(QStringLiteral("Compute with the built-in set (Built-in (Orvane)) instead?")));
    EXPECT_TRUE(results->memoResults->toPlainText().isEmpty());
    answer_next_box(QStringLiteral("&Yes"));
    QTest::mouseClick(ws->cmdCompute, Qt::LeftButton);
    EXPECT_FALSE(results->memoResults->toPlainText().isEmpty());
    EXPECT_EQ(ws->lblNorms->text(),
              QStringLiteral("Normative data: Built-in (Orvane), as the chosen set could not be read"));
    // Asked once: the next Compute asks nothing (a box would be left unanswered).
    results->cmdReturn->click();
    QTest::mouseClick(ws->cmdCompute, Qt::LeftButton);
    EXPECT_EQ(results->memoResults->toPlainText().count(QString::fromLatin1(AppTitle)), 2);
}

} // namespace
