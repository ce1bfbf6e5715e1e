#include "quality_entry.h"

Text play_address(const Text& hls_base, const Text& stream_name, const Text& bit_rate)
{
    if (bit_rate == "0") return concat_text(hls_base, Text("/"), stream_name, Text(".m3u8"));
    return concat_text(hls_base, Text("/"), stream_name, Text("_"), bit_rate, Text(".m3u8"));
}
