// Where the worksheet file lives, decided once at start-up and handed to the
// worksheet: beside the program when it may create files there, otherwise in
// the user's data folder.
#pragma once

#include <string>

// The user's data folder for this program (%APPDATA%\Brenlow on Windows,
// ~/.local/share/brenlow elsewhere), which may not exist yet; empty when the
// system names none.
std::string user_data_folder();

// The folder of a worksheet file.
struct tWorksheetLocation {
    // Empty: the folder of the executable.
    std::string folder;
    // The folder (the user's data folder) is created by the first save.
    bool create_on_save = false;
    // When `folder` holds no worksheet file at start, the one here (where a
    // copy of the program kept it before) is read.
    std::string earlier_folder;

    // The worksheet file's full path, and its path in the earlier folder.
    std::string path() const;
    std::string earlier_path() const;
    // Creates the folder when it is to be created on save (may throw
    // EInOutError); otherwise does nothing.
    void create_folder() const;
};

// The worksheet's location for a program in `program_folder`.
tWorksheetLocation choose_worksheet_location(const std::string& program_folder);
