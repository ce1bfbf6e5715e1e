#include "text_types.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

namespace {

bool starts_two_byte_character(unsigned char byte)
{
    return byte >= 0x80;
}

// Bytes taken by the character that starts at index i (never past the end).
std::size_t character_width(const Text& text, std::size_t i)
{
    const bool pair = starts_two_byte_character(static_cast<unsigned char>(text[i]));
    return (pair && i + 1 < text.size()) ? 2 : 1;
}

char fold_ascii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool matches_at(const Text& text, std::size_t i, const Text& needle, bool ignore_case)
{
    if (text.size() - i < needle.size()) return false;
    for (std::size_t k = 0; k < needle.size(); ++k) {
        const char a = text[i + k];
        const char b = needle[k];
        if (ignore_case ? fold_ascii(a) != fold_ascii(b) : a != b) return false;
    }
    return true;
}

bool is_full_width_space(const Text& text, std::size_t i)
{
    return i + 1 < text.size() && static_cast<unsigned char>(text[i]) == 0xA1 &&
           static_cast<unsigned char>(text[i + 1]) == 0xA1;
}

// Width of the space at index i (1 or 2), or 0 when no space starts there.
std::size_t space_width_at(const Text& text, std::size_t i)
{
    if (text[i] == ' ') return 1;
    if (is_full_width_space(text, i)) return 2;
    return 0;
}

}  // namespace

int text_length(const Text& text)
{
    return static_cast<int>(text.size());
}

Text text_left(const Text& text, int n)
{
    if (n <= 0) return {};
    return text.substr(0, static_cast<std::size_t>(n));
}

Text text_right(const Text& text, int n)
{
    if (n <= 0) return {};
    if (n >= text_length(text)) return text;
    return text.substr(text.size() - static_cast<std::size_t>(n));
}

Text text_mid(const Text& text, int start, int n)
{
    if (start < 1 || start > text_length(text) || n <= 0) return {};
    return text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(n));
}

namespace {

// The case-sensitive search of find_text, fast on a large page: the byte search
// finds candidates, and a candidate counts only where a character starts. Every
// byte below 0x80 ends a character, and after it the bytes from 0x80 up pair off,
// so a character starts there at an even distance from the last such byte.
int find_case_sensitive(const Text& text, const Text& needle, std::size_t begin)
{
    const std::string_view haystack(text);
    std::size_t boundary = begin;  // the last character start known so far
    for (std::size_t at = haystack.find(needle, begin); at != Text::npos;
         at = haystack.find(needle, at + 1)) {
        std::size_t after_ascii = boundary;
        for (std::size_t i = at; i > boundary; --i) {
            if (static_cast<unsigned char>(text[i - 1]) < 0x80) {
                after_ascii = i;
                break;
            }
        }
        boundary = after_ascii + (at - after_ascii) / 2 * 2;
        if (boundary == at) return static_cast<int>(at + 1);
    }
    return -1;
}

}  // namespace

int find_text(const Text& text, const Text& needle, int start, bool ignore_case)
{
    const std::size_t begin = start >= 1 ? static_cast<std::size_t>(start - 1) : 0;
    if (begin >= text.size()) return -1;
    if (needle.empty()) return 1;
    if (!ignore_case) return find_case_sensitive(text, needle, begin);
    for (std::size_t i = begin; text.size() - i >= needle.size(); i += character_width(text, i)) {
        if (matches_at(text, i, needle, ignore_case)) return static_cast<int>(i + 1);
    }
    return -1;
}

Text replace_text(const Text& text, const Text& old_text, const Text& new_text, int start,
                  std::optional<int> count, bool case_sensitive)
{
    if (start < 1) start = 1;
    if (text.empty() || old_text.empty() || start > text_length(text) || (count && *count == 0))
        return text;

    std::size_t i = static_cast<std::size_t>(start - 1);
    Text result = text.substr(0, i);
    while (i < text.size()) {
        if (matches_at(text, i, old_text, !case_sensitive)) {
            result += new_text;
            i += old_text.size();
            if (count && --*count == 0) {
                result.append(text, i, Text::npos);
                break;
            }
        } else {
            const std::size_t width = character_width(text, i);
            result.append(text, i, width);
            i += width;
        }
    }
    return result;
}

TextArray split_text(const Text& text, const Text& delimiter)
{
    TextArray pieces;
    if (text.empty()) return pieces;
    if (delimiter.empty()) {
        pieces.append(text);
        return pieces;
    }
    std::size_t piece_start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (matches_at(text, i, delimiter, false)) {
            pieces.append(text.substr(piece_start, i - piece_start));
            i += delimiter.size();
            piece_start = i;
        } else {
            i += character_width(text, i);
        }
    }
    if (piece_start < text.size()) pieces.append(text.substr(piece_start));
    return pieces;
}

Text trim_text(const Text& text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t width = space_width_at(text, i);
        if (width == 0) break;
        i += width;
    }
    const std::size_t first = i;
    std::size_t end = first;  // one past the last character that is not a space
    while (i < text.size()) {
        const std::size_t space = space_width_at(text, i);
        const std::size_t width = space ? space : character_width(text, i);
        i += width;
        if (!space) end = i;
    }
    return text.substr(first, end - first);
}

