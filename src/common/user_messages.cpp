#include "common/user_messages.h"

#include <cstdio>

namespace {

std::string with_line_breaks(std::string text)
{
    for (char& c : text)
        if (c == '\r')
            c = '\n';
    return text;
}

class tStderrMessages final : public tUserMessages {
public:
    void warning(const std::string& text) override
    {
        std::fprintf(stderr, "%s\n", with_line_breaks(text).c_str());
    }
    void information(const std::string& text) override
    {
        std::fprintf(stderr, "%s\n", with_line_breaks(text).c_str());
    }
    bool confirm(const std::string&) override { return false; }
    void beep() override {}
};

tStderrMessages fallback_messages;
tUserMessages* current_messages = nullptr;

} // namespace

tUserMessages& user_messages()
{
    return current_messages ? *current_messages : fallback_messages;
}

tUserMessages* install_user_messages(tUserMessages* messages)
{
    tUserMessages* previous = current_messages;
    current_messages = messages;
    return previous;
}
