#include "encodings.h"

#include "code_page.h"

#include <array>
#include <cstring>
#include <string_view>

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
    return gbk_from_utf8(input);
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
