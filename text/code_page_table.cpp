// Code page 936 through the tables generated from ICU at build time: the same
// results as ICU's "windows-936" converter, without loading ICU.
#include "code_page.h"

#include "code_page_936_table.h"
#include "utf8_reading.h"

#include <algorithm>
#include <cstring>

namespace {

namespace cp = code_page_936;

bool is_lead(unsigned char byte)
{
    return byte >= cp::first_lead && byte <= cp::last_lead;
}

bool is_dropped_beyond_bmp(char32_t code_point)
{
    const cp::CodePointRange* end = cp::dropped_beyond_bmp + cp::dropped_beyond_bmp_count;
    const cp::CodePointRange* range =
        std::lower_bound(cp::dropped_beyond_bmp, end, code_point,
                         [](const cp::CodePointRange& r, char32_t c) { return r.last < c; });
    return range != end && range->first <= code_point;
}

// Appends the code page bytes of a character other than U+0000 and a surrogate.
void put_gbk(Text& out, char32_t code_point)
{
    if (code_point >= 0x10000) {
        if (!is_dropped_beyond_bmp(code_point)) out.push_back(cp::substitute);
        return;
    }
    const std::uint16_t bytes = cp::bmp_bytes[code_point];
    if (bytes > 0xFF) out.push_back(static_cast<char>(bytes >> 8));
    if (bytes != 0) out.push_back(static_cast<char>(bytes & 0xFF));
}

// The code page holds BMP characters only: one to three bytes each.
void put_utf8(std::string& out, char16_t unit)
{
    if (unit < 0x80) {
        out.push_back(static_cast<char>(unit));
    } else if (unit < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (unit >> 6)));
        out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (unit >> 12)));
        out.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    }
}

bool is_high_surrogate(char32_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool is_low_surrogate(char32_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

std::u16string gbk_to_utf16(const Text& text)
{
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::u16string result;
    result.reserve(size);
    for (std::size_t at = 0; at < size;) {
        const unsigned char byte = in[at];
        if (is_lead(byte) && at + 1 < size) {
            const char16_t pair = cp::pairs[(byte - cp::first_lead) * 256u + in[at + 1]];
            if (pair != cp::lead_byte_alone) {
                result.push_back(pair);
                at += 2;
                continue;
            }
        }
        result.push_back(cp::single_bytes[byte]);
        at += 1;
    }
    return result;
}

Text utf16_to_gbk(std::u16string_view text)
{
    Text result;
    result.reserve(text.size() * 2);
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char16_t unit = text[at];
        if (unit == 0) break;  // a Text ends before a zero byte
        if (is_high_surrogate(unit) && at + 1 < text.size() && is_low_surrogate(text[at + 1])) {
            put_gbk(result, 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (text[at + 1] - 0xDC00));
            ++at;
        } else if (is_high_surrogate(unit) || is_low_surrogate(unit)) {
            result.push_back(cp::substitute);
        } else {
            put_gbk(result, unit);
        }
    }
    return result;
}

std::string utf8_from_gbk(const Text& text)
{
    const std::u16string wide = gbk_to_utf16(text);
    std::string result;
    result.reserve(wide.size() * 3);
    // The generator lets no surrogate into the tables.
    for (char16_t unit : wide) put_utf8(result, unit);
    return result;
}

Text gbk_from_utf8(std::string_view utf8)
{
    const auto* in = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t size = utf8.size();
    Text result(size, '\0');  // never more bytes out than in
    std::size_t written = 0;
    auto put_bmp = [&](char32_t code_point) {
        const std::uint16_t bytes = cp::bmp_bytes[code_point];
        if (bytes > 0xFF) result[written++] = static_cast<char>(bytes >> 8);
        if (bytes != 0) result[written++] = static_cast<char>(bytes & 0xFF);
    };
    for (std::size_t at = 0; at < size;) {
        if (size - at >= 8) {  // runs of ASCII are copied eight bytes at a time
            std::uint64_t eight;
            std::memcpy(&eight, in + at, 8);
            if ((eight & 0x8080808080808080ull) == 0) {
                std::memcpy(&result[written], in + at, 8);
                written += 8;
                at += 8;
                continue;
            }
        }
        // Most of a Chinese page: a well-formed three-byte character of the BMP.
        if (size - at >= 3 && in[at] >= 0xE1 && in[at] != 0xED && in[at] <= 0xEF &&
            (in[at + 1] & 0xC0) == 0x80 && (in[at + 2] & 0xC0) == 0x80) {
            put_bmp(((in[at] & 0x0Fu) << 12) | ((in[at + 1] & 0x3Fu) << 6) | (in[at + 2] & 0x3Fu));
            at += 3;
            continue;
        }
        const char32_t code_point = next_utf8(in, size, at);
        if (code_point == 0) break;
        if (code_point < 0x80) {
            result[written++] = static_cast<char>(code_point);
            continue;
        }
        if (result.size() - written < 2) result.resize(result.size() + 16);
        if (code_point < 0x10000) {
            put_bmp(code_point);
        } else if (!is_dropped_beyond_bmp(code_point)) {
            result[written++] = cp::substitute;
        }
    }
    // An ASCII run may have carried a zero byte along.
    result.resize(written);
    result.resize(std::min(written, result.find('\0')));
    return result;
}
