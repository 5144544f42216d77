// Where the worksheet file lives, decided once at start-up and handed to the
// worksheet: beside the program when it may create files there, otherwise in
// the user's data folder.
#pragma once

#include <string>

// The user's data folder for this program (%APPDATA%\Brenlow on Windows,
// ~/.local/share/brenlow elsewhere), which may not exist yet; empty when the
// system names none.
std::string user_data_folder();

// Sets the worksheet's folder for a program in `program_folder`. The data
// folder, when chosen, is created by the first save.
void choose_worksheet_folder(const std::string& program_folder);
