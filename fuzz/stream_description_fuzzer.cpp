// The room page as the site sends it: the stream description cut out of it and
// unwrapped from its Base64, and the unwrapping of any description text.
#include "fuzz_support.h"

#include "stream_description.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Text page = text_from(data, size);
    const Text description = cut_stream_description(page);
    FUZZ_CHECK(page.find(description) != Text::npos);
    const Text unwrapped = unwrap_stream_description(description);
    FUZZ_CHECK(unwrapped.find('\0') == Text::npos);

    const Text direct = unwrap_stream_description(page);
    FUZZ_CHECK(direct.find('\0') == Text::npos);
    if (is_plain_description(page)) FUZZ_CHECK(direct == page);
    return 0;
}
