// The worksheet file on Windows (run under Wine by scripts/test --windows):
// the program folder rule with Program Files and the roaming application
// data, and the file in a folder named with non-ASCII letters.
#include "common/errors.h"
#include "storage/worksheet_config.h"
#include "storage/worksheet_file.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

namespace {

std::string environment(const wchar_t* name)
{
    wchar_t value[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? fs::path(std::wstring(value, length)).u8string() : std::string();
}

class WorksheetFileWin : public ::testing::Test {
protected:
    fs::path folder;
    void SetUp() override
    {
        folder = fs::temp_directory_path() / fs::u8path("Zoë " + std::to_string(std::random_device{}()));
        ASSERT_TRUE(fs::create_directory(folder));
    }
    void TearDown() override { fs::remove_all(folder); }
};

} // namespace

// The folders of installed programs as the environment names them, in any
// spelling; a folder whose name merely begins the same is not one of them.
TEST_F(WorksheetFileWin, ProgramFilesFoldersAreInstalledProgramFolders)
{
    const std::string program_files = environment(L"ProgramFiles");
    ASSERT_FALSE(program_files.empty());
    EXPECT_TRUE(is_installed_programs_folder(program_files));
    EXPECT_TRUE(is_installed_programs_folder(program_files + "\\Brenlow"));
    EXPECT_TRUE(is_installed_programs_folder("c:/program files/Brenlow/bin"));
    EXPECT_TRUE(is_installed_programs_folder("C:\\PROGRAM FILES (X86)\\Brenlow"));
    EXPECT_FALSE(is_installed_programs_folder("C:\\Program Files Portable\\Brenlow"));
    EXPECT_FALSE(is_installed_programs_folder("E:\\Brenlow"));
    EXPECT_FALSE(is_installed_programs_folder(folder.u8string()));
}

// Beside the program when it may create files there, else the data folder;
// never in Program Files, even where it could create files (an
// administrator, or Wine).
TEST_F(WorksheetFileWin, FolderRule)
{
    const std::string data = (folder / "data").u8string();
    EXPECT_EQ(worksheet_folder_for(folder.u8string(), data), folder.u8string());
    EXPECT_EQ(worksheet_folder_for((folder / "missing").u8string(), data), data);
    const std::string program_files = environment(L"ProgramFiles") + "\\Brenlow";
    EXPECT_EQ(worksheet_folder_for(program_files, data), data);
    EXPECT_EQ(fs::directory_iterator(folder), fs::directory_iterator()) << "the probe file was left";

    const std::string appdata = environment(L"APPDATA");
    ASSERT_FALSE(appdata.empty());
    EXPECT_EQ(system_data_folder(), appdata + "\\Brenlow");
}

// The start-up path's ".exe" rule, on this very test program.
TEST_F(WorksheetFileWin, ProgramFolderHoldsTheExecutable)
{
    const std::string program_folder = GetProgramFolder();
    EXPECT_TRUE(fs::exists(fs::u8path(program_folder) / "test_methods.exe")) << program_folder;
}

TEST_F(WorksheetFileWin, SaveLoadAndDeleteInANonAsciiFolder)
{
    const std::string data_folder = (folder / fs::u8path("Müller") / "Brenlow").u8string();
    create_folder_path(data_folder);
    ASSERT_TRUE(fs::is_directory(fs::u8path(data_folder)));
    create_folder_path(data_folder); // an existing folder is no error

    const std::string path = data_folder + "\\" + DataFileName;
    save_worksheet_file(path, {"100", "95", "110.50", "87", "", "", "", ""});
    std::ifstream in(fs::u8path(path), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    EXPECT_EQ(bytes, "100 95 110.50 87     ");

    tFieldTexts fields{};
    ASSERT_TRUE(load_worksheet_file(path, 4, fields));
    EXPECT_EQ(fields, (tFieldTexts{"100", "95", "110.5", "87", "", "", "", ""}));

    delete_worksheet_file(path);
    EXPECT_FALSE(fs::exists(fs::u8path(path)));
    EXPECT_FALSE(load_worksheet_file(path, 4, fields));
    // A folder of the file's name is no file, and is not deleted.
    fs::create_directory(fs::u8path(path));
    EXPECT_FALSE(load_worksheet_file(path, 4, fields));
    delete_worksheet_file(path);
    EXPECT_TRUE(fs::is_directory(fs::u8path(path)));
    // A plain file where a folder of the path should be.
    std::ofstream(folder / "plain") << "x";
    EXPECT_THROW(create_folder_path((folder / "plain" / "sub").u8string()), EInOutError);
}
