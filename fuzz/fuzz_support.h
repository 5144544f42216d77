// Shared by the fuzz targets: a user-message seam that shows nothing (the
// messages are still built, so their code is exercised) and answers every
// confirmation with No.
#pragma once

#include "common/user_messages.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

class tSilentMessages final : public tUserMessages {
public:
    std::size_t shown = 0; // characters of all messages, so none is optimised away
    void warning(const std::string& text) override { shown += text.size(); }
    void information(const std::string& text) override { shown += text.size(); }
    bool confirm(const std::string& text) override
    {
        shown += text.size();
        return false;
    }
    void beep() override {}
};

// Installs the silent seam for the whole fuzzing run.
inline void use_silent_messages()
{
    static tSilentMessages silent;
    static tScopedUserMessages installed(silent);
}

inline std::string input_text(const std::uint8_t* data, std::size_t size)
{
    return std::string(reinterpret_cast<const char*>(data), size);
}

// Names the broken condition before the crash that the fuzzer reports.
#define require(condition)                                                                         \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: %s does not hold\n", __FILE__, __LINE__, #condition);      \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

inline bool is_control(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }
