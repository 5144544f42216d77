#include "cli_system.h"

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

bool write_text(std::FILE* stream, const std::string& text)
{
    return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
}

const char* output_files_help()
{
    return "A file that exists is replaced whole at the end, keeping its permissions under the umask; a "
           "character device or pipe (such as /dev/stdout) is written in place; a folder or socket is an "
           "error. A symbolic link is followed only when it is the user's own or root's, wherever it lies; a "
           "pipe or device of another user, and a file of another user in a folder that is not the user's "
           "alone, are refused, for the outputs and for --cases alike. Temporary files are made before the "
           "first case, readable by the user alone until they replace their files, and removed on SIGINT, "
           "SIGTERM, SIGHUP and SIGPIPE, after which the tool ends with that signal; one that cannot be "
           "removed is named. An output file that exists is held while a run writes it, in the user's "
           "private runtime folder, so that a second run of the user's on it is refused (another user's "
           "lock on it stops no run).";
}
