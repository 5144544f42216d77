// Preloaded into a program under test (LD_PRELOAD), this makes every
// open() with O_TMPFILE fail as it fails on a file system without unnamed
// files (EOPNOTSUPP), so that the named temporaries are what the test sees.
#include <dlfcn.h>
#include <fcntl.h>

#include <cerrno>
#include <cstdarg>

namespace {

// The call passed on to the C library's own function `name`; the mode
// argument is there only with O_CREAT or O_TMPFILE.
template <typename... tFolder>
int opened(const char* name, int flags, va_list arguments, tFolder... folder_and_path)
{
    const bool unnamed = (flags & O_TMPFILE) == O_TMPFILE;
    const mode_t mode = (flags & O_CREAT) || unnamed ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
    if (unnamed) {
        errno = EOPNOTSUPP;
        return -1;
    }
    using tNext = int (*)(tFolder..., int, ...);
    return reinterpret_cast<tNext>(dlsym(RTLD_NEXT, name))(folder_and_path..., flags, mode);
}

} // namespace

#define BRENLOW_OPEN(name, ...)                                                                                   \
    {                                                                                                             \
        va_list arguments;                                                                                        \
        va_start(arguments, flags);                                                                               \
        const int fd = opened(name, flags, arguments, __VA_ARGS__);                                               \
        va_end(arguments);                                                                                        \
        return fd;                                                                                                \
    }

extern "C" {
int open(const char* path, int flags, ...) BRENLOW_OPEN("open", path)
int open64(const char* path, int flags, ...) BRENLOW_OPEN("open64", path)
int openat(int folder, const char* path, int flags, ...) BRENLOW_OPEN("openat", folder, path)
int openat64(int folder, const char* path, int flags, ...) BRENLOW_OPEN("openat64", folder, path)
}
