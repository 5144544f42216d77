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

// The folder of a program path: scanning from the start, the part before the
// last separator that precedes the first ".exe" (any case); without such an
// extension, the folder of the executable. No trailing separator.
std::string program_folder_of(const std::string& executable_path);
// The folder of this process's executable.
std::string GetProgramFolder();
// GetProgramFolder() + "/" + DataFileName.
std::string worksheet_file_path();

// The file's exact bytes for these field texts.
std::string worksheet_file_content(const tFieldTexts& texts);

// Writes the file so that a failed write never loses the previous one: the
// content goes to a temporary file in the same folder, which then replaces
// the old file. Raises EInOutError with the system's reason on failure.
void save_worksheet_file(const std::string& path, const tFieldTexts& texts);

// Restores up to `count` numbers into fields[0..count-1], each shown with
// "%1.6g"; a number missing from the file gives "0". Returns false, touching
// nothing, when there is no file. Text that is not a number raises
// EInOutError("Invalid numeric input"); the fields read before it keep their
// new texts and the file is closed.
bool load_worksheet_file(const std::string& path, int count, tFieldTexts& fields);
// The reading step of load_worksheet_file on a file already open.
void read_worksheet_numbers(std::FILE* file, int count, tFieldTexts& fields);

// Deletes the file if it exists; a failed deletion is ignored.
void delete_worksheet_file(const std::string& path);
