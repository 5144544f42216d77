#include "common/small_file_system.h"

#include "common/windows_text.h"

#include <windows.h>

#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace small_file_system {

std::string why_not_opened(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(wide_of(path).c_str());
    const DWORD error = GetLastError();
    if (attributes == INVALID_FILE_ATTRIBUTES && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND))
        return std::string();
    return "is not a regular file (a folder or a device); it is not read";
}

// Windows has no owner rule to apply here: a folder's other users cannot
// plant a link, and the program's own files lie in the user's profile.
std::string check_open_file(int fd, tFileOwners, unsigned long long& size)
{
    struct _stat64 info;
    if (_fstat64(fd, &info) != 0)
        return std::string("cannot be read: ") + std::strerror(errno);
    size = static_cast<unsigned long long>(info.st_size);
    return std::string();
}

long long read_some(int fd, char* buffer, std::size_t size)
{
    return _read(fd, buffer, static_cast<unsigned>(size));
}

void close_file(int fd)
{
    _close(fd);
}

} // namespace small_file_system
