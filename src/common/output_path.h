// What lies at a path that an output is about to be written to, looked at
// before anything is written: a new file, a regular file to be replaced, or a
// character device or pipe that is written in place. Anything else (a
// folder, a socket) is refused, and so is a symbolic link that a shared
// folder's other users could have planted. The same rule holds for every
// file the programs write.
#pragma once

#include <string>

enum class tOutputKind {
    NewFile,     // nothing there yet: created
    RegularFile, // replaced whole
    InPlace,     // a character device or a pipe: opened and written as it is
};

// Which file a path names, so that two paths can be found to be the same
// file (hard links and links included). A file that does not exist yet is
// named by its folder and its name.
struct tFileId {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    std::string name; // empty for an existing file
    bool operator==(const tFileId& other) const
    {
        return device == other.device && inode == other.inode && name == other.name;
    }
    bool operator!=(const tFileId& other) const { return !(*this == other); }
};

struct tOutputPath {
    std::string path; // the file to write, its links followed
    tOutputKind kind = tOutputKind::NewFile;
    unsigned mode = 0; // permission bits of a regular file
    tFileId id;
};

// Looks at `path` and follows its links where they may be followed. Raises
// EInOutError with a message naming the path when it may not be written.
tOutputPath inspect_output_path(const std::string& path);

// The file `path` names as it is read (links followed); false when it
// cannot be found.
bool file_id_of(const std::string& path, tFileId& id);
// The file open as descriptor `fd`; false when it is not open.
bool file_id_of_descriptor(int fd, tFileId& id);

// A folder that output files go into. Raises EInOutError when it is a link
// that may not be followed or something other than a folder; false when it
// does not exist yet, true with its identity when it does.
bool inspect_output_folder(const std::string& path, tFileId& id);
