// The worksheet file: the scores of the last successful Compute, kept beside
// the program and shown again at the next start.
//
// Format: the text of each of the eight score fields exactly as shown,
// each followed by one blank; no line end anywhere.
#pragma once

#include <array>
#include <cstdio>
#include <string>

using tFieldTexts = std::array<std::string, 8>;

// The folder of a program path named with an ".exe" extension: scanning from
// the start, the part before the last separator that precedes the first
// ".exe" (any case); without such an extension, the folder of the executable.
// No trailing separator.
std::string program_folder_of(const std::string& executable_path);
// The folder of an executable's path as it stands: everything before its last
// "/" (empty for a file in the root folder). Names on the way that look like
// an extension ("my.exercises", "tools.EXE") are plain folder names here.
std::string executable_folder_of(const std::string& executable_path);
// The folder of this process's executable, as executable_folder_of gives it
// for the executable's full path.
std::string GetProgramFolder();
// GetProgramFolder() + "/" + DataFileName.
std::string worksheet_file_path();

// Whether this process may create files in `folder` ("" is the root folder):
// a file is created there the way the save creates its temporary file, and
// removed again, so that permissions, access lists and read-only mounts all
// count as they would for the save, for root too.
bool may_create_files_in(const std::string& folder);
// The folder of the worksheet file, decided once at start-up: the program
// folder when files may be created there (a portable copy, the build folder),
// otherwise the user's data folder. A program folder under /usr (on Windows
// under Program Files) never holds it: those folders belong to the package
// manager or the installer and are shared by all users, so even root or an
// administrator keeps the file in its own data folder. Without a data
// folder the program folder serves all the same.
std::string worksheet_folder_for(const std::string& program_folder, const std::string& data_folder);
// The user's folder for this program's data as the system names it, which
// may not exist yet: %APPDATA%\Brenlow (the roaming application data) on
// Windows, $XDG_DATA_HOME/brenlow (by default ~/.local/share/brenlow)
// elsewhere. Empty when the system names none.
std::string system_data_folder();
// Whether `program_folder` is one of the system's folders for installed
// programs (/usr and below; on Windows the Program Files folders and below),
// which never hold the worksheet file.
bool is_installed_programs_folder(const std::string& program_folder);
// Creates `folder` and any missing folder above it, each readable by its
// owner only; folders that exist are left as they are. Raises EInOutError
// with the system's reason on failure.
void create_folder_path(const std::string& folder);

// The file's exact bytes for these field texts.
std::string worksheet_file_content(const tFieldTexts& texts);

// Writes the file so that a failed write never loses the previous one: the
// content goes to a temporary file in the same folder, which then replaces
// the old file, keeping its permissions under the umask (a first file is
// readable and writable by its owner only). Links are followed only where
// the link rule allows (common/output_path.h). Raises EInOutError with the
// system's reason on failure.
void save_worksheet_file(const std::string& path, const tFieldTexts& texts);

// The most a worksheet file may hold: eight fields of a few characters
// each, with room to spare. A larger file is no worksheet file and is
// refused unread, however large it is.
constexpr long long max_worksheet_file_bytes = 4096;

// Restores up to `count` numbers into fields[0..count-1], each shown with
// "%1.6g"; a number missing from the file gives "0". Returns false, touching
// nothing, when there is no file (anything there but a regular file, such as
// a folder of that name, counts as none). Text that is not a number raises
// EInOutError("Invalid numeric input"); the fields read before it keep their
// new texts and the file is closed. A file larger than
// max_worksheet_file_bytes raises EInOutError naming it.
bool load_worksheet_file(const std::string& path, int count, tFieldTexts& fields);
// The reading step of load_worksheet_file on a file already open.
void read_worksheet_numbers(std::FILE* file, int count, tFieldTexts& fields);

// Deletes the file if it exists; a failed deletion is ignored.
void delete_worksheet_file(const std::string& path);
