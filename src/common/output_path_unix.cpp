// What lies at an output path, on POSIX systems. The path is walked one name
// at a time from an open folder, each folder opened without following a link
// and the next name looked up in it: a symbolic link anywhere on the way is
// followed only where the kernel's protected-symlinks rule would let it be
// opened. In a sticky folder that everyone may write (/tmp, a shared project
// folder) another user can plant "results.pdf -> victim.txt", or "evil ->
// the victim's folder" with the output named "evil/results.pdf"; following
// either would let that user choose which file is overwritten. Pipes,
// devices and files planted there are refused as the kernel's
// protected-fifos and protected-regular rules would.
#include "common/output_path.h"

#include "common/errors.h"
#include "common/link_rule.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

constexpr int max_links = 40; // as the kernel's own limit on a path's links
constexpr uid_t root_user = 0;

[[noreturn]] void refuse(const std::string& path, const std::string& why)
{
    throw EInOutError("'" + path + "' " + why);
}

// Nothing there, or no file: what a reader takes for no file at all.
class tNoFile : public EInOutError {
public:
    using EInOutError::EInOutError;
};

[[noreturn]] void raise_errno(int error)
{
    if (error == ENOENT || error == ENOTDIR || error == EISDIR)
        throw tNoFile(std::strerror(error));
    throw EInOutError(std::strerror(error));
}

tFileId id_of(const struct stat& info)
{
    tFileId id;
    id.device = static_cast<unsigned long long>(info.st_dev);
    id.inode = static_cast<unsigned long long>(info.st_ino);
    return id;
}

std::deque<std::string> names_of(const std::string& path)
{
    std::deque<std::string> names;
    std::string::size_type begin = 0;
    while (begin <= path.size()) {
        std::string::size_type end = path.find('/', begin);
        if (end == std::string::npos)
            end = path.size();
        if (end > begin)
            names.push_back(path.substr(begin, end - begin));
        begin = end + 1;
    }
    return names;
}

