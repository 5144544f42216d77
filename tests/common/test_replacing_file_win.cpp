// tReplacingFile on Windows (run under Wine by scripts/test --windows): wide
// paths in a folder named with non-ASCII letters, the old file intact and
// nothing left behind on every failure, and a target held open by another
// program for a moment (a virus scanner) waited for.
#include "common/errors.h"
#include "common/replacing_file.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

class ReplacingFileWin : public ::testing::Test {
protected:
    fs::path folder;

    void SetUp() override
    {
        folder = fs::temp_directory_path() / fs::u8path("Zoë " + std::to_string(std::random_device{}()));
        ASSERT_TRUE(fs::create_directory(folder));
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string path(const std::string& name) const { return (folder / fs::u8path(name)).u8string(); }
    std::string content(const std::string& name) const
    {
        std::ifstream in(folder / fs::u8path(name), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void put(const std::string& name, const std::string& text) const
    {
        std::ofstream(folder / fs::u8path(name), std::ios::binary) << text;
    }
    std::vector<std::string> names() const
    {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(folder))
            found.push_back(entry.path().filename().u8string());
        std::sort(found.begin(), found.end());
        return found;
    }
    // Opens the file as a scanner might: no sharing at all.
    HANDLE hold(const std::string& name) const
    {
        return CreateFileW((folder / fs::u8path(name)).wstring().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    }
};

} // namespace

TEST_F(ReplacingFileWin, WritesAndReplacesInANonAsciiFolder)
{
    {
        tReplacingFile file(path("Müller €.csv"));
        file.write("first\r\n");
        file.commit();
    }
    EXPECT_EQ(content("Müller €.csv"), "first\r\n");
    {
        tReplacingFile file(path("Müller €.csv"));
        file.write("second, ");
        file.write("longer\n");
        EXPECT_EQ(content("Müller €.csv"), "first\r\n") << "replaced before commit";
        file.commit();
    }
    EXPECT_EQ(content("Müller €.csv"), "second, longer\n");
    EXPECT_EQ(names(), std::vector<std::string>{"Müller €.csv"});
}

TEST_F(ReplacingFileWin, FailuresKeepTheOldFileAndLeaveNothing)
{
    put("kept.txt", "old");
    {
        tReplacingFile abandoned(path("kept.txt"));
        abandoned.write("new");
        ASSERT_EQ(names().size(), 2u) << "the temporary beside the target";
    }
    EXPECT_EQ(content("kept.txt"), "old");
    EXPECT_EQ(names(), std::vector<std::string>{"kept.txt"});

    fs::create_directory(folder / "a folder");
    EXPECT_THROW(tReplacingFile(path("a folder")), EInOutError);
    EXPECT_THROW(tReplacingFile(path("no such folder/x.txt")), EInOutError);
    EXPECT_THROW(tReplacingFile(std::string("\xff.txt")), EInOutError) << "not UTF-8";
    EXPECT_EQ(names(), (std::vector<std::string>{"a folder", "kept.txt"}));
}

TEST_F(ReplacingFileWin, TargetHeldForAMomentIsWaitedFor)
{
    put("held.txt", "old");
    const HANDLE handle = hold("held.txt");
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    tReplacingFile file(path("held.txt"));
    file.write("new");
    std::thread release([handle] {
        Sleep(300);
        CloseHandle(handle);
    });
    EXPECT_NO_THROW(file.commit());
    release.join();
    EXPECT_EQ(content("held.txt"), "new");
    EXPECT_EQ(names(), std::vector<std::string>{"held.txt"});
}

TEST_F(ReplacingFileWin, TargetHeldForGoodIsReported)
{
    put("held.txt", "old");
    const HANDLE handle = hold("held.txt");
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    tReplacingFile file(path("held.txt"));
    file.write("new");
    EXPECT_THROW(file.commit(), EInOutError);
    CloseHandle(handle);
    EXPECT_EQ(content("held.txt"), "old");
    EXPECT_EQ(names(), std::vector<std::string>{"held.txt"});
}
