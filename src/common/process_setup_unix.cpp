#include "common/process_setup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

// The user's own folder, and no one else's to write: not a link.
bool is_private_folder(const std::string& folder)
{
    struct stat info;
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid()
           && (info.st_mode & 0077) == 0;
}

} // namespace

void open_closed_standard_streams()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // The lowest free number: this one.
        const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd)
            ::close(opened);
    }
}

std::string private_runtime_folder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/' && is_private_folder(runtime))
        return runtime;
    std::string cache;
    if (const char* cache_home = std::getenv("XDG_CACHE_HOME"); cache_home && cache_home[0] == '/')
        cache = cache_home;
    else if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        cache = std::string(home) + "/.cache";
    else
        return std::string();
    ::mkdir(cache.c_str(), 0700);
    const std::string folder = cache + "/brenlow";
    ::mkdir(folder.c_str(), 0700);
    // Made by the user at some time with a wider mode: narrowed, if it is
    // the user's.
    struct stat info;
    if (::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid())
        ::chmod(folder.c_str(), 0700);
    if (!is_private_folder(folder))
        return std::string();
    ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    return folder;
}
