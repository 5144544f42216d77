// The remembered temporary files, removed on Windows when the console ends
// the process (Ctrl+C, Ctrl+Break, the console window closed, log-off or
// shut-down). Windows calls the handler on a thread of its own, so a lock
// may guard the table; the handler then lets the default handling end the
// process with its usual status.
#include "common/temporary_files.h"

#include "common/windows_text.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <mutex>

namespace {

constexpr int slot_count = 16;

std::mutex table_lock;
std::wstring paths[slot_count];
bool in_use[slot_count];

BOOL WINAPI remove_on_end(DWORD)
{
    std::lock_guard<std::mutex> held(table_lock);
    for (int slot = 0; slot < slot_count; ++slot)
        if (in_use[slot])
            DeleteFileW(paths[slot].c_str());
    return FALSE; // the next handler, the system's, ends the process
}

} // namespace

int remember_temporary(int, const std::string& path)
{
    std::wstring wide;
    try {
        wide = wide_of(path);
    } catch (...) {
        return -1;
    }
    std::lock_guard<std::mutex> held(table_lock);
    for (int slot = 0; slot < slot_count; ++slot)
        if (!in_use[slot]) {
            paths[slot] = std::move(wide);
            in_use[slot] = true;
            return slot;
        }
    return -1;
}

void forget_temporary(int slot)
{
    if (slot < 0 || slot >= slot_count)
        return;
    std::lock_guard<std::mutex> held(table_lock);
    in_use[slot] = false;
}

void remove_temporaries_on_signals()
{
    SetConsoleCtrlHandler(remove_on_end, TRUE);
}

std::string temporary_folder()
{
    wchar_t folder[MAX_PATH + 1];
    return GetTempPathW(MAX_PATH + 1, folder) == 0 ? std::string("%TEMP%") : utf8_of(folder);
}

int private_temporary_file(std::string& error)
{
    // Deleted by the system when its last handle closes, however the
    // process ends.
    wchar_t folder[MAX_PATH + 1];
    wchar_t name[MAX_PATH + 1];
    if (GetTempPathW(MAX_PATH + 1, folder) == 0 || GetTempFileNameW(folder, L"brl", 0, name) == 0) {
        error = "cannot make a temporary file: " + windows_error_text(GetLastError());
        return -1;
    }
    const HANDLE handle = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = "cannot make a temporary file: " + windows_error_text(GetLastError());
        DeleteFileW(name);
        return -1;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        error = "cannot make a temporary file";
    }
    return fd;
}
