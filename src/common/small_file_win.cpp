#include "common/small_file.h"

#include "common/errors.h"
#include "common/output_path.h"
#include "common/windows_text.h"

#include <windows.h>

#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace {

[[noreturn]] void refuse(const std::string& path, const std::string& why)
{
    throw EInOutError("'" + path + "' " + why);
}

struct tDescriptor {
    int fd;
    ~tDescriptor() { _close(fd); }
};

} // namespace

// Windows has no owner rule to apply here: a folder's other users cannot
// plant a link, and the program's own files lie in the user's profile.
bool read_small_file(const std::string& path, std::size_t max_bytes, tFileOwners, std::string& text)
{
    int fd = -1;
    try {
        fd = open_input_by_rule(path);
    } catch (const EInOutError& error) {
        refuse(path, std::string("cannot be read: ") + error.what());
    }
    if (fd < 0) {
        const DWORD attributes = GetFileAttributesW(wide_of(path).c_str());
        const DWORD error = GetLastError();
        if (attributes == INVALID_FILE_ATTRIBUTES && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND))
            return false;
        refuse(path, "is not a regular file (a folder or a device); it is not read");
    }
    const tDescriptor file{fd};
    struct _stat64 info;
    if (_fstat64(fd, &info) != 0)
        refuse(path, std::string("cannot be read: ") + std::strerror(errno));
    if (static_cast<unsigned long long>(info.st_size) > max_bytes)
        refuse(path, "is larger than " + std::to_string(max_bytes) + " bytes; it is not read");
    std::string read(max_bytes + 1, '\0');
    std::size_t got = 0;
    while (got < read.size()) {
        const int n = _read(fd, &read[got], static_cast<unsigned>(read.size() - got));
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
