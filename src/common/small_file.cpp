// read_small_file's bounded read, the same on every system: what it asks of
// the system is in small_file_unix.cpp and small_file_win.cpp.
#include "common/small_file.h"

#include "common/errors.h"
#include "common/output_path.h"
#include "common/small_file_system.h"

#include <cerrno>
#include <cstring>

namespace sys = small_file_system;

namespace {

[[noreturn]] void refuse(const std::string& path, const std::string& why)
{
    throw EInOutError("'" + path + "' " + why);
}

// Closes the file on every way out.
struct tOpenFile {
    int fd;
    ~tOpenFile() { sys::close_file(fd); }
};

std::string larger_than(std::size_t max_bytes)
{
    return "is larger than " + std::to_string(max_bytes) + " bytes; it is not read";
}

} // namespace

bool read_small_file(const std::string& path, std::size_t max_bytes, tFileOwners owners, std::string& text)
{
    int fd = -1;
    try {
        fd = open_input_by_rule(path);
    } catch (const EInOutError& error) {
        // The link rule's refusals name the path themselves; a system's
        // error does not.
        const std::string message = error.what();
        if (message.compare(0, path.size() + 2, "'" + path + "'") == 0)
            throw;
        refuse(path, "cannot be read: " + message);
    }
    if (fd < 0) {
        const std::string why = sys::why_not_opened(path);
        if (why.empty())
            return false;
        refuse(path, why);
    }
    const tOpenFile file{fd};
    unsigned long long size = 0;
    if (const std::string why = sys::check_open_file(fd, owners, size); !why.empty())
        refuse(path, why);
    if (size > max_bytes)
        refuse(path, larger_than(max_bytes));
    // At most one byte more than the bound: a file that grows meanwhile is
    // refused all the same.
    std::string read(max_bytes + 1, '\0');
    std::size_t got = 0;
    while (got < read.size()) {
        const long long n = sys::read_some(fd, &read[got], read.size() - got);
        if (n < 0)
            refuse(path, std::string("cannot be read: ") + std::strerror(errno));
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    if (got > max_bytes)
        refuse(path, larger_than(max_bytes));
    read.resize(got);
    text = std::move(read);
    return true;
}
