// Preloaded into a program under test (LD_PRELOAD), this makes every
// open() with O_TMPFILE fail as it fails on a file system without unnamed
// files (EOPNOTSUPP), so that the named temporaries are what the test sees.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/types.h>

#include <cerrno>
#include <cstdarg>

namespace {

bool unnamed(int flags)
{
    return (flags & O_TMPFILE) == O_TMPFILE;
}

template <typename F>
F next(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

// The mode argument is there only with O_CREAT or O_TMPFILE.
mode_t mode_of(int flags, va_list arguments)
{
    return (flags & O_CREAT) || unnamed(flags) ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
}

using tOpen = int (*)(const char*, int, ...);
using tOpenAt = int (*)(int, const char*, int, ...);

} // namespace

extern "C" {

int open(const char* path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = mode_of(flags, arguments);
    va_end(arguments);
    if (unnamed(flags)) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return next<tOpen>("open")(path, flags, mode);
}

int open64(const char* path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = mode_of(flags, arguments);
    va_end(arguments);
    if (unnamed(flags)) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return next<tOpen>("open64")(path, flags, mode);
}

int openat(int folder, const char* path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = mode_of(flags, arguments);
    va_end(arguments);
    if (unnamed(flags)) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return next<tOpenAt>("openat")(folder, path, flags, mode);
}

int openat64(int folder, const char* path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = mode_of(flags, arguments);
    va_end(arguments);
    if (unnamed(flags)) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return next<tOpenAt>("openat64")(folder, path, flags, mode);
}

} // extern "C"
