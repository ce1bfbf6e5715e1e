// Reading UTF-8 a character at a time, the same way on every platform, so that
// malformed input gives the same text everywhere.
#pragma once

#include <cstddef>

// Reads the UTF-8 character at in[at] and moves past it. A malformed sequence gives
// U+FFFD and uses up its longest start that could still have been well-formed, at
// least one byte: how ICU and the Unicode standard replace them.
inline char32_t next_utf8(const unsigned char* in, std::size_t size, std::size_t& at)
{
    const unsigned char lead = in[at++];
    if (lead < 0x80) return lead;
    int trail_count;
    char32_t code_point;
    unsigned char lowest = 0x80, highest = 0xBF;  // of the next trail byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        trail_count = 1;
        code_point = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trail_count = 2;
        code_point = lead & 0x0Fu;
        if (lead == 0xE0) lowest = 0xA0;   // no overlong forms
        if (lead == 0xED) highest = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trail_count = 3;
        code_point = lead & 0x07u;
        if (lead == 0xF0) lowest = 0x90;
        if (lead == 0xF4) highest = 0x8F;  // nothing beyond U+10FFFF
    } else {
        return 0xFFFD;
    }
    for (int k = 0; k < trail_count; ++k) {
        if (at >= size || in[at] < lowest || in[at] > highest) return 0xFFFD;
        code_point = (code_point << 6) | (in[at++] & 0x3Fu);
        lowest = 0x80;
        highest = 0xBF;
    }
    return code_point;
}
