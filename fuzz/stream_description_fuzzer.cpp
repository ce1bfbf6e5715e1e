// The room page as the site sends it: the stream description cut out of it and
// unwrapped from its Base64, and the unwrapping of any description text.
#include "fuzz_support.h"

#include "encodings.h"
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

    // Any UTF-8 payload the site wraps comes back out of a page whole, as the
    // flow reads it, unless the Base64 text happens to spell the plain marker.
    Bytes payload(data, data + size);
    Bytes padded = payload;
    const Text wrapped = concat_text(Text("\""), base64_encode(padded), Text("\""));
    const Text wrapping_page =
        concat_text(Text("<script>var hyPlayerConfig = {\"html5\":1,\"stream\":"), wrapped,
                    Text("};\n</script>"));
    const Text cut = cut_stream_description(wrapping_page);
    FUZZ_CHECK(cut == wrapped);
    if (!is_plain_description(cut))
        FUZZ_CHECK(unwrap_stream_description(cut) == utf8_to_gbk(payload));
    return 0;
}
