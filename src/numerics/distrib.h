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
#include "numerics/elementary.h"

#include <cmath>
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

// The generator's two components (invariants 1 <= s1 < 2147483563 and
// 1 <= s2 < 2147483399).
struct tGeneratorState {
    std::int32_t s1;
    std::int32_t s2;
};

// Each component's modulus and multiplier, and Schrage's quotient and
// remainder of the modulus by the multiplier.
constexpr std::int32_t generator_m1 = 2147483563;
constexpr std::int32_t generator_a1 = 40014;
constexpr std::int32_t generator_q1 = 53668;
constexpr std::int32_t generator_r1 = 12211;
constexpr std::int32_t generator_m2 = 2147483399;
constexpr std::int32_t generator_a2 = 40692;
constexpr std::int32_t generator_q2 = 52774;
constexpr std::int32_t generator_r2 = 3791;

// One step of the generator on a state held by the caller: the combined output
// z, 1 <= z <= 2147483562, whose uniform is uniform_of_output(z). A loop of
// draws keeps the state in registers and stores it back once.
inline std::int32_t generator_step(std::int32_t& s1, std::int32_t& s2)
{
    std::int32_t k = s1 / generator_q1;
    s1 = generator_a1 * (s1 - k * generator_q1) - k * generator_r1;
    if (s1 < 0)
        s1 = s1 + generator_m1;

    k = s2 / generator_q2;
    s2 = generator_a2 * (s2 - k * generator_q2) - k * generator_r2;
    if (s2 < 0)
        s2 = s2 + generator_m2;

    std::int32_t z = s1 - s2;
    if (z < 1)
        z = z + (generator_m1 - 1);
    return z;
}

inline extended uniform_of_output(std::int32_t z)
{
    return static_cast<extended>(z) * 4.656613e-10L;
}

// L'Ecuyer's generator, owned by whoever draws from it (the worksheet for its
// session, the batch tool for its run, a test for itself). It starts from two
// fixed seeds and is never reseeded.
class tRandom_generator {
public:
    tRandom_generator() = default;
    explicit tRandom_generator(tGeneratorState state) : state_(state) {}

    // A value in the open interval (0, 1).
    extended Uniform() { return uniform_of_output(generator_step(state_.s1, state_.s2)); }
    tGeneratorState State() const { return state_; }
    // Puts the generator where a run of draws made elsewhere (from a
    // jumped-ahead copy of the state) has left it, so that the next draw
    // continues the same sequence. Nothing else moves the state but drawing.
    void SetState(tGeneratorState state) { state_ = state; }

private:
    tGeneratorState state_{897183450, 1841323562};
};

// The state `steps` draws after `state`. Schrage's step is s := a s mod m
// exactly, so a jump multiplies each component by a power of its multiplier.
tGeneratorState JumpGeneratorState(tGeneratorState state, std::uint64_t steps);

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
    extended Mean() const override;
    extended Variance() const override;
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
    extended Mean() const override;
    extended Variance() const override;
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
