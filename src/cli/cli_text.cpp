#include "cli_text.h"

#include <cstdio>

namespace {

std::string escaped(const std::string& text, bool keep_lines)
{
    std::string shown;
    shown.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const unsigned char byte = static_cast<unsigned char>(c);
        const bool digit_follows = i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '9';
        if (keep_lines && (c == '\n' || c == '\r')) {
            shown += '\n';
        } else if (c == '\0' && !digit_follows) { // "\00" would read as one code
            shown += "\\0";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (c == '\n') {
            shown += "\\n";
        } else if (c == '\r') {
            shown += "\\r";
        } else if (byte < 0x20 || byte == 0x7f) {
            char code[5];
            std::snprintf(code, sizeof code, "\\x%02x", byte);
            shown += code;
        } else {
            shown += c;
        }
    }
    return shown;
}

} // namespace

std::string visible(const std::string& text) { return escaped(text, false); }

std::string visible_lines(const std::string& text) { return escaped(text, true); }
