#include "common/replacing_file.h"

#include "common/errors.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

// Creates a new temporary file beside `path`, exclusively, with `mode` (the
// umask applies). The process's umask is never touched: another thread may
// create files at the same moment. Returns the descriptor, or -1 with errno.
int create_temporary_beside(const std::string& path, mode_t mode, std::string& temporary)
{
    static unsigned counter = 0;
    const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned long seed = static_cast<unsigned long>(::getpid()) * 7919UL
                             + static_cast<unsigned long>(std::time(nullptr)) * 31UL + ++counter * 104729UL
                             + static_cast<unsigned long>(attempt);
        temporary = path + ".";
        for (int i = 0; i < 6; ++i, seed /= 36)
            temporary += letters[seed % 36];
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

} // namespace

tReplacingFile::tReplacingFile(const std::string& path) : path_(path)
{
    // Found now rather than by the rename after all the work. An empty name
    // would otherwise put the temporary in the working folder.
    struct stat info;
    if (path.empty())
        throw EInOutError(std::strerror(ENOENT));
    const bool exists = ::stat(path.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode))
        throw EInOutError(std::strerror(EISDIR));
    // The new file keeps the permissions of the one it replaces; a first
    // file gets those of any plainly created file (0666 under the umask).
    const bool replaces = exists && S_ISREG(info.st_mode);
    const mode_t mode = replaces ? static_cast<mode_t>(info.st_mode & 0777) : mode_t(0666);
    std::string temporary;
    fd_ = create_temporary_beside(path, mode, temporary);
    if (fd_ < 0)
        throw EInOutError(std::strerror(errno));
    temporary_ = temporary;
    // Only fchmod gives the old mode exactly, whatever the umask.
    if (replaces && ::fchmod(fd_, mode) != 0) {
        const int error = errno;
        discard();
        throw EInOutError(std::strerror(error));
    }
}

tReplacingFile::~tReplacingFile()
{
    discard();
}

void tReplacingFile::discard()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    fd_ = -1;
    temporary_.clear();
}

void tReplacingFile::write(const std::string& text)
{
    if (fd_ < 0)
        throw EInOutError("the file is already closed");
    const char* data = text.data();
    std::string::size_type left = text.size();
    while (left > 0) {
        const ssize_t written = ::write(fd_, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            discard();
            throw EInOutError(std::strerror(error));
        }
        data += written;
        left -= static_cast<std::string::size_type>(written);
    }
}

void tReplacingFile::commit()
{
    if (fd_ < 0)
        throw EInOutError("the file is already closed");
    int error = 0;
    if (::fsync(fd_) != 0)
        error = errno;
    // A failed close can report a write that never reached the disk.
    if (::close(fd_) != 0 && error == 0)
        error = errno;
    fd_ = -1;
    if (error == 0 && std::rename(temporary_.c_str(), path_.c_str()) != 0)
        error = errno;
    if (error != 0) {
        discard();
        throw EInOutError(std::strerror(error));
    }
    temporary_.clear();
}
