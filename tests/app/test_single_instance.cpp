// One program per user and worksheet file, with real processes: the program
// started against a running guard (or a running program) ends at once and
// the first comes to the front, whatever either's environment says; what a
// killed program leaves behind does not stop the next start. Each test runs
// its own copy of the program, whose worksheet file (and so whose guard) is
// its own.
#include "app/single_instance.h"
#include "common/process_setup.h"
#include "storage/worksheet_file.h"

#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int kPatienceMs = 20000;

class tSingleInstanceTest : public ::testing::Test {
protected:
    QTemporaryDir copy; // the program's copy, and its worksheet file
    QString program;
    QString name;
    QString guard;

    void SetUp() override
    {
        ASSERT_TRUE(copy.isValid());
        program = copy.filePath(QStringLiteral("brenlow"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(BRENLOW_EXE), program));
        QFile::setPermissions(program, QFile::permissions(program) | QFileDevice::ExeOwner);
        name = single_instance_name(QFile::encodeName(copy.path()).toStdString() + "/orvane_index.txt");
        guard = QFile::decodeName(guard_folder().c_str());
        ASSERT_FALSE(guard.isEmpty());
    }

    void TearDown() override
    {
        // What a killed program left.
        QFile::remove(guard + QLatin1Char('/') + name + QStringLiteral(".lock"));
        QFile::remove(guard + QLatin1Char('/') + name + QStringLiteral(".socket"));
    }

    void start(QProcess& process, QProcessEnvironment env = QProcessEnvironment::systemEnvironment())
    {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.start(program, {});
        ASSERT_TRUE(process.waitForStarted(kPatienceMs));
    }

    // A program answers on the name's socket.
    bool answering() const
    {
        QLocalSocket socket;
        socket.connectToServer(guard + QLatin1Char('/') + name + QStringLiteral(".socket"));
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

TEST_F(tSingleInstanceTest, WhatAKilledProgramLeftDoesNotBlockTheNextStart)
{
    QProcess crashed;
    start(crashed);
    ASSERT_TRUE(QTest::qWaitFor([this] { return answering(); }, kPatienceMs));
    stop(crashed); // SIGKILL: the lock file and the socket stay behind
    ASSERT_TRUE(QFileInfo::exists(guard + QLatin1Char('/') + name + QStringLiteral(".lock")));
    EXPECT_FALSE(answering());

    QProcess next;
    start(next);
    EXPECT_TRUE(QTest::qWaitFor([this] { return answering(); }, kPatienceMs));
    EXPECT_EQ(next.state(), QProcess::Running);
    stop(next);
}

// One program started in a desktop session (XDG_RUNTIME_DIR set), another
// as under cron or a remote login (neither XDG_RUNTIME_DIR nor even HOME):
// both meet at the guard in the account's home, which is the user's alone,
// so the second ends and the first keeps running; and the second says
// nothing of a missing runtime folder.
TEST_F(tSingleInstanceTest, TwoProgramsMeetWhateverTheirEnvironmentSays)
{
    QTemporaryDir runtime, home;
    ASSERT_TRUE(runtime.isValid() && home.isValid());
    QProcessEnvironment session = QProcessEnvironment::systemEnvironment();
    session.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    session.insert(QStringLiteral("HOME"), home.path());
    QProcess first;
    start(first, session);
    ASSERT_TRUE(QTest::qWaitFor([this] { return answering(); }, kPatienceMs)) << first.readAllStandardError().toStdString();
    EXPECT_EQ(QFileInfo(guard).permissions() & 0x0077, 0);

    QProcessEnvironment cron = QProcessEnvironment::systemEnvironment();
    for (const char* variable : {"XDG_RUNTIME_DIR", "XDG_CACHE_HOME", "HOME"})
        cron.remove(QString::fromLatin1(variable));
    QProcess second;
    start(second, cron);
    ASSERT_TRUE(second.waitForFinished(kPatienceMs));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_FALSE(second.readAllStandardError().contains("XDG_RUNTIME_DIR"));
    EXPECT_EQ(first.state(), QProcess::Running);
    stop(first);
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
