// The code page 936 tables that the build generates from ICU's "windows-936"
// converter (code_page_936_generator.cpp writes their contents).
#pragma once

#include <cstddef>
#include <cstdint>

namespace code_page_936 {

constexpr unsigned first_lead = 0x81;
constexpr unsigned last_lead = 0xFE;
constexpr std::size_t pair_count = (last_lead - first_lead + 1) * 256;

// Each byte read alone. For a lead byte, the character it gives when the input ends
// right after it.
extern const char16_t single_bytes[256];

// A lead byte and the byte after it, at (lead - first_lead) * 256 + trail: the
// character both make, or lead_byte_alone when the lead byte counts as a bad byte
// on its own and reading starts again at the second byte.
constexpr char16_t lead_byte_alone = 0xFFFF;
extern const char16_t pairs[pair_count];

// The bytes of each BMP character: below 0x100 one byte, otherwise lead byte and
// trail byte; 0 when the character is dropped (and for U+0000).
extern const std::uint16_t bmp_bytes[0x10000];

// Characters beyond the BMP that are dropped; every other one becomes the substitute.
struct CodePointRange {
    char32_t first;
    char32_t last;
};
extern const CodePointRange dropped_beyond_bmp[];
extern const std::size_t dropped_beyond_bmp_count;

// What a character the code page lacks becomes, and so does a lone surrogate.
constexpr char substitute = '?';

}  // namespace code_page_936
