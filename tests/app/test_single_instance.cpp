// One program per user and worksheet file, with real processes: the program
// started against a running guard (or a running program) ends at once and
// the first comes to the front; what a killed program leaves behind does not
// stop the next start.
#include "app/single_instance.h"
#include "storage/worksheet_file.h"

#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int kPatienceMs = 20000;

class tSingleInstanceTest : public ::testing::Test {
protected:
    // The user's runtime folder, for this process and the programs it starts.
    QTemporaryDir runtime;
    const QString program = QStringLiteral(BRENLOW_EXE);
    QString name;

    void SetUp() override
    {
        ASSERT_TRUE(runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        // The build folder may hold files: the program keeps its worksheet there.
        const std::string folder = QFile::encodeName(QFileInfo(program).absolutePath()).toStdString();
        ASSERT_TRUE(may_create_files_in(folder));
        name = single_instance_name(folder + "/orvane_index.txt");
    }

    void start(QProcess& process, QProcessEnvironment env = QProcessEnvironment::systemEnvironment())
    {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        if (!env.contains(QStringLiteral("XDG_RUNTIME_DIR")) && !env.contains(QStringLiteral("BRENLOW_NO_RUNTIME")))
            env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        process.setProcessEnvironment(env);
        process.start(program, {});
        ASSERT_TRUE(process.waitForStarted(kPatienceMs));
    }

    // A program answers on the name's socket.
    bool answering() const
    {
        QLocalSocket socket;
        socket.connectToServer(runtime.filePath(name + QStringLiteral(".socket")));
        return socket.waitForConnected(100);
    }

    static void stop(QProcess& process)
    {
        process.kill();
        process.waitForFinished(kPatienceMs);
    }
};

} // namespace

TEST_F(tSingleInstanceTest, SecondProgramEndsAndTheFirstComesToTheFront)
{
    tSingleInstance first(name);
    int raised = 0;
    ASSERT_TRUE(first.claim([&raised] { ++raised; }));

    QProcess second;
    start(second);
    ASSERT_TRUE(second.waitForFinished(kPatienceMs));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&raised] { return raised == 1; }, kPatienceMs));
}

TEST_F(tSingleInstanceTest, TwoProgramsOnOneWorksheetFileLeaveOneRunning)
{
    QProcess first;
    start(first);
    ASSERT_TRUE(QTest::qWaitFor([this] { return answering(); }, kPatienceMs));

    QProcess second;
    start(second);
    ASSERT_TRUE(second.waitForFinished(kPatienceMs));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);
    stop(first);
}

TEST_F(tSingleInstanceTest, WhatAKilledProgramLeftDoesNotBlockTheNextStart)
{
    QProcess crashed;
    start(crashed);
    ASSERT_TRUE(QTest::qWaitFor([this] { return answering(); }, kPatienceMs));
    stop(crashed); // SIGKILL: the lock file and the socket stay behind
    ASSERT_TRUE(QFileInfo::exists(runtime.filePath(name + QStringLiteral(".lock"))));
    EXPECT_FALSE(answering());

    QProcess next;
    start(next);
    EXPECT_TRUE(QTest::qWaitFor([this] { return answering(); }, kPatienceMs));
    EXPECT_EQ(next.state(), QProcess::Running);
    stop(next);
}

// Without XDG_RUNTIME_DIR (as under cron) the guard lives in a private
// folder of the user's own cache folder: a live lock that another user
// planted in the shared temporary folder stops nothing, the guard still
// holds, and where no private folder can be had the program starts without
// the guard and says so.
TEST_F(tSingleInstanceTest, WithoutARuntimeFolderTheGuardStaysPrivateAndNeverStopsTheProgram)
{
    QTemporaryDir home, shared_tmp;
    ASSERT_TRUE(home.isValid() && shared_tmp.isValid());
    QFile planted(shared_tmp.filePath(name + QStringLiteral(".lock")));
    ASSERT_TRUE(planted.open(QIODevice::WriteOnly));
    planted.write(QByteArray::number(QCoreApplication::applicationPid()) + "\nbrenlow\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    planted.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    env.remove(QStringLiteral("XDG_CACHE_HOME"));
    env.insert(QStringLiteral("BRENLOW_NO_RUNTIME"), QStringLiteral("1"));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("TMPDIR"), shared_tmp.path());
    const QString guard = home.filePath(QStringLiteral(".cache/brenlow/") + name + QStringLiteral(".socket"));
    const auto answering_in_home = [&guard] {
        QLocalSocket socket;
        socket.connectToServer(guard);
        return socket.waitForConnected(100);
    };
    QProcess first;
    start(first, env);
    ASSERT_TRUE(QTest::qWaitFor(answering_in_home, kPatienceMs)) << first.readAllStandardError().toStdString();
    EXPECT_EQ(QFileInfo(home.filePath(QStringLiteral(".cache/brenlow"))).permissions() & 0x0077, 0);
    QProcess second;
    start(second, env);
    ASSERT_TRUE(second.waitForFinished(kPatienceMs));
    EXPECT_EQ(first.state(), QProcess::Running);
    stop(first);

    // No home: no private folder to be had.
    env.remove(QStringLiteral("HOME"));
    QProcess unguarded;
    start(unguarded, env);
    ASSERT_TRUE(QTest::qWaitFor(
        [&unguarded] { return unguarded.readAllStandardError().contains("starting without it"); }, kPatienceMs));
    EXPECT_EQ(unguarded.state(), QProcess::Running);
    stop(unguarded);
}

TEST(tSingleInstanceName, OneFileOneNameWhateverTheSpelling)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string path = QFile::encodeName(folder.path()).toStdString();
    EXPECT_EQ(single_instance_name(path + "/orvane_index.txt"),
              single_instance_name(path + "/./orvane_index.txt"));
    EXPECT_NE(single_instance_name(path + "/orvane_index.txt"),
              single_instance_name(path + "/other/orvane_index.txt"));
}
