// The score field's text as the analysis run checks it: parse, then the
// range check with its message.
#include "fuzz_support.h"
#include "methods/score_entry.h"

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    use_silent_messages();
    const std::string caption = "Verbal Comprehension Index score:";
    bool input_error = false;
    const extended value = ParseScoreText(input_text(data, size), caption, input_error);
    if (!input_error) {
        // Digits only ever add: a finite or infinite number, never NaN.
        if (std::isnan(value))
            std::abort();
        CheckScoreRange(caption, static_cast<double>(value));
    }
    return 0;
}
