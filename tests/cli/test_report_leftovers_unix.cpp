// What a run of brenlow-report leaves where it cannot clean up, and how much
// room a pipe's cases may take. Every run is the built binary in a process
// of its own.
#include "child_process_unix.h"
#include "required_tool.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <set>
#include <string>

namespace {

// The entries of `folder` whose names hold `part`, with their paths.
std::set<std::string> entries_in(const std::string& folder, const std::string& part)
{
    std::set<std::string> found;
    if (DIR* d = opendir(folder.c_str())) {
        while (const dirent* e = readdir(d))
            if (std::string(e->d_name).find(part) != std::string::npos)
                found.insert(folder + "/" + e->d_name);
        closedir(d);
    }
    return found;
}

// The files that standard error names as left behind.
std::set<std::string> named_as_left(const std::string& err)
{
    std::set<std::string> named;
    const std::string before = "the temporary file '", after = "' is left behind";
    for (size_t at = err.find(before); at != std::string::npos; at = err.find(before, at + 1)) {
        const size_t begin = at + before.size(), end = err.find(after, begin);
        if (end != std::string::npos)
            named.insert(err.substr(begin, end - begin));
    }
    return named;
}

// The most room on the disk that the run's deleted (unnamed) files take.
long long deleted_files_room(pid_t pid)
{
    long long room = 0;
    for (const std::string& fd : entries_in("/proc/" + std::to_string(pid) + "/fd", "")) {
        char target[4096];
        const ssize_t length = readlink(fd.c_str(), target, sizeof target - 1);
        struct stat info;
        if (length > 0 && std::string(target, static_cast<size_t>(length)).find("(deleted)") != std::string::npos
            && stat(fd.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            room += static_cast<long long>(info.st_blocks) * 512;
    }
    return room;
}

class ReportLeftovers : public ::testing::Test {
protected:
    tScratchFolder scratch{"brenlow-left"};
    const std::string dir = scratch.path;
    const std::string err_path = dir + "/err";

    // Starts the tool in `dir`, its standard error into err_path.
    pid_t start(const std::vector<std::string>& args, tChildSetup setup)
    {
        std::vector<std::string> argv{BRENLOW_REPORT_EXE};
        argv.insert(argv.end(), args.begin(), args.end());
        setup.folder = dir;
        setup.err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const pid_t pid = start_child(argv, setup);
        close(setup.err);
        return pid;
    }

    // The temporary files of the CSV file and the PDF (an output's name, a
    // dot and six characters).
    std::set<std::string> temporaries() const
    {
        std::set<std::string> found = entries_in(dir, "out.csv.");
        found.merge(entries_in(dir, "out.pdf."));
        return found;
    }
};

} // namespace

// No unnamed temporary files (as on some file systems), and the folders
// turn read-only in the middle of a run: every temporary that cannot be
// removed is named on standard error with the reason, and none can be read
// by another user.
TEST_F(ReportLeftovers, AFolderTurnedReadOnlyLeavesOnlyPrivateNamedTemporaries)
{
    if (geteuid() != 0)
        SKIP_OR_FAIL_WITHOUT("root, to run as a user whom a read-only folder stops");
    std::ofstream cases(dir + "/cases.csv");
    cases << "vc,pr,wm,ps\n";
    for (int i = 0; i < 5; ++i)
        cases << "70,100,100,100\n";
    cases.close();
    tChildSetup setup;
    setup.user = 65534; // root would write into a read-only folder
    setup.preload = NO_TMPFILE_SHIM;
    ASSERT_EQ(chown(dir.c_str(), setup.user, setup.user), 0);
    // Standard output holds less than a report: the run waits in its second
    // case while the folders are made read-only.
    int out[2];
    ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
    ASSERT_GT(fcntl(out[0], F_SETPIPE_SZ, 4096), 0);
    setup.out = out[1];
    const pid_t pid = start({"--cases", "cases.csv", "--csv", "out.csv", "--pdf", "out.pdf", "--chart-dir", "charts", "--quiet"}, setup);
    close(out[1]);
    ASSERT_EQ(read_up_to(out[0], 2000).size(), 2000u); // the run is under way
    const auto expect_private = [](const std::set<std::string>& files) {
        for (const std::string& file : files) {
            struct stat info;
            ASSERT_EQ(lstat(file.c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 077, 0u) << file << " can be read by others";
        }
    };
    std::set<std::string> left = temporaries();
    EXPECT_EQ(left.size(), 2u) << "the CSV file's and the PDF's, named";
    expect_private(left);
    ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
    ASSERT_EQ(chmod((dir + "/charts").c_str(), 0555), 0);
    read_up_to(out[0]);
    close(out[0]);
    EXPECT_EQ(exit_status_of(pid), 1);

    const std::string message = file_text(err_path);
    left = temporaries();
    left.merge(entries_in(dir + "/charts", ".svg."));
    EXPECT_EQ(left.size(), 3u) << "the CSV file's, the PDF's and a chart's: " << message;
    EXPECT_EQ(named_as_left(message), left) << message;
    expect_private(left);
    EXPECT_NE(message.find("(it could not be removed: Permission denied); only its owner can read it"),
              std::string::npos)
        << message;
}

// A pipe of cases without end (2 GiB, if nothing stops it first): the run
// stops when its private copy of the rows reaches the bound that --help and
// the man page give, says so, and writes nothing; the copy never takes more
// room on the disk than the bound.
TEST_F(ReportLeftovers, AnEndlessPipeOfCasesEndsAtTheBoundOfItsCopy)
{
    const long long bound = 256LL << 20, endless = 2LL << 30;
    // Long rows (other columns are ignored) make the 256 MiB quick to send.
    std::string header = "vc,pr,wm,ps", row = "70,100,100,100";
    for (int k = 0; k < 15; ++k) {
        header += ",x" + std::to_string(k);
        row += "," + std::string(4000, 'a');
    }
    header += "\n";
    row += "\n";
    std::ofstream(dir + "/out.csv") << "old";
    int in[2];
    ASSERT_EQ(pipe2(in, O_CLOEXEC), 0);
    tChildSetup setup;
    setup.in = in[0];
    setup.out = open("/dev/null", O_WRONLY | O_CLOEXEC);
    const pid_t pid = start({"--cases", "/dev/stdin", "--csv", "out.csv"}, setup);
    close(in[0]);
    close(setup.out);
    const sighandler_t before = signal(SIGPIPE, SIG_IGN);
    long long sent = 0, most_room = 0;
    for (const std::string* text = &header; sent < endless; text = &row) {
        const ssize_t written = write(in[1], text->data(), text->size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            break; // the run stopped reading
        sent += written;
        most_room = std::max(most_room, deleted_files_room(pid));
    }
    signal(SIGPIPE, before);
    close(in[1]);
    if (sent >= endless)
        kill(pid, SIGKILL);
    EXPECT_EQ(exit_status_of(pid), 2);
    EXPECT_GT(sent, bound);
    EXPECT_LT(sent, endless) << "the run read on past its bound";
    EXPECT_GT(most_room, bound / 2) << "the copy was never seen";
    EXPECT_LE(most_room, bound);
    const std::string message = file_text(err_path);
    EXPECT_NE(message.find("cannot read case file '/dev/stdin': it gave more than 256 MiB (268435456 bytes)"),
              std::string::npos)
        << message;
    EXPECT_EQ(file_text(dir + "/out.csv"), "old");
    RecordProperty("most_room_bytes", std::to_string(most_room));
}

// Without a terminal (a session of its own, as under cron), /dev/tty is a
// device with nothing behind it, not a pipe.
TEST_F(ReportLeftovers, TheTerminalWithoutATerminalIsNamedAsSuch)
{
    tChildSetup setup;
    setup.in = setup.out = open("/dev/null", O_RDONLY | O_CLOEXEC);
    setup.own_session = true;
    const pid_t pid = start({"--vc", "70", "--pr", "100", "--wm", "100", "--ps", "100", "--no-report", "--csv", "/dev/tty"}, setup);
    close(setup.in);
    EXPECT_EQ(exit_status_of(pid), 1);
    EXPECT_EQ(file_text(err_path), "brenlow-report: cannot write CSV file '/dev/tty': '/dev/tty' is a device with "
                                   "nothing behind it (for /dev/tty: this run has no terminal)\n");
}
