// The continuous distributions: the normal, the gamma and the chi-square.
//
// Methods:
// - Normal distribution function: 1/2 +- P(1/2, z^2/2)/2, since
//   P(1/2, z^2/2) = erf(|z|/sqrt 2) (P from special_functions.h).
// - Quantiles: a bracket around the mean widened by factors of eight, then
//   Newton steps that fall back to bisection when they would leave it.
// - Gamma shapes above 500: the Wilson-Hilferty cube-root normal approximation.
// - Normal draws: Kinderman and Monahan's ratio of uniforms, with the quadratic
//   bounds on -4 ln u that settle most candidates without a logarithm.
// - Gamma draws: -ln U for shape 1, a ratio of uniforms centred on the mode
//   for shapes above 1, Ahrens and Dieter's method GS for shapes below 1.
// - Logarithms, exponentials, powers and cube roots: the program's own
//   (elementary.h), never the C library's, so that every system draws and
//   prints the same bits.
//
// Every figure of the report rests on these routines, so each follows its
// steps in the given order; reordering a sum or swapping two draws changes
// the last printed digits.
#include "numerics/distrib.h"

#include <cmath>

namespace {

// The normal distribution function from z's sign and y = z^2/2. Beyond
// y = SupportLimit, P(1/2, y) is 1 to every digit of an extended real; the
// shortcut keeps a far tail from being refused by GammaP's argument check.
extended normal_from_half_square(bool upper_half, extended y)
{
    const extended p = y > SupportLimit ? 1.0L : GammaP(0.5L, y);
    return upper_half ? 0.5L + 0.5L * p : 0.5L - 0.5L * p;
}

} // namespace

// ---------------------------------------------------------------------------
// tDistribution

bool tDistribution::SetParameters(extended p1, extended p2, extended p3)
{
    parameters[0].value = p1;
    parameters[1].value = p2;
    parameters[2].value = p3;
    for (int i = 1; i <= parameter_count; ++i) {
        const ParameterDescriptor& d = parameters[i - 1];
        CheckBound(1297 + 4 * i, d.value, d.lower);
        CheckBound(code_upper_bound, d.value, d.upper);
    }
    support_lower = -2147483647.0L;
    support_upper = 2147483647.0L;
    return true;
}

// Only a fall-back for arguments outside a concrete class's support, where it
// answers at once; inside the support it would call IntervalProbability,
// which calls CDF again.
extended tDistribution::CDF(extended x) const
{
    if (std::isnan(x))
        return x; // inside no support, and the recursion below would not end
    if (x < support_lower)
        return 0;
    if (x >= support_upper)
        return 1;
    return IntervalProbability(support_lower, x);
}

extended tDistribution::IntervalProbability(extended a, extended b) const
{
    if (a < support_lower)
        a = support_lower;
    if (b > support_upper)
        b = support_upper;
    extended r;
    // Compared with the constant, not the support: a gamma's lower end 0 still
    // takes the general branch.
    if (b >= 2147483647.0L)
        r = 1 - CDF(a) + PointProbability(a);
    else if (a <= -2147483647.0L)
        r = CDF(b);
    else
        r = CDF(b) - CDF(a) + PointProbability(a);
    if (r < 0)
        r = 0;
    if (r > 1)
        r = 1;
    return r;
}

extended tDistribution::StdDev() const
{
    CheckArgument(!HasVariance(), code_no_variance);
    return std::sqrt(Variance());
}

extended tDistribution::RandomVariate(tRandom_generator& generator)
{
    const extended u = generator.Uniform();
    return Quantile(u);
}

// ---------------------------------------------------------------------------
// tContinuous_distribution

