#include "encodings.h"

#include "code_page.h"

#include <array>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace {

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Index of each byte in the alphabet, or -1 for a byte outside it.
constexpr std::array<signed char, 256> alphabet_indexes = [] {
    std::array<signed char, 256> indexes{};
    indexes.fill(-1);
    for (int i = 0; i < 64; ++i)
        indexes[static_cast<unsigned char>(alphabet[i])] = static_cast<signed char>(i);
    return indexes;
}();

bool starts_pair(const Text& text, std::size_t i)
{
    return static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size();
}

// The same result as remove_spaces followed by removing every CR LF pair with
// replace_text: both walk whole characters, so a space or CR LF inside a
// two-byte character stays. Done in place, as a large page must be cheap.
void remove_spaces_and_line_breaks(Text& text)
{
    std::size_t kept = 0;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte == ' ') {
            i += 1;
        } else if (byte == 0xA1 && i + 1 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) == 0xA1) {
            i += 2;
        } else {
            const std::size_t width = starts_pair(text, i) ? 2 : 1;
            for (std::size_t k = 0; k < width; ++k) text[kept++] = text[i++];
        }
    }
    text.resize(kept);

    kept = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            i += 2;
        } else {
            const std::size_t width = starts_pair(text, i) ? 2 : 1;
            for (std::size_t k = 0; k < width; ++k) text[kept++] = text[i++];
        }
    }
    text.resize(kept);
}

const std::vector<std::uint16_t>& gbk_of_bmp()
{
    static const std::vector<std::uint16_t> table = gbk_table_of_bmp();
    return table;
}

// Well-formed UTF-8 of BMP characters is decoded here and looked up in the table.
// Anything else (malformed bytes, characters beyond the BMP) goes to the platform's
// converter a run at a time, up to the next ASCII byte: an ASCII byte always starts
// a character of its own, so its replacements come out as they would for the whole
// input.
Text gbk_from_utf8_with_table(std::string_view input, const std::vector<std::uint16_t>& table)
{
    const auto* in = reinterpret_cast<const unsigned char*>(input.data());
    const std::size_t size = input.size();
    Text result(size, '\0');  // never more bytes out than in
    std::size_t written = 0;
    auto put = [&](std::uint16_t gbk) {
        if (gbk > 0xFF) result[written++] = static_cast<char>(gbk >> 8);
        if (gbk != 0) result[written++] = static_cast<char>(gbk & 0xFF);
    };
    auto continuation = [](unsigned char byte) { return (byte & 0xC0) == 0x80; };

    std::size_t i = 0;
    while (i < size) {
        if (size - i >= 8) {
            std::uint64_t eight;
            std::memcpy(&eight, in + i, 8);
            if ((eight & 0x8080808080808080ull) == 0) {
                std::memcpy(&result[written], in + i, 8);
                written += 8;
                i += 8;
                continue;
            }
        }
        const unsigned char lead = in[i];
        if (lead < 0x80) {
            result[written++] = static_cast<char>(lead);
            i += 1;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF && i + 1 < size && continuation(in[i + 1])) {
            put(table[((lead & 0x1Fu) << 6) | (in[i + 1] & 0x3Fu)]);
            i += 2;
            continue;
        }
        if (lead >= 0xE0 && lead <= 0xEF && i + 2 < size && continuation(in[i + 1]) &&
            continuation(in[i + 2])) {
            const unsigned c =
                ((lead & 0x0Fu) << 12) | ((in[i + 1] & 0x3Fu) << 6) | (in[i + 2] & 0x3Fu);
            if (c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) {  // not overlong, no surrogate
                put(table[c]);
                i += 3;
                continue;
            }
        }
        std::size_t run_end = i + 1;
        while (run_end < size && in[run_end] >= 0x80) ++run_end;
        const Text converted = gbk_from_utf8(input.substr(i, run_end - i));
        if (written + converted.size() > result.size()) result.resize(written + converted.size());
        std::memcpy(&result[written], converted.data(), converted.size());
        written += converted.size();
        i = run_end;
    }
    result.resize(written);
    return result;
}

}  // namespace

Text utf8_to_gbk(const Bytes& utf8)
{
    if (utf8.empty()) return {};
    // A UTF-8 zero byte is always the character U+0000, so cutting the input there
    // gives the same text as cutting the converted output, with less to convert.
    const void* zero = std::memchr(utf8.data(), 0, utf8.size());
    const std::size_t length =
        zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - utf8.data())
             : utf8.size();
    const std::string_view input(reinterpret_cast<const char*>(utf8.data()), length);

    const std::vector<std::uint16_t>& table = gbk_of_bmp();
    if (table.empty()) return gbk_from_utf8(input);
    return gbk_from_utf8_with_table(input, table);
}

Text base64_encode(Bytes& bytes)
{
    if (bytes.empty()) return {};
    const std::size_t remainder = bytes.size() % 3;
    if (remainder != 0) bytes.resize(bytes.size() + 3 - remainder, 0);

    Text encoded(bytes.size() / 3 * 4, '\0');
    char* out = encoded.data();
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const unsigned b1 = bytes[i], b2 = bytes[i + 1], b3 = bytes[i + 2];
        *out++ = alphabet[b1 >> 2];
        *out++ = alphabet[((b1 & 3) << 4) | (b2 >> 4)];
        *out++ = alphabet[((b2 & 15) << 2) | (b3 >> 6)];
        *out++ = alphabet[b3 & 63];
    }
    if (remainder == 1) encoded.replace(encoded.size() - 2, 2, "==");
    if (remainder == 2) encoded.back() = '=';
    return encoded;
}

Bytes base64_decode(Text& text, bool strip_zeros)
{
    remove_spaces_and_line_breaks(text);
    // Each group lets the window run, and a handler might touch the caller's text:
    // decode from a copy of our own.
    const Text cleaned = text;
    const std::size_t length = cleaned.size();
    const std::size_t groups = length / 4 + (length % 4 != 0 ? 1 : 0);
    const auto* input = reinterpret_cast<const unsigned char*>(cleaned.data());

    Bytes decoded(groups * 3);
    std::uint8_t* out = decoded.data();
    // The slots keep their values from one group to the next: a group that stops
    // early reuses the later slots of the group before it.
    unsigned slots[4] = {0, 0, 0, 0};
    int stopped_at = 0;
    for (std::size_t group = 0; group < groups; ++group) {
        stopped_at = 5;
        for (int j = 0; j < 4; ++j) {
            const std::size_t position = group * 4 + static_cast<std::size_t>(j);
            if (position >= length) {
                slots[j] = 0;
                continue;
            }
            const int index = alphabet_indexes[input[position]];
            if (index < 0) {
                slots[j] = input[position];
                stopped_at = j + 1;
                break;
            }
            slots[j] = static_cast<unsigned>(index);
        }
        *out++ = static_cast<std::uint8_t>((slots[0] << 2) | (slots[1] >> 4));
        *out++ = static_cast<std::uint8_t>((slots[1] << 4) | (slots[2] >> 2));
        *out++ = static_cast<std::uint8_t>((slots[2] << 6) | slots[3]);
        process_events();
    }

    // A last group stopped at its character j (2 to 4; "=" padding, usually) keeps
    // j - 2 of its three bytes. One stopped at its first character keeps none: drop
    // just its three, since dropping 5 - j = 4 would eat a byte of the group before.
    static constexpr std::size_t unfilled[6] = {0, 3, 3, 2, 1, 0};
    decoded.resize(decoded.size() - unfilled[stopped_at]);

    if (strip_zeros)
        while (!decoded.empty() && decoded.back() == 0) decoded.pop_back();
    return decoded;
}
