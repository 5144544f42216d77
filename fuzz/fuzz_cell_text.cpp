// A cell of the matrix entry dialog as Continue parses it.
#include "fuzz_support.h"
#include "methods/score_entry.h"

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    use_silent_messages();
    bool input_error = false;
    const double value = ParseCellText(input_text(data, size), input_error);
    if (!input_error && std::isnan(value))
        std::abort();
    return 0;
}
