// The worksheet file as the start-up restores it, read from memory: every
// field the restore fills, with the only error it may raise.
#include "common/errors.h"
#include "fuzz_support.h"
#include "storage/worksheet_file.h"

#include <cstdio>
#include <memory>

namespace {

struct tFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    use_silent_messages();
    std::string content = input_text(data, size);
    // fmemopen refuses an empty buffer; an empty file reads as a file whose
    // first character is the end mark.
    if (content.empty())
        content = "\x1a";
    std::unique_ptr<std::FILE, tFileCloser> file(fmemopen(content.data(), content.size(), "rb"));
    if (!file)
        return 0;
    tFieldTexts fields;
    try {
        read_worksheet_numbers(file.get(), static_cast<int>(fields.size()), fields);
    } catch (const EInOutError&) {
        // "Invalid numeric input": text that is not a number.
    }
    return 0;
}
