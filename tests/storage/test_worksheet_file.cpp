// The worksheet file: its folder, its exact bytes, save, restore and delete.
// Every test works in a fresh folder of its own under the system's temporary
// directory.
#include "storage/worksheet_file.h"

#include "common/errors.h"
#include "storage/worksheet_config.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

const tFieldTexts FOUR_SCORES = {"100", "95", "110.5", "87", "", "", "", ""};

class WorksheetFile : public ::testing::Test {
protected:
    fs::path folder;
    std::string path;

    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = fs::temp_directory_path()
                 / ("brenlow_ws_" + std::to_string(::getpid()) + "_" + info->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        path = (folder / "orvane_index.txt").string();
    }
    void TearDown() override { fs::remove_all(folder); }

    void write_file(const std::string& content) const
    {
        std::ofstream out(path, std::ios::binary);
        out << content;
    }
    std::string read_file() const
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // Everything in the folder, to see that no temporary file stays behind.
    std::vector<std::string> folder_entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        return names;
    }
    tFieldTexts restore(int count = 4) const
    {
        tFieldTexts fields = {"a", "b", "c", "d", "e", "f", "g", "h"};
        EXPECT_TRUE(load_worksheet_file(path, count, fields));
        return fields;
    }
};

// Whether this process holds a descriptor open on `file`.
bool is_open_in_this_process(const std::string& file)
{
    const fs::path target = fs::canonical(file);
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        const fs::path open = fs::read_symlink(entry.path(), ec);
        if (!ec && open == target)
            return true;
    }
    return false;
}

} // namespace

// --- The program folder -----------------------------------------------------------

TEST(ProgramFolder, FolderBeforeTheExtension)
{
    EXPECT_EQ(program_folder_of("C:\\Program Files\\Brenlow\\Brenlow.exe"), "C:\\Program Files\\Brenlow");
    EXPECT_EQ(program_folder_of("D:\\TOOLS\\BRENLOW.EXE"), "D:\\TOOLS");
    EXPECT_EQ(program_folder_of("C:/tools\\psy/Brenlow.ExE"), "C:/tools\\psy");
    EXPECT_EQ(program_folder_of("Brenlow.exe"), "");
}

// The scan stops at the first ".exe", wherever it stands.
TEST(ProgramFolder, FirstExtensionEndsTheScan)
{
    EXPECT_EQ(program_folder_of("C:\\old.exe\\new\\Brenlow.exe"), "C:");
    EXPECT_EQ(program_folder_of("\\Brenlow.exe"), "");
}

// Without the extension: the folder of the executable.
TEST(ProgramFolder, NoExtensionGivesTheExecutablesFolder)
{
    EXPECT_EQ(program_folder_of("/opt/brenlow/bin/brenlow"), "/opt/brenlow/bin");
    EXPECT_EQ(program_folder_of("/usr/bin/brenlow.ex"), "/usr/bin");
    EXPECT_EQ(program_folder_of("/brenlow"), "");
    EXPECT_EQ(program_folder_of("brenlow"), "");
    EXPECT_EQ(program_folder_of(""), "");
}

// On Linux the folder is the executable's own, whatever its names look like.
TEST(ProgramFolder, ExecutablesFolderAsItStands)
{
    EXPECT_EQ(executable_folder_of("/home/ann/my.exercises/brenlow"), "/home/ann/my.exercises");
    EXPECT_EQ(executable_folder_of("/opt/tools.EXE/bin/brenlow"), "/opt/tools.EXE/bin");
    EXPECT_EQ(executable_folder_of("/srv/a.exe/b.exe/brenlow.exe"), "/srv/a.exe/b.exe");
    EXPECT_EQ(executable_folder_of("/brenlow"), "");
    EXPECT_EQ(executable_folder_of("brenlow"), "");
}

// This test program lives in the build's tests folder.
TEST(ProgramFolder, ThisProcessAndTheFilePath)
{
    const fs::path expected = fs::canonical(fs::path(BRENLOW_BINARY_DIR) / "tests");
    EXPECT_EQ(fs::path(GetProgramFolder()), expected);
    EXPECT_EQ(worksheet_file_path(), expected.string() + "/orvane_index.txt");
}

// --- Where the file lives -----------------------------------------------------------

// The probe leaves nothing behind; where nobody may create files (/proc, which
// holds for root too), a missing folder or a file are refused.
TEST_F(WorksheetFile, MayCreateFilesOnlyWhereTheSaveCould)
{
    EXPECT_TRUE(may_create_files_in(folder.string()));
    EXPECT_TRUE(folder_entries().empty());
    EXPECT_FALSE(may_create_files_in("/proc"));
    EXPECT_FALSE(may_create_files_in((folder / "missing").string()));
    write_file("100 ");
    EXPECT_FALSE(may_create_files_in(path));
}

