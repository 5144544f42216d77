// What tReplacingFile asks of the system, one file per system
// (replacing_file_unix.cpp, replacing_file_win.cpp); the rest of it is the
// same everywhere (replacing_file.cpp). Every function raises EInOutError
// with the system's reason when it fails.
#pragma once

#include "common/output_path.h"

#include <cstddef>
#include <string>

namespace replacing_file_system {

// The target's pipe or device, opened to be written in place.
int open_in_place(const tOutputPath& target);
// The name a temporary file beside the target starts with.
std::string temporary_prefix(const tOutputPath& target);
// A number that differs between processes, for the temporary's name.
unsigned long long process_number();
// A new file without a name in the target's folder, with `mode` under the
// umask; -1 where the system or the file system has none.
int create_unnamed(const tOutputPath& target, unsigned mode);
// Gives such a file the name `temporary` beside the target; false when a
// file of that name exists.
bool give_name(const tOutputPath& target, int fd, const std::string& temporary);
// Makes the new file `temporary` beside the target, exclusively, with
// `mode` under the umask; -1 when a file of that name exists.
int create_exclusive(const tOutputPath& target, const std::string& temporary, unsigned mode);
// Remembers the temporary for the signal handlers (temporary_files.h).
int remember(const tOutputPath& target, const std::string& temporary);
// Writes some of `size` bytes; how many.
std::size_t write_some(int fd, const char* data, std::size_t size);
// Flushes a file to the disk when `flush`, then closes it (in any case).
void finish(int fd, bool flush);
// Closes the file, errors ignored.
void close_quietly(int fd);
// Puts the temporary in the target's place.
void replace_target(const tOutputPath& target, const std::string& temporary);
// The permission bits `mode` under the process's umask (the umask itself is
// never changed); what a new file made with `mode` would get.
unsigned under_umask(unsigned mode);
// Gives the open file these permission bits.
void set_mode(int fd, unsigned mode);
// Removes the temporary: "" when it is gone, otherwise the system's reason,
// with `private_left` true when the file left is readable by its owner alone.
std::string remove_temporary(const tOutputPath& target, const std::string& temporary, bool& private_left);
// Where the temporary lies, for a message that names a file left behind.
std::string temporary_location(const tOutputPath& target, const std::string& temporary);

} // namespace replacing_file_system