std::shared_ptr<tOpenFolder> open_folder_at(int folder, const char* name)
{
    const int fd = ::openat(folder, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        raise_errno(errno);
    return std::make_shared<tOpenFolder>(fd, name);
}

bool shared_sticky(const struct stat& folder)
{
    return (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
}

// Where a walk stands: the folder reached so far, and how many links it took.
struct tWalk {
    const std::string& path; // as given, for messages
    std::shared_ptr<tOpenFolder> folder;
    int links = 0;
};

struct stat folder_info(const tWalk& walk)
{
    struct stat info;
    if (::fstat(walk.folder->fd(), &info) != 0)
        raise_errno(errno);
    return info;
}

// The link `name` in the walk's folder, checked against the rule: its target.
std::string followed_link(tWalk& walk, const std::string& name, const struct stat& link)
{
    if (++walk.links > max_links)
        raise_errno(ELOOP);
    const struct stat folder = folder_info(walk);
    if (!link_may_be_followed(link.st_uid, folder.st_uid, folder.st_mode, ::geteuid()))
        refuse(name, "is a symbolic link of another user in a folder that everyone may write; it is not followed");
    std::vector<char> buffer(4096);
    const ssize_t length = ::readlinkat(walk.folder->fd(), name.c_str(), buffer.data(), buffer.size());
    if (length <= 0 || static_cast<size_t>(length) >= buffer.size())
        refuse(name, "is a link that cannot be read");
    return std::string(buffer.data(), static_cast<size_t>(length));
}

void walk_folders(tWalk& walk, const std::string& path, bool create);

// Moves the walk into the folder `name` of its folder, following a link
// under the rule; false when nothing of that name exists (and none is made).
bool enter(tWalk& walk, const std::string& name, bool create)
{
    if (name == ".")
        return true;
    if (name == "..") {
        walk.folder = open_folder_at(walk.folder->fd(), "..");
        return true;
    }
    struct stat info;
    if (::fstatat(walk.folder->fd(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT)
            raise_errno(errno);
        if (!create)
            return false;
        if (::mkdirat(walk.folder->fd(), name.c_str(), 0777) != 0 && errno != EEXIST)
            raise_errno(errno);
        if (::fstatat(walk.folder->fd(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            raise_errno(errno);
    }
    if (S_ISLNK(info.st_mode)) {
        walk_folders(walk, followed_link(walk, name, info), create);
        return walk.folder != nullptr;
    }
    if (!S_ISDIR(info.st_mode))
        raise_errno(ENOTDIR);
    walk.folder = open_folder_at(walk.folder->fd(), name.c_str());
    return true;
}

// Walks `path` (from the walk's folder, or from the root for an absolute
// one) to the folder it names; the walk's folder is null when a name on the
// way does not exist.
void walk_folders(tWalk& walk, const std::string& path, bool create)
{
    if (!path.empty() && path.front() == '/')
        walk.folder = open_folder_at(AT_FDCWD, "/");
    for (const std::string& name : names_of(path))
        if (!enter(walk, name, create)) {
            walk.folder.reset();
            return;
        }
}

tWalk start_walk(const std::string& path)
{
    tWalk walk{path, nullptr, 0};
    walk.folder = open_folder_at(AT_FDCWD, path.front() == '/' ? "/" : ".");
    return walk;
}

// Whether the user may write into (or read from) a pipe or device in place:
// one of the user's own or the system's, and in a folder everyone may write
// only one of the user's or of the folder's owner (as protected-fifos).
bool may_use_in_place(const struct stat& file, const struct stat& folder)
{
    const uid_t user = ::geteuid();
    if (file.st_uid != user && file.st_uid != root_user)
        return false;
    return !shared_sticky(folder) || file.st_uid == user || file.st_uid == folder.st_uid;
}

// The file named by the last name of a path, in the walk's folder.
tOutputPath inspect_last(tWalk& walk, const std::string& name)
{
    if (name.empty() || name == "." || name == "..")
        raise_errno(EISDIR);
    tOutputPath out;
    out.path = walk.path;
    out.folder = walk.folder;
    out.name = name;
    const struct stat folder = folder_info(walk);
    struct stat info;
    if (::fstatat(walk.folder->fd(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT)
            raise_errno(errno);
        out.kind = tOutputKind::NewFile;
        out.id = id_of(folder);
        out.id.name = name;
        return out;
    }
    if (S_ISLNK(info.st_mode)) {
        const std::string target = followed_link(walk, name, info);
        tWalk next{walk.path, walk.folder, walk.links};
        const std::string::size_type slash = target.rfind('/');
        if (slash != std::string::npos) {
            walk_folders(next, target.substr(0, slash + 1), false);
            if (!next.folder)
                raise_errno(ENOENT);
        } else if (target.empty()) {
            raise_errno(ENOENT);
        }
        tOutputPath reached = inspect_last(next, target.substr(slash == std::string::npos ? 0 : slash + 1));
        struct stat followed;
        if (reached.kind == tOutputKind::NewFile
            && ::fstatat(walk.folder->fd(), name.c_str(), &followed, 0) == 0) {
            // A link to a file without a path of its own: /dev/stdout leads
            // through /proc to "pipe:[...]" or to a deleted file.
            if (!S_ISCHR(followed.st_mode) && !S_ISFIFO(followed.st_mode))
                refuse(walk.path, "is a link to a file that has no name of its own");
            if (!may_use_in_place(followed, folder))
                refuse(walk.path, "is a pipe or device of another user; it is not written");
            out.kind = tOutputKind::InPlace;
            out.id = id_of(followed);
            return out;
        }
        return reached;
    }
    out.id = id_of(info);
    if (S_ISREG(info.st_mode)) {
        // A file planted by another user in a folder everyone may write is
        // refused, as the kernel's protected-regular rule refuses it.
        if (info.st_uid != ::geteuid() && shared_sticky(folder) && info.st_uid != folder.st_uid)
            refuse(walk.path, "is a file of another user in a folder that everyone may write; "
                              "it is not replaced");
        out.kind = tOutputKind::RegularFile;
        out.mode = static_cast<unsigned>(info.st_mode & 0777);
        out.own_file = info.st_uid == ::geteuid();
        return out;
    }
    if (S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode)) {
        if (!may_use_in_place(info, folder))
            refuse(walk.path, "is a pipe or device of another user; it is not written");
        out.kind = tOutputKind::InPlace;
        return out;
    }
    if (S_ISDIR(info.st_mode))
        raise_errno(EISDIR);
    refuse(walk.path, "is neither a regular file, a character device nor a pipe");
}

} // namespace

tOpenFolder::~tOpenFolder()
{
    if (fd_ >= 0)
        ::close(fd_);
}

tOutputPath inspect_output_path(const std::string& path)
{
    if (path.empty())
        raise_errno(ENOENT);
    tWalk walk = start_walk(path);
    const std::string::size_type slash = path.rfind('/');
    if (slash != std::string::npos) {
        walk_folders(walk, path.substr(0, slash + 1), false);
        if (!walk.folder)
            raise_errno(ENOENT);
        if (slash + 1 == path.size())
            raise_errno(EISDIR);
    }
    return inspect_last(walk, path.substr(slash == std::string::npos ? 0 : slash + 1));
}

int open_input_by_rule(const std::string& path)
{
    tOutputPath found;
    try {
        found = inspect_output_path(path);
    } catch (const tNoFile&) {
        return -1;
    }
    if (found.kind != tOutputKind::RegularFile)
        return -1;
    const int fd = ::openat(found.folder->fd(), found.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        raise_errno(errno);
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::shared_ptr<tOpenFolder> open_output_folder(const std::string& path, bool create)
{
    if (path.empty())
        raise_errno(ENOENT);
    tWalk walk = start_walk(path);
    walk_folders(walk, path, create);
    return walk.folder;
}

bool file_id_of(const std::string& path, tFileId& id)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return false;
    id = id_of(info);
    return true;
}

bool file_id_of_descriptor(int fd, tFileId& id)
{
    struct stat info;
    if (::fstat(fd, &info) != 0)
        return false;
    id = id_of(info);
    return true;
}

bool inspect_output_folder(const std::string& path, tFileId& id)
{
    const std::shared_ptr<tOpenFolder> folder = open_output_folder(path, false);
    if (!folder)
        return false;
    struct stat info;
    if (::fstat(folder->fd(), &info) != 0)
        raise_errno(errno);
    id = id_of(info);
    return true;
}

namespace {

// The folder opened so that it can be read and locked (the walk's own
// descriptor only finds names).
int readable_folder(const tOpenFolder& folder)
{
    const int fd = ::openat(folder.fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        raise_errno(errno);
    return fd;
}

// The process that holds a lock on the file: /proc/locks names it.
long long lock_holder(const struct stat& file)
{
    std::ifstream locks("/proc/locks");
    std::ostringstream wanted;
    wanted << std::hex;
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, kind, advice, access, pid, where;
        fields >> number >> kind;
        if (kind == "->")
            continue;
        fields >> advice >> access >> pid >> where;
        unsigned major = 0, minor = 0;
        unsigned long long inode = 0;
        if (std::sscanf(where.c_str(), "%x:%x:%llu", &major, &minor, &inode) == 3 && inode == file.st_ino
            && major == ::major(file.st_dev) && minor == ::minor(file.st_dev))
            return std::atoll(pid.c_str());
    }
    return 0;
}

} // namespace

std::vector<std::string> names_in_folder(const tOpenFolder& folder)
{
    std::vector<std::string> names;
    DIR* listing = ::fdopendir(readable_folder(folder));
    if (!listing)
        raise_errno(errno);
    while (const dirent* entry = ::readdir(listing))
        names.emplace_back(entry->d_name);
    ::closedir(listing);
    return names;
}

bool remove_in_folder(const tOpenFolder& folder, const std::string& name)
{
    return ::unlinkat(folder.fd(), name.c_str(), 0) == 0;
}

bool hold_folder(const tOpenFolder& folder, long long& holder)
{
    // Kept open (and so held) until the process ends.
    const int fd = readable_folder(folder);
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return true;
    struct stat info;
    holder = ::fstat(fd, &info) == 0 ? lock_holder(info) : 0;
    ::close(fd);
    return false;
}

bool hold_file(const tOutputPath& target, long long& holder)
{
    if (target.kind != tOutputKind::RegularFile)
        return true;
    // Kept open (and so held) until the process ends.
    const int fd = ::openat(target.folder->fd(), target.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return true;
    struct stat info;
    holder = ::fstat(fd, &info) == 0 ? lock_holder(info) : 0;
    ::close(fd);
    return false;
}
