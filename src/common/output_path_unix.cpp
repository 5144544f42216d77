// What lies at an output path, on POSIX systems. A symbolic link is followed
// only where the kernel's protected-symlinks rule would let it be opened:
// in a sticky folder that everyone may write (/tmp, a shared project
// folder) another user can plant "results.pdf -> victim.txt", and following
// it would let that user choose which file is overwritten.
#include "common/output_path.h"

#include "common/errors.h"
#include "common/link_rule.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

constexpr int max_links = 40; // as the kernel's own limit on a path's links

std::string folder_of(const std::string& path)
{
    const std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string name_of(const std::string& path)
{
    const std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

[[noreturn]] void refuse(const std::string& path, const std::string& why)
{
    throw EInOutError("'" + path + "' " + why);
}

tFileId id_of(const struct stat& info)
{
    tFileId id;
    id.device = static_cast<unsigned long long>(info.st_dev);
    id.inode = static_cast<unsigned long long>(info.st_ino);
    return id;
}

// A file that is not there yet: its folder and its name.
tFileId new_file_id(const std::string& path)
{
    struct stat folder;
    if (::stat(folder_of(path).c_str(), &folder) != 0)
        throw EInOutError(std::strerror(errno));
    tFileId id = id_of(folder);
    id.name = name_of(path);
    return id;
}

// The path a link points to; a relative target is taken from the link's folder.
std::string link_target(const std::string& link)
{
    std::vector<char> buffer(4096);
    const ssize_t length = ::readlink(link.c_str(), buffer.data(), buffer.size());
    if (length < 0 || static_cast<size_t>(length) >= buffer.size())
        refuse(link, "is a link that cannot be read");
    const std::string target(buffer.data(), static_cast<size_t>(length));
    if (target.front() == '/')
        return target;
    return folder_of(link) + "/" + target;
}

void check_link_may_be_followed(const std::string& link, const struct stat& info)
{
    struct stat folder;
    if (::stat(folder_of(link).c_str(), &folder) != 0)
        throw EInOutError(std::strerror(errno));
    if (!link_may_be_followed(info.st_uid, folder.st_uid, folder.st_mode, ::geteuid()))
        refuse(link, "is a symbolic link of another user in a folder that everyone may write; "
                     "it is not followed");
}

} // namespace

tOutputPath inspect_output_path(const std::string& path)
{
    if (path.empty())
        throw EInOutError(std::strerror(ENOENT));
    tOutputPath out;
    std::string current = path;
    for (int links = 0;; ++links) {
        struct stat info;
        if (::lstat(current.c_str(), &info) != 0) {
            if (errno != ENOENT)
                throw EInOutError(std::strerror(errno));
            out.path = current;
            out.kind = tOutputKind::NewFile;
            out.id = new_file_id(current);
            return out;
        }
        if (S_ISLNK(info.st_mode)) {
            if (links == max_links)
                throw EInOutError(std::strerror(ELOOP));
            check_link_may_be_followed(current, info);
            const std::string next = link_target(current);
            struct stat target;
            if (::lstat(next.c_str(), &target) != 0 && errno == ENOENT && ::stat(current.c_str(), &target) == 0) {
                // A link to a file without a path of its own: /dev/stdout
                // leads through /proc to "pipe:[...]" or a terminal.
                if (!S_ISCHR(target.st_mode) && !S_ISFIFO(target.st_mode))
                    refuse(current, "is a link to a file that has no name of its own");
                out.path = current;
                out.kind = tOutputKind::InPlace;
                out.id = id_of(target);
                return out;
            }
            current = next;
            continue;
        }
        out.path = current;
        out.id = id_of(info);
        if (S_ISREG(info.st_mode)) {
            out.kind = tOutputKind::RegularFile;
            out.mode = static_cast<unsigned>(info.st_mode & 0777);
            return out;
        }
        if (S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode)) {
            out.kind = tOutputKind::InPlace;
            return out;
        }
        if (S_ISDIR(info.st_mode))
            throw EInOutError(std::strerror(EISDIR));
        refuse(current, "is neither a regular file, a character device nor a pipe");
    }
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
    struct stat info;
    std::string current = path;
    for (int links = 0; ::lstat(current.c_str(), &info) == 0 && S_ISLNK(info.st_mode); ++links) {
        if (links == max_links)
            throw EInOutError(std::strerror(ELOOP));
        check_link_may_be_followed(current, info);
        current = link_target(current);
    }
    if (::stat(current.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return false;
        throw EInOutError(std::strerror(errno));
    }
    if (!S_ISDIR(info.st_mode))
        throw EInOutError(std::strerror(ENOTDIR));
    id = id_of(info);
    return true;
}
