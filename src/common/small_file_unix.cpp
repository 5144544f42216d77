#include "common/small_file_system.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace small_file_system {

constexpr uid_t root_user = 0;

std::string why_not_opened(const std::string& path)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR))
        return std::string();
    return "is not a regular file (a folder, a pipe or a device); it is not read";
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
