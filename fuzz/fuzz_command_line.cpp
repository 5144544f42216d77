// Fuzz target: brenlow-report's command line, from any bytes. The input is
// cut at NUL bytes into arguments (an argument can hold no NUL), parsed as the
// tool parses its arguments, and a whole case is then checked as the tool
// checks it (nothing is printed, nothing exits). Checked on every input: an
// error is one message without control characters; without an error the
// options make a whole case (or ask for help), and a case that passes its
// checks holds only scores the worksheet's field can hold.
#include "case_checks.h"
#include "command_line.h"
#include "fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> args(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back() += static_cast<char>(data[i]);
    }
    const tCommandLine command_line = parse_command_line(args);
    if (!command_line.error.empty()) {
        for (const char c : command_line.error)
            require(!is_control(c));
        return 0;
    }
    const tOptions& options = command_line.options;
    if (options.help || options.version)
        return 0;
    if (options.cases_path) {
        for (const auto& score : options.scores)
            require(!score);
        return 0;
    }
    for (const auto& score : options.scores)
        require(score.has_value());

    const tCaseList list = check_command_line_case(options, [](const std::string& message) {
        for (const char c : message)
            require(c == '\n' || !is_control(c));
    });
    require(list.case_count() == (list.ok() ? 1u : 0u));
    if (list.ok())
        for (const std::string& score : list.case_at(0).scores)
            require(!score.empty() && score.size() <= 6
                    && score.find_first_not_of("0123456789.-") == std::string::npos);
    return 0;
}