Text remove_spaces(const Text& text)
{
    Text result;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t space = space_width_at(text, i);
        const std::size_t width = space ? space : character_width(text, i);
        if (!space) result.append(text, i, width);
        i += width;
    }
    return result;
}

Text upper_case(const Text& text)
{
    Text result = text;
    for (std::size_t i = 0; i < result.size(); i += character_width(result, i))
        result[i] = fold_ascii(result[i]);
    return result;
}

int char_code(const Text& text, int position)
{
    if (position < 1 || position > text_length(text)) return 0;
    return static_cast<signed char>(text[static_cast<std::size_t>(position - 1)]);
}

Text char_from_code(int code)
{
    const char byte = static_cast<char>(to_byte(code));
    return byte == 0 ? Text{} : Text(1, byte);
}

Text space_text(int n)
{
    return n < 1 ? Text{} : Text(static_cast<std::size_t>(n), ' ');
}

bool compare_text(const Text& a, const Text& b)
{
    return a == b;
}

Text number_to_text(int value)
{
    return std::to_string(value);
}

Text number_to_text(double value)
{
    // Room numbers run to 14 digits and name files, so whole numbers keep every
    // digit as long as a double holds them exactly; the rest take the shortest
    // text that reads back to the same double. to_chars writes a point whatever
    // the locale, which the window takes from the environment.
    constexpr double largest_exact_whole = 9007199254740992.0;  // 2^53
    char buffer[64];
    const bool exact_whole = std::trunc(value) == value && std::fabs(value) <= largest_exact_whole;
    const auto written =
        exact_whole ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed)
                    : std::to_chars(buffer, buffer + sizeof buffer, value);
    return Text(buffer, written.ptr);
}

Text bytes_to_text(const Bytes& bytes)
{
    Text text;
    for (std::uint8_t byte : bytes) {
        if (byte == 0) break;
        text.push_back(static_cast<char>(byte));
    }
    return text;
}

int text_to_int(const Text& text)
{
    // Full-width ASCII forms (0xA3 0xA1..0xFE) and the full-width space read as ASCII.
    Text ascii;
    for (std::size_t i = 0; i < text.size(); i += character_width(text, i)) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const auto trail = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE)
            ascii.push_back(static_cast<char>(trail - 0xA1 + 0x21));
        else if (lead == 0xA1 && trail == 0xA1)
            ascii.push_back(' ');
        else
            ascii.append(text, i, character_width(text, i));
    }

    std::size_t i = 0;
    while (i < ascii.size() && (ascii[i] == ' ' || (ascii[i] >= '\t' && ascii[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < ascii.size() && (ascii[i] == '+' || ascii[i] == '-')) negative = ascii[i++] == '-';
    // Digits past the 32-bit range saturate at its ends.
    long long value = 0;
    constexpr long long limit = static_cast<long long>(std::numeric_limits<int>::max()) + 1;
    for (; i < ascii.size() && ascii[i] >= '0' && ascii[i] <= '9'; ++i)
        value = std::min(limit, value * 10 + (ascii[i] - '0'));
    if (negative) value = -value;
    return static_cast<int>(std::min<long long>(value, std::numeric_limits<int>::max()));
}

Bytes text_to_bytes(const Text& text)
{
    return Bytes(text.begin(), text.end());
}

std::uint8_t to_byte(int value)
{
    return static_cast<std::uint8_t>(value & 0xFF);
}

int bytes_length(const Bytes& bytes)
{
    return static_cast<int>(bytes.size());
}

Bytes bytes_left(const Bytes& bytes, int n)
{
    const auto count = static_cast<std::size_t>(std::clamp(n, 0, bytes_length(bytes)));
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
}

Bytes bytes_right(const Bytes& bytes, int n)
{
    const auto count = static_cast<std::size_t>(std::clamp(n, 0, bytes_length(bytes)));
    return Bytes(bytes.end() - static_cast<std::ptrdiff_t>(count), bytes.end());
}

Bytes bytes_mid(const Bytes& bytes, int start, int n)
{
    if (start < 1) start = 1;
    if (start > bytes_length(bytes) || n <= 0) return {};
    const auto first = static_cast<std::size_t>(start - 1);
    const auto count = std::min(static_cast<std::size_t>(n), bytes.size() - first);
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(first),
                 bytes.begin() + static_cast<std::ptrdiff_t>(first + count));
}

Bytes zero_bytes(int n)
{
    return n <= 0 ? Bytes{} : Bytes(static_cast<std::size_t>(n), 0);
}

bool compare_bytes(const Bytes& a, const Bytes& b)
{
    return a == b;
}

int array_count(const TextArray& array)
{
    return array.count();
}

void array_append(TextArray& array, const Text& text)
{
    array.append(text);
}

int shift_left(int value, int n)
{
    return static_cast<int>(static_cast<std::uint32_t>(value) << (n & 31));
}

int shift_right(int value, int n)
{
    return value >> (n & 31);
}

double int_divide(double a, double b)
{
    return std::trunc(a / b);
}

double modulo(double a, double b)
{
    return std::fmod(a, b);
}
