// Base64 decoding of arbitrary text (the page's wrapped stream description), and
// the round trip through the encoder for arbitrary bytes.
#include "fuzz_support.h"

#include "encodings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const bool strip_zeros = (data[0] & 1) != 0;

    Text text = text_from(data + 1, size - 1);
    const std::size_t length = text.size();
    const Bytes decoded = base64_decode(text, strip_zeros);
    // Spaces and line breaks are only ever removed from the caller's text.
    FUZZ_CHECK(text.size() <= length);
    FUZZ_CHECK(decoded.size() <= (text.size() + 3) / 4 * 3);
    if (strip_zeros) FUZZ_CHECK(decoded.empty() || decoded.back() != 0);

    // Whatever the encoder writes decodes to the same bytes again.
    const Bytes original(data + 1, data + size);
    Bytes padded = original;
    Text encoded = base64_encode(padded);
    FUZZ_CHECK(encoded.size() == (original.size() + 2) / 3 * 4);
    FUZZ_CHECK(base64_decode(encoded) == original);
    return 0;
}
