// The worksheet file's permissions, and what counts as no file at all. The
// save must never change the process's umask, even for a moment: another
// thread could create a file with the wrong permissions meanwhile. This
// program's own umask() counts the calls made while a save runs.
#include "methods/worksheet_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>

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

const tFieldTexts SCORES = {"100", "95", "110.5", "87", "", "", "", ""};

class WorksheetFileMode : public ::testing::Test {
protected:
    fs::path folder;
    std::string path;
    mode_t saved_mask = 0;

    void SetUp() override
    {
        folder = fs::temp_directory_path()
                 / ("brenlow_mode_" + std::to_string(::getpid()) + "_"
                    + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        path = (folder / "orvane_index.txt").string();
        saved_mask = ::umask(027);
    }
    void TearDown() override
    {
        ::umask(saved_mask);
        fs::remove_all(folder);
    }
    mode_t mode_of_file() const
    {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0);
        return info.st_mode & 0777;
    }
    void save()
    {
        umask_calls = 0;
        save_worksheet_file(path, SCORES);
        EXPECT_EQ(umask_calls.load(), 0) << "the save changed the process's umask";
    }
};

} // namespace

TEST_F(WorksheetFileMode, FirstFileGetsTheUmaskAndAReplacedFileKeepsItsMode)
{
    save();
    EXPECT_EQ(mode_of_file(), mode_t(0640)); // 0666 under the umask 027

    ASSERT_EQ(::chmod(path.c_str(), 0604), 0); // wider than the umask allows
    save();
    EXPECT_EQ(mode_of_file(), mode_t(0604));
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    save();
    EXPECT_EQ(mode_of_file(), mode_t(0600));
}

// A folder or a pipe named like the file is no file: the restore reads
// nothing (a pipe would otherwise block the start for ever).
TEST_F(WorksheetFileMode, NonFileAtThePathCountsAsNoFile)
{
    tFieldTexts fields = {"a", "b", "c", "d", "e", "f", "g", "h"};
    fs::create_directory(path);
    EXPECT_FALSE(load_worksheet_file(path, 4, fields));
    fs::remove(path);
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    EXPECT_FALSE(load_worksheet_file(path, 4, fields));
    EXPECT_EQ(fields[0], "a");
    // A file standing where a folder of the path should be: no file either.
    fs::remove(path);
    std::ofstream(path) << "x";
    EXPECT_FALSE(load_worksheet_file(path + "/orvane_index.txt", 4, fields));
}
