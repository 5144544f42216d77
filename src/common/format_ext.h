// printf-style formatting into a std::string.
//
// Report numbers are long double: every real conversion must be written %Lf.
// The format attribute lets -Wformat=2 catch a plain %f handed a long double,
// the likeliest silent fault of a report. Exact ties round to even, as the C
// library does (a %6.0Lf of 110.5 prints 110).
#pragma once

#include <string>
#include <vector>

// The C99 formats the program prints with. GCC for MinGW-w64 checks a plain
// "printf" attribute against the Microsoft C runtime's formats, which know
// no %Lf; "gnu_printf" are those of MinGW-w64's own stdio, which the Windows
// build uses (__USE_MINGW_ANSI_STDIO). Clang knows only "printf".
#if defined(__clang__)
#define BRENLOW_PRINTF_FORMAT(format_index, first_argument) \
    __attribute__((format(printf, format_index, first_argument)))
#else
#define BRENLOW_PRINTF_FORMAT(format_index, first_argument) \
    __attribute__((format(gnu_printf, format_index, first_argument)))
#endif

std::string format_ext(const char* format, ...) BRENLOW_PRINTF_FORMAT(1, 2);

// "a, b and c" (or "a, b or c"): the items joined by commas, the last two by
// `last_joint` (" and ", " or ").
std::string joined_list(const std::vector<std::string>& items, const char* last_joint);
