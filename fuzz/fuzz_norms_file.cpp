// A set of normative data as --norms and the desktop program's import read
// it, and the user's file of sets: read, checked, and a set that passes
// prepared and written back, which must read again to the same figures.
#include "analysis/normative_data.h"
#include "fuzz_support.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    use_silent_messages();
    const std::string text = input_text(data, size);
    tNormativeSet set;
    const tNormsProblem problem = normative_set_from_text(text, set);
    if (problem.message.empty()) {
        tNormativeData norms;
        SetUpNormativeData(set, true, norms);
        const tNormsText again = parse_normative_set_text(normative_set_text(set));
        if (!again.error.empty() || again.sets.size() != 1 || again.sets[0].rels != set.rels
            || again.sets[0].corr != set.corr || again.sets[0].name != set.name)
            std::abort();
    } else if (problem.line <= 0) {
        // A refusal of a file's text always names its line.
        std::abort();
    }
    parse_normative_sets_file(text);
    return 0;
}
