#include "engine_text.h"

#include "code_page.h"

#include <algorithm>

namespace {

bool is_ascii(std::string_view bytes)
{
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

struct LeadByte {
    std::size_t length;  // of the whole sequence
    char32_t bits;       // the value bits the lead byte carries
    char32_t smallest;   // below this the sequence is an overlong form
};

LeadByte lead_byte(unsigned char lead)
{
    if (lead < 0x80) return {1, lead, 0};
    if (lead >= 0xC0 && lead < 0xE0) return {2, char32_t{lead} & 0x1Fu, 0x80};
    if (lead >= 0xE0 && lead < 0xF0) return {3, char32_t{lead} & 0x0Fu, 0x800};
    if (lead >= 0xF0 && lead < 0xF8) return {4, char32_t{lead} & 0x07u, 0x10000};
    return {0, 0, 0};
}

// Reads one sequence at bytes[at] into code_point; gives its length, or 0 when it is
// malformed (the caller then skips one byte).
std::size_t read_sequence(std::string_view bytes, std::size_t at, char32_t& code_point)
{
    const LeadByte lead = lead_byte(static_cast<unsigned char>(bytes[at]));
    if (lead.length == 0 || at + lead.length > bytes.size()) return 0;
    char32_t value = lead.bits;
    for (std::size_t i = 1; i < lead.length; ++i) {
        const auto next = static_cast<unsigned char>(bytes[at + i]);
        if ((next & 0xC0) != 0x80) return 0;
        value = (value << 6) | (next & 0x3Fu);
    }
    if (value < lead.smallest || value > 0x10FFFF) return 0;
    code_point = value;
    return lead.length;
}

}  // namespace

std::string engine_text_from_gbk(const Text& text)
{
    if (is_ascii(text)) return text;
    // The code page holds no character beyond the BMP, so its UTF-8 is CESU-8 as well.
    return utf8_from_gbk(text);
}

Text gbk_from_engine_text(std::string_view bytes)
{
    if (is_ascii(bytes)) return Text(bytes.substr(0, bytes.find('\0')));
    std::u16string wide;
    wide.reserve(bytes.size());
    std::size_t at = 0;
    while (at < bytes.size()) {
        char32_t code_point = 0;
        const std::size_t length = read_sequence(bytes, at, code_point);
        if (length == 0) {
            wide.push_back(u'\uFFFD');
            ++at;
            continue;
        }
        at += length;
        if (code_point > 0xFFFF) {
            code_point -= 0x10000;
            wide.push_back(static_cast<char16_t>(0xD800 + (code_point >> 10)));
            wide.push_back(static_cast<char16_t>(0xDC00 + (code_point & 0x3FF)));
        } else {
            wide.push_back(static_cast<char16_t>(code_point));
        }
    }
    return utf16_to_gbk(wide);
}
