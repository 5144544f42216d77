// What lies at a path that an output is about to be written to, looked at
// before anything is written: a new file, a regular file to be replaced, or a
// character device or pipe that is written in place. Anything else (a
// folder, a socket) is refused, and so is whatever another user could have
// planted on the way (common/link_rule.h): a link, a pipe, a file. The same
// rules hold for every file the programs write or read.
#pragma once

#include <memory>
#include <string>
#include <vector>

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

// A folder held open while files are made in it (a descriptor on POSIX
// systems; none on Windows, where paths serve).
class tOpenFolder {
public:
    tOpenFolder(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~tOpenFolder();
    tOpenFolder(const tOpenFolder&) = delete;
    tOpenFolder& operator=(const tOpenFolder&) = delete;
    int fd() const { return fd_; }
    const std::string& path() const { return path_; }

private:
    int fd_;
    std::string path_;
};

struct tOutputPath {
    std::string path; // the file to write, its links followed
    tOutputKind kind = tOutputKind::NewFile;
    unsigned mode = 0;       // permission bits of a regular file
    bool own_file = true;    // a regular file of the user's own: its permissions are kept
    tFileId id;
    // On POSIX systems the folder that holds the file, reached one name at a
    // time with every link on the way checked, and the file's name in it:
    // the file is made and replaced there, never through the path again.
    std::shared_ptr<tOpenFolder> folder;
    std::string name;
};

// Looks at `path` and follows its links where they may be followed: every
// name on the way, not only the last. Raises EInOutError with a message
// naming the path when it may not be written: a link of another user, a
// folder, a socket, a pipe or device that belongs neither to the user nor to
// the system (a pipe another user planted would receive the output), or a
// file of another user in a folder that is not the user's alone.
tOutputPath inspect_output_path(const std::string& path);

// The regular file `path` names, opened for reading (a descriptor) under
// the same rules as inspect_output_path; -1 when nothing is there or it is
// no regular file. Raises EInOutError when it may not be read, with a
// message that says so ("it is not read").
int open_input_by_rule(const std::string& path);
// The same for a file the user names to be read from start to end: a
// regular file, or a pipe or device of the user's or the system's
// (/dev/stdin, a process substitution), which is waited for as any reader
// waits. Raises EInOutError with the reason when there is nothing to read.
int open_stream_by_rule(const std::string& path);

// The folder `path` names, reached as inspect_output_path reaches a file's
// folder, and made (each new folder 0777 under the umask) when `create` and
// it does not exist; null when it does not exist and is not to be made.
std::shared_ptr<tOpenFolder> open_output_folder(const std::string& path, bool create);
// The names of the entries of an open folder; removes one file of it.
std::vector<std::string> names_in_folder(const tOpenFolder& folder);
bool remove_in_folder(const tOpenFolder& folder, const std::string& name);
// A run's hold on an output folder or file, released (and its lock file
// removed) when it is destroyed. The lock is taken on a file named after the
// output's device and inode in the user's private runtime folder, which no
// other user can reach: another user who can read the output can neither
// hold it nor be taken for a run of the user's.
class tOutputHold {
public:
    virtual ~tOutputHold() = default;
};
// Holds the open folder for this run: null when another run of the user's
// holds it, with that run's process id in `holder` when it can be known (0
// otherwise). Where the user has no private folder, nothing is held.
std::unique_ptr<tOutputHold> hold_folder(const tOpenFolder& folder, long long& holder);
// The same for an output file that exists already (a new file has nothing
// to hold yet).
std::unique_ptr<tOutputHold> hold_file(const tOutputPath& target, long long& holder);

// The file `path` names as it is read (links followed); false when it
// cannot be found.
bool file_id_of(const std::string& path, tFileId& id);
// The file open as descriptor `fd`; false when it is not open.
bool file_id_of_descriptor(int fd, tFileId& id);

// A folder that output files go into. Raises EInOutError when it is a link
// that may not be followed or something other than a folder; false when it
// does not exist yet, true with its identity when it does.
bool inspect_output_folder(const std::string& path, tFileId& id);
