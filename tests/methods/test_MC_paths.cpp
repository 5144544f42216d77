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
    EXPECT_EQ(MC_path_name(MC_best_path()), expected_best_path());
    EXPECT_EQ(tMC_options().path, MC_available_paths().back());
}

// Under each processor a test can describe, every path is taken when the
// processor has its instructions and refused, the options left as they
// were, when it lacks them; the program's own choice is the best one taken.
// (An AVX-512 flag without AVX2 is no processor's, and allows neither.)
TEST(MonteCarloPaths, EveryPathIsTakenOrRefusedAsTheProcessorAllows)
{
    struct tCase {
        tMC_processor processor;
        bool avx2, avx512;
        tMC_path best;
    };
    const tCase cases[] = {{{false, false}, false, false, tMC_path::base},
                           {{true, false}, true, false, tMC_path::avx2},
                           {{true, true}, true, true, tMC_path::avx512},
                           {{false, true}, false, false, tMC_path::base}};
    for (const tCase& c : cases) {
        const std::string what = std::string("avx2 ") + (c.processor.avx2 ? "yes" : "no") +
                                 ", avx512 " + (c.processor.avx512 ? "yes" : "no");
        EXPECT_EQ(MC_best_path(c.processor), c.best) << what;
        const std::pair<tMC_path, bool> allowed[] = {
            {tMC_path::base, true}, {tMC_path::avx2, c.avx2}, {tMC_path::avx512, c.avx512}};
        for (const auto& [path, taken] : allowed) {
            tMC_options options;
            const tMC_path before = path == tMC_path::base ? tMC_path::avx2 : tMC_path::base;
            options.path = before;
            EXPECT_EQ(MC_choose_path(path, options, c.processor), taken) << what << ", " << MC_path_name(path);
            EXPECT_EQ(options.path, taken ? path : before) << what << ", " << MC_path_name(path);
        }
    }
}
