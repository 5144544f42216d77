// Where the batch tool meets the operating system: its arguments and its
// standard streams. cli_system_unix.cpp and cli_system_win.cpp.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Standard input, output and error carry bytes as they are: no line end is
// translated, so the reports are the same bytes on every system.
void use_binary_standard_streams();

// The program's arguments after its name, in UTF-8 whatever the system's
// code page (Windows hands `argv` in the ANSI code page, which may not hold
// a note such as "Müller – €").
std::vector<std::string> program_arguments(int argc, char** argv);

// Whether the stream is a terminal (a console window on Windows).
bool is_terminal(std::FILE* stream);

// Writes UTF-8 text to a standard stream. Files and pipes get the bytes as
// they are; a Windows console gets the text as Unicode, whatever its code
// page (bytes would be shown in the console's code page, "Müller" as
// "M├╝ller"). False on failure, with errno set.
bool write_text(std::FILE* stream, const std::string& text);

// What --help says of the output files on this system: how one is replaced,
// what is written in place, and when temporary files are removed.
const char* output_files_help();
