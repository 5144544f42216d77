// Elementary functions of the program's own, where the C library's would
// make the numbers depend on the system: glibc and MinGW-w64 round some
// results differently in the last place, and a last place can decide the
// last printed digit of a small p value.
#pragma once

// e^x, computed with the basic operations of extended arithmetic only
// (argument reduction by ln 2 in two parts, a Taylor polynomial, scaling
// by a power of two), so that every system gives the same bits. Rounded
// once to double; within a few units of the 2^-64 relative error before that
// rounding, so nearly always the correctly rounded value. Needs the x87
// control word of x87_precision.h.
double exp_portable(double x);
