// Signed play addresses: the form the site's CDNs accept today. A signature is
// made from the line's anti-code, a random listener id and the time, so an
// address made now expires (its wsTime) and cannot be written ahead.
#pragma once

#include "json_script_object.h"
#include "text_types.h"

#include <cstdint>

// What a player must send with a signed address: the site's own page as Referer
// and a current browser's User-Agent.
inline constexpr const char* signing_referer = "https://www.huya.com/";
inline constexpr const char* browser_user_agent =
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/120.0.0.0 Safari/537.36";

// What a stream line gives towards signing its addresses.
struct SigningLine {
    Text hls_base;     // "sHlsUrl"
    Text stream_name;  // "sStreamName"
    Text suffix;       // "sHlsUrlSuffix"; "m3u8" when absent
    Text anti_code;    // "sHlsAntiCode", or "sFlvAntiCode" when that is absent or empty
};

// The two generated inputs of one listing; fixed by a caller that wants the
// same addresses twice.
struct SigningSeed {
    std::uint64_t uid = 0;    // a listener id, 12340000 to 12349999 when generated
    std::int64_t now_ms = 0;  // Unix time in milliseconds
};

// Reads the signing members of element index (zero-based) of the line list.
SigningLine read_signing_line(JsonScriptObject& document, int zero_based_index);
// The same, for a line whose base and stream name have been read already.
SigningLine read_signing_line(JsonScriptObject& document, int zero_based_index,
                              const Text& hls_base, const Text& stream_name);

// A new listener id and the current time.
SigningSeed new_signing_seed();

// The signed address of the line in the quality of that bit rate text; the
// empty text when the line has no anti-code or no digest could be made.
Text signed_play_address(const SigningLine& line, const Text& bit_rate, const SigningSeed& seed);

// The signed address, or the written one given when the line has none.
Text signed_or_written(const SigningLine& line, const Text& bit_rate, const SigningSeed& seed,
                       const Text& written);
