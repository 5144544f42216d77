// A cell of the matrix entry dialog as Continue parses it.
#include "fuzz_support.h"
#include "methods/score_entry.h"

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    use_silent_messages();
    const double value = ParseCellText(input_text(data, size));
    if (!InputError && std::isnan(value))
        std::abort();
    return 0;
}
