// tReplacingFile on Windows. Paths are UTF-8 and reach the system as wide
// paths, so a user folder such as C:\Users\Zoë works whatever the ANSI code
// page. Windows refuses rename() over an existing file: the temporary
// replaces the target with MoveFileExW (replace existing, write through). A
// virus scanner or an indexer that holds the target for a moment makes the
// replacement fail with a sharing violation; it is retried for a while
// before it is reported. The new file gets the access rights its folder
// gives new files, as any file Windows programs save.
//
// fd_ holds a C runtime descriptor that owns the file's handle, so the class
// is the same on every system.
#include "common/replacing_file.h"

#include "common/errors.h"
#include "common/windows_text.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <ctime>

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

} // namespace

tReplacingFile::tReplacingFile(const std::string& path) : path_(path)
{
    if (path.empty())
        raise_windows_error(ERROR_PATH_NOT_FOUND);
    const std::wstring target = wide_of(path);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        raise_windows_error(ERROR_DIRECTORY);

    static unsigned counter = 0;
    const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned long long seed = static_cast<unsigned long long>(GetCurrentProcessId()) * 7919ULL
                                  + static_cast<unsigned long long>(std::time(nullptr)) * 31ULL
                                  + ++counter * 104729ULL + static_cast<unsigned long long>(attempt);
        std::string temporary = path + ".";
        for (int i = 0; i < 6; ++i, seed /= 36)
            temporary += letters[seed % 36];
        // Exclusive: CREATE_NEW fails on any existing name, and no other
        // program may open the file while it is being written.
        const HANDLE handle = CreateFileW(wide_of(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
                continue;
            raise_windows_error(error);
        }
        fd_ = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
        if (fd_ < 0) {
            CloseHandle(handle);
            DeleteFileW(wide_of(temporary).c_str());
            raise_windows_error(ERROR_TOO_MANY_OPEN_FILES);
        }
        temporary_ = temporary;
        return;
    }
    raise_windows_error(ERROR_FILE_EXISTS);
}

tReplacingFile::~tReplacingFile()
{
    discard();
}

void tReplacingFile::discard()
{
    if (fd_ >= 0)
        _close(fd_);
    if (!temporary_.empty())
        DeleteFileW(wide_of(temporary_).c_str());
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
        const DWORD chunk = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!WriteFile(handle_of(fd_), data, chunk, &written, nullptr)) {
            const DWORD error = GetLastError();
            discard();
            raise_windows_error(error);
        }
        data += written;
        left -= written;
    }
}

void tReplacingFile::commit()
{
    if (fd_ < 0)
        throw EInOutError("the file is already closed");
    DWORD error = 0;
    if (!FlushFileBuffers(handle_of(fd_)))
        error = GetLastError();
    if (_close(fd_) != 0 && error == 0)
        error = ERROR_WRITE_FAULT;
    fd_ = -1;
    if (error == 0) {
        const std::wstring from = wide_of(temporary_);
        const std::wstring to = wide_of(path_);
        for (int attempt = 1;; ++attempt) {
            if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
                break;
            error = GetLastError();
            if (!transient(error) || attempt == replace_attempts)
                break;
            error = 0;
            Sleep(replace_pause_ms);
        }
    }
    if (error != 0) {
        discard();
        raise_windows_error(error);
    }
    temporary_.clear();
}
