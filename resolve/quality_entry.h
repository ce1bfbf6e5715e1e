// One quality that a room offers, and how a play address is made from it.
#pragma once

#include "text_types.h"

struct QualityEntry {
    Text display_name;  // "sDisplayName" of the quality
    Text bit_rate;      // "iBitRate", as its decimal text
};

using QualityTable = OneBasedArray<QualityEntry>;

// HLS base + "/" + stream name, then "_" + bit rate unless the bit rate reads
// exactly "0", then ".m3u8". The pieces are joined byte for byte, unchecked.
Text play_address(const Text& hls_base, const Text& stream_name, const Text& bit_rate);
