#include "common/small_file.h"

#include "common/errors.h"
#include "common/output_path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr uid_t root_user = 0;

[[noreturn]] void refuse(const std::string& path, const std::string& why)
{
    throw EInOutError("'" + path + "' " + why);
}

// The link rule's refusals are worded for a file about to be written;
// this one is read.
std::string as_read(std::string message)
{
    for (const std::string written : {"; it is not replaced", "; it is not written"})
        if (message.size() >= written.size()
            && message.compare(message.size() - written.size(), written.size(), written) == 0)
            return message.replace(message.size() - written.size(), written.size(), "; it is not read");
    return message;
}

// Closes the descriptor on every way out.
struct tDescriptor {
    int fd;
    ~tDescriptor() { ::close(fd); }
};

} // namespace

bool read_small_file(const std::string& path, std::size_t max_bytes, tFileOwners owners, std::string& text)
{
    int fd = -1;
    try {
        fd = open_input_by_rule(path);
    } catch (const EInOutError& error) {
        const std::string message = as_read(error.what());
        if (message.compare(0, path.size() + 2, "'" + path + "'") == 0)
            throw EInOutError(message);
        refuse(path, "cannot be read: " + message);
    }
    if (fd < 0) {
        // Nothing there, or no regular file: only the first is no file at all.
        struct stat info;
        if (::stat(path.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR))
            return false;
        refuse(path, "is not a regular file (a folder, a pipe or a device); it is not read");
    }
    const tDescriptor file{fd};
    struct stat info;
    if (::fstat(fd, &info) != 0)
        refuse(path, std::string("cannot be read: ") + std::strerror(errno));
    if (owners == tFileOwners::own && info.st_uid != ::geteuid() && info.st_uid != root_user)
        refuse(path, "belongs to another user; it is not read");
    if (static_cast<unsigned long long>(info.st_size) > max_bytes)
        refuse(path, "is larger than " + std::to_string(max_bytes) + " bytes; it is not read");
    // At most one byte more than the bound: a file that grows meanwhile is
    // refused all the same.
    std::string read(max_bytes + 1, '\0');
    std::size_t got = 0;
    while (got < read.size()) {
        const ssize_t n = ::read(fd, &read[got], read.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            refuse(path, std::string("cannot be read: ") + std::strerror(errno));
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    if (got > max_bytes)
        refuse(path, "is larger than " + std::to_string(max_bytes) + " bytes; it is not read");
    read.resize(got);
    text = std::move(read);
    return true;
}
