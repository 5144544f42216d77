// What lies at an output path, on Windows. There is no link rule to apply
// here: a Windows symbolic link needs a privilege that an ordinary user does
// not have, and a folder's other users cannot plant one. A file is named by
// its volume's serial number and its file index, so that two paths to one
// file (hard links, "." and "..", other spellings) are found to be the same.
// The NUL device and consoles are written in place.
#include "common/output_path.h"

#include "common/errors.h"
#include "common/windows_text.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

namespace {

std::string::size_type last_separator(const std::string& path)
{
    return path.find_last_of("/\\");
}

std::string folder_of(const std::string& path)
{
    const std::string::size_type at = last_separator(path);
    if (at == std::string::npos)
        return ".";
    return at == 0 ? path.substr(0, 1) : path.substr(0, at);
}

std::string name_of(const std::string& path)
{
    const std::string::size_type at = last_separator(path);
    return at == std::string::npos ? path : path.substr(at + 1);
}

[[noreturn]] void raise_windows_error(DWORD error)
{
    throw EInOutError(windows_error_text(error));
}

bool id_of_handle(HANDLE handle, tFileId& id)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info))
        return false;
    id = tFileId();
    id.device = info.dwVolumeSerialNumber;
    id.inode = (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

// The identity of what `path` names, looked at without being opened for
// reading or writing; false with the system's error when it cannot be.
bool id_of_path(const std::string& path, tFileId& id, DWORD& error)
{
    const HANDLE handle = CreateFileW(wide_of(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return false;
    }
    const bool known = id_of_handle(handle, id);
    error = known ? ERROR_SUCCESS : GetLastError();
    CloseHandle(handle);
    return known;
}

bool is_device_name(const std::string& path)
{
    std::string name = name_of(path);
    for (char& c : name)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return name == "NUL" || name == "CON" || name == "CONOUT$";
}

} // namespace

tOutputPath inspect_output_path(const std::string& path)
{
    tOutputPath out;
    out.path = path;
    if (path.empty())
        raise_windows_error(ERROR_PATH_NOT_FOUND);
    if (is_device_name(path)) {
        out.kind = tOutputKind::InPlace;
        out.id.name = name_of(path);
        return out;
    }
    const DWORD attributes = GetFileAttributesW(wide_of(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND)
            raise_windows_error(error);
        DWORD folder_error = ERROR_SUCCESS;
        if (!id_of_path(folder_of(path), out.id, folder_error))
            raise_windows_error(folder_error);
        out.id.name = name_of(path);
        out.kind = tOutputKind::NewFile;
        return out;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        raise_windows_error(ERROR_DIRECTORY);
    DWORD error = ERROR_SUCCESS;
    if (!id_of_path(path, out.id, error))
        raise_windows_error(error);
    out.kind = tOutputKind::RegularFile;
    out.mode = 0666;
    return out;
}

bool file_id_of(const std::string& path, tFileId& id)
{
    DWORD error = ERROR_SUCCESS;
    return id_of_path(path, id, error);
}

bool file_id_of_descriptor(int fd, tFileId& id)
{
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    // A console or a pipe has no file identity: it is no file to collide with.
    return handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_DISK && id_of_handle(handle, id);
}

bool inspect_output_folder(const std::string& path, tFileId& id)
{
    const DWORD attributes = GetFileAttributesW(wide_of(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return false;
        raise_windows_error(error);
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        raise_windows_error(ERROR_DIRECTORY);
    DWORD error = ERROR_SUCCESS;
    if (!id_of_path(path, id, error))
        raise_windows_error(error);
    return true;
}

tOpenFolder::~tOpenFolder() = default;

int open_input_by_rule(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(wide_of(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) || is_device_name(path))
        return -1;
    const int fd = _wopen(wide_of(path).c_str(), _O_RDONLY | _O_BINARY);
    if (fd < 0)
        raise_windows_error(GetLastError());
    return fd;
}

int open_stream_by_rule(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(wide_of(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        raise_windows_error(ERROR_DIRECTORY);
    const int fd = _wopen(wide_of(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0)
        raise_windows_error(GetLastError());
    return fd;
}

std::shared_ptr<tOpenFolder> open_output_folder(const std::string& path, bool create)
{
    tFileId id;
    if (inspect_output_folder(path, id))
        return std::make_shared<tOpenFolder>(-1, path);
    if (!create)
        return nullptr;
    for (std::string::size_type end = path.find_first_of("/\\", 1);; end = path.find_first_of("/\\", end + 1)) {
        const std::string part = path.substr(0, end);
        if (!part.empty() && part.back() != ':' && !CreateDirectoryW(wide_of(part).c_str(), nullptr)
            && GetLastError() != ERROR_ALREADY_EXISTS)
            raise_windows_error(GetLastError());
        if (end == std::string::npos)
            return std::make_shared<tOpenFolder>(-1, path);
    }
}

std::vector<std::string> names_in_folder(const tOpenFolder& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(wide_of(folder.path() + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(utf8_of(found.cFileName));
    while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

bool remove_in_folder(const tOpenFolder& folder, const std::string& name)
{
    return DeleteFileW(wide_of(folder.path() + "\\" + name).c_str()) != 0;
}

std::unique_ptr<tOutputHold> hold_folder(const tOpenFolder&, long long&)
{
    // Windows' charts have no folder of their own (no SVG in that build).
    return std::make_unique<tOutputHold>();
}

std::unique_ptr<tOutputHold> hold_file(const tOutputPath&, long long&)
{
    // Windows' own sharing rules keep a file that is being replaced.
    return std::make_unique<tOutputHold>();
}
