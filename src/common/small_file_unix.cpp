#include "common/small_file_system.h"

#include "common/errors.h"
#include "common/output_path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr uid_t root_user = 0;

} // namespace

namespace small_file_system {

int open_small_file(const std::string& path)
{
    int fd = -1;
    try {
        fd = open_input_by_rule(path);
    } catch (const EInOutError& error) {
        const std::string message = error.what();
        if (message.compare(0, path.size() + 2, "'" + path + "'") == 0)
            throw;
        refuse(path, "cannot be read: " + message);
    }
    if (fd < 0) {
        // Nothing there, or no regular file: only the first is no file at all.
        struct stat info;
        if (::stat(path.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR))
            return -1;
        refuse(path, "is not a regular file (a folder, a pipe or a device); it is not read");
    }
    return fd;
}

std::string check_open_file(int fd, tFileOwners owners, unsigned long long& size)
{
    struct stat info;
    if (::fstat(fd, &info) != 0)
        return std::string("cannot be read: ") + std::strerror(errno);
    if (owners == tFileOwners::own && info.st_uid != ::geteuid() && info.st_uid != root_user)
        return "belongs to another user; it is not read";
    size = static_cast<unsigned long long>(info.st_size);
    return std::string();
}

long long read_some(int fd, char* buffer, std::size_t size)
{
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

void close_file(int fd)
{
    ::close(fd);
}

} // namespace small_file_system
