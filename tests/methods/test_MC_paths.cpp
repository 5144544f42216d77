// The block engine's instruction-set paths: each computes the very doubles of
// the plain x86-64 path (not only the same decisions), and the program takes
// the best path the processor has. Run natively, and by ctest under an
// emulated processor without AVX-512 and one without AVX2.
#include "methods/MC_blocks.h"
#include "mc_paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>

namespace {

// The best path by the processor's own flags, read from /proc/cpuinfo, or the
// one named by BRENLOW_EXPECT_MC_PATH (an emulator shows the host's file).
std::string expected_best_path()
{
    if (const char* named = std::getenv("BRENLOW_EXPECT_MC_PATH"))
        return named;
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("flags", 0) != 0)
            continue;
        const std::string flags = line + " ";
        auto has = [&](const char* flag) {
            return flags.find(std::string(" ") + flag + " ") != std::string::npos;
        };
        if (!has("avx2") || !has("fma"))
            return "base";
        return has("avx512f") && has("avx512dq") && has("avx512vl") ? "avx512" : "avx2";
    }
    return "unknown: no flags in /proc/cpuinfo";
}

// 40 blocks of every lane from random generator states, on `path`, the
// states carried from block to block as the engine carries them.
std::vector<mc_blocks::tLane_block> blocks_on(tMC_path path, double margin_scale)
{
    using namespace mc_blocks;
    std::mt19937_64 random(8675309);
    std::uniform_int_distribution<std::int32_t> s1_of(1, generator_m1 - 1);
    std::uniform_int_distribution<std::int32_t> s2_of(1, generator_m2 - 1);
    double s1[lanes];
    double s2[lanes];
    for (int l = 0; l < lanes; ++l) {
        s1[l] = s1_of(random);
        s2[l] = s2_of(random);
    }
    const tCandidate_margins cm = candidate_margins(margin_scale);
    std::vector<tLane_block> blocks(40);
    for (tLane_block& b : blocks)
        lane_decider(path)(s1, s2, cm, b);
    return blocks;
}

} // namespace

// Every double the lanes store (x, u, q, its error bound, the generator
// outputs) and every status, bit for bit, on each path against the plain
// one; with multiply-adds fused on one path and not on another, q's error
// bound and the series bounds of the logarithm differ in their last bits.
// Also with margins widened.
TEST(MonteCarloPaths, EveryPathStoresTheDoublesOfThePlainPath)
{
    for (double margin_scale : {1.0, 1e12}) {
        const auto base = blocks_on(tMC_path::base, margin_scale);
        for (tMC_path path : MC_available_paths()) {
            const auto other = blocks_on(path, margin_scale);
            for (std::size_t k = 0; k < base.size(); ++k)
                ASSERT_EQ(std::memcmp(&base[k], &other[k], sizeof base[k]), 0)
                    << MC_path_name(path) << ", block " << k << ", margins x" << margin_scale;
        }
    }
}

TEST(MonteCarloPaths, TheProgramTakesTheBestPathTheProcessorHas)
{
    EXPECT_EQ(MC_path_name(MC_path_in_use()), expected_best_path());
    EXPECT_EQ(MC_path_in_use(), MC_available_paths().back());
}

// A path the processor lacks is refused, and the engine stays on its own
// (seen under the emulator, whose processors lack AVX-512 or AVX2).
TEST(MonteCarloPaths, ThePathSetterRefusesWhatTheProcessorLacks)
{
    const tMC_path automatic = MC_path_in_use();
    for (tMC_path path : {tMC_path::avx2, tMC_path::avx512}) {
        if (MC_path_supported(path))
            continue;
        EXPECT_FALSE(MC_set_path_for_tests(path)) << MC_path_name(path);
        EXPECT_EQ(MC_path_in_use(), automatic);
    }
    EXPECT_TRUE(MC_set_path_for_tests(tMC_path::base));
    EXPECT_EQ(MC_path_in_use(), tMC_path::base);
}
