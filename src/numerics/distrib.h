// The continuous probability distributions on extended reals: the normal,
// the gamma and the chi-square, with their densities, distribution
// functions, quantiles and random draws.
//
// Methods: the normal distribution function as 1/2 +- P(1/2, z^2/2)/2;
// quantiles by bracketing and safeguarded Newton steps; the Wilson-Hilferty
// normal approximation for gamma shapes above 500; the ratio-of-uniforms
// normal draw of Kinderman and Monahan with quadratic bounds; gamma draws by
// the exponential, a ratio of uniforms about the mode, and Ahrens and
// Dieter's method GS. The special functions beneath them are in
// special_functions.h, L'Ecuyer's generator they draw from in
// random_generator.h.
#pragma once

#include "common/extended.h"
#include "numerics/elementary.h"
#include "numerics/random_generator.h"
#include "numerics/special_functions.h"

#include <cstdint>

struct ParameterDescriptor {
    extended value = 0;
    extended lower = 0; // exclusive
    extended upper = 0; // exclusive
};

class tDistribution {
public:
    virtual ~tDistribution() = default;

    virtual bool SetParameters(extended p1, extended p2, extended p3);
    virtual bool InSupport(extended x) const { return support_lower <= x && x <= support_upper; }
    virtual extended Density(extended) const { return 0; }
    virtual extended PointProbability(extended) const { return 0; }
    virtual extended CDF(extended x) const;
    virtual extended IntervalProbability(extended a, extended b) const;
    virtual extended Quantile(const extended& p) const = 0;
    virtual bool HasMean() const { return true; }
    virtual bool HasVariance() const { return true; }
    virtual extended Mean() const = 0;
    virtual extended Variance() const = 0;
    virtual extended StdDev() const;
    virtual extended RandomVariate(tRandom_generator& generator);

protected:
    tDistribution() = default;

    std::uint8_t parameter_count = 0;
    ParameterDescriptor parameters[3];
    extended support_lower = -2147483647.0L;
    extended support_upper = 2147483647.0L;
};

class tContinuous_distribution : public tDistribution {
public:
    extended Quantile(const extended& p) const override;
};

class tNormal_distribution : public tContinuous_distribution {
public:
    // The second argument is the variance, not the standard deviation.
    tNormal_distribution(extended mean, extended variance);

    bool SetParameters(extended p1, extended p2, extended p3) override;
    extended Density(extended x) const override;
    extended CDF(extended x) const override;
    extended Mean() const override { return mean_; }
    extended Variance() const override { return variance_; }
    extended RandomVariate(tRandom_generator& generator) override;

    // One candidate of the ratio-of-uniforms draw, from the generator outputs
    // of its two uniforms in the order drawn (u first): true when it is
    // accepted, with the variate in x. RandomVariate repeats this until a
    // candidate is accepted.
    bool AcceptCandidate(std::int32_t z_u, std::int32_t z_v, extended& x) const
    {
        const extended u = uniform_of_output(z_u);
        const extended v = (2 * uniform_of_output(z_v) - 1) * rou_const_;
        const extended r = v / u;
        const extended q = r * r;
        // The quick acceptance, else the quick rejection, else the logarithm.
        const bool accepted =
            q <= 6 - 8 * u + 2 * u * u || (!(q >= 2 / u - 2 * u) && q <= -4 * log_ext(u));
        if (accepted)
            x = mean_ + sd_ * r;
        return accepted;
    }

private:
    extended mean_ = 0;
    extended variance_ = 1;
    extended sd_ = 1;
    extended log_norm_ = 0;
    extended rou_const_ = 0; // sqrt(2 / e), for the ratio-of-uniforms draw
};

class tGamma_distribution : public tContinuous_distribution {
public:
    tGamma_distribution(extended shape, extended rate);

    bool SetParameters(extended p1, extended p2, extended p3) override;
    bool InSupport(extended x) const override;
    extended Density(extended x) const override;
    extended CDF(extended x) const override;
    extended Mean() const override { return shape_ / rate_; }
    extended Variance() const override { return shape_ / (rate_ * rate_); }
    extended RandomVariate(tRandom_generator& generator) override;

protected:
    // Sets the parameter count and bounds only; the chi-square constructor
    // then calls its own SetParameters.
    struct tNoParameters {};
    explicit tGamma_distribution(tNoParameters);

    extended shape_ = 1;
    extended rate_ = 1;
    extended log_norm_ = 0;
    extended draw_c1_ = 0; // v_min (shape > 1) or B (shape < 1)
    extended draw_c2_ = 0; // v_max (shape > 1) or K (shape < 1)
};

class tChi_square_distribution : public tGamma_distribution {
public:
    explicit tChi_square_distribution(extended k);

    bool SetParameters(extended p1, extended p2, extended p3) override;

private:
    extended df_ = 0;
};
