// The worksheet file's dealings with Windows: the executable's path (with
// the ".exe" scan of the start-up path), the folder rule, folders, and
// opening and deleting the file. Every path is UTF-8 here and a wide path
// for the system.
#include "storage/worksheet_file.h"

#include "common/errors.h"
#include "common/windows_text.h"
#include "storage/worksheet_config.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <io.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

[[noreturn]] void raise_windows_error(DWORD error)
{
    throw EInOutError(windows_error_text(error));
}

struct tFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using tFileHandle = std::unique_ptr<std::FILE, tFileCloser>;

std::string known_folder(const KNOWNFOLDERID& id)
{
    wchar_t* path = nullptr;
    std::string folder;
    if (SHGetKnownFolderPath(id, 0, nullptr, &path) == S_OK)
        folder = utf8_of(path);
    CoTaskMemFree(path);
    return folder;
}

// Lower case of ASCII letters, "\" for "/", no trailing separator: the form
// in which two spellings of one folder compare equal (Windows ignores case).
std::string comparable(std::string path)
{
    for (char& c : path) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c == '/')
            c = '\\';
    }
    while (path.size() > 1 && path.back() == '\\')
        path.pop_back();
    return path;
}

bool is_separator(char c)
{
    return c == '\\' || c == '/';
}

} // namespace

std::string GetProgramFolder()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return std::string();
        if (length < buffer.size())
            return program_folder_of(utf8_of(std::wstring(buffer.data(), length)));
        buffer.resize(buffer.size() * 2);
    }
}

bool may_create_files_in(const std::string& folder)
{
    // The probe is created as the save creates its temporary, and goes
    // again when its handle closes.
    for (int attempt = 0; attempt < 10; ++attempt) {
        const std::string probe = folder + "\\" + DataFileName + ".probe" + std::to_string(GetCurrentProcessId())
                                  + "-" + std::to_string(attempt);
        std::wstring wide;
        try {
            wide = wide_of(probe);
        } catch (const EInOutError&) {
            return false;
        }
        const HANDLE handle = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS)
            return false;
    }
    return false;
}

bool is_installed_programs_folder(const std::string& program_folder)
{
    const std::string folder = comparable(program_folder);
    // The user's own programs folder (%LOCALAPPDATA%\Programs) holds what
    // the setup program installs for one user only.
    std::vector<std::string> roots = {known_folder(FOLDERID_ProgramFiles), known_folder(FOLDERID_ProgramFilesX86),
                                      known_folder(FOLDERID_ProgramFilesX64),
                                      known_folder(FOLDERID_UserProgramFiles)};
    for (const wchar_t* variable : {L"ProgramFiles", L"ProgramFiles(x86)", L"ProgramW6432"}) {
        wchar_t value[MAX_PATH];
        const DWORD length = GetEnvironmentVariableW(variable, value, MAX_PATH);
        if (length > 0 && length < MAX_PATH)
            roots.push_back(utf8_of(std::wstring(value, length)));
    }
    for (const std::string& root : roots) {
        if (root.empty())
            continue;
        const std::string r = comparable(root);
        if (folder == r || (folder.size() > r.size() && folder.compare(0, r.size(), r) == 0
                            && folder[r.size()] == '\\'))
            return true;
    }
    return false;
}

std::string system_data_folder()
{
    const std::string roaming = known_folder(FOLDERID_RoamingAppData);
    return roaming.empty() ? std::string() : roaming + "\\Brenlow";
}

void create_folder_path(const std::string& folder)
{
    // The parts after the root: "C:\", "\\server\share\" and "\" stay.
    std::string::size_type start = 0;
    if (folder.size() >= 2 && folder[1] == ':')
        start = 2;
    else if (folder.size() >= 2 && is_separator(folder[0]) && is_separator(folder[1])) {
        start = folder.find_first_of("\\/", 2);
        start = start == std::string::npos ? folder.size() : folder.find_first_of("\\/", start + 1);
        if (start == std::string::npos)
            start = folder.size();
    }
    while (start < folder.size() && is_separator(folder[start]))
        ++start;
    for (std::string::size_type end = folder.find_first_of("\\/", start);;
         end = folder.find_first_of("\\/", end + 1)) {
        const std::string part = folder.substr(0, end);
        if (!part.empty() && !is_separator(part.back())) {
            const std::wstring wide = wide_of(part);
            const DWORD attributes = GetFileAttributesW(wide.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES) {
                if (!CreateDirectoryW(wide.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
                    raise_windows_error(GetLastError());
            } else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
                raise_windows_error(ERROR_DIRECTORY);
            }
        }
        if (end == std::string::npos)
            return;
    }
}

bool load_worksheet_file(const std::string& path, int count, tFieldTexts& fields)
{
    // Only a plain file is a worksheet file: nothing there, or a folder or a
    // device of that name, is no file at all.
    const std::wstring wide = wide_of(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return false;
    } else if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) {
        return false;
    }
    tFileHandle file(_wfopen(wide.c_str(), L"rb"));
    if (!file)
        raise_windows_error(GetLastError());
    if (_filelengthi64(_fileno(file.get())) > max_worksheet_file_bytes)
        throw EInOutError("'" + path + "' is larger than a worksheet file can be; it is not read");
    read_worksheet_numbers(file.get(), count, fields);
    return true;
}

void delete_worksheet_file(const std::string& path)
{
    // DeleteFileW removes files only: a folder of that name stays.
    try {
        DeleteFileW(wide_of(path).c_str());
    } catch (const EInOutError&) {
        // A name that is not UTF-8 names no file of ours.
    }
}
