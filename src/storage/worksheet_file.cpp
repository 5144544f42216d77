// The worksheet file: where it lies, its exact bytes, and its save, restore
// and delete (what asks the system, worksheet_file_unix.cpp and
// worksheet_file_win.cpp). The save writes a temporary file beside the old one and renames
// it over the old one, so that a failed save leaves the previous scores as
// they were.
#include "storage/worksheet_file.h"

#include "common/errors.h"
#include "common/replacing_file.h"
#include "storage/worksheet_config.h"

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

// The restore's number syntax: optional sign, digits with an optional
// fraction (at least one digit in all), optional exponent. Nothing else, so
// that "inf", "nan" or hexadecimal forms are refused as in any other text.
bool is_decimal_number(const std::string& token)
{
    std::string::size_type i = 0;
    const std::string::size_type n = token.size();
    const auto skip_sign = [&] {
        if (i < n && (token[i] == '+' || token[i] == '-'))
            ++i;
    };
    // Moves past the digits at i; how many.
    const auto skip_digits = [&] {
        const std::string::size_type from = i;
        while (i < n && token[i] >= '0' && token[i] <= '9')
            ++i;
        return i - from;
    };
    skip_sign();
    std::string::size_type digits = skip_digits();
    if (i < n && token[i] == '.') {
        ++i;
        digits += skip_digits();
    }
    if (digits == 0)
        return false;
    if (i < n && (token[i] == 'e' || token[i] == 'E')) {
        ++i;
        skip_sign();
        if (skip_digits() == 0)
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

std::string worksheet_file_path()
{
    return GetProgramFolder() + "/" + DataFileName;
}

std::string worksheet_folder_for(const std::string& program_folder, const std::string& data_folder)
{
    if (data_folder.empty()
        || (!is_installed_programs_folder(program_folder) && may_create_files_in(program_folder)))
        return program_folder;
    return data_folder;
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

void read_worksheet_numbers(std::FILE* file, int count, tFieldTexts& fields)
{
    const int numbers = count < 0 ? 0 : (count > static_cast<int>(fields.size()) ? static_cast<int>(fields.size()) : count);
    for (int k = 0; k < numbers; ++k) {
        const double value = read_number(file);
        fields[static_cast<tFieldTexts::size_type>(k)] = shown_as_g6(value);
    }
}
