// What another user plants never receives, redirects or exposes an output,
// nor chooses what is read: every way the programs write or read a file
// (the batch tool's --csv, --pdf, --odt, charts and --cases, a save of the desktop
// program, the worksheet file, read and written) against every plant (a link
// as the last name or in the middle of the path, "link/.", a pipe, a file
// left readable and writable by all), in a shared sticky folder (as /tmp),
// in a folder of the planter's own and in one of the victim's that everyone
// may write, neither sticky; as root and as an ordinary user. Runs as root,
// planting as a second user and running as a third, both made here.
#include "child_process_unix.h"
#include "common/errors.h"
#include "render/whole_file.h"
#include "required_tool.h"
#include "run_process.h"
#include "storage/worksheet_file.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>

namespace {

const char* const planter = "brenlow-planter";
const char* const victim_user = "brenlow-victim";

// A planting step of the child: any failure ends it with a failure.
void must(int result)
{
    if (result != 0)
        _exit(4);
}

// Runs `action` in a child process as `user`; its result.
bool as_user(const char* name, const std::function<bool()>& action)
{
    const passwd* user = getpwnam(name);
    if (!user) {
        ADD_FAILURE() << "no user " << name;
        return false;
    }
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(user->pw_gid) != 0 || setuid(user->pw_uid) != 0)
            _exit(3);
        _exit(action() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Runs `plant` in a child process as the second user.
void as_planter(const std::function<void()>& plant)
{
    ASSERT_TRUE(as_user(planter, [&] {
        umask(0);
        plant();
        return true;
    }));
}

struct tPlace {
    std::string shared; // where the plants go
    std::string victim; // the victim's private folder, holding the victim's file
    std::string own;     // what the victim's files hold
    std::string planted; // what a planted file holds
};

// What a plant leaves for the check: the path the program is given, and
// what must hold after it wrote (or read) there.
struct tPlanted {
    std::string path;
    std::function<void()> check;
};

// The last name of every output path: a chart folder's chart, or the file.
std::string file_name(bool folder)
{
    return folder ? "case-0001.svg" : "out";
}

tPlanted link_last(const tPlace& at, bool folder)
{
    const std::string name = file_name(folder);
    std::ofstream(at.victim + "/" + name) << at.own;
    const std::string target = folder ? at.victim : at.victim + "/" + name;
    as_planter([&] { must(symlink(target.c_str(), (at.shared + "/l").c_str())); });
    return {at.shared + "/l", [=] { EXPECT_EQ(file_text(at.victim + "/" + name), at.own); }};
}

tPlanted link_middle(const tPlace& at, bool folder)
{
    const std::string name = file_name(folder);
    mkdir((at.victim + "/sub").c_str(), 0700);
    std::ofstream(at.victim + "/sub/" + name) << at.own;
    as_planter([&] { must(symlink(at.victim.c_str(), (at.shared + "/evil").c_str())); });
    return {at.shared + (folder ? "/evil/sub" : "/evil/sub/" + name),
            [=] { EXPECT_EQ(file_text(at.victim + "/sub/" + name), at.own); }};
}

tPlanted link_dot(const tPlace& at, bool folder)
{
    const std::string name = file_name(folder);
    std::ofstream(at.victim + "/" + name) << at.own;
    as_planter([&] { must(symlink(at.victim.c_str(), (at.shared + "/evil").c_str())); });
    return {at.shared + (folder ? "/evil/." : "/evil/./" + name),
            [=] { EXPECT_EQ(file_text(at.victim + "/" + name), at.own); }};
}

tPlanted fifo(const tPlace& at, bool folder)
{
    const std::string fifo_path = at.shared + "/" + file_name(folder);
    as_planter([&] { must(mkfifo(fifo_path.c_str(), 0666)); });
    // The planter's reader, there before the program writes.
    const int reader = open(fifo_path.c_str(), O_RDONLY | O_NONBLOCK);
    return {folder ? at.shared : fifo_path, [=] {
                char byte;
                EXPECT_LE(read(reader, &byte, 1), 0) << "the pipe received the output";
                close(reader);
            }};
}

tPlanted open_file(const tPlace& at, bool folder)
{
    const std::string file = at.shared + "/" + file_name(folder);
    as_planter([&] {
        const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
        must(write(fd, at.planted.data(), at.planted.size()) == ssize_t(at.planted.size()) ? 0 : -1);
        close(fd);
    });
    return {folder ? at.shared : file, [=] {
                struct stat info;
                ASSERT_EQ(lstat(file.c_str(), &info), 0);
                EXPECT_EQ(info.st_uid, getpwnam(planter)->pw_uid) << "the planted file was replaced";
                EXPECT_EQ(file_text(file), at.planted);
            }};
}

const std::vector<std::string> kScores{"--vc", "100", "--pr", "95", "--wm", "110", "--ps", "60"};
const char* const kCases = "vc,pr,wm,ps\n100,95,110,60\n";
const char* const kPlantedCases = "vc,pr,wm,ps\n77,77,77,77\n";

// Each output writes to `path`; true when it says it did.
bool batch(const std::vector<std::string>& output)
{
    std::vector<std::string> arguments = kScores;
    arguments.push_back("--no-report");
    arguments.insert(arguments.end(), output.begin(), output.end());
    return run_process(BRENLOW_REPORT_EXE, arguments, "").status == 0;
}

// True when the cases at `path` were read (the run computed them).
bool cases(const std::string& path)
{
    const tProcessOutput run = run_process(BRENLOW_REPORT_EXE, {"--cases", path}, "");
    return run.status == 0 || !run.out.empty();
}

bool worksheet(const std::string& path)
{
    tFieldTexts texts{"100", "95", "110", "60", "", "", "", ""};
    bool written = true;
    try {
        save_worksheet_file(path, texts);
    } catch (const EInOutError&) {
        written = false;
    }
    // Read back as the next start would: never what was planted.
    tFieldTexts read;
    try {
        load_worksheet_file(path, 4, read);
    } catch (const EInOutError&) {
    }
    return written || read[0] == "77";
}

struct tOutput {
    const char* name;
    bool folder;
    std::function<bool(const std::string&)> use; // true when it wrote or read there
    std::string own = "the victim's own";
    std::string planted = "77 77 77 77 ";
};

struct tPlant {
    const char* name;
    std::function<tPlanted(const tPlace&, bool)> plant;
};

bool make_user(const char* name)
{
    if (getpwnam(name))
        return true;
    return run_process("/usr/sbin/useradd", {"--system", "--no-create-home", "--shell", "/usr/sbin/nologin", name}, "")
               .status
           == 0;
}

// Where the plants go, for a fresh pair of folders.
enum class tWhere {
    SharedSticky,  // /tmp-like: root's, 1777
    PlantersOwn,   // a folder of the planter's, 0777, not sticky, in the shared one
    VictimsOpen,   // a folder of the victim's, 0777, not sticky
};

// Every output and input against every plant at `where`, run as root or as
// the victim user.
void every_use_against_every_plant(tWhere where, bool as_root)
{
    if (geteuid() != 0)
        SKIP_OR_FAIL_WITHOUT("root, to plant files as a second user");
    ASSERT_TRUE(make_user(planter) && make_user(victim_user));
    const uid_t victim_uid = as_root ? 0 : getpwnam(victim_user)->pw_uid;
    const std::vector<tOutput> outputs{
        {"--csv", false, [](const std::string& p) { return batch({"--csv", p}); }},
        {"--pdf", false, [](const std::string& p) { return batch({"--pdf", p}); }},
        {"--odt", false, [](const std::string& p) { return batch({"--odt", p}); }},
        {"--chart-dir", true, [](const std::string& p) { return batch({"--chart-dir", p, "--overwrite"}); }},
        {"desktop save", false,
         [](const std::string& p) {
             QString reason;
             return write_whole_file(QString::fromLocal8Bit(p.c_str()), "report", reason);
         }},
        {"worksheet file", false, worksheet},
        {"--cases", false, cases, kCases, kPlantedCases},
    };
    const std::vector<tPlant> plants{{"link as last name", link_last},
                                     {"link in the middle", link_middle},
                                     {"link/.", link_dot},
                                     {"pipe", fifo},
                                     {"file writable by all", open_file}};
    for (const tOutput& output : outputs)
        for (const tPlant& plant : plants) {
            SCOPED_TRACE(std::string(output.name) + " x " + plant.name);
            char shared[] = "/tmp/brenlow-shared-XXXXXX";
            char victim[] = "/tmp/brenlow-victim-XXXXXX";
            ASSERT_TRUE(mkdtemp(shared) && mkdtemp(victim));
            chmod(shared, 01777);
            std::string plants_in = shared;
            if (where == tWhere::PlantersOwn) {
                plants_in += "/ad";
                as_planter([&] { must(mkdir(plants_in.c_str(), 0777)); });
            } else if (where == tWhere::VictimsOpen) {
                ASSERT_EQ(chown(shared, victim_uid, 0), 0);
                chmod(shared, 0777);
            }
            const tPlanted planted = plant.plant({plants_in, victim, output.own, output.planted}, output.folder);
            run_process("/bin/chown", {"-R", std::to_string(victim_uid), victim}, "");
            const bool used = as_root ? output.use(planted.path)
                                      : as_user(victim_user, [&] { return output.use(planted.path); });
            EXPECT_FALSE(used) << planted.path << " was used";
            planted.check();
            run_process("/bin/rm", {"-rf", shared, victim}, "");
        }
}

} // namespace

class PlantedPaths : public ::testing::TestWithParam<std::tuple<tWhere, bool>> {};

TEST_P(PlantedPaths, AreNeitherUsedNorReplaced)
{
    every_use_against_every_plant(std::get<0>(GetParam()), std::get<1>(GetParam()));
}

std::string folder_and_user(const ::testing::TestParamInfo<std::tuple<tWhere, bool>>& info)
{
    const char* const where[] = {"InASharedStickyFolder", "InAFolderOfThePlantersOwn",
                                 "InAFolderOfTheVictimsThatEveryoneMayWrite"};
    return where[int(std::get<0>(info.param))] + std::string(std::get<1>(info.param) ? "AsRoot" : "AsAUser");
}

INSTANTIATE_TEST_SUITE_P(Everywhere, PlantedPaths,
                         ::testing::Combine(::testing::Values(tWhere::SharedSticky, tWhere::PlantersOwn,
                                                              tWhere::VictimsOpen),
                                            ::testing::Bool()),
                         folder_and_user);

// Another user who can read the outputs holds flock() and fcntl() locks on
// the CSV file, the PDF and the chart folder: the run goes on, for only the
// user's own runs can hold what a run holds.
TEST(PlantedLocks, AnotherUsersLocksOnTheOutputsStopNoRun)
{
    if (geteuid() != 0)
        SKIP_OR_FAIL_WITHOUT("root, to lock files as a second user");
    ASSERT_TRUE(make_user(planter) && make_user(victim_user));
    for (const bool as_root : {true, false}) {
        SCOPED_TRACE(as_root ? "as root" : "as a user");
        char folder[] = "/tmp/brenlow-locked-XXXXXX";
        ASSERT_TRUE(mkdtemp(folder));
        const std::string at = folder;
        std::ofstream(at + "/out.csv") << "old";
        std::ofstream(at + "/out.pdf") << "old";
        mkdir((at + "/charts").c_str(), 0755);
        chmod(folder, 0755);
        run_process("/bin/chown", {"-R", as_root ? "0" : victim_user, folder}, "");
        int ready[2], release[2];
        ASSERT_EQ(pipe2(ready, O_CLOEXEC), 0);
        ASSERT_EQ(pipe2(release, O_CLOEXEC), 0);
        const pid_t holder = fork();
        if (holder == 0) {
            close(release[1]);
            const passwd* user = getpwnam(planter);
            if (setgid(user->pw_gid) != 0 || setuid(user->pw_uid) != 0)
                _exit(3);
            for (const char* name : {"/out.csv", "/out.pdf", "/charts"}) {
                const int fd = open((at + name).c_str(), O_RDONLY);
                struct flock read_lock{};
                read_lock.l_type = F_RDLCK;
                if (fd < 0 || flock(fd, LOCK_EX | LOCK_NB) != 0 || (name[4] != 'r' && fcntl(fd, F_SETLK, &read_lock) != 0))
                    _exit(4);
            }
            char byte = 0;
            if (write(ready[1], &byte, 1) != 1 || read(release[0], &byte, 1) < 0)
                _exit(5);
            _exit(0);
        }
        close(ready[1]);
        close(release[0]);
        char byte;
        ASSERT_EQ(read(ready[0], &byte, 1), 1) << "the planter could not lock the outputs";
        // A home of the user's own, where the run's private folder is.
        mkdir((at + "/home").c_str(), 0700);
        run_process("/bin/chown", {as_root ? "0" : victim_user, at + "/home"}, "");
        const auto run = [&] {
            setenv("HOME", (at + "/home").c_str(), 1);
            unsetenv("XDG_RUNTIME_DIR");
            return batch({"--csv", at + "/out.csv", "--pdf", at + "/out.pdf", "--chart-dir", at + "/charts"});
        };
        EXPECT_TRUE(as_user(as_root ? "root" : victim_user, run));
        close(release[1]);
        int status = 0;
        waitpid(holder, &status, 0);
        EXPECT_EQ(file_text(at + "/out.csv").rfind("vc,pr,wm,ps,", 0), 0u);
        EXPECT_EQ(file_text(at + "/out.pdf").rfind("%PDF", 0), 0u);
        EXPECT_NE(file_text(at + "/charts/case-0001.svg").find("<svg"), std::string::npos);
        close(ready[0]);
        run_process("/bin/rm", {"-rf", folder}, "");
    }
}
