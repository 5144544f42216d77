#include "common/replacing_file.h"

#include "common/errors.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// The permissions a plainly created file would get: 0666 less the umask.
mode_t plain_file_mode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

} // namespace

tReplacingFile::tReplacingFile(const std::string& path) : path_(path)
{
    // Found now rather than by the rename after all the work. An empty name
    // would otherwise put the temporary in the working folder.
    struct stat info;
    if (path.empty())
        throw EInOutError(std::strerror(ENOENT));
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        throw EInOutError(std::strerror(EISDIR));
    std::string temporary = path + ".XXXXXX";
    fd_ = ::mkstemp(temporary.data());
    if (fd_ < 0)
        throw EInOutError(std::strerror(errno));
    temporary_ = temporary;
    if (::fchmod(fd_, plain_file_mode()) != 0) {
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
