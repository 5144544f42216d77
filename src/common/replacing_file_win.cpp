// tReplacingFile's system calls on Windows. Paths are UTF-8 and reach the
// system as wide paths, so a user folder such as C:\Users\Zoë works whatever
// the ANSI code page. Windows refuses rename() over an existing file: the
// temporary replaces the target with MoveFileExW (replace existing, write
// through). A virus scanner or an indexer that holds the target for a moment
// makes the replacement fail with a sharing violation; it is retried for a
// while before it is reported. The new file gets the access rights its
// folder gives new files, as any file Windows programs save.
//
// The descriptors are C runtime descriptors that own the file's handle, so
// the class is the same on every system.
#include "common/replacing_file_system.h"

#include "common/errors.h"
#include "common/temporary_files.h"
#include "common/windows_text.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

namespace replacing_file_system {

namespace {

// How long a sharing violation may last before it counts: 40 times 50 ms.
constexpr int replace_attempts = 40;
constexpr DWORD replace_pause_ms = 50;

[[noreturn]] void raise_windows_error(DWORD error)
{
    throw EInOutError(windows_error_text(error));
}

HANDLE handle_of(int fd)
{
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

bool transient(DWORD error)
{
    // ACCESS_DENIED too: a file being deleted or opened without share-delete
    // by another program gives it while that lasts.
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

int descriptor_of(HANDLE handle)
{
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        raise_windows_error(ERROR_TOO_MANY_OPEN_FILES);
    }
    return fd;
}

} // namespace

int open_in_place(const tOutputPath& target)
{
    // NUL and the console are written as they are, never replaced.
    const HANDLE device = CreateFileW(wide_of(target.path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (device == INVALID_HANDLE_VALUE)
        raise_windows_error(GetLastError());
    return descriptor_of(device);
}

std::string temporary_prefix(const tOutputPath& target)
{
    return target.path;
}

unsigned long long process_number()
{
    return static_cast<unsigned long long>(GetCurrentProcessId());
}

int create_unnamed(const tOutputPath&, unsigned)
{
    return -1; // a named temporary, opened for this process alone
}

bool give_name(const tOutputPath&, int, const std::string&)
{
    return false;
}

int create_exclusive(const tOutputPath&, const std::string& temporary, unsigned)
{
    // Exclusive: CREATE_NEW fails on any existing name, and no other program
    // may open the file while it is being written.
    const std::wstring wide = wide_of(temporary);
    const HANDLE handle = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                      nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
            return -1;
        raise_windows_error(error);
    }
    try {
        return descriptor_of(handle);
    } catch (const EInOutError&) {
        DeleteFileW(wide.c_str());
        throw;
    }
}

int remember(const tOutputPath&, const std::string& temporary)
{
    return remember_temporary(-1, temporary);
}

std::size_t write_some(int fd, const char* data, std::size_t size)
{
    const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(handle_of(fd), data, chunk, &written, nullptr))
        raise_windows_error(GetLastError());
    return written;
}

void finish(int fd, bool flush)
{
    DWORD error = 0;
    if (flush && !FlushFileBuffers(handle_of(fd)))
        error = GetLastError();
    if (_close(fd) != 0 && error == 0)
        error = ERROR_WRITE_FAULT;
    if (error != 0)
        raise_windows_error(error);
}

void close_quietly(int fd)
{
    _close(fd);
}

void replace_target(const tOutputPath& target, const std::string& temporary)
{
    const std::wstring from = wide_of(temporary);
    const std::wstring to = wide_of(target.path);
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return;
        const DWORD error = GetLastError();
        if (!transient(error) || attempt == replace_attempts)
            raise_windows_error(error);
        Sleep(replace_pause_ms);
    }
}

unsigned under_umask(unsigned mode)
{
    return mode; // the folder's access rights decide
}

void set_mode(int, unsigned) {}

std::string remove_temporary(const tOutputPath&, const std::string& temporary, bool& private_left)
{
    if (DeleteFileW(wide_of(temporary).c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND)
        return std::string();
    private_left = false; // its folder's access rights decide
    return windows_error_text(GetLastError());
}

std::string temporary_location(const tOutputPath&, const std::string& temporary)
{
    return temporary;
}

} // namespace replacing_file_system
