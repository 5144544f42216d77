#include "common/replacing_file.h"

#include "common/errors.h"
#include "common/output_path.h"
#include "common/temporary_files.h"

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

tReplacingFile::tReplacingFile(const std::string& path, unsigned new_file_mode)
{
    // Found now rather than by the rename after all the work.
    const tOutputPath target = inspect_output_path(path);
    path_ = target.path;
    if (target.kind == tOutputKind::InPlace) {
        fd_ = ::open(path_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0)
            throw EInOutError(std::strerror(errno));
        in_place_ = true;
        return;
    }
    // The kernel takes the umask from the mode it is given: a replaced
    // file's own mode can only lose bits, so a file that others could read
    // or write is not made so again against the user's umask.
    const mode_t mode = static_cast<mode_t>(target.kind == tOutputKind::RegularFile ? target.mode : new_file_mode);
    std::string temporary;
    fd_ = create_temporary_beside(path_, mode, temporary);
    if (fd_ < 0)
        throw EInOutError(std::strerror(errno));
    temporary_ = temporary;
    slot_ = remember_temporary(temporary_);
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
    forget_temporary(slot_);
    slot_ = -1;
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
    if (!in_place_ && ::fsync(fd_) != 0)
        error = errno;
    // A failed close can report a write that never reached the disk.
    if (::close(fd_) != 0 && error == 0)
        error = errno;
    fd_ = -1;
    if (error == 0 && !in_place_ && std::rename(temporary_.c_str(), path_.c_str()) != 0)
        error = errno;
    if (error != 0) {
        discard();
        throw EInOutError(std::strerror(error));
    }
    forget_temporary(slot_);
    slot_ = -1;
    temporary_.clear();
}
