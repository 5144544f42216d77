// Tests that need a tool from outside the program (pdftotext, a locale's
// sources) skip where it is missing, except when BRENLOW_REQUIRE_TOOLS=1
// (scripts/test, and so CI, sets it): then a missing tool fails the test, so
// that a suite cannot pass by skipping what it claims to check.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

inline bool tools_required()
{
    const char* value = std::getenv("BRENLOW_REQUIRE_TOOLS");
    return value && std::strcmp(value, "1") == 0;
}

// Ends the test: a failure when tools are required, a skip otherwise.
#define SKIP_OR_FAIL_WITHOUT(what)                                                               \
    do {                                                                                         \
        if (tools_required())                                                                    \
            FAIL() << what << " (required: BRENLOW_REQUIRE_TOOLS=1)";                           \
        GTEST_SKIP() << what;                                                                    \
    } while (0)
