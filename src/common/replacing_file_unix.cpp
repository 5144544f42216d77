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
#include <cstring>
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
        if (errno == ENXIO)
            throw EInOutError("'" + target.path + "' is a pipe that nothing reads");
        raise_errno(errno);
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

void remove_quietly(const tOutputPath& target, const std::string& temporary)
{
    ::unlinkat(target.folder->fd(), temporary.c_str(), 0);
}

} // namespace replacing_file_system
