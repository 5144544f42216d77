// The argument checks of the numerical library and the special functions
// beneath its distributions.
//
// Methods: the Lanczos approximation of ln Gamma (six coefficients); the
// regularized lower incomplete gamma function P(a, x) by its power series
// below x = a + 1 and the continued fraction of Q(a, x) from there on.
#pragma once

#include "common/extended.h"

#include <stdexcept>
#include <string>

// Every refused argument raises this; the library never catches it.
class EArgumentError : public std::runtime_error {
public:
    explicit EArgumentError(const std::string& message) : std::runtime_error(message) {}
};

extern const extended DistribTolerance; // 5e-12
extern const extended SupportLimit;     // 2147483647

// Message codes of the argument checks.
constexpr int code_gamma_argument_too_large = 1361;
constexpr int code_no_variance = 1363;
constexpr int code_at_least = 1302;      // raise when value < bound
constexpr int code_upper_bound = 1303;   // raise when value >= bound
constexpr int code_at_most = 1315;       // raise when value > bound
constexpr int code_lower_bound_1 = 1301; // raise when value <= bound; 1305, 1309 likewise

bool NearlyEqual(extended a, extended b);
// Raises EArgumentError when `value` breaks the rule of `code` against `bound`.
bool CheckBound(int code, extended value, extended bound);
// Raises EArgumentError when `condition` holds.
bool CheckArgument(bool condition, int code);

extended LnGamma(extended x);
extended GammaP(extended a, extended x);
extended GammaSeries(extended a, extended x);
extended GammaContinuedFraction(extended a, extended x);
