#include "code_page.h"

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
    const std::wstring wide = wide_from(gbk, text);
    return {reinterpret_cast<const char16_t*>(wide.data()), wide.size()};
}

Text utf16_to_gbk(std::u16string_view text)
{
    return cut_at_zero(bytes_from(gbk, as_wide(text)));
}

std::string utf8_from_gbk(const Text& text)
{
    return bytes_from(CP_UTF8, wide_from(gbk, text));
}

Text gbk_from_utf8(std::string_view utf8)
{
    return cut_at_zero(bytes_from(gbk, wide_from(CP_UTF8, utf8)));
}

std::vector<std::uint16_t> gbk_table_of_bmp()
{
    std::vector<std::uint16_t> table(0x10000, 0);
    for (unsigned c = 1; c <= 0xFFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        const wchar_t unit = static_cast<wchar_t>(c);
        char bytes[2] = {};
        const int size =
            WideCharToMultiByte(gbk, WC_NO_BEST_FIT_CHARS, &unit, 1, bytes, 2, nullptr, nullptr);
        if (size == 1)
            table[c] = static_cast<unsigned char>(bytes[0]);
        else if (size == 2)
            table[c] = static_cast<std::uint16_t>((static_cast<unsigned char>(bytes[0]) << 8) |
                                                  static_cast<unsigned char>(bytes[1]));
        else
            return {};
    }
    return table;
}
