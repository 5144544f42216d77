// What read_small_file asks of the system, one file per system
// (small_file_unix.cpp, small_file_win.cpp); the bounded read itself is the
// same everywhere (small_file.cpp).
#pragma once

#include "common/small_file.h"

#include <cstddef>
#include <string>

namespace small_file_system {

// The file at `path` opened for reading under the rules of small_file.h;
// -1 when nothing is there. Raises EInOutError (through refuse) when
// something is there that may not be read.
int open_small_file(const std::string& path);
// The open file's size in `size`, and "" when it may be read; otherwise why
// not (the rest of a message that begins with its path).
std::string check_open_file(int fd, tFileOwners owners, unsigned long long& size);
// Reads at most `size` bytes: how many, 0 at the end of the file, -1 with
// errno set on an error.
long long read_some(int fd, char* buffer, std::size_t size);
void close_file(int fd);

// Raises EInOutError: the path in single quotes, then `why`.
[[noreturn]] void refuse(const std::string& path, const std::string& why);

} // namespace small_file_system
