// What another user plants in a shared sticky folder (as /tmp) never
// receives, redirects or exposes an output: every way the programs write a
// file (the batch tool's --csv, --pdf, --odt and charts, a save of the desktop
// program, the worksheet file, read and written) against every plant (a link
// as the last name or in the middle of the path, "link/.", a pipe, a file
// left readable and writable by all). Runs as root, planting as a second
// user that it makes.
#include "common/errors.h"
#include "render/whole_file.h"
#include "required_tool.h"
#include "run_process.h"
#include "storage/worksheet_file.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

namespace {

const char* const planter = "brenlow-planter";

std::string read_all(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A planting step of the child: any failure ends it with a failure.
void must(int result)
{
    if (result != 0)
        _exit(4);
}

// Runs `plant` in a child process as the second user.
void as_planter(const std::function<void()>& plant)
{
    const passwd* user = getpwnam(planter);
    ASSERT_NE(user, nullptr);
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(user->pw_gid) != 0 || setuid(user->pw_uid) != 0)
            _exit(3);
        umask(0);
        plant();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

struct tPlace {
    std::string shared; // mode 1777, root's
    std::string victim; // root's private folder, holding root's file
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
    std::ofstream(at.victim + "/" + name) << "root's own";
    const std::string target = folder ? at.victim : at.victim + "/" + name;
    as_planter([&] { must(symlink(target.c_str(), (at.shared + "/l").c_str())); });
    return {at.shared + "/l", [=] { EXPECT_EQ(read_all(at.victim + "/" + name), "root's own"); }};
}

tPlanted link_middle(const tPlace& at, bool folder)
{
    const std::string name = file_name(folder);
    mkdir((at.victim + "/sub").c_str(), 0700);
    std::ofstream(at.victim + "/sub/" + name) << "root's own";
    as_planter([&] { must(symlink(at.victim.c_str(), (at.shared + "/evil").c_str())); });
    return {at.shared + (folder ? "/evil/sub" : "/evil/sub/" + name),
            [=] { EXPECT_EQ(read_all(at.victim + "/sub/" + name), "root's own"); }};
}

tPlanted link_dot(const tPlace& at, bool folder)
{
    const std::string name = file_name(folder);
    std::ofstream(at.victim + "/" + name) << "root's own";
    as_planter([&] { must(symlink(at.victim.c_str(), (at.shared + "/evil").c_str())); });
    return {at.shared + (folder ? "/evil/." : "/evil/./" + name),
            [=] { EXPECT_EQ(read_all(at.victim + "/" + name), "root's own"); }};
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
        must(write(fd, "77 77 77 77 ", 12) == 12 ? 0 : -1);
        close(fd);
    });
    return {folder ? at.shared : file, [=] {
                struct stat info;
                ASSERT_EQ(lstat(file.c_str(), &info), 0);
                EXPECT_EQ(info.st_uid, getpwnam(planter)->pw_uid) << "the planted file was replaced";
                EXPECT_EQ(read_all(file), "77 77 77 77 ");
            }};
}

// Each output writes to `path`; true when it says it did.
bool batch(const std::vector<std::string>& output)
{
    std::vector<std::string> arguments{"--vc", "100", "--pr", "95", "--wm", "110", "--ps", "60", "--no-report"};
    arguments.insert(arguments.end(), output.begin(), output.end());
    return run_process(BRENLOW_REPORT_EXE, arguments, "").status == 0;
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
    EXPECT_NE(read[0], "77");
    return written;
}

struct tOutput {
    const char* name;
    bool folder;
    std::function<bool(const std::string&)> write;
};

struct tPlant {
    const char* name;
    std::function<tPlanted(const tPlace&, bool)> plant;
};

bool make_planter()
{
    if (getpwnam(planter))
        return true;
    return run_process("/usr/sbin/useradd", {"--system", "--no-create-home", "--shell", "/usr/sbin/nologin", planter}, "")
               .status
           == 0;
}

} // namespace

TEST(PlantedPaths, NoOutputFollowsReachesOrKeepsWhatAnotherUserPlanted)
{
    if (geteuid() != 0)
        SKIP_OR_FAIL_WITHOUT("root, to plant files as a second user");
    ASSERT_TRUE(make_planter());
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
            const tPlanted planted = plant.plant({shared, victim}, output.folder);
            EXPECT_FALSE(output.write(planted.path)) << planted.path << " was written";
            planted.check();
            run_process("/bin/rm", {"-rf", shared, victim}, "");
        }
}