TEST_F(WorksheetFile, ProgramFolderOrDataFolder)
{
    const std::string data = (folder / "data").string();
    EXPECT_EQ(worksheet_folder_for(folder.string(), data), folder.string());
    EXPECT_EQ(worksheet_folder_for("/proc", data), data);
    EXPECT_EQ(worksheet_folder_for("/proc", ""), "/proc");
    // Installed programs' folders, even where root may write.
    EXPECT_EQ(worksheet_folder_for("/usr/bin", data), data);
    EXPECT_EQ(worksheet_folder_for("/usr/local/bin", data), data);
}

TEST_F(WorksheetFile, CreateFolderPathMakesPrivateFolders)
{
    const fs::path deep = folder / "share" / "brenlow";
    create_folder_path(deep.string());
    create_folder_path(deep.string()); // already there: nothing happens
    EXPECT_TRUE(fs::is_directory(deep));
    EXPECT_EQ(fs::status(folder / "share").permissions(), fs::perms::owner_all);
    write_file("100 ");
    EXPECT_THROW(create_folder_path(path + "/brenlow"), EInOutError);
}

// --- Format and save -------------------------------------------------------------------

// Each of the eight texts followed by one blank; no line end.
TEST_F(WorksheetFile, ExactBytes)
{
    EXPECT_EQ(worksheet_file_content(FOUR_SCORES), "100 95 110.5 87     ");
    save_worksheet_file(path, FOUR_SCORES);
    EXPECT_EQ(read_file(), "100 95 110.5 87     ");
    EXPECT_EQ(folder_entries(), std::vector<std::string>{"orvane_index.txt"});
}

// A new save replaces the old file whole, and the file gets the permissions
// of a plainly created file.
TEST_F(WorksheetFile, SaveReplacesThePreviousFile)
{
    write_file("999 999 999 999 and a longer tail than the new content");
    save_worksheet_file(path, {"50", "60", "70", "80", "", "", "", ""});
    EXPECT_EQ(read_file(), "50 60 70 80     ");
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
}

TEST_F(WorksheetFile, SaveIntoAMissingFolderRaises)
{
    const std::string missing = (folder / "no_such_folder" / "orvane_index.txt").string();
    try {
        save_worksheet_file(missing, FOUR_SCORES);
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_STREQ(e.what(), "No such file or directory");
    }
}

// The place of the file is taken by a folder: the save fails, the folder and
// what it holds stay, and no temporary file is left behind.
TEST_F(WorksheetFile, SaveOverAFolderRaisesAndLeavesNoTemporaryFile)
{
    fs::create_directory(path);
    std::ofstream(fs::path(path) / "keep.txt") << "kept";
    try {
        save_worksheet_file(path, FOUR_SCORES);
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_STREQ(e.what(), "Is a directory");
    }
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_TRUE(fs::exists(fs::path(path) / "keep.txt"));
    EXPECT_EQ(folder_entries(), std::vector<std::string>{"orvane_index.txt"});
}

