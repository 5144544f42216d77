// What read_small_file asks of the system, one file per system
// (small_file_unix.cpp, small_file_win.cpp); the bounded read itself is the
// same everywhere (small_file.cpp).
#pragma once

#include "common/small_file.h"

#include <cstddef>
#include <string>

namespace small_file_system {

// Why the file at `path` was not opened by the link rule (common/output_path.h)
// though no rule refused it: "" when nothing is there, otherwise that it is
// no regular file (the rest of a message that begins with its path).
std::string why_not_opened(const std::string& path);
// The open file's size in `size`, and "" when it may be read; otherwise why
// not (the rest of a message that begins with its path).
std::string check_open_file(int fd, tFileOwners owners, unsigned long long& size);
// Reads at most `size` bytes: how many, 0 at the end of the file, -1 with
// errno set on an error.
long long read_some(int fd, char* buffer, std::size_t size);
void close_file(int fd);

} // namespace small_file_system
