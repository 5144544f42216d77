// Elementary functions of the program's own, where the C library's would
// make the numbers depend on the system: glibc and MinGW-w64 round some
// results differently in the last place, and a last place can decide the
// last printed digit of a probability or a Monte Carlo draw's acceptance.
//
// Each is built from the basic operations of extended arithmetic alone
// (which IEEE 754 rounds the same way everywhere), frexp and ldexp (exact),
// and constants the compiler rounds correctly, so every system gives the
// same bits. All need the x87 control word of x87_precision.h: 64-bit
// precision, round to nearest.
#pragma once

#include "common/extended.h"

// e, correctly rounded by the compiler.
constexpr extended constant_e = 2.718281828459045235360287471352662498L;

// e^x: argument reduction by ln 2 in two parts, a Taylor polynomial,
// scaling by a power of two. Within about 1 unit in the last place.
extended exp_ext(extended x);

// ln x: x = 2^e m with m in [sqrt(1/2), sqrt(2)), ln m = 2 atanh((m-1)/(m+1))
// by its series, e ln 2 in two parts. Within 1 unit in the last place.
// NaN below 0, -infinity at 0.
extended log_ext(extended x);

// x^y = e^(y ln x) for x >= 0. The error grows with |y ln x|, up to about
// that many units in the last place: the same bits everywhere, but not the
// correctly rounded value for large exponents.
extended pow_ext(extended x, extended y);

// The real cube root, by Newton's method from a fixed first guess. Within
// 1 unit in the last place.
extended cbrt_ext(extended x);

// e^x rounded once to double; nearly always the correctly rounded value.
double exp_portable(double x);
