// A small file that the programs read whole (a set of normative data, the
// user's file of sets), under the worksheet file's rules: reached with the
// link rule at every name of its path (common/output_path.h), a regular file
// only (a pipe or a device is refused at once: it is opened without waiting
// and never read), no file that another user planted in a folder everyone
// may write, and its size checked on the open file before a byte is read, so
// that a gigabyte or /dev/zero costs no memory. small_file.cpp, with the
// system's part in small_file_unix.cpp and small_file_win.cpp.
#pragma once

#include <cstddef>
#include <string>

enum class tFileOwners {
    // A file the user chose (an import): another user's too, but not one
    // planted in a folder everyone may write.
    any,
    // A file the program keeps for the user and finds by its name alone:
    // the user's own (or the system's) only. Another user's file of that
    // name, in a folder others may write, is no file of the user's.
    own,
};

// The whole of the file at `path` in `text`; false, touching nothing, when
// nothing is there. Raises EInOutError when something is there that may not
// be read (a link not followed, a pipe, a device, a folder, a file of another
// user), is larger than `max_bytes`, or cannot be read; the message begins
// with the path in single quotes.
bool read_small_file(const std::string& path, std::size_t max_bytes, tFileOwners owners, std::string& text);
