// The request header block a caller hands in, and the header lines of a
// response, on arbitrary bytes.
#include "fuzz_support.h"

#include "header_block.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Text block = text_from(data, size);
    const Text normalized = normalize_header_block(block);
    FUZZ_CHECK(normalized.size() <= block.size());
    FUZZ_CHECK(normalize_header_block(normalized) == normalized);

    const TextArray lines = split_text(normalized, "\r\n");
    for (int i = 1; i <= lines.count(); ++i) {
        const Text& line = lines.at(i);
        FUZZ_CHECK(find_text(line, ":") != -1);
        const Text name = header_line_name(line);
        const Text value = header_line_value(line);
        FUZZ_CHECK(name.size() + value.size() < line.size());
        (void)upper_first_letter(name);
    }

    // The whole block as one line, as a caller may pass it.
    const Text name = header_line_name(block);
    const Text value = header_line_value(block);
    FUZZ_CHECK(name.size() + value.size() <= block.size());
    return 0;
}
