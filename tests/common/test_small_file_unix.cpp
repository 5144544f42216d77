// A small file read whole (a set of normative data, the file of sets): what
// is no regular file is refused at once, however it got there, a file too
// large is refused unread, another user's file is none of the user's own,
// and every refusal names the file.
#include "child_process_unix.h"
#include "common/errors.h"
#include "common/small_file.h"
#include "required_tool.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kBound = 1 << 20;
constexpr uid_t kAnotherUser = 4242;

class SmallFile : public ::testing::Test {
protected:
    tScratchFolder scratch{"brenlow-small"};
    const std::string folder = scratch.path;

    void SetUp() override { ASSERT_FALSE(folder.empty()); }

    std::string make(const std::string& name, const std::string& text) const
    {
        const std::string path = folder + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    // The refusal's message; "" when the file was read.
    static std::string refusal(const std::string& path, tFileOwners owners = tFileOwners::any)
    {
        std::string text;
        try {
            read_small_file(path, kBound, owners, text);
        } catch (const EInOutError& error) {
            return error.what();
        }
        return std::string();
    }
};

} // namespace

// A pipe with no writer would block a plain open for ever; /dev/zero would
// fill memory; a gigabyte would be read whole.
TEST_F(SmallFile, WhatIsNoSmallRegularFileIsRefusedAtOnceAndNamed)
{
    std::string text = "kept";
    EXPECT_FALSE(read_small_file(folder + "/none.txt", kBound, tFileOwners::own, text));
    EXPECT_EQ(text, "kept");
    ASSERT_TRUE(read_small_file(make("set.txt", "name: A\n"), kBound, tFileOwners::own, text));
    EXPECT_EQ(text, "name: A\n");

    const std::string fifo = folder + "/fifo.txt";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string zero = folder + "/zero.txt";
    ASSERT_EQ(symlink("/dev/zero", zero.c_str()), 0);
    const std::string large = make("large.txt", "name: A\n");
    fs::resize_file(large, 1ULL << 30);
    const std::string just_over = make("over.txt", "");
    fs::resize_file(just_over, kBound + 1);
    for (const std::string& path : {fifo, zero, large, just_over, folder}) {
        const std::string message = refusal(path);
        EXPECT_EQ(message.rfind("'" + path + "'", 0), 0u) << message;
        EXPECT_NE(message.find("it is not read"), std::string::npos) << message;
    }
    fs::resize_file(just_over, kBound);
    EXPECT_EQ(refusal(just_over), "");
}

// A file the user chose to import may be anyone's (the file the program
// keeps is the user's own: NormsStore), but not one planted in a sticky
// folder that everyone may write.
TEST_F(SmallFile, AnotherUsersFileIsImportedOnlyFromOutsideASharedFolder)
{
    if (geteuid() != 0)
        SKIP_OR_FAIL_WITHOUT("root, to give a file to another user");
    const std::string planted = make("orvane_norms.txt", "chosen: Edition B\n");
    ASSERT_EQ(chown(planted.c_str(), kAnotherUser, kAnotherUser), 0);
    EXPECT_EQ(refusal(planted, tFileOwners::any), "");

    ASSERT_EQ(chmod(folder.c_str(), 01777), 0);
    const std::string shared = refusal(planted, tFileOwners::any);
    EXPECT_EQ(shared.rfind("'" + planted + "'", 0), 0u) << shared;
    EXPECT_NE(shared.find("it is not read"), std::string::npos) << shared;
}
