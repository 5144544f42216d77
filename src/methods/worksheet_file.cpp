// The worksheet file: where it lies, its exact bytes, and its save, restore
// and delete. The save writes a temporary file beside the old one and renames
// it over the old one, so that a failed save leaves the previous scores as
// they were.
#include "methods/worksheet_file.h"

#include "common/errors.h"
#include "common/replacing_file.h"
#include "methods/worksheet_config.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <cstring>
#include <memory>

namespace {

bool is_separator(char c)
{
    return c == '\\' || c == '/';
}

bool is_exe_extension_at(const std::string& path, std::string::size_type i)
{
    if (path[i] != '.' || i + 3 >= path.size())
        return false;
    for (std::string::size_type k = 1; k <= 3; ++k) {
        const char c = static_cast<char>(path[i + k] | 0x20); // lower case of a letter
        if (c != "exe"[k - 1])
            return false;
    }
    return true;
}

[[noreturn]] void raise_system_error(int error_number)
{
    throw EInOutError(std::strerror(error_number));
}

struct tFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using tFileHandle = std::unique_ptr<std::FILE, tFileCloser>;

// The restore's number syntax: optional sign, digits with an optional
// fraction (at least one digit in all), optional exponent. Nothing else, so
// that "inf", "nan" or hexadecimal forms are refused as in any other text.
bool is_decimal_number(const std::string& token)
{
    std::string::size_type i = 0;
    const std::string::size_type n = token.size();
    if (i < n && (token[i] == '+' || token[i] == '-'))
        ++i;
    std::string::size_type digits = 0;
    while (i < n && token[i] >= '0' && token[i] <= '9') {
        ++i;
        ++digits;
    }
    if (i < n && token[i] == '.') {
        ++i;
        while (i < n && token[i] >= '0' && token[i] <= '9') {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < n && (token[i] == 'e' || token[i] == 'E')) {
        ++i;
        if (i < n && (token[i] == '+' || token[i] == '-'))
            ++i;
        std::string::size_type exponent_digits = 0;
        while (i < n && token[i] >= '0' && token[i] <= '9') {
            ++i;
            ++exponent_digits;
        }
        if (exponent_digits == 0)
            return false;
    }
    return i == n;
}

constexpr int end_of_file_mark = 26;
constexpr std::string::size_type max_token_length = 64;

// Reads the next number of the file: white space and control characters are
// skipped, the end of the file (or the end mark 26) gives 0, and text that is
// not a number raises.
double read_number(std::FILE* f)
{
    int c = std::fgetc(f);
    while (c != EOF && c != end_of_file_mark && c <= 32)
        c = std::fgetc(f);
    if (c == EOF || c == end_of_file_mark) {
        if (std::ferror(f))
            raise_system_error(errno);
        // The end mark stays the end for every number that follows.
        if (c == end_of_file_mark)
            std::ungetc(c, f);
        return 0.0;
    }
    std::string token(1, static_cast<char>(c));
    while (token.size() < max_token_length) {
        c = std::fgetc(f);
        if (c == EOF) {
            if (std::ferror(f))
                raise_system_error(errno);
            break;
        }
        if (c <= 32) {
            std::ungetc(c, f);
            break;
        }
        token.push_back(static_cast<char>(c));
    }
    if (!is_decimal_number(token))
        throw EInOutError("Invalid numeric input");
    // from_chars: the decimal point is '.' whatever the program's locale.
    const char* first = token.data();
    const char* last = token.data() + token.size();
    if (*first == '+')
        ++first;
    double value = 0.0;
    const std::from_chars_result converted = std::from_chars(first, last, value);
    if (converted.ec != std::errc() || converted.ptr != last)
        throw EInOutError("Invalid numeric input");
    return value;
}

// The text "%1.6g" gives in the C locale (to_chars is defined that way), so
// that the field shows a decimal point that the score parser accepts.
std::string shown_as_g6(double value)
{
    char text[64];
    const std::to_chars_result r = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
    return std::string(text, r.ptr);
}

} // namespace

std::string program_folder_of(const std::string& executable_path)
{
    std::string::size_type last_separator = std::string::npos;
    for (std::string::size_type i = 0; i < executable_path.size(); ++i) {
        if (is_separator(executable_path[i]))
            last_separator = i;
        else if (is_exe_extension_at(executable_path, i))
            return last_separator == std::string::npos ? std::string()
                                                       : executable_path.substr(0, last_separator);
    }
    // No extension: the folder of the executable all the same.
    return last_separator == std::string::npos ? std::string() : executable_path.substr(0, last_separator);
}

std::string executable_folder_of(const std::string& executable_path)
{
    const std::string::size_type last_separator = executable_path.rfind('/');
    return last_separator == std::string::npos ? std::string() : executable_path.substr(0, last_separator);
}

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

std::string worksheet_file_path()
{
    return GetProgramFolder() + "/" + DataFileName;
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

std::string worksheet_folder_for(const std::string& program_folder, const std::string& data_folder)
{
    const bool system_folder = program_folder == "/usr" || program_folder.rfind("/usr/", 0) == 0;
    if (data_folder.empty() || (!system_folder && may_create_files_in(program_folder)))
        return program_folder;
    return data_folder;
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

std::string worksheet_file_content(const tFieldTexts& texts)
{
    std::string content;
    for (const std::string& text : texts) {
        content += text;
        content += ' ';
    }
    return content;
}

void save_worksheet_file(const std::string& path, const tFieldTexts& texts)
{
    // The last case's scores: readable by their user only, even in a
    // program folder that everyone can read.
    tReplacingFile file(path, 0600);
    file.write(worksheet_file_content(texts));
    file.commit();
}

bool load_worksheet_file(const std::string& path, int count, tFieldTexts& fields)
{
    // Only a regular file is a worksheet file: nothing there, or a folder, a
    // device or a pipe of that name, is no file at all.
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return false;
    } else if (!S_ISREG(info.st_mode)) {
        return false;
    }
    tFileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file)
        raise_system_error(errno);
    read_worksheet_numbers(file.get(), count, fields);
    return true;
}

void read_worksheet_numbers(std::FILE* file, int count, tFieldTexts& fields)
{
    const int numbers = count < 0 ? 0 : (count > static_cast<int>(fields.size()) ? static_cast<int>(fields.size()) : count);
    for (int k = 0; k < numbers; ++k) {
        const double value = read_number(file);
        fields[static_cast<tFieldTexts::size_type>(k)] = shown_as_g6(value);
    }
}

void delete_worksheet_file(const std::string& path)
{
    // unlink, not remove: an empty folder of that name must stay.
    ::unlink(path.c_str());
}
