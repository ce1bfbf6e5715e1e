#include "code_page.h"
#include "utf8_reading.h"

#include <windows.h>

namespace {

constexpr UINT gbk = 936;

Text cut_at_zero(Text text)
{
    const auto zero = text.find('\0');
    if (zero != Text::npos) text.resize(zero);
    return text;
}

std::wstring wide_from(UINT code_page, std::string_view bytes)
{
    if (bytes.empty()) return {};
    const int size = static_cast<int>(bytes.size());
    const int units = MultiByteToWideChar(code_page, 0, bytes.data(), size, nullptr, 0);
    if (units <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(code_page, 0, bytes.data(), size, wide.data(), units);
    return wide;
}

// Code page 936 text with every byte that does not begin a character of the code
// page as U+FFFD, and a lead byte without its trail byte likewise: the system's
// conversion would make "?" of them, which a real "?" could not be told from.
// Valid stretches go to the system in one call each.
std::wstring wide_from_gbk(std::string_view text)
{
    std::wstring wide;
    std::size_t run_start = 0;
    auto flush = [&](std::size_t end) {
        wide += wide_from(gbk, text.substr(run_start, end - run_start));
    };
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte <= 0x80) {
            ++i;
            continue;
        }
        const bool trail_follows = i + 1 < text.size() && [&] {
            const auto trail = static_cast<unsigned char>(text[i + 1]);
            return trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
        }();
        if (byte != 0xFF && trail_follows) {
            i += 2;
            continue;
        }
        flush(i);
        wide += L'\xFFFD';
        run_start = ++i;
    }
    flush(text.size());
    return wide;
}

// UTF-8 to UTF-16, malformed stretches replaced as on the other platforms.
std::wstring wide_from_utf8(std::string_view utf8)
{
    std::wstring wide;
    wide.reserve(utf8.size());
    const auto* in = reinterpret_cast<const unsigned char*>(utf8.data());
    for (std::size_t at = 0; at < utf8.size();) {
        const char32_t code_point = next_utf8(in, utf8.size(), at);
        if (code_point >= 0x10000) {
            wide += static_cast<wchar_t>(0xD800 + ((code_point - 0x10000) >> 10));
            wide += static_cast<wchar_t>(0xDC00 + ((code_point - 0x10000) & 0x3FF));
        } else {
            wide += static_cast<wchar_t>(code_point);
        }
    }
    return wide;
}

// A character beyond the BMP (a surrogate pair), or a lone surrogate, is one "?"
// in code page 936, not one for each UTF-16 unit.
std::wstring one_unit_per_character(std::wstring_view wide)
{
    std::wstring result;
    result.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const wchar_t unit = wide[i];
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            if (unit <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
                wide[i + 1] <= 0xDFFF)
                ++i;
            result += L'?';
        } else {
            result += unit;
        }
    }
    return result;
}

// No best fit: a character the code page lacks becomes its default character "?"
// rather than a look-alike, as on the other platforms.
std::string bytes_from(UINT code_page, std::wstring_view wide)
{
    if (wide.empty()) return {};
    const DWORD flags = code_page == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int units = static_cast<int>(wide.size());
    const int size =
        WideCharToMultiByte(code_page, flags, wide.data(), units, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(code_page, flags, wide.data(), units, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

std::wstring_view as_wide(std::u16string_view text)
{
    return {reinterpret_cast<const wchar_t*>(text.data()), text.size()};
}

}  // namespace

std::u16string gbk_to_utf16(const Text& text)
{
    const std::wstring wide = wide_from_gbk(text);
    return {reinterpret_cast<const char16_t*>(wide.data()), wide.size()};
}

Text utf16_to_gbk(std::u16string_view text)
{
    return cut_at_zero(bytes_from(gbk, one_unit_per_character(as_wide(text))));
}

std::string utf8_from_gbk(const Text& text)
{
    return bytes_from(CP_UTF8, wide_from_gbk(text));
}

Text gbk_from_utf8(std::string_view utf8)
{
    return cut_at_zero(bytes_from(gbk, one_unit_per_character(wide_from_utf8(utf8))));
}
