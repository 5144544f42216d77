// The instruction-set paths of the Monte Carlo block engine for parameterised
// tests: every path this processor has, each test's name ending in the path
// it ran on (".../avx512", ".../avx2", ".../base").
#pragma once

#include "methods/MC_engine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

inline std::vector<tMC_path> MC_available_paths()
{
    std::vector<tMC_path> paths;
    for (tMC_path p : {tMC_path::base, tMC_path::avx2, tMC_path::avx512})
        if (MC_path_supported(p))
            paths.push_back(p);
    return paths;
}

inline std::string MC_path_param_name(const testing::TestParamInfo<tMC_path>& info)
{
    return MC_path_name(info.param);
}

// A test on one path: the engine's options with that path chosen.
class tOn_MC_path : public testing::TestWithParam<tMC_path> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(MC_choose_path(GetParam(), options_)) << MC_path_name(GetParam());
    }
    const tMC_options& options() const { return options_; }

private:
    tMC_options options_;
};

#define INSTANTIATE_ON_EVERY_MC_PATH(suite)                                                      \
    INSTANTIATE_TEST_SUITE_P(OnPath, suite, testing::ValuesIn(MC_available_paths()),             \
                             MC_path_param_name)
