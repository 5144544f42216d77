// The program as a desktop installs it: where the worksheet file lives
// (beside the program when files may be created there, otherwise in the
// user's data folder, for save, restore and Clear Data alike), the windows'
// icon and the version in the description.
#include "app/worksheet_folder.h"
#include "test_worksheet_fixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>

namespace {

const QByteArray SAVED = "100 95 110.5 87     ";

class tWorksheetFolderTest : public tWorksheetTest {
protected:
    QString data_file;

    void SetUp() override
    {
        tWorksheetTest::SetUp();
        // The user's data folder inside the test's own folder.
        qputenv("XDG_DATA_HOME", QFile::encodeName(folder.filePath(QStringLiteral("share"))));
        QCoreApplication::setApplicationName(QStringLiteral("brenlow"));
        data_file = folder.filePath(QStringLiteral("share/brenlow/orvane_index.txt"));
    }

    void compute_four_scores()
    {
        enter_scores(QStringLiteral("100"), QStringLiteral("95"), QStringLiteral("110.5"),
                     QStringLiteral("87"));
        QTest::mouseClick(ws->cmdCompute, Qt::LeftButton);
        ASSERT_TRUE(results->isVisible());
    }
};

QByteArray bytes_of(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

} // namespace

TEST_F(tWorksheetFolderTest, WritableProgramFolderKeepsTheFileBesideTheProgram)
{
    location = choose_worksheet_location(folder.path().toStdString());
    start();
    compute_four_scores();
    EXPECT_EQ(file_bytes(), SAVED);
    EXPECT_FALSE(QFileInfo::exists(folder.filePath(QStringLiteral("share"))));
}

// Nobody may create files in /proc, root included. The data folder is made
// by the first save; the next start restores from it and Clear Data deletes
// the file there.
TEST_F(tWorksheetFolderTest, UnwritableProgramFolderUsesTheUsersDataFolder)
{
    location = choose_worksheet_location("/proc");
    EXPECT_EQ(location.path(), data_file.toStdString());
    start();
    EXPECT_FALSE(QFileInfo::exists(folder.filePath(QStringLiteral("share"))));
    compute_four_scores();
    EXPECT_EQ(bytes_of(data_file), SAVED);
    // Clinical data: the folders made for it are the user's alone.
    EXPECT_EQ(QFile(QFileInfo(data_file).path()).permissions().toInt() & 0x0077, 0);

    restart();
    EXPECT_EQ(ws->txtInput1->text(), "100");
    EXPECT_EQ(ws->txtInput3->text(), "110.5");
    EXPECT_EQ(ws->txtInput4->text(), "87");
    QTest::mouseClick(ws->btnclearData, Qt::LeftButton);
    EXPECT_TRUE(ws->txtInput1->text().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(data_file));
}

// A copy of the program used before kept its file beside it; now that the
// file goes to the data folder, the first start still shows those scores,
// and the next Compute saves to the data folder, leaving the old file alone.
TEST_F(tWorksheetFolderTest, FileBesideTheProgramIsReadWhenTheDataFolderHasNone)
{
    const QString beside = folder.filePath(QStringLiteral("program"));
    ASSERT_TRUE(QDir().mkpath(beside));
    {
        QFile old(beside + QStringLiteral("/orvane_index.txt"));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("91 92 93 94     ");
    }
    const std::string data_folder = QFileInfo(data_file).path().toStdString();
    location = {data_folder, true, beside.toStdString()};
    start();
    EXPECT_EQ(ws->txtInput1->text(), "91");
    EXPECT_EQ(ws->txtInput4->text(), "94");
    compute_four_scores();
    EXPECT_EQ(bytes_of(data_file), SAVED);
    EXPECT_EQ(bytes_of(beside + QStringLiteral("/orvane_index.txt")), QByteArray("91 92 93 94     "));
    restart(); // the data folder's file now wins
    EXPECT_EQ(ws->txtInput1->text(), "100");
}

// A data folder that cannot be made: Compute shows the report, and the box
// says which file could not be saved and why.
TEST_F(tWorksheetFolderTest, SaveErrorNamesTheWorksheetFile)
{
    location = {"/proc/brenlow-no-such-folder", true, ""};
    start();
    enter_scores(QStringLiteral("100"), QStringLiteral("95"), QStringLiteral("110.5"), QStringLiteral("87"));
    tSeenBox seen;
    answer_next_box(QStringLiteral("OK"), &seen);
    QTest::mouseClick(ws->cmdCompute, Qt::LeftButton);
    EXPECT_TRUE(seen.seen);
    EXPECT_TRUE(seen.text.contains(QStringLiteral("/proc/brenlow-no-such-folder/orvane_index.txt")))
        << seen.text.toStdString();
    EXPECT_TRUE(results->isVisible());
}

// Both windows carry the program's icon, drawn from its SVG at every size:
// the corners are transparent, the middle is not.
TEST_F(tWorksheetTest, WindowsCarryTheIconAndTheDescriptionTheVersion)
{
    start();
    for (QWidget* window : {static_cast<QWidget*>(ws.get()), static_cast<QWidget*>(results.get())}) {
        const QIcon icon = window->windowIcon();
        ASSERT_GE(icon.availableSizes().size(), 8);
        for (const int size : {16, 256}) {
            const QImage image = icon.pixmap(size).toImage();
            ASSERT_EQ(image.width(), size);
            EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
            EXPECT_EQ(image.pixelColor(size / 2, size / 2).alpha(), 255);
        }
    }
    EXPECT_TRUE(ws->DescripFld->toPlainText().endsWith(
        QStringLiteral("(This version of the program, " BRENLOW_VERSION ", was built on ")
        + QStringLiteral(BRENLOW_BUILD_DATE) + QStringLiteral(".)")));
}
