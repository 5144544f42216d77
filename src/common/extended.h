// The program's real type for statistics, scores and probabilities.
//
// Every figure of the report is computed in the x87 80-bit format. A build in
// which long double is silently the 64-bit double would change last digits of
// printed values, so it must not compile.
#pragma once

#include <cfloat>

using extended = long double;

static_assert(LDBL_MANT_DIG == 64, "extended must be the 80-bit x87 format (64-bit mantissa)");
