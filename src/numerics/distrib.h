// Continuous probability distributions on extended reals, the special
// functions beneath them, and the program's one random generator.
//
// Methods: the Lanczos approximation of ln Gamma (six coefficients); the
// regularized incomplete gamma function by its series and its continued
// fraction; the normal distribution function as 1/2 +- P(1/2, z^2/2)/2;
// quantiles by bracketing and safeguarded Newton steps; the Wilson-Hilferty
// normal approximation for gamma shapes above 500; L'Ecuyer's combined
// multiplicative congruential generator with Schrage's decomposition; the
// ratio-of-uniforms normal draw of Kinderman and Monahan with quadratic
// bounds; gamma draws by the exponential, a ratio of uniforms about the mode,
// and Ahrens and Dieter's method GS.
#pragma once

#include "common/extended.h"

#include <cstdint>
#include <stdexcept>
#include <string>

// Every refused argument raises this; the library never catches it.
class EArgumentError : public std::runtime_error {
public:
    explicit EArgumentError(const std::string& message) : std::runtime_error(message) {}
};

extern const extended DistribTolerance; // 5e-12
extern const extended SupportLimit;     // 2147483647

bool NearlyEqual(extended a, extended b);
bool CheckBound(int code, extended value, extended bound);
bool CheckArgument(bool condition, int code);

extended LnGamma(extended x);
extended GammaP(extended a, extended x);
extended GammaSeries(extended a, extended x);
extended GammaContinuedFraction(extended a, extended x);

// L'Ecuyer's generator: a value in the open interval (0, 1). The state starts
// from two fixed seeds once per process and is never reseeded.
extended UniformRandom();

// The generator's two components as they are now (for checks of its
// invariants 1 <= s1 < 2147483563 and 1 <= s2 < 2147483399).
struct tGeneratorState {
    std::int32_t s1;
    std::int32_t s2;
};
tGeneratorState GeneratorState();

struct ParameterDescriptor {
    extended value = 0;
    extended lower = 0; // exclusive
    extended upper = 0; // exclusive
};

class tDistribution {
public:
    virtual ~tDistribution() = default;

    virtual bool SetParameters(extended p1, extended p2, extended p3);
    virtual bool InSupport(extended x) const;
    virtual extended Density(extended x) const;
    virtual extended PointProbability(extended x) const;
    virtual extended CDF(extended x) const;
    virtual extended IntervalProbability(extended a, extended b) const;
    virtual extended Quantile(const extended& p) const = 0;
    virtual bool HasMean() const;
    virtual bool HasVariance() const;
    virtual extended Mean() const = 0;
    virtual extended Variance() const = 0;
    virtual extended StdDev() const;
    virtual extended RandomVariate();

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
    extended Mean() const override;
    extended Variance() const override;
    extended RandomVariate() override;

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
    extended Mean() const override;
    extended Variance() const override;
    extended RandomVariate() override;

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
