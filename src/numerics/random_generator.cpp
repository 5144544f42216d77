// The jump ahead of L'Ecuyer's generator (random_generator.h).
#include "numerics/random_generator.h"

namespace {

// a^e mod m by repeated squaring; every product stays below 2^62.
std::uint64_t power_mod(std::uint64_t a, std::uint64_t e, std::uint64_t m)
{
    std::uint64_t result = 1;
    a %= m;
    while (e > 0) {
        if (e & 1)
            result = result * a % m;
        a = a * a % m;
        e >>= 1;
    }
    return result;
}

} // namespace

tGeneratorState JumpGeneratorState(tGeneratorState state, std::uint64_t steps)
{
    const std::uint64_t m1 = generator_m1;
    const std::uint64_t m2 = generator_m2;
    const std::uint64_t s1 = power_mod(generator_a1, steps, m1) * std::uint64_t(state.s1) % m1;
    const std::uint64_t s2 = power_mod(generator_a2, steps, m2) * std::uint64_t(state.s2) % m2;
    return {std::int32_t(s1), std::int32_t(s2)};
}
