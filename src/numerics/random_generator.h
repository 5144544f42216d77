// The program's one random generator: L'Ecuyer's combined multiplicative
// congruential generator (moduli 2147483563 and 2147483399), stepped with
// Schrage's decomposition so that no product leaves 32-bit integers, and
// jumped ahead by powers of its multipliers.
#pragma once

#include "common/extended.h"

#include <cstdint>

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
