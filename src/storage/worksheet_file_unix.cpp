// The worksheet file's dealings with a POSIX system: the executable's path,
// the folder rule, folders, and opening and deleting the file.
#include "storage/worksheet_file.h"

#include "common/errors.h"
#include "common/output_path.h"
#include "storage/worksheet_config.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

[[noreturn]] void raise_system_error(int error_number)
{
    throw EInOutError(std::strerror(error_number));
}

struct tFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using tFileHandle = std::unique_ptr<std::FILE, tFileCloser>;

} // namespace

std::string GetProgramFolder()
{
    std::string buffer(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0)
        return std::string();
    buffer.resize(static_cast<std::string::size_type>(length));
    // Executables here carry no extension: the ".exe" scan would stop at a
    // folder named like one and put the file in an ancestor folder.
    return executable_folder_of(buffer);
}

bool may_create_files_in(const std::string& folder)
{
    std::string probe = folder + "/" + DataFileName + ".XXXXXX";
    const int fd = ::mkstemp(probe.data());
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

bool is_installed_programs_folder(const std::string& program_folder)
{
    return program_folder == "/usr" || program_folder.rfind("/usr/", 0) == 0;
}

std::string system_data_folder()
{
    const char* data_home = std::getenv("XDG_DATA_HOME");
    if (data_home && data_home[0] == '/')
        return std::string(data_home) + "/brenlow";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.local/share/brenlow";
    return std::string();
}

void create_folder_path(const std::string& folder)
{
    for (std::string::size_type end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
        const std::string part = folder.substr(0, end);
        struct stat info;
        if (!part.empty() && ::stat(part.c_str(), &info) != 0) {
            if (errno != ENOENT || (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST))
                raise_system_error(errno);
        }
        if (end == std::string::npos)
            return;
    }
}

bool load_worksheet_file(const std::string& path, int count, tFieldTexts& fields)
{
    // Only a regular file is a worksheet file: nothing there, or a folder, a
    // device or a pipe of that name, is no file at all. It is reached as it
    // is written: a link another user planted on the way is refused.
    const int fd = open_input_by_rule(path);
    if (fd < 0)
        return false;
    struct stat info;
    if (::fstat(fd, &info) != 0 || info.st_size > max_worksheet_file_bytes) {
        ::close(fd);
        throw EInOutError("'" + path + "' is larger than a worksheet file can be; it is not read");
    }
    tFileHandle file(::fdopen(fd, "rb"));
    if (!file) {
        ::close(fd);
        raise_system_error(errno);
    }
    read_worksheet_numbers(file.get(), count, fields);
    return true;
}

void delete_worksheet_file(const std::string& path)
{
    // unlink, not remove: an empty folder of that name must stay.
    ::unlink(path.c_str());
}
