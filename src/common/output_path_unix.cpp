// What lies at an output (or input) path, on POSIX systems. The path is
// walked one name at a time from an open folder, each folder opened without
// following a link and the next name looked up in it: a symbolic link
// anywhere on the way is followed only when it is the user's or the
// system's (common/link_rule.h). In any folder another user may write (/tmp,
// a shared project folder, a folder of that user's own) that user can plant
// "results.pdf -> victim.txt", or "evil -> the victim's folder" with the
// output named "evil/results.pdf"; following either would let that user
// choose which file is overwritten or read. Pipes, devices and files planted
// there are refused by the same rule.
#include "common/output_path.h"

#include "common/errors.h"
#include "common/link_rule.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <vector>

namespace {

constexpr int max_links = 40; // as the kernel's own limit on a path's links

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

// What a walk is for: the messages say what is not done.
enum class tUse { Write, Read };

const char* not_done(tUse use, bool replaced)
{
    if (use == tUse::Read)
        return "it is not read";
    return replaced ? "it is not replaced" : "it is not written";
}

// Where a walk stands: the folder reached so far, and how many links it took.
struct tWalk {
    const std::string& path; // as given, for messages
    std::shared_ptr<tOpenFolder> folder;
    int links = 0;
    tUse use = tUse::Write;
};

struct stat folder_info(const tWalk& walk)
{
    struct stat info;
    if (::fstat(walk.folder->fd(), &info) != 0)
        raise_errno(errno);
    return info;
}

// The link `name` in the walk's folder, checked against the rule: its target.
// The link is opened itself (O_PATH) and its owner and text are taken from
// that one open link: in a folder another user may write, the name could be
// given to that user's link between a look by name and a read by name.
std::string followed_link(tWalk& walk, const std::string& name)
{
    if (++walk.links > max_links)
        raise_errno(ELOOP);
    const int fd = ::openat(walk.folder->fd(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        raise_errno(errno);
    struct stat link;
    std::vector<char> buffer(4096);
    ssize_t length = -1;
    bool followed = false;
    if (::fstat(fd, &link) == 0 && S_ISLNK(link.st_mode)) {
        followed = link_may_be_followed(link.st_uid, ::geteuid());
        if (followed)
            length = ::readlinkat(fd, "", buffer.data(), buffer.size());
    }
    ::close(fd);
    if (!followed)
        refuse(name, "is a symbolic link of another user (only the user's own links and the system's are "
                     "followed); " + std::string(walk.use == tUse::Read ? "it is not read" : "it is not followed"));
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
        walk_folders(walk, followed_link(walk, name), create);
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

tWalk start_walk(const std::string& path, tUse use)
{
    tWalk walk{path, nullptr, 0, use};
    walk.folder = open_folder_at(AT_FDCWD, path.front() == '/' ? "/" : ".");
    return walk;
}

// Whether the user may write into (or read from) a pipe or device in place.
bool may_use_in_place(const struct stat& file, const struct stat& folder)
{
    return in_place_may_be_used(file.st_uid, folder.st_uid, folder.st_mode, ::geteuid());
}

[[noreturn]] void refuse_in_place(const tWalk& walk)
{
    refuse(walk.path, std::string("is a pipe or device of another user; ") + not_done(walk.use, false));
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
        const std::string target = followed_link(walk, name);
        tWalk next{walk.path, walk.folder, walk.links, walk.use};
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
                refuse_in_place(walk);
            out.kind = tOutputKind::InPlace;
            out.id = id_of(followed);
            return out;
        }
        return reached;
    }
    out.id = id_of(info);
    if (S_ISREG(info.st_mode)) {
        // A file another user could have planted (or could swap) is refused.
        if (!file_may_be_used(info.st_uid, folder.st_uid, folder.st_mode, ::geteuid()))
            refuse(walk.path, std::string("belongs to another user and lies in a folder that is not the user's "
                                          "alone; ") + not_done(walk.use, true));
        out.kind = tOutputKind::RegularFile;
        out.mode = static_cast<unsigned>(info.st_mode & 0777);
        out.own_file = info.st_uid == ::geteuid();
        return out;
    }
    if (S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode)) {
        if (!may_use_in_place(info, folder))
            refuse_in_place(walk);
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

namespace {

tOutputPath inspect_path(const std::string& path, tUse use)
{
    if (path.empty())
        raise_errno(ENOENT);
    tWalk walk = start_walk(path, use);
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

// Opens what the inspection found, by its name in its folder, and makes sure
// it is still that file: in a folder another user may write, the name could
// have been given to another file since. -1 when it is not there.
int open_found(const tOutputPath& found, int flags)
{
    const int fd = ::openat(found.folder->fd(), found.name.c_str(), flags | O_CLOEXEC);
    if (fd < 0)
        raise_errno(errno);
    struct stat info;
    if (::fstat(fd, &info) != 0 || static_cast<unsigned long long>(info.st_dev) != found.id.device
        || static_cast<unsigned long long>(info.st_ino) != found.id.inode) {
        ::close(fd);
        refuse(found.path, "changed while it was opened; it is not read");
    }
    return fd;
}

} // namespace

tOutputPath inspect_output_path(const std::string& path)
{
    return inspect_path(path, tUse::Write);
}

int open_input_by_rule(const std::string& path)
{
    tOutputPath found;
    try {
        found = inspect_path(path, tUse::Read);
    } catch (const tNoFile&) {
        return -1;
    }
    if (found.kind != tOutputKind::RegularFile)
        return -1;
    return open_found(found, O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
}

int open_stream_by_rule(const std::string& path)
{
    const tOutputPath found = inspect_path(path, tUse::Read);
    if (found.kind == tOutputKind::NewFile)
        raise_errno(ENOENT);
    // A pipe is opened as any reader opens it: it waits for its writer. A
    // link to /proc's "pipe:[...]" (/dev/stdin) is followed here by design.
    return open_found(found, found.kind == tOutputKind::RegularFile ? O_RDONLY | O_NOFOLLOW : O_RDONLY);
}

std::shared_ptr<tOpenFolder> open_output_folder(const std::string& path, bool create)
{
    if (path.empty())
        raise_errno(ENOENT);
    tWalk walk = start_walk(path, tUse::Write);
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

// The folder opened so that it can be read (the walk's own descriptor only
// finds names).
int readable_folder(const tOpenFolder& folder)
{
    const int fd = ::openat(folder.fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        raise_errno(errno);
    return fd;
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