// A write that fails half way (here the file size limit of the process, which
// binds root as well) leaves the previous file exactly as it was.
TEST_F(WorksheetFile, FailedWriteKeepsThePreviousFile)
{
    write_file("100 95 110.5 87     ");
    struct rlimit old_limit {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old_limit;
    small.rlim_cur = 8;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string error;
    try {
        save_worksheet_file(path, {"120", "121", "122", "123", "", "", "", ""});
    } catch (const EInOutError& e) {
        error = e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_EQ(error, "File too large");
    EXPECT_EQ(read_file(), "100 95 110.5 87     ");
    EXPECT_EQ(folder_entries(), std::vector<std::string>{"orvane_index.txt"});
}

// --- Restore ------------------------------------------------------------------------------

TEST_F(WorksheetFile, RestoreWhatWasSaved)
{
    save_worksheet_file(path, FOUR_SCORES);
    const tFieldTexts fields = restore();
    EXPECT_EQ(fields, (tFieldTexts{"100", "95", "110.5", "87", "e", "f", "g", "h"}));
    EXPECT_FALSE(is_open_in_this_process(path));
}

// Saved as typed, shown in the general format with six significant digits.
TEST_F(WorksheetFile, RestoreShowsTheShortestForm)
{
    save_worksheet_file(path, {"110.50", "99.", "099", "+87", "", "", "", ""});
    EXPECT_EQ(read_file(), "110.50 99. 099 +87     ");
    const tFieldTexts fields = restore();
    EXPECT_EQ(fields[0], "110.5");
    EXPECT_EQ(fields[1], "99");
    EXPECT_EQ(fields[2], "99");
    EXPECT_EQ(fields[3], "87");
    write_file("1e2 -2.5E-1 123456789 0.0000123");
    EXPECT_EQ(restore(), (tFieldTexts{"100", "-0.25", "1.23457e+08", "1.23e-05", "e", "f", "g", "h"}));
}

TEST_F(WorksheetFile, MissingNumbersAreZero)
{
    write_file("100 95 ");
    EXPECT_EQ(restore(), (tFieldTexts{"100", "95", "0", "0", "e", "f", "g", "h"}));
    write_file("");
    EXPECT_EQ(restore(), (tFieldTexts{"0", "0", "0", "0", "e", "f", "g", "h"}));
}

// Character 26 marks the end of the file, also for every number after it.
TEST_F(WorksheetFile, EndMarkEndsTheNumbers)
{
    write_file("100 95\x1a 110 87");
    EXPECT_EQ(restore(), (tFieldTexts{"100", "95", "0", "0", "e", "f", "g", "h"}));
}

TEST_F(WorksheetFile, TabsAndLineEndsSeparateLikeBlanks)
{
    write_file("100\n95\r\n110.5\t\t87\n");
    EXPECT_EQ(restore(), (tFieldTexts{"100", "95", "110.5", "87", "e", "f", "g", "h"}));
}

TEST_F(WorksheetFile, NumbersAfterTheFourthAreIgnored)
{
    write_file("100 95 110.5 87 66 not-a-number");
    EXPECT_EQ(restore(), (tFieldTexts{"100", "95", "110.5", "87", "e", "f", "g", "h"}));
    EXPECT_EQ(restore(2), (tFieldTexts{"100", "95", "c", "d", "e", "f", "g", "h"}));
}

// A number is at most 64 characters; the rest starts the next number.
TEST_F(WorksheetFile, LongTokensAreCutAtSixtyFourCharacters)
{
    write_file(std::string(64, '1') + "222 95");
    const tFieldTexts fields = restore();
    EXPECT_EQ(fields[0], "1.11111e+63");
    EXPECT_EQ(fields[1], "222");
    EXPECT_EQ(fields[2], "95");
    EXPECT_EQ(fields[3], "0");
}

// Text that is not a number: the fields before it keep their new texts, the
// rest are untouched, and the file is closed.
TEST_F(WorksheetFile, MalformedNumberRaisesAfterTheGoodFields)
{
    for (const char* bad : {"abc", "9x", "1.2.3", "--5", "1e", ".", "inf", "nan", "0x10", "1,5"}) {
        write_file(std::string("100 95 ") + bad + " 87");
        tFieldTexts fields = {"a", "b", "c", "d", "e", "f", "g", "h"};
        try {
            load_worksheet_file(path, 4, fields);
            ADD_FAILURE() << bad << ": no error";
        } catch (const EInOutError& e) {
            EXPECT_STREQ(e.what(), "Invalid numeric input") << bad;
        }
        EXPECT_EQ(fields, (tFieldTexts{"100", "95", "c", "d", "e", "f", "g", "h"})) << bad;
        EXPECT_FALSE(is_open_in_this_process(path)) << bad;
    }
}

TEST_F(WorksheetFile, NoFileTouchesNothing)
{
    tFieldTexts fields = {"a", "b", "c", "d", "e", "f", "g", "h"};
    EXPECT_FALSE(load_worksheet_file(path, 4, fields));
    EXPECT_EQ(fields, (tFieldTexts{"a", "b", "c", "d", "e", "f", "g", "h"}));
}

// --- Delete ----------------------------------------------------------------------------------

TEST_F(WorksheetFile, DeleteRemovesTheFileAndIgnoresFailures)
{
    save_worksheet_file(path, FOUR_SCORES);
    delete_worksheet_file(path);
    EXPECT_FALSE(fs::exists(path));
    delete_worksheet_file(path); // no file: nothing happens
    fs::create_directory(path);
    delete_worksheet_file(path); // a folder of that name stays
    EXPECT_TRUE(fs::is_directory(path));
}

// A file of a gigabyte in the worksheet file's place is refused unread, at
// once, with its name; the fields keep what they held.
TEST_F(WorksheetFile, AFileLargerThanTheFormatHoldsIsRefusedUnread)
{
    write_file("100 95 110.5 87 ");
    fs::resize_file(path, 1ULL << 30);
    tFieldTexts fields = {"a", "b", "c", "d", "e", "f", "g", "h"};
    try {
        load_worksheet_file(path, 4, fields);
        ADD_FAILURE() << "read";
    } catch (const EInOutError& error) {
        EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
    }
    EXPECT_EQ(fields[0], "a");
    fs::resize_file(path, max_worksheet_file_bytes);
    EXPECT_EQ(restore()[0], "100");
}
