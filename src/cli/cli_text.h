// Texts of brenlow-report's messages. Whatever the user typed or the case
// file holds is shown with its control characters made visible, so that a
// NUL or an escape sequence can neither cut a message short nor act on the
// terminal.
#pragma once

#include <string>

// `text` with each control character written as an escape: \0, \t, \n, \r,
// and \xhh for the others (DEL included, and NUL before a digit). Other
// bytes are kept.
std::string visible(const std::string& text);

// As visible(), but line feeds stay line breaks and carriage returns (the
// worksheet's line breaks) become line feeds.
std::string visible_lines(const std::string& text);