extended tContinuous_distribution::Quantile(const extended& p) const
{
    CheckBound(code_at_least, p, 0);
    if (NearlyEqual(p, 0))
        return support_lower;
    CheckBound(code_at_most, p, 1);
    if (NearlyEqual(p, 1))
        return support_upper;

    extended lo = support_lower;
    extended hi = support_upper;
    const extended c = HasMean() ? Mean() : (lo + hi) / 2;
    const extended g = HasVariance() ? 2 * StdDev() : 8.0L;
    if (hi > c + g)
        hi = c + g;
    if (lo < c - g)
        lo = c - g;

    while (CDF(hi) < p) {
        lo = hi;
        hi = c + 8 * (hi - c);
        if (hi > support_upper)
            hi = support_upper;
    }
    // Only when the upward search left the starting bracket as it was.
    if (NearlyEqual(hi - lo, 2 * g)) {
        while (CDF(lo) > p) {
            hi = lo;
            lo = c + 8 * (lo - c);
            if (lo < support_lower)
                lo = support_lower;
        }
    }

    // Newton steps kept inside the shrinking bracket; no iteration limit.
    extended x = (lo + hi) / 2;
    extended x_prev;
    do {
        const extended d = CDF(x) - p;
        const extended f = Density(x);
        x_prev = x;
        if (d <= 0)
            lo = x;
        if (d >= 0)
            hi = x;
        if (std::fabs(2 * d) < (hi - lo) * f)
            x = x - d / f;
        else
            x = (lo + hi) / 2;
    } while (!(std::fabs(x - x_prev) < DistribTolerance));
    return x;
}

// ---------------------------------------------------------------------------
// tNormal_distribution

tNormal_distribution::tNormal_distribution(extended mean, extended variance)
{
    parameter_count = 2;
    parameters[0].lower = -2147483647.0L;
    parameters[0].upper = 2147483647.0L;
    parameters[1].lower = 0;
    parameters[1].upper = 2147483647.0L;
    SetParameters(mean, variance, 0);
}

bool tNormal_distribution::SetParameters(extended p1, extended p2, extended p3)
{
    const bool result = tContinuous_distribution::SetParameters(p1, p2, p3);
    mean_ = p1;
    variance_ = p2;
    sd_ = std::sqrt(p2);
    log_norm_ = -(log_ext(6.283185307179586L) + log_ext(p2)) / 2;
    rou_const_ = std::sqrt(2 / constant_e);
    return result;
}

extended tNormal_distribution::Density(extended x) const
{
    if (!InSupport(x))
        return 0;
    const extended d = x - mean_;
    return exp_ext(log_norm_ - d * d / (2 * variance_));
}

extended tNormal_distribution::CDF(extended x) const
{
    if (!InSupport(x))
        return tContinuous_distribution::CDF(x);
    const extended z = (x - mean_) / sd_;
    return normal_from_half_square(z >= 0, z * z / 2);
}

// Ratio of uniforms: u first, then v; the two are never swapped. The
// Monte Carlo's hot path: the generator state is worked on in locals and
// stored back once per draw.
extended tNormal_distribution::RandomVariate(tRandom_generator& generator)
{
    std::int32_t s1 = generator.State().s1;
    std::int32_t s2 = generator.State().s2;
    extended x = 0;
    for (;;) {
        const std::int32_t z_u = generator_step(s1, s2);
        const std::int32_t z_v = generator_step(s1, s2);
        if (AcceptCandidate(z_u, z_v, x))
            break;
    }
    generator.SetState({s1, s2});
    return x;
}

// ---------------------------------------------------------------------------
// tGamma_distribution

tGamma_distribution::tGamma_distribution(tNoParameters)
{
    parameter_count = 2;
    parameters[0].lower = 0;
    parameters[0].upper = 2147483647.0L;
    parameters[1].lower = 0;
    parameters[1].upper = 2147483647.0L;
}

tGamma_distribution::tGamma_distribution(extended shape, extended rate)
    : tGamma_distribution(tNoParameters{})
{
    SetParameters(shape, rate, 0);
}

