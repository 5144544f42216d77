#include "common/process_setup.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The user's own folder, and no one else's to write: not a link.
bool is_private_folder(const std::string& folder)
{
    struct stat info;
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid()
           && (info.st_mode & 0077) == 0;
}

// The user's home as the account database names it, whatever HOME says;
// empty when it names none.
std::string account_home()
{
    const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
    passwd entry;
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found
        || !found->pw_dir || found->pw_dir[0] != '/')
        return std::string();
    return found->pw_dir;
}

// `parent`/brenlow, made (with `parent`) 0700 where missing and checked to be
// the user's alone; empty when it cannot be had.
std::string private_folder_in(const std::string& parent)
{
    ::mkdir(parent.c_str(), 0700);
    const std::string folder = parent + "/brenlow";
    ::mkdir(folder.c_str(), 0700);
    // Made by the user at some time with a wider mode: narrowed, if it is
    // the user's.
    struct stat info;
    if (::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid())
        ::chmod(folder.c_str(), 0700);
    return is_private_folder(folder) ? folder : std::string();
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
    else if (const std::string account = account_home(); !account.empty())
        cache = account + "/.cache"; // no HOME (a service's start): Qt must not warn all the same
    else
        return std::string();
    const std::string folder = private_folder_in(cache);
    if (!folder.empty())
        ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    return folder;
}

std::string guard_folder()
{
    const std::string home = account_home();
    return home.empty() ? std::string() : private_folder_in(home + "/.cache");
}
