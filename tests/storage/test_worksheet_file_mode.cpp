// The worksheet file's permissions, and what counts as no file at all. The
// save must never change the process's umask, even for a moment: another
// thread could create a file with the wrong permissions meanwhile. This
// program's own umask() counts the calls made while a save runs.
#include "storage/worksheet_file.h"

#include "common/errors.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <utility>

namespace {
std::atomic<int> umask_calls{0};
} // namespace

extern "C" mode_t umask(mode_t mask) noexcept
{
    ++umask_calls;
    return static_cast<mode_t>(::syscall(SYS_umask, mask));
}

namespace fs = std::filesystem;

namespace {

class WorksheetFileMode : public ::testing::Test {
protected:
    const fs::path folder = fs::temp_directory_path() / ("brenlow_mode_" + std::to_string(::getpid()));
    const std::string path = (folder / "orvane_index.txt").string();
    mode_t saved_mask = 0;

    void SetUp() override
    {
        fs::remove_all(folder);
        fs::create_directories(folder);
        saved_mask = ::umask(027);
    }
    void TearDown() override
    {
        ::umask(saved_mask);
        fs::remove_all(folder);
    }
    // Saves and gives the file's permissions.
    mode_t save()
    {
        umask_calls = 0;
        save_worksheet_file(path, {"100", "95", "110.5", "87", "", "", "", ""});
        EXPECT_EQ(umask_calls.load(), 0) << "the save changed the process's umask";
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0);
        return info.st_mode & 0777;
    }
};

} // namespace

// The last case's scores are the user's own: a first file is 0600 even in
// a folder that everyone reads. A replaced file keeps its mode, but loses
// what the umask (027 here) forbids, so a 0666 file planted by another user
// does not make the new scores world-writable.
TEST_F(WorksheetFileMode, FirstFileIsPrivateAndAReplacedFileKeepsItsModeUnderTheUmask)
{
    EXPECT_EQ(save(), mode_t(0600));
    const std::pair<mode_t, mode_t> replaced[] = {{0640, 0640}, {0604, 0600}, {0666, 0640}, {0400, 0400}};
    for (const auto& [before, after] : replaced) {
        ASSERT_EQ(::chmod(path.c_str(), before), 0);
        EXPECT_EQ(save(), after) << std::oct << before;
    }
}

// A folder or a pipe named like the file is no file: the restore reads
// nothing (a pipe would otherwise block the start for ever); nor is a path
// through a file where a folder should be.
TEST_F(WorksheetFileMode, NonFileAtThePathCountsAsNoFile)
{
    tFieldTexts fields = {"a", "b", "c", "d", "e", "f", "g", "h"};
    fs::create_directory(path);
    EXPECT_FALSE(load_worksheet_file(path, 4, fields));
    fs::remove(path);
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    EXPECT_FALSE(load_worksheet_file(path, 4, fields));
    fs::remove(path);
    std::ofstream(path) << "x";
    EXPECT_FALSE(load_worksheet_file(path + "/orvane_index.txt", 4, fields));
    EXPECT_EQ(fields[0], "a");
}

// The save follows a link as every output does: the user's own link leads
// to the file it names and stays a link; another user's link in a sticky
// folder that everyone may write is refused, and its target kept.
TEST_F(WorksheetFileMode, ALinkIsFollowedOnlyWhereTheLinkRuleAllows)
{
    const tFieldTexts texts = {"100", "95", "110.5", "87", "", "", "", ""};
    const std::string target = (folder / "elsewhere.txt").string();
    ASSERT_EQ(::symlink("elsewhere.txt", path.c_str()), 0);
    save_worksheet_file(path, texts);
    EXPECT_TRUE(fs::is_symlink(path));
    std::ifstream in(target);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "100 95 110.5 87     ");

    ASSERT_EQ(::geteuid(), 0u) << "planting another user's link needs root";
    ASSERT_EQ(::chmod(folder.c_str(), 01777), 0);
    ASSERT_EQ(::lchown(path.c_str(), 65534, 65534), 0);
    std::ofstream(target) << "keep";
    EXPECT_THROW(save_worksheet_file(path, texts), EInOutError);
    std::ifstream again(target);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>()), "keep");
}

// A worksheet file another user planted says what is not done with it: the
// start does not read it, the save does not replace it.
TEST_F(WorksheetFileMode, APlantedFileIsNamedAsNotReadOrNotReplaced)
{
    ASSERT_EQ(::geteuid(), 0u) << "planting another user's file needs root";
    ASSERT_EQ(::chmod(folder.c_str(), 01777), 0);
    std::ofstream(path) << "77 77 77 77 ";
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    const auto message = [](const std::function<void()>& action) {
        try {
            action();
        } catch (const EInOutError& error) {
            return std::string(error.what());
        }
        return std::string("no refusal");
    };
    tFieldTexts fields;
    const std::string read = message([&] { load_worksheet_file(path, 4, fields); });
    const std::string saved = message([&] { save_worksheet_file(path, fields); });
    EXPECT_EQ(read, "'" + path + "' belongs to another user and lies in a folder that is not the user's alone; "
                    "it is not read");
    EXPECT_EQ(saved, "'" + path + "' belongs to another user and lies in a folder that is not the user's alone; "
                     "it is not replaced");
}
