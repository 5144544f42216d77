// tReplacingFile's system calls on POSIX systems. Everything happens in the
// target's folder as inspect_output_path opened it, by name in that folder:
// a link planted on the path after it was looked at changes nothing.
#include "common/replacing_file_system.h"

#include "common/errors.h"
#include "common/temporary_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace replacing_file_system {

namespace {

[[noreturn]] void raise_errno(int error)
{
    throw EInOutError(std::strerror(error));
}

} // namespace

int open_in_place(const tOutputPath& target)
{
    // Without waiting: a pipe that nothing reads would hold the run forever.
    // A link to /proc's "pipe:[...]" is followed here by design (the walk
    // has checked it); anything else is opened by its own name.
    const int fd = ::openat(target.folder->fd(), target.name.c_str(),
                            O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        struct stat info;
        if (error == ENXIO && ::fstatat(target.folder->fd(), target.name.c_str(), &info, 0) == 0
            && S_ISFIFO(info.st_mode))
            throw EInOutError("'" + target.path + "' is a pipe that nothing reads");
        if (error == ENXIO) // /dev/tty without a terminal, a device whose hardware is gone
            throw EInOutError("'" + target.path + "' is a device with nothing behind it (for /dev/tty: this "
                              "run has no terminal)");
        raise_errno(error);
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || (!S_ISCHR(info.st_mode) && !S_ISFIFO(info.st_mode))
        || static_cast<unsigned long long>(info.st_ino) != target.id.inode) {
        ::close(fd);
        throw EInOutError("'" + target.path + "' changed while it was opened");
    }
    // Written as any file from here on: a full pipe waits for its reader.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

std::string temporary_prefix(const tOutputPath& target)
{
    return target.name;
}

unsigned long long process_number()
{
    return static_cast<unsigned long long>(::getpid());
}

int create_unnamed(const tOutputPath& target, unsigned mode)
{
    const int fd = ::openat(target.folder->fd(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, static_cast<mode_t>(mode));
    if (fd >= 0)
        return fd;
    // Not supported here (an older kernel, a file system without it): a
    // named temporary. Any other reason (no permission) is the answer.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        raise_errno(errno);
    return -1;
}

bool give_name(const tOutputPath& target, int fd, const std::string& temporary)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), target.folder->fd(), temporary.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno != EEXIST)
        raise_errno(errno);
    return false;
}

int create_exclusive(const tOutputPath& target, const std::string& temporary, unsigned mode)
{
    const int fd = ::openat(target.folder->fd(), temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                            static_cast<mode_t>(mode));
    if (fd < 0 && errno != EEXIST)
        raise_errno(errno);
    return fd;
}

int remember(const tOutputPath& target, const std::string& temporary)
{
    return remember_temporary(target.folder->fd(), temporary);
}

std::size_t write_some(int fd, const char* data, std::size_t size)
{
    for (;;) {
        const ssize_t written = ::write(fd, data, size);
        if (written >= 0)
            return static_cast<std::size_t>(written);
        if (errno != EINTR)
            raise_errno(errno);
    }
}

void finish(int fd, bool flush)
{
    int error = 0;
    if (flush && ::fsync(fd) != 0)
        error = errno;
    // A failed close can report a write that never reached the disk.
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
        raise_errno(error);
}

void close_quietly(int fd)
{
    ::close(fd);
}

void replace_target(const tOutputPath& target, const std::string& temporary)
{
    const int folder = target.folder->fd();
    if (::renameat(folder, temporary.c_str(), folder, target.name.c_str()) != 0)
        raise_errno(errno);
}

unsigned under_umask(unsigned mode)
{
    // /proc gives the umask without setting it (which would change it for
    // every thread for a moment); without /proc, the strictest one.
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0)
            return mode & ~static_cast<unsigned>(std::strtoul(line.c_str() + 6, nullptr, 8)) & 0777;
    return mode & 0700;
}

void set_mode(int fd, unsigned mode)
{
    if (::fchmod(fd, static_cast<mode_t>(mode)) != 0)
        raise_errno(errno);
}

std::string remove_temporary(const tOutputPath& target, const std::string& temporary, bool& private_left)
{
    const int folder = target.folder->fd();
    if (::unlinkat(folder, temporary.c_str(), 0) == 0 || errno == ENOENT)
        return std::string();
    const int error = errno;
    // Left behind: at least no one else may read it (it is made 0600, but
    // has the target's permissions from just before its rename).
    private_left = ::fchmodat(folder, temporary.c_str(), 0600, AT_SYMLINK_NOFOLLOW) == 0;
    return std::strerror(error);
}

std::string temporary_location(const tOutputPath& target, const std::string& temporary)
{
    std::string folder(4096, '\0');
    const std::string self = "/proc/self/fd/" + std::to_string(target.folder->fd());
    const ssize_t length = ::readlink(self.c_str(), folder.data(), folder.size());
    if (length > 0 && static_cast<std::size_t>(length) < folder.size()) {
        folder.resize(static_cast<std::size_t>(length));
        return (folder == "/" ? "" : folder) + "/" + temporary;
    }
    const std::string::size_type slash = target.path.rfind('/');
    return (slash == std::string::npos ? std::string() : target.path.substr(0, slash + 1)) + temporary;
}

} // namespace replacing_file_system
