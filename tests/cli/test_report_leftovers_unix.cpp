// What a run of brenlow-report leaves where it cannot clean up, and how much
// room a pipe's cases may take. Every run is the built binary in a process
// of its own.
#include "required_tool.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Starts the tool in `dir` with standard input `in`, output `out` and error
// `err`, as `user` (0: as the test), with `preload` in LD_PRELOAD.
pid_t start(const std::vector<std::string>& args, const std::string& dir, int in, int out, int err, uid_t user,
            const std::string& preload = "", bool own_session = false)
{
    std::vector<std::string> owned{BRENLOW_REPORT_EXE};
    owned.insert(owned.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : owned)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        for (int signal_number = 1; signal_number < NSIG; ++signal_number)
            signal(signal_number, SIG_DFL);
        if (dup2(in, STDIN_FILENO) < 0 || dup2(out, STDOUT_FILENO) < 0 || dup2(err, STDERR_FILENO) < 0
            || chdir(dir.c_str()) != 0 || (user && (setgid(user) != 0 || setuid(user) != 0))
            || (own_session && setsid() < 0))
            _exit(126);
        if (!preload.empty()) {
            setenv("LD_PRELOAD", preload.c_str(), 1);
            // A sanitizer's runtime wants to come first; the shim comes first.
            const char* asan = std::getenv("ASAN_OPTIONS");
            setenv("ASAN_OPTIONS", (std::string(asan ? asan : "") + ":verify_asan_link_order=0").c_str(), 1);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

std::string read_up_to(int fd, size_t limit)
{
    std::string text;
    char buffer[4096];
    while (text.size() < limit) {
        const ssize_t got = read(fd, buffer, std::min(sizeof buffer, limit - text.size()));
        if (got > 0)
            text.append(buffer, static_cast<size_t>(got));
        else if (got == 0 || errno != EINTR)
            break;
    }
    return text;
}

int exit_status(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The temporary files in `folder` (an output's name, a dot and six
// characters), with their paths.
std::set<std::string> temporaries_in(const std::string& folder)
{
    std::set<std::string> found;
    if (DIR* d = opendir(folder.c_str())) {
        while (const dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name.rfind("out.csv.", 0) == 0 || name.rfind("out.pdf.", 0) == 0
                || (name.rfind("case-", 0) == 0 && name.find(".svg.") != std::string::npos))
                found.insert(folder + "/" + name);
        }
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

class ReportLeftovers : public ::testing::Test {
protected:
    std::string dir;
    void SetUp() override
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/brenlow-left-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override
    {
        chmod(dir.c_str(), 0700);
        chmod((dir + "/charts").c_str(), 0700);
        EXPECT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
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
    const uid_t user = 65534; // root would write into a read-only folder
    std::string cases = "vc,pr,wm,ps\n";
    for (int i = 0; i < 5; ++i)
        cases += "70,100,100,100\n";
    std::ofstream(dir + "/cases.csv") << cases;
    ASSERT_EQ(chown(dir.c_str(), user, user), 0);
    // Standard output holds less than a report: the run waits in its second
    // case while the folders are made read-only.
    int out[2];
    ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
    ASSERT_GT(fcntl(out[0], F_SETPIPE_SZ, 4096), 0);
    const std::string err_path = dir + ".err";
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
    const pid_t pid = start({"--cases", "cases.csv", "--csv", "out.csv", "--pdf", "out.pdf", "--chart-dir", "charts", "--quiet"},
                            dir, in, out[1], err, user, NO_TMPFILE_SHIM);
    close(out[1]);
    close(err);
    close(in);
    ASSERT_EQ(read_up_to(out[0], 2000).size(), 2000u); // the run is under way
    const auto expect_private = [](const std::set<std::string>& files) {
        for (const std::string& file : files) {
            struct stat info;
            ASSERT_EQ(lstat(file.c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 077, 0u) << file << " can be read by others";
        }
    };
    const std::set<std::string> meanwhile = temporaries_in(dir);
    EXPECT_EQ(meanwhile.size(), 2u) << "the CSV file's and the PDF's, named";
    expect_private(meanwhile);
    ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
    ASSERT_EQ(chmod((dir + "/charts").c_str(), 0555), 0);
    read_up_to(out[0], SIZE_MAX);
    close(out[0]);
    EXPECT_EQ(exit_status(pid), 1);
    const std::string message = slurp(err_path);
    unlink(err_path.c_str());

    std::set<std::string> left = temporaries_in(dir);
    const std::set<std::string> charts = temporaries_in(dir + "/charts");
    left.insert(charts.begin(), charts.end());
    EXPECT_EQ(left.size(), 3u) << "the CSV file's, the PDF's and a chart's: " << message;
    EXPECT_EQ(named_as_left(message), left) << message;
    expect_private(left);
    EXPECT_NE(message.find("(it could not be removed: Permission denied); only its owner can read it"),
              std::string::npos)
        << message;
}

namespace {

// The most room on the disk that the run's deleted (unnamed) files take.
long long deleted_files_room(pid_t pid)
{
    long long room = 0;
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    if (DIR* d = opendir(fds.c_str())) {
        while (const dirent* e = readdir(d)) {
            const std::string fd = fds + "/" + e->d_name;
            char target[4096];
            const ssize_t length = readlink(fd.c_str(), target, sizeof target - 1);
            struct stat info;
            if (length > 0 && std::string(target, static_cast<size_t>(length)).find("(deleted)") != std::string::npos
                && stat(fd.c_str(), &info) == 0 && S_ISREG(info.st_mode))
                room += static_cast<long long>(info.st_blocks) * 512;
        }
        closedir(d);
    }
    return room;
}

} // namespace

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
    const int out = open("/dev/null", O_WRONLY | O_CLOEXEC);
    const std::string err_path = dir + "/err";
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const pid_t pid = start({"--cases", "/dev/stdin", "--csv", "out.csv"}, dir, in[0], out, err, 0);
    close(in[0]);
    close(out);
    close(err);
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
    EXPECT_EQ(exit_status(pid), 2);
    EXPECT_GT(sent, bound);
    EXPECT_LT(sent, endless) << "the run read on past its bound";
    EXPECT_GT(most_room, bound / 2) << "the copy was never seen";
    EXPECT_LE(most_room, bound);
    const std::string message = slurp(err_path);
    EXPECT_NE(message.find("cannot read case file '/dev/stdin': it gave more than 256 MiB (268435456 bytes)"),
              std::string::npos)
        << message;
    EXPECT_EQ(slurp(dir + "/out.csv"), "old");
    RecordProperty("most_room_bytes", std::to_string(most_room));
    RecordProperty("sent_bytes", std::to_string(sent));
}

// Without a terminal (a session of its own, as under cron), /dev/tty is a
// device with nothing behind it, not a pipe.
TEST_F(ReportLeftovers, TheTerminalWithoutATerminalIsNamedAsSuch)
{
    const int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
    const std::string err_path = dir + "/err";
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const pid_t pid = start({"--vc", "70", "--pr", "100", "--wm", "100", "--ps", "100", "--no-report", "--csv", "/dev/tty"},
                            dir, in, in, err, 0, "", true);
    close(in);
    close(err);
    EXPECT_EQ(exit_status(pid), 1);
    EXPECT_EQ(slurp(err_path), "brenlow-report: cannot write CSV file '/dev/tty': '/dev/tty' is a device with nothing "
                               "behind it (for /dev/tty: this run has no terminal)\n");
}
