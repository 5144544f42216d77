// Errors that the core does not handle itself. They travel up to the
// application's general error box, which shows the message with a full stop
// added and lets the program go on.
#pragma once

#include <stdexcept>
#include <string>

// A file could not be read, created or written; the message is the reason
// ("Invalid numeric input", "File access denied", ...).
class EInOutError : public std::runtime_error {
public:
    explicit EInOutError(const std::string& message) : std::runtime_error(message) {}
};
