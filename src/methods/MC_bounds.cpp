// The error bounds of the block engine: how far a double-precision value
// may lie from the extended-precision value it stands for, so that a
// decision taken in double precision is the extended one (the derivations
// are at tCandidate_margins and tTrial_margins in MC_blocks.h).
//
// Method: forward error bounds of floating-point arithmetic, each operation
// off by at most half an ulp of its result.
#include "methods/MC_blocks.h"
#include "numerics/elementary.h"

#include <algorithm>
#include <cmath>

namespace mc_blocks {

tCandidate_margins candidate_margins(double margin_scale)
{
    tCandidate_margins cm{};
    cm.scale = static_cast<double>(4.656613e-10L);
    cm.rou = static_cast<double>(std::sqrt(2 / constant_e));
    cm.unit = safety * unit_roundoff * margin_scale;
    cm.x_limit = std::sqrt(-4.0 * std::log(u_floor)) * (1 + 1e-9);
    return cm;
}

tTrial_margins trial_margins(const tMC_setup& setup, double margin_scale)
{
    tTrial_margins tm{};
    const int m = setup.m;
    const double x_limit = candidate_margins(1.0).x_limit;
    double row_max = 0;
    double limit_max = 0;
    for (int i = 0; i < m; ++i) {
        double row = 0;
        for (int j = 0; j < m; ++j) {
            tm.L[i][j] = static_cast<double>(setup.L[i + 1][j + 1]);
            row += std::fabs(tm.L[i][j]);
        }
        row_max = std::max(row_max, row);
        const double crit = static_cast<double>(setup.abs_crit);
        tm.dev_limit[i] = crit * static_cast<double>(setup.sdDev[i + 1]);
        limit_max = std::max(limit_max, tm.dev_limit[i]);
        for (int j = i + 1; j < m; ++j) {
            tm.pair_limit[i][j] = crit * static_cast<double>(setup.sdPair[i + 1][j + 1]);
            limit_max = std::max(limit_max, tm.pair_limit[i][j]);
        }
    }
    tm.cut = static_cast<double>(setup.cut);
    const double e = unit_roundoff;
    const double e_x = (6 / u_floor + 4 * x_limit) * (e + unit_roundoff_x);
    const double y_max = row_max * x_limit;
    const double e_y = row_max * e_x + (m + 1) * e * y_max;
    const double e_d = 2 * e_y + (m + 2) * e * y_max;
    tm.tol = safety * (e_d + 3 * e * limit_max) * margin_scale;
    return tm;
}

namespace {

bool finite_positive(extended v)
{
    return std::isfinite(v) && v > 0;
}

} // namespace

bool blocks_apply(const tMC_setup& s)
{
    if (s.m < 1 || s.m > max_dim || !std::isfinite(s.cut) || !std::isfinite(s.abs_crit) ||
        s.abs_crit < 0)
        return false;
    for (int i = 1; i <= s.m; ++i) {
        for (int j = 1; j <= s.m; ++j)
            if (!std::isfinite(s.L[i][j]))
                return false;
        if (s.m > 1 && !finite_positive(s.sdDev[i]))
            return false;
        for (int j = i + 1; j <= s.m; ++j)
            if (!finite_positive(s.sdPair[i][j]))
                return false;
    }
    return true;
}

} // namespace mc_blocks
