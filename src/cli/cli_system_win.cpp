// The batch tool on Windows: arguments from the wide command line, standard
// streams in binary mode, Unicode text for the console.
#include "cli_system.h"

#include "common/windows_text.h"

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <io.h>

void use_binary_standard_streams()
{
    // Text mode would turn each line feed of a report into CR LF.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

std::vector<std::string> program_arguments(int argc, char** argv)
{
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide)
        return std::vector<std::string>(argv + 1, argv + argc);
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i)
        arguments.push_back(utf8_of(wide[i]));
    LocalFree(wide);
    return arguments;
}

bool is_terminal(std::FILE* stream)
{
    // A console, not the NUL device (which _isatty also reports).
    DWORD mode = 0;
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

bool write_text(std::FILE* stream, const std::string& text)
{
    DWORD mode = 0;
    const HANDLE console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    if (console == INVALID_HANDLE_VALUE || !GetConsoleMode(console, &mode))
        return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
    // Whatever went through the stream's buffer first comes first. Bytes that
    // are not UTF-8 (a case file's) are shown as U+FFFD.
    if (std::fflush(stream) != 0)
        return false;
    std::wstring wide;
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length > 0) {
        wide.resize(static_cast<std::size_t>(length));
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    }
    // In pieces: older consoles refuse a large buffer at once. A piece never
    // ends between the two halves of a surrogate pair.
    constexpr std::size_t piece = 8192;
    for (std::size_t at = 0; at < wide.size();) {
        std::size_t count = std::min(piece, wide.size() - at);
        if (at + count < wide.size() && wide[at + count - 1] >= 0xD800 && wide[at + count - 1] <= 0xDBFF)
            --count;
        DWORD written = 0;
        if (!WriteConsoleW(console, wide.data() + at, static_cast<DWORD>(count), &written, nullptr) || written == 0) {
            errno = EIO;
            return false;
        }
        at += written;
    }
    return true;
}

const char* output_files_help()
{
    return "A file that exists is replaced whole at the end; the NUL device and the console (CON) are "
           "written in place; a folder is an error. Temporary files are made before the first case and "
           "removed when Ctrl+C, Ctrl+Break or closing the console window ends the tool.";
}
