// The argument checks and the special functions (special_functions.h).
//
// Methods:
// - ln Gamma: the Lanczos approximation with six coefficients.
// - P(a, x), the regularized lower incomplete gamma function: its power series
//   below x = a + 1, the continued fraction of Q(a, x) from there on.
// - Logarithms and exponentials: the program's own (elementary.h), never the
//   C library's, so that every system gives the same bits.
#include "numerics/special_functions.h"

#include "common/format_ext.h"
#include "numerics/elementary.h"

#include <cmath>
#include <stdexcept>

const extended DistribTolerance = 5e-12L;
const extended SupportLimit = 2147483647.0L;

namespace {

// The program's string table holds no text under any code, so a message is
// only the bound (CheckBound) or nothing at all (CheckArgument). The bound is
// written like the picture "0.############": at least one integer digit, at
// most twelve decimals, no trailing zeros or point.
std::string bound_text(extended bound)
{
    std::string text = format_ext("%.12Lf", bound);
    const std::string::size_type point = text.find('.');
    if (point != std::string::npos) {
        std::string::size_type end = text.find_last_not_of('0');
        if (end == point)
            --end;
        text.erase(end + 1);
    }
    if (text == "-0")
        text = "0";
    return text;
}

} // namespace

bool NearlyEqual(extended a, extended b)
{
    return std::fabs(a - b) < DistribTolerance;
}

// Each rule is written as the condition the value must meet, so that a NaN,
// which meets none, is refused instead of slipping through a comparison.
bool CheckBound(int code, extended value, extended bound)
{
    bool accepted;
    switch (code) {
    case code_lower_bound_1:
    case 1305:
    case 1309:
        accepted = value > bound;
        break;
    case code_at_least:
        accepted = value >= bound;
        break;
    case code_upper_bound:
        accepted = value < bound;
        break;
    case code_at_most:
        accepted = value <= bound;
        break;
    default:
        throw std::logic_error("CheckBound: unknown message code");
    }
    if (!accepted)
        throw EArgumentError(bound_text(bound));
    return true;
}

bool CheckArgument(bool condition, int /*code*/)
{
    if (condition)
        throw EArgumentError(std::string());
    return true;
}

extended LnGamma(extended x)
{
    static const extended coefficients[6] = {
        76.18009172947146L,     -86.50532032941677L,    24.01409824083091L,
        -1.231739572450155L,    0.1208650973866179e-2L, -0.5395239384953e-5L,
    };
    extended y = x - 1;
    extended t = y + 5.5L;
    t = (y + 0.5L) * log_ext(t) - t;
    extended s = 1;
    for (const extended c : coefficients) {
        y = y + 1;
        s = s + c / y;
    }
    return t + log_ext(2.5066282746310005L * s);
}

extended GammaP(extended a, extended x)
{
    CheckBound(code_at_least, x, 0);
    CheckArgument(x > 2147483647.0L, code_gamma_argument_too_large);
    CheckBound(code_lower_bound_1, a, 0);
    CheckArgument(a > 2147483647.0L, code_gamma_argument_too_large);
    if (x < a + 1)
        return GammaSeries(a, x);
    return 1 - GammaContinuedFraction(a, x);
}

extended GammaSeries(extended a, extended x)
{
    if (NearlyEqual(x, 0))
        return 0;
    extended ap = a;
    extended del = 1 / a;
    extended sum = del;
    // A series that has not met the tolerance after 100 terms is used as it is.
    for (int term = 1; term <= 100; ++term) {
        ap = ap + 1;
        del = del * x / ap;
        sum = sum + del;
        if (std::fabs(del) < std::fabs(sum) * DistribTolerance)
            break;
    }
    return sum * exp_ext(a * log_ext(x) - x - LnGamma(a));
}

extended GammaContinuedFraction(extended a, extended x)
{
    extended a0 = 1;
    extended a1 = x;
    extended b0 = 0;
    extended b1 = 1;
    extended fac = 1;
    extended g = 0;
    extended g_old = 1;
    int n = 1;
    do {
        const extended r = n - a;
        a0 = (a1 + a0 * r) * fac;
        b0 = (b1 + b0 * r) * fac;
        const extended s = n * fac;
        a1 = x * a0 + s * a1;
        b1 = x * b0 + s * b1;
        if (a1 != 0) {
            g_old = g;
            fac = 1 / a1;
            g = b1 * fac;
        }
        n = n + 1;
    } while (!(std::fabs((g - g_old) / g) < DistribTolerance));
    return g * exp_ext(a * log_ext(x) - x - LnGamma(a));
}
