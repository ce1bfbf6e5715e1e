#include "code_page.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace {

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};

// ICU's "windows-936" is the closest match to the Windows table: 0x80 is the euro
// sign and the user-defined area maps to private-use characters. Opening a
// converter is costly, so each thread keeps one.
UConverter* windows_936()
{
    thread_local std::unique_ptr<UConverter, ConverterCloser> converter = [] {
        UErrorCode status = U_ZERO_ERROR;
        UConverter* opened = ucnv_open("windows-936", &status);
        if (U_FAILURE(status)) fatal_error(7);
        ucnv_setSubstChars(opened, "?", 1, &status);
        return std::unique_ptr<UConverter, ConverterCloser>(opened);
    }();
    return converter.get();
}

Text cut_at_zero(Text text)
{
    const auto zero = text.find('\0');
    if (zero != Text::npos) text.resize(zero);
    return text;
}

}  // namespace

std::u16string gbk_to_utf16(const Text& text)
{
    if (text.empty()) return {};
    UConverter* converter = windows_936();
    ucnv_resetToUnicode(converter);
    std::u16string result(text.size() + 1, u'\0');  // never more units than bytes
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_toUChars(converter, reinterpret_cast<UChar*>(result.data()),
                                         static_cast<int32_t>(result.size()), text.data(),
                                         static_cast<int32_t>(text.size()), &status);
    if (U_FAILURE(status)) return {};
    result.resize(static_cast<std::size_t>(length));
    return result;
}

Text utf16_to_gbk(std::u16string_view text)
{
    if (text.empty()) return {};
    UConverter* converter = windows_936();
    ucnv_resetFromUnicode(converter);
    Text result(text.size() * 2 + 1, '\0');  // at most two bytes per unit
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_fromUChars(
        converter, result.data(), static_cast<int32_t>(result.size()),
        reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()), &status);
    if (U_FAILURE(status)) return {};
    result.resize(static_cast<std::size_t>(length));
    return cut_at_zero(std::move(result));
}

std::string utf8_from_gbk(const Text& text)
{
    const std::u16string wide = gbk_to_utf16(text);
    if (wide.empty()) return {};
    std::string result(wide.size() * 3 + 1, '\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(result.data(), static_cast<int32_t>(result.size()), &length,
                       reinterpret_cast<const UChar*>(wide.data()),
                       static_cast<int32_t>(wide.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status)) return {};
    result.resize(static_cast<std::size_t>(length));
    return result;
}

Text gbk_from_utf8(std::string_view utf8)
{
    if (utf8.empty()) return {};
    std::u16string wide(utf8.size() + 1, u'\0');  // never more units than bytes
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(wide.data()), static_cast<int32_t>(wide.size()),
                         &length, utf8.data(), static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr,
                         &status);
    if (U_FAILURE(status)) return {};
    wide.resize(static_cast<std::size_t>(length));
    return utf16_to_gbk(wide);
}

// ICU drops the invisible characters it cannot map, such as U+200B: they get 0.
// Built with a single conversion of all of them.
std::vector<std::uint16_t> gbk_table_of_bmp()
{
    std::u16string all;
    for (char32_t c = 1; c <= 0xFFFF; ++c)
        if (c < 0xD800 || c > 0xDFFF) all.push_back(static_cast<char16_t>(c));

    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UConverter, void (*)(UConverter*)> converter(
        ucnv_open("windows-936", &status), ucnv_close);
    if (U_FAILURE(status)) return {};
    ucnv_setSubstChars(converter.get(), "?", 1, &status);

    std::vector<char> bytes(all.size() * 2 + 16);
    std::vector<int32_t> offsets(bytes.size());
    char* target = bytes.data();
    const UChar* source = reinterpret_cast<const UChar*>(all.data());
    ucnv_fromUnicode(converter.get(), &target, bytes.data() + bytes.size(), &source,
                     source + all.size(), offsets.data(), true, &status);
    if (U_FAILURE(status)) return {};

    std::vector<std::uint16_t> table(0x10000, 0);
    std::vector<std::uint8_t> byte_count(0x10000, 0);
    for (std::size_t k = 0; k < static_cast<std::size_t>(target - bytes.data()); ++k) {
        const char16_t c = all[static_cast<std::size_t>(offsets[k])];
        const auto byte = static_cast<std::uint8_t>(bytes[k]);
        const int count = ++byte_count[c];
        if (count == 1)
            table[c] = byte;
        else if (count == 2 && table[c] >= 0x81)
            table[c] = static_cast<std::uint16_t>((table[c] << 8) | byte);
        else
            return {};  // not the shape the table can hold: let the converter do all the work
    }
    return table;
}