bool tGamma_distribution::SetParameters(extended p1, extended p2, extended p3)
{
    const bool result = tContinuous_distribution::SetParameters(p1, p2, p3);
    shape_ = p1;
    rate_ = p2;
    log_norm_ = shape_ * log_ext(rate_) - LnGamma(shape_);
    support_lower = 0;
    support_upper = 2147483647.0L;

    const extended a = shape_;
    if (a > 1) {
        const extended s = std::sqrt(2 * a - 1);
        draw_c1_ = (1 - s) * std::sqrt(exp_ext((a - 1) * (log_ext(a - s) - log_ext(a - 1)) + s - 1));
        draw_c2_ = (1 + s) * std::sqrt(exp_ext((a - 1) * (log_ext(a + s) - log_ext(a - 1)) - s - 1));
    } else if (a < 1) {
        const extended e = constant_e;
        draw_c1_ = (e + a) / e;
        draw_c2_ = 1 / a;
    }
    return result;
}

// Below shape 1 the density is infinite at 0, so 0 is left out.
bool tGamma_distribution::InSupport(extended x) const
{
    if (!tContinuous_distribution::InSupport(x))
        return false;
    return shape_ >= 1 || x > 0;
}

extended tGamma_distribution::Density(extended x) const
{
    if (InSupport(x) && x > 0)
        return exp_ext((shape_ - 1) * log_ext(x) + log_norm_ - rate_ * x);
    if (NearlyEqual(shape_, 1) && x == 0)
        return rate_;
    return 0;
}

extended tGamma_distribution::CDF(extended x) const
{
    if (!InSupport(x)) {
        // 0 itself is outside the support of a shape below 1; the base class
        // would recurse on it.
        if (x <= 0)
            return 0;
        return tContinuous_distribution::CDF(x);
    }
    if (shape_ <= 500)
        return GammaP(shape_, rate_ * x);

    // Wilson-Hilferty: (X / shape)^(1/3) is nearly normal with mean
    // 1 - 1/(9 shape) and variance 1/(9 shape).
    const extended scaled = rate_ * x;
    const extended t = scaled == 0 ? 0.0L : cbrt_ext(scaled / shape_);
    const extended w = t - 1 + 1 / (9 * shape_);
    const extended y = 4.5L * shape_ * w * w;
    return normal_from_half_square(w >= 0, y);
}

extended tGamma_distribution::RandomVariate(tRandom_generator& generator)
{
    const extended a = shape_;
    extended X;
    if (a == 1) {
        X = -log_ext(generator.Uniform());
    } else if (a > 1) {
        const extended v_min = draw_c1_;
        const extended v_max = draw_c2_;
        for (;;) {
            const extended u = generator.Uniform();
            const extended v = generator.Uniform() * (v_max - v_min) + v_min;
            const extended x = v / u;
            const extended y = x + a - 1;
            const extended q = x * x;
            const extended r = -2 * u * u + 8 * u - 6;
            const extended u_bound = 2 * u * u - 2;
            // The acceptance test comes first: a sample meeting both is taken.
            if (x >= 0) {
                if (-q * (x + y) >= r * y * y) {
                    X = x + a - 1;
                    break;
                }
                if (-u * q <= u_bound * y)
                    continue;
            } else {
                if (-q >= r * y) {
                    X = x + a - 1;
                    break;
                }
                if (-u * q <= u_bound * (a - 1))
                    continue;
            }
            if (y <= 0)
                continue;
            if (2 * log_ext(u) + x <= (a - 1) * log_ext(x / (a - 1) + 1)) {
                X = x + a - 1;
                break;
            }
        }
    } else {
        const extended B = draw_c1_;
        const extended K = draw_c2_;
        for (;;) {
            const extended u1 = generator.Uniform();
            const extended p = B * u1;
            const extended u2 = generator.Uniform();
            if (p <= 1) {
                X = pow_ext(p, K);
                if (log_ext(u2) <= -X)
                    break;
            } else {
                X = -log_ext((B - p) * K);
                if (u2 <= pow_ext(X, a - 1))
                    break;
            }
        }
    }
    return X / rate_;
}

// ---------------------------------------------------------------------------
// tChi_square_distribution

tChi_square_distribution::tChi_square_distribution(extended k)
    : tGamma_distribution(tNoParameters{})
{
    SetParameters(k, 0, 0);
}

bool tChi_square_distribution::SetParameters(extended p1, extended, extended)
{
    const bool result = tGamma_distribution::SetParameters(p1 / 2, 0.5L, 0);
    df_ = p1;
    return result;
}
