#include "cli_system.h"

#include <sys/stat.h>

#include <fcntl.h>
#include <unistd.h>

void use_binary_standard_streams() {}

std::vector<std::string> program_arguments(int argc, char** argv)
{
    return std::vector<std::string>(argv + 1, argv + argc);
}

bool is_terminal(std::FILE* stream)
{
    return ::isatty(::fileno(stream)) != 0;
}

bool same_file(const std::string& a, const std::string& b)
{
    struct stat sa, sb;
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev
           && sa.st_ino == sb.st_ino;
}

int open_for_reading(const std::string& path)
{
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}
