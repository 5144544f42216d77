// printf-style formatting into a std::string.
//
// Report numbers are long double: every real conversion must be written %Lf.
// The format attribute lets -Wformat=2 catch a plain %f handed a long double,
// the likeliest silent fault of a report. Exact ties round to even, as the C
// library does (a %6.0Lf of 110.5 prints 110).
#pragma once

#include <string>

std::string format_ext(const char* format, ...) __attribute__((format(printf, 1, 2)));
